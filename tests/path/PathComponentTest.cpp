#include "path/PathComponent.h"

#include <gtest/gtest.h>

#include <string>

#include "path/PathException.h"

namespace {

TEST(PathComponent, ConstantsHoldTheirCharactersInOrder) {
  EXPECT_EQ(std::wstring(kDot), L".");
  EXPECT_EQ(std::wstring(kDotDot), L"..");
  EXPECT_EQ(std::wstring(kUncPrefix), L"\\\\");
  EXPECT_EQ(std::wstring(kDriveRoot), L":\\");
  EXPECT_EQ(std::wstring(kInvalidNameChars), L"\"\\/|<>");
  EXPECT_EQ(std::wstring(kInvalidServerChars), L"\"\\/[]:;|=,+*?<>");
}

TEST(PathComponent, OrdinaryNameRule) {
  struct Row {
    std::wstring text;
    bool valid;
  };
  const Row rows[] = {
      {L"Windows", true},
      {L"C:", true},
      {L"x:", true},
      {L"::", false},
      {L":", false},
      {L":a", false},
      {L"a:b", false},
      {L"C:x", false},
      {L"C:\\", false},
      {L"file*.log", true},
      {L"a?c", true},
      {L".", true},
      {L"..", true},
      {L"hive name with spaces", true},
      {L"[x],=;+", true},
      {L"a\"b", false},
      {L"a\\b", false},
      {L"a/b", false},
      {L"a|b", false},
      {L"a<b", false},
      {L"a>b", false},
      {L"", false},
      {std::wstring(260, L'n'), true},
      {std::wstring(261, L'n'), false},
      {std::wstring(259, L'n') + L":", false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(IsValidName(rows[i].text.c_str()), rows[i].valid)
        << "row " << i << ": " << rows[i].text.substr(0, 40);
  }
  EXPECT_FALSE(IsValidName(nullptr));
}

TEST(PathComponent, ServerNameRule) {
  struct Row {
    std::wstring text;
    bool valid;
  };
  const Row rows[] = {
      {L"server", true},
      {L"srv-01.example", true},
      {std::wstring(64, L's'), true},
      {std::wstring(65, L's'), false},
      {L"", false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(IsValidServerName(rows[i].text.c_str()), rows[i].valid)
        << "row " << i << ": " << rows[i].text;
  }
  for (const wchar_t* ch = kInvalidServerChars; *ch != L'\0'; ++ch) {
    std::wstring name = std::wstring(L"ab") + *ch + L"c";
    EXPECT_FALSE(IsValidServerName(name.c_str())) << "character " << static_cast<int>(*ch);
  }
  EXPECT_FALSE(IsValidServerName(nullptr));
}

TEST(PathComponent, ConstructorsValidate) {
  struct Row {
    const wchar_t* text;
    bool server;
    int cause;  // -1: accepted
  };
  const Row rows[] = {
      {L"hive.dat", false, -1}, {L"a:b", false, CPathException::invalidName},
      {L"a,b", false, -1},      {L"a,b", true, CPathException::invalidName},
      {L"server", true, -1},    {L"", false, -1},
      {nullptr, false, -1},     {L"", true, -1},
      {nullptr, true, -1},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const wchar_t* label = rows[i].text != nullptr ? rows[i].text : L"<null>";
    try {
      CPathComponent component =
          rows[i].server ? CServerComponent(rows[i].text) : CPathComponent(rows[i].text);
      EXPECT_EQ(rows[i].cause, -1) << "row " << i << ": " << label << " was accepted";
      std::wstring expected = rows[i].text != nullptr ? rows[i].text : L"";
      EXPECT_EQ(component.IsEmpty(), expected.empty()) << "row " << i;
      if (!expected.empty()) {
        EXPECT_EQ(std::wstring(component.GetText().GetBuffer()), expected) << "row " << i;
      }
    } catch (const CPathException& error) {
      EXPECT_EQ(error.m_cause, rows[i].cause) << "row " << i << ": " << label;
    }
  }
}

TEST(PathComponent, ServerComponentFromPathString) {
  CPathString text;
  text.Assign(L"srv[1]");
  EXPECT_THROW(CServerComponent{text}, CPathException);
  text.Assign(L"srv1");
  EXPECT_EQ(std::wstring(CServerComponent(text).GetText().GetBuffer()), L"srv1");
}

}  // namespace
