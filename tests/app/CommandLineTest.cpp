#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/FakeMachine.h"

namespace {

struct TailRow {
  const wchar_t* commandLine;
  const wchar_t* tail;
};

TEST(CommandLineTail, SplitsTheProgramNameAsTheRuntimeDoes) {
  const TailRow rows[] = {
      {L"", L""},
      {L"Kelvaro.exe", L""},
      {L"Kelvaro.exe /results", L"/results"},
      {L"Kelvaro.exe    /results", L"/results"},
      {L"Kelvaro.exe\t \t/results", L"/results"},
      {L"\"C:\\Program Files\\Kelvaro\\Kelvaro.exe\" /results", L"/results"},
      {L"\"C:\\Program Files\\Kelvaro\\Kelvaro.exe\"/results", L"/results"},
      {L"\"C:\\Program Files\\Kelvaro\\Kelvaro.exe\"", L""},
      {L"\"unterminated quote /results", L""},
      {L"C:\\Program Files\\Tools\\x.exe /results", L"Files\\Tools\\x.exe /results"},
      {L"x.exe a  b ", L"a  b "},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(std::wstring(CommandLineTail(rows[i].commandLine)), rows[i].tail) << "row " << i;
  }
  EXPECT_STREQ(CommandLineTail(nullptr), L"");
}

struct SwitchRow {
  const wchar_t* text;
  int expectedOffset;  // -1: none
};

TEST(FindNextSwitch, ReturnsThePositionAfterTheFirstPrefix) {
  const SwitchRow rows[] = {
      {L"", -1},         {L"results", -1}, {L"/results", 1},       {L"-results", 1}, {L"x /r", 3},
      {L"--results", 1}, {L"a\\b", -1},    {L"\u2212results", -1},  // minus sign is not a hyphen
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const wchar_t* found = FindNextSwitch(rows[i].text, L"-/");
    if (rows[i].expectedOffset < 0) {
      EXPECT_EQ(found, nullptr) << "row " << i;
    } else {
      EXPECT_EQ(found, rows[i].text + rows[i].expectedOffset) << "row " << i;
    }
  }
  EXPECT_EQ(FindNextSwitch(nullptr, L"-/"), nullptr);
}

struct ModeRow {
  const wchar_t* tail;
  bool results;
};

TEST(IsResultsSwitchPresent, MatchesTheWholeRestOfTheLineWithoutRegardToCase) {
  test_support::FakeMachine fake;
  const ModeRow rows[] = {
      {L"", false},
      {L"/results", true},
      {L"-results", true},
      {L"/RESULTS", true},
      {L"-Results", true},
      {L"/results x", false},
      {L"/results ", false},
      {L"results", false},
      {L"x /results", true},
      {L"/x /results", true},
      {L"--results", true},
      {L"/result", false},
      {L"/resultsx", false},
      {L"Files\\Tools\\x.exe /results",
       true},  // unquoted path with blanks, as old registrations wrote
      {L"C:\\Program Files\\Tools\\x.exe\" /results", true},
      {L"/results/results", true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(IsResultsSwitchPresent(rows[i].tail), rows[i].results)
        << "row " << i << ": \"" << std::wstring(rows[i].tail).size() << " chars\"";
  }
}

TEST(IsResultsSwitchPresent, RecognisesTheQuotedStartupRegistration) {
  test_support::FakeMachine fake;
  const wchar_t* line = L"\"C:\\Program Files\\Tools\\x.exe\" /results";
  EXPECT_TRUE(IsResultsSwitchPresent(CommandLineTail(line)));
}

}  // namespace
