#include "catalogue/SizeText.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::FakeNumberSettings;

constexpr std::uint64_t kLargest = UINT64_MAX;

TEST(IntegerToTextTest, WritesDigitsInEveryRadix) {
  struct Row {
    std::uint64_t value;
    std::uint32_t radix;
    const wchar_t* expected;
  };
  const Row rows[] = {
      {0, 10, L"0"},
      {0, 2, L"0"},
      {1, 2, L"1"},
      {5, 2, L"101"},
      {kLargest, 2, L"1111111111111111111111111111111111111111111111111111111111111111"},
      {9, 10, L"9"},
      {10, 10, L"10"},
      {1000000, 10, L"1000000"},
      {kLargest, 10, L"18446744073709551615"},
      {255, 16, L"FF"},
      {0xABCDEF, 16, L"ABCDEF"},
      {kLargest, 16, L"FFFFFFFFFFFFFFFF"},
      {35, 36, L"Z"},
      {36, 36, L"10"},
      {kLargest, 36, L"3W5E11264SGSF"},
      // Only the radix's low 8 bits count: 0x10A is 10, 0x110 is 16.
      {255, 0x10A, L"255"},
      {255, 0x110, L"FF"},
      // Radixes that would divide by zero, never end or read past the digits.
      {255, 0, L""},
      {255, 1, L""},
      {255, 37, L""},
      {255, 0x100, L""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(IntegerToText(row.value, row.radix).str(), row.expected)
        << "row " << i << ": " << row.value << " in radix " << row.radix;
  }
}

struct SizeRow {
  const char* locale;
  FakeNumberSettings system;
  std::uint64_t bytes;
  const wchar_t* expected;
};

FakeNumberSettings Settings(const wchar_t* thousand, const wchar_t* grouping,
                            const wchar_t* decimal = L".") {
  FakeNumberSettings settings;
  settings.thousand = thousand;
  settings.grouping = grouping;
  settings.decimal = decimal;
  return settings;
}

TEST(FormatSizeKBTest, FollowsTheSystemLocale) {
  const FakeNumberSettings comma = Settings(L",", L"3;0");
  const SizeRow rows[] = {
      {"comma, groups of 3", comma, 0, L"0 KB"},
      {"comma, groups of 3", comma, 1023, L"0 KB"},
      {"comma, groups of 3", comma, 1024, L"1 KB"},
      {"comma, groups of 3", comma, 262144, L"256 KB"},
      {"comma, groups of 3", comma, 1048575, L"1,023 KB"},
      {"comma, groups of 3", comma, 1048576, L"1,024 KB"},
      {"comma, groups of 3", comma, 18874368, L"18,432 KB"},
      {"comma, groups of 3", comma, kLargest, L"18,014,398,509,481,983 KB"},
      {"space", Settings(L" ", L"3;0", L","), 1048575, L"1 023 KB"},
      {"no-break space", Settings(L"\u00A0", L"3;0", L","), 1259339776, L"1\u00A0229\u00A0824 KB"},
      {"period", Settings(L".", L"3;0", L","), 2097152, L"2.048 KB"},
      {"period", Settings(L".", L"3;0", L","), 1024ull * 1234567, L"1.234.567 KB"},
      // Only the first digit counts: 3;2;0 groups by three throughout.
      {"grouping 3;2;0", Settings(L",", L"3;2;0"), 1024ull * 123456789, L"123,456,789 KB"},
      {"grouping 3", Settings(L",", L"3"), 1024ull * 123456789, L"123,456,789 KB"},
      {"grouping 2;0", Settings(L",", L"2;0"), 1024ull * 1234567, L"1,23,45,67 KB"},
      {"grouping 0", Settings(L",", L"0"), 1024ull * 1234567, L"1234567 KB"},
      {"grouping 0;0", Settings(L",", L"0;0"), 1024ull * 1234567, L"1234567 KB"},
      {"grouping without digits", Settings(L",", L""), 1024ull * 1234567, L"1,234,567 KB"},
      {"grouping without digits", Settings(L",", L";"), 1024ull * 1234567, L"1,234,567 KB"},
      {"grouping behind a non-digit", Settings(L",", L";2"), 1024ull * 1234567, L"1,23,45,67 KB"},
      {"three-character separator", Settings(L"'''", L"3;0"), 1024ull * 1234567,
       L"1'''234'''567 KB"},
      {"three-character separator, groups of 1", Settings(L"'''", L"1;0"), 1024ull * 1234,
       L"1'''2'''3'''4 KB"},
      // 17 digits and 16 separators of three characters do not fit 64 characters:
      // the plain digits stand in.
      {"three-character separator, groups of 1", Settings(L"'''", L"1;0"), kLargest,
       L"18014398509481983 KB"},
      // Longer than the platform allows: the separator cannot be read and is left out.
      {"separator of five characters", Settings(L"-----", L"3;0"), 1024ull * 1234567,
       L"1234567 KB"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const SizeRow& row = rows[i];
    test_support::FakeMachine fake;
    fake.locale.system = row.system;
    EXPECT_EQ(FormatSizeKB(row.bytes).str(), row.expected)
        << "row " << i << " (" << row.locale << "): " << row.bytes << " bytes";
  }
}

TEST(FormatSizeKBTest, IgnoresTheUsersOwnLocale) {
  test_support::FakeMachine fake;
  fake.locale.system = Settings(L",", L"3;0");
  fake.locale.user = Settings(L".", L"2;0", L",");
  EXPECT_EQ(FormatSizeKB(1024ull * 1234567).str(), L"1,234,567 KB");
}

TEST(FormatSizeKBTest, ShowsPlainDigitsWhenFormattingFails) {
  test_support::FakeMachine fake;
  fake.faults.Fail("GetNumberFormatW", platform::kErrorInvalidParameter,
                   platform::fake::FaultPlan::kAlways);
  EXPECT_EQ(FormatSizeKB(1048575).str(), L"1023 KB");
  EXPECT_EQ(FormatSizeKB(0).str(), L"0 KB");
}

TEST(FormatSizeKBTest, GroupsByThreeWithoutSeparatorsWhenTheLocaleCannotBeRead) {
  test_support::FakeMachine fake;
  fake.faults.Fail("GetLocaleInfoW", platform::kErrorInvalidParameter,
                   platform::fake::FaultPlan::kAlways);
  // Grouping falls back to three, and the separator read failed: nothing between.
  EXPECT_EQ(FormatSizeKB(1024ull * 1234567).str(), L"1234567 KB");
}

}  // namespace
