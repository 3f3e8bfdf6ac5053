#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "path/PathName.h"
#include "tests/path/PathTestSupport.h"
#include "tests/support/FakeMachine.h"

namespace {

using pathtest::ComponentsOf;
using pathtest::FlagsOf;

struct ParseRow {
  std::wstring text;
  int cause;          // -1: parses
  const char* flags;  // U drive D rooted R relative L, in that order
  std::vector<std::wstring> components;
};

class PathParse : public ::testing::Test {
 protected:
  test_support::FakeMachine fake;
};

TEST_F(PathParse, Rows) {
  const std::wstring name260(260, L'n');
  const std::wstring server64(64, L's');
  const ParseRow rows[] = {
      {L"", -1, "", {}},
      {L"C:\\Windows\\System32", -1, "DR", {L"C:", L"Windows", L"System32"}},
      {L"C:\\", -1, "DR", {L"C:"}},
      {L"C:", -1, "DL", {L"C:"}},
      {L"C:x\\y", CPathException::invalidName, "", {}},  // a colon inside three characters
      {L"\\\\server\\share\\dir\\", -1, "UR", {L"server", L"share", L"dir"}},
      {L"\\\\server", -1, "UR", {L"server"}},
      {L"\\\\\\server\\share", -1, "UR", {L"server", L"share"}},
      {L"\\Temp", -1, "RL", {L"Temp"}},
      {L"a\\.\\..\\b", -1, "L", {L"a", L".", L"..", L"b"}},
      {L"C:\\Temp\\", -1, "DR", {L"C:", L"Temp"}},
      {L"C:\\D:", -1, "DR", {L"C:", L"D:"}},
      {L"C:\\logs\\file*.log", -1, "DR", {L"C:", L"logs", L"file*.log"}},
      {L"\\\\server\\a,b=c[d]+e;f\\g*h?", -1, "UR", {L"server", L"a,b=c[d]+e;f", L"g*h?"}},
      {L"C:\\" + name260, -1, "DR", {L"C:", name260}},
      {L"\\\\" + server64 + L"\\share", -1, "UR", {server64, L"share"}},
      {L"C:/Windows", CPathException::invalidName, "", {}},
      {L"a\\\\b", CPathException::invalidName, "", {}},
      {L"C:\\Temp\\\\", CPathException::invalidName, "", {}},
      {L"\\\\", CPathException::invalidName, "", {}},
      {L"\\", CPathException::invalidName, "", {}},
      {L"\\\\\\\\", CPathException::invalidName, "", {}},
      {L"C:\\" + name260 + L"n", CPathException::invalidName, "", {}},
      {L"\\\\" + server64 + L"s\\share", CPathException::invalidName, "", {}},
      {L"\\\\ser,ver\\share", CPathException::invalidName, "", {}},
      {L"\\\\ser=ver\\share", CPathException::invalidName, "", {}},
      {L"\\\\ser[ver\\share", CPathException::invalidName, "", {}},
      {L"\\\\ser+ver\\share", CPathException::invalidName, "", {}},
      {L"\\\\ser;ver\\share", CPathException::invalidName, "", {}},
      {L"\\\\ser*ver\\share", CPathException::invalidName, "", {}},
      {L"\\\\ser?ver\\share", CPathException::invalidName, "", {}},
      {L"\\\\C:\\share", CPathException::invalidName, "", {}},
      {L"C:\\x:y", CPathException::invalidName, "", {}},
      {L"C:\\a|b", CPathException::invalidName, "", {}},
      {L"C:\\a\"b", CPathException::invalidName, "", {}},
      {L"C:\\a<b>", CPathException::invalidName, "", {}},
      {L"::", CPathException::invalidName, "", {}},
      {L"C:x", CPathException::invalidName, "", {}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const ParseRow& row = rows[i];
    CPathName path;
    CPathString text;
    text.Assign(row.text.c_str());
    int cause = -1;
    try {
      path.Parse(text);
    } catch (const CPathException& error) {
      cause = error.m_cause;
    }
    EXPECT_EQ(cause, row.cause) << "row " << i << ": " << row.text.substr(0, 80);
    EXPECT_EQ(FlagsOf(path), row.flags) << "row " << i << ": " << row.text.substr(0, 80);
    EXPECT_EQ(ComponentsOf(path), row.components) << "row " << i << ": " << row.text.substr(0, 80);
  }
}

TEST_F(PathParse, SetPathReportsFailureAndEmptiesThePath) {
  struct Row {
    const wchar_t* text;
    bool ok;
    int cause;
  };
  const Row rows[] = {{L"C:\\Windows\\System32", true, 7},  // 7: the record is left alone
                      {L"", true, 7},
                      {nullptr, true, 7},
                      {L"C:/Windows", false, CPathException::invalidName},
                      {L"\\\\", false, CPathException::invalidName},
                      {L"C:\\a\\\\b", false, CPathException::invalidName}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const wchar_t* label = rows[i].text != nullptr ? rows[i].text : L"<null>";
    CPathName path;
    ASSERT_TRUE(path.SetPath(L"\\\\server\\share\\dir"));
    CPathException error(7);
    EXPECT_EQ(path.SetPath(rows[i].text, &error), rows[i].ok) << "row " << i << ": " << label;
    EXPECT_EQ(error.m_cause, rows[i].cause) << "row " << i << ": " << label;
    if (!rows[i].ok) {
      EXPECT_EQ(FlagsOf(path), "") << "row " << i;
      EXPECT_TRUE(path.IsEmpty()) << "row " << i;
    }
    // Without an error record the result is the same.
    CPathName again;
    EXPECT_EQ(again.SetPath(rows[i].text), rows[i].ok) << "row " << i;
  }
}

TEST_F(PathParse, FailedParseOfAFullPathLeavesItEmpty) {
  CPathName path;
  ASSERT_TRUE(path.SetPath(L"C:\\Windows"));
  CPathException error;
  EXPECT_FALSE(path.SetPath(L"C:\\Windows\\a:b", &error));
  EXPECT_EQ(error.m_cause, CPathException::invalidName);
  EXPECT_EQ(FlagsOf(path), "");
  EXPECT_EQ(path.GetComponentCount(), 0u);
  EXPECT_EQ(path.GetText().GetBuffer(), nullptr);
}

TEST_F(PathParse, ParseReplacesThePreviousPath) {
  CPathName path;
  ASSERT_TRUE(path.SetPath(L"\\\\server\\share\\a\\b"));
  ASSERT_TRUE(path.SetPath(L"x"));
  EXPECT_EQ(FlagsOf(path), "L");
  EXPECT_EQ(ComponentsOf(path), std::vector<std::wstring>{L"x"});
}

TEST_F(PathParse, CopiesAreIndependent) {
  CPathName original;
  ASSERT_TRUE(original.SetPath(L"C:\\Temp"));
  CPathName copy(original);
  CPathName assigned;
  assigned = original;
  original.Append(CPathComponent(L"x"));
  EXPECT_EQ(ComponentsOf(copy), (std::vector<std::wstring>{L"C:", L"Temp"}));
  EXPECT_EQ(ComponentsOf(assigned), (std::vector<std::wstring>{L"C:", L"Temp"}));
  EXPECT_EQ(FlagsOf(copy), "DR");
}

}  // namespace
