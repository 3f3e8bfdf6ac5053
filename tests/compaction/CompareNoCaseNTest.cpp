// The bounded case-insensitive comparison the run tests the root prefixes with.
#include <gtest/gtest.h>

#include "compaction/CompareNoCaseN.h"
#include "tests/support/FakeMachine.h"

namespace {

class CompareNoCaseNTest : public ::testing::Test {
 protected:
  test_support::FakeMachine fake;
};

TEST_F(CompareNoCaseNTest, ComparesAtMostCountCharactersOfEach) {
  struct Row {
    const wchar_t* first;
    int firstLength;
    const wchar_t* second;
    int secondLength;
    int count;
    int expected;
  };
  const Row rows[] = {
      {nullptr, 0, nullptr, 0, 5, 0},
      {nullptr, 0, L"HKLM\\", 5, 5, -1},
      {L"HKLM\\", 5, nullptr, 0, 5, 1},
      {L"HKLM\\SYSTEM", 11, L"HKLM\\", 5, 5, 0},
      {L"hklm\\system", 11, L"HKLM\\", 5, 5, 0},  // case ignored
      {L"HKU\\.DEFAULT", 12, L"HKU\\", 4, 4, 0},
      {L"HKU\\.DEFAULT", 12, L"HKLM\\", 5, 5, 1},  // U after L
      {L"HKLM\\SAM", 8, L"HKU\\", 4, 4, -1},
      {L"HKLM", 4, L"HKLM\\", 5, 5, -1},  // shorter than the prefix
      {L"", 0, L"HKLM\\", 5, 5, -1},
      {L"HKLMX", 5, L"HKLM\\", 5, 5, 1},  // 'X' after '\'
      {L"abc", 3, L"ABD", 3, 2, 0},       // the difference lies past the count
      {L"abc", 3, L"ABD", 3, 3, -1},
      {L"abc", 2, L"ABD", 3, 3, -1},  // the first length bounds the first text
      {L"abc", 3, L"xyz", 3, 0, 0},   // nothing compared
      {L"abc", -1, L"", 0, 3, 0},     // a negative length counts as none
      {L"abc", 3, L"abc", 3, -4, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(CompareNoCaseN(row.first, row.firstLength, row.second, row.secondLength, row.count),
              row.expected)
        << "row " << i;
  }
}

TEST_F(CompareNoCaseNTest, APlatformFailureGivesMinusTwo) {
  fake.faults.Fail("CompareStringW", platform::kErrorInvalidParameter);
  EXPECT_EQ(CompareNoCaseN(L"HKLM\\SYSTEM", 11, L"HKLM\\", 5, 5), -2);
  EXPECT_EQ(CompareNoCaseN(L"HKLM\\SYSTEM", 11, L"HKLM\\", 5, 5), 0);
}

}  // namespace
