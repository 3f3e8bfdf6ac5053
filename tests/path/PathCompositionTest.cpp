#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "path/PathName.h"
#include "tests/path/PathTestSupport.h"
#include "tests/support/FakeMachine.h"

namespace {

using pathtest::ComponentsOf;
using pathtest::FlagsOf;
using pathtest::PathOf;
using pathtest::TextOf;

class PathComposition : public ::testing::Test {
 protected:
  test_support::FakeMachine fake;
};

struct AppendRow {
  const wchar_t* start;                  // parsed
  std::vector<const wchar_t*> appended;  // in order
  int cause;                             // -1: no throw, else the cause of the last append
  const wchar_t* text;  // after the appends (or as it stood before the throwing one)
  const char* flags;
};

TEST_F(PathComposition, AppendRows) {
  const AppendRow rows[] = {
      {L"C:\\Temp", {L"hive.dat"}, -1, L"C:\\Temp\\hive.dat", "DR"},
      {L"", {L"hive.dat"}, -1, L"hive.dat", "L"},
      {L"", {L"C:"}, -1, L"C:\\", "DR"},
      {L"", {L"C:", L"Windows"}, -1, L"C:\\Windows", "DR"},
      {L"C:\\Temp", {L"D:"}, CPathException::badCombine, L"C:\\Temp", "DR"},
      {L"", {L"x", L"D:"}, CPathException::badCombine, L"x", "L"},
      {L"C:\\", {L".."}, CPathException::badCombine, L"C:\\", "DR"},
      {L"C:", {L".."}, CPathException::badCombine, L"C:", "DL"},
      {L"C:\\Temp", {L".."}, -1, L"C:\\", "DR"},
      {L"C:\\Temp", {L"a", L"..", L"..", L"b"}, -1, L"C:\\b", "DR"},
      {L"C:\\Temp", {L".", L"..", L".."}, CPathException::badCombine, L"C:\\", "DR"},
      {L"\\\\server\\share", {L".."}, CPathException::badCombine, L"\\\\server\\share", "UR"},
      {L"\\\\server\\share\\dir", {L".."}, -1, L"\\\\server\\share", "UR"},
      {L"\\\\server", {L".."}, -1, L"", "UR"},
      {L"a", {L".."}, -1, L"", "L"},
      {L"", {L".."}, -1, L"..", "L"},
      {L"", {L"..", L".."}, -1, L"", "L"},
      {L"C:\\Temp", {L"."}, -1, L"C:\\Temp", "DR"},
      {L"", {L"."}, -1, L".", "L"},
      {L"C:\\Temp", {L""}, -1, L"C:\\Temp", "DR"},
      {L"", {L""}, -1, L"", ""},
      {L"C:", {L"x"}, -1, L"C:\\x", "DL"},
      {L"\\Temp", {L"x"}, -1, L"\\Temp\\x", "RL"},
      {L"\\Temp", {L".."}, -1, L"", "RL"},
      {L"\\\\server\\share", {L"a*.log"}, -1, L"\\\\server\\share\\a*.log", "UR"},
      {L"C:\\Temp", {L"x", L"..", L"."}, -1, L"C:\\Temp", "DR"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const AppendRow& row = rows[i];
    CPathName path = PathOf(row.start);
    int cause = -1;
    try {
      for (const wchar_t* name : row.appended) path.Append(CPathComponent(name));
    } catch (const CPathException& error) {
      cause = error.m_cause;
    }
    EXPECT_EQ(cause, row.cause) << "row " << i << ": " << row.start;
    EXPECT_EQ(TextOf(path), row.text) << "row " << i << ": " << row.start;
    EXPECT_EQ(FlagsOf(path), row.flags) << "row " << i << ": " << row.start;
  }
}

TEST_F(PathComposition, GetTextByKind) {
  struct Row {
    const wchar_t* start;
    std::vector<const wchar_t*> appended;
    const wchar_t* text;
  };
  const Row rows[] = {
      {L"C:\\", {}, L"C:\\"},
      {L"C:", {}, L"C:"},
      {L"C:\\Windows\\System32\\", {}, L"C:\\Windows\\System32"},
      {L"C:", {L"x"}, L"C:\\x"},
      {L"\\\\server\\share\\", {}, L"\\\\server\\share"},
      {L"\\\\server", {}, L"\\\\server"},
      {L"\\Temp\\", {}, L"\\Temp"},
      {L"a\\b\\", {}, L"a\\b"},
      {L"C:\\D:", {}, L"C:\\D:"},
      {L"", {}, L""},
      {L"\\\\server\\share\\a", {L".."}, L"\\\\server\\share"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathName path = PathOf(rows[i].start);
    for (const wchar_t* name : rows[i].appended) path.Append(CPathComponent(name));
    CPathString text = path.GetText();
    EXPECT_EQ(TextOf(text), rows[i].text) << "row " << i << ": " << rows[i].start;
    if (*rows[i].text == L'\0') {
      EXPECT_EQ(text.GetBuffer(), nullptr) << "row " << i << ": an empty path has no text buffer";
    }
  }
}

TEST_F(PathComposition, EmptyPathHasNoTextWhateverItsFlags) {
  CPathName path = PathOf(L"\\\\server\\share\\dir");
  path.RemoveComponents();
  EXPECT_EQ(FlagsOf(path), "UR");
  EXPECT_EQ(path.GetText().GetBuffer(), nullptr);
}

TEST_F(PathComposition, DotDotIsRecognisedWithoutRegardToCase) {
  // Only the locale-aware comparison decides; the platform must be asked.
  int before = fake.faults.CallCount("lstrcmpiW");
  CPathName path = PathOf(L"C:\\Temp\\x");
  path.Append(CPathComponent(L".."));
  EXPECT_EQ(TextOf(path), L"C:\\Temp");
  EXPECT_GT(fake.faults.CallCount("lstrcmpiW"), before);
}

TEST_F(PathComposition, CombineLeavesItsArgumentAlone) {
  struct Row {
    const wchar_t* start;
    const wchar_t* name;
    int cause;
    const wchar_t* combined;
  };
  const Row rows[] = {
      {L"C:\\Temp", L"hive.dat", -1, L"C:\\Temp\\hive.dat"},
      {L"", L"hive.dat", -1, L"hive.dat"},
      {L"", L"C:", -1, L"C:\\"},
      {L"C:\\Temp", L"..", -1, L"C:\\"},
      {L"C:\\Temp", L"D:", CPathException::badCombine, nullptr},
      {L"C:\\", L"..", CPathException::badCombine, nullptr},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathName path = PathOf(rows[i].start);
    const std::wstring textBefore = TextOf(path);
    const std::string flagsBefore = FlagsOf(path);
    int cause = -1;
    try {
      CPathName combined = Combine(path, CPathComponent(rows[i].name));
      EXPECT_EQ(TextOf(combined), rows[i].combined) << "row " << i << ": " << rows[i].start;
    } catch (const CPathException& error) {
      cause = error.m_cause;
    }
    EXPECT_EQ(cause, rows[i].cause) << "row " << i << ": " << rows[i].start;
    EXPECT_EQ(TextOf(path), textBefore) << "row " << i << ": the argument changed";
    EXPECT_EQ(FlagsOf(path), flagsBefore) << "row " << i;
  }
}

TEST_F(PathComposition, UncRootRows) {
  struct Row {
    const wchar_t* start;
    const wchar_t* root;
    const char* flags;
  };
  const Row rows[] = {
      {L"\\\\server\\share\\a\\b", L"\\\\server\\share", "UR"},
      {L"\\\\server\\share", L"\\\\server\\share", "UR"},
      {L"\\\\server", L"", ""},
      {L"C:\\a", L"", ""},
      {L"\\Temp\\x", L"", ""},
      {L"", L"", ""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathName root = PathOf(rows[i].start).GetUncRoot();
    EXPECT_EQ(TextOf(root), rows[i].root) << "row " << i << ": " << rows[i].start;
    EXPECT_EQ(FlagsOf(root), rows[i].flags) << "row " << i << ": " << rows[i].start;
  }
}

TEST_F(PathComposition, DriveComponentRows) {
  struct Row {
    const wchar_t* start;
    const wchar_t* drive;
  };
  const Row rows[] = {{L"C:\\Windows", L"C:"}, {L"C:", L"C:"}, {L"d:\\", L"d:"}, {L"\\Temp", L""},
                      {L"\\\\s\\share", L""},  {L"", L""},     {L"a\\D:", L""}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathComponent drive = PathOf(rows[i].start).GetDriveComponent();
    EXPECT_EQ(TextOf(drive.GetText()), rows[i].drive) << "row " << i << ": " << rows[i].start;
  }
}

TEST_F(PathComposition, ComponentByIndex) {
  CPathName path = PathOf(L"\\\\server\\share\\dir");
  const wchar_t* expected[] = {L"server", L"share", L"dir", L"", L""};
  const std::uint32_t indexes[] = {0, 1, 2, 3, 0xFFFFFFFFu};
  for (std::size_t i = 0; i < std::size(indexes); ++i) {
    EXPECT_EQ(TextOf(path.GetComponent(indexes[i]).GetText()), expected[i])
        << "index " << indexes[i];
  }
}

TEST_F(PathComposition, ClearEmptiesEverything) {
  CPathName path = PathOf(L"\\\\server\\share\\dir");
  path.Clear();
  EXPECT_EQ(FlagsOf(path), "");
  EXPECT_EQ(ComponentsOf(path), std::vector<std::wstring>{});
  path.Append(CPathComponent(L"x"));
  EXPECT_EQ(TextOf(path), L"x");
}

}  // namespace
