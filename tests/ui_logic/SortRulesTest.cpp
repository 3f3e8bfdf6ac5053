#include "ui/logic/SortRules.h"

#include "ui/logic/ProfileRows.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/FakeMachine.h"

namespace {

using uilogic::SortOrder;

HiveEntry Hive(const wchar_t* name, const wchar_t* path, std::uint64_t size) {
  HiveEntry entry;
  entry.name = name;
  entry.path.SetPath(path);
  entry.size = size;
  return entry;
}

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

TEST(AfterColumnClickTest, FlipsTheSortColumnAndStartsOthersAscending) {
  struct Row {
    SortOrder before;
    int clicked;
    SortOrder after;
  };
  const Row rows[] = {
      {{0, true}, 0, {0, false}}, {{0, false}, 0, {0, true}}, {{0, false}, 2, {2, true}},
      {{2, true}, 1, {1, true}},  {{1, false}, 1, {1, true}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const SortOrder after = uilogic::AfterColumnClick(rows[i].before, rows[i].clicked);
    EXPECT_EQ(after.column, rows[i].after.column) << "row " << i;
    EXPECT_EQ(after.ascending, rows[i].after.ascending) << "row " << i;
  }
}

TEST(CompareHiveRowsTest, ComparesEachColumnItsOwnWay) {
  test_support::FakeMachine fake;
  struct Row {
    const char* what;
    HiveEntry first;
    HiveEntry second;
    int column;
    int expected;  // ascending
  };
  const Row rows[] = {
      {"names differing only in A-Z case are equal", Hive(L"HKLM\\SAM", L"C:\\a", 1),
       Hive(L"hklm\\sam", L"C:\\b", 2), 0, 0},
      {"names by their folded letters", Hive(L"HKLM\\Beta", L"C:\\a", 1),
       Hive(L"hklm\\alpha", L"C:\\b", 1), 0, 1},
      {"an underscore before a capital letter", Hive(L"HKU\\_Classes", L"C:\\a", 1),
       Hive(L"HKU\\A", L"C:\\b", 1), 0, -1},
      {"an underscore before a small letter", Hive(L"HKU\\_x", L"C:\\a", 1),
       Hive(L"HKU\\a", L"C:\\b", 1), 0, -1},
      {"no letter beyond A-Z is folded", Hive(L"HKU\\\u00C4", L"C:\\a", 1),
       Hive(L"HKU\\\u00E4", L"C:\\b", 1), 0, -1},
      {"a name before its longer self", Hive(L"HKLM\\SYS", L"C:\\a", 1),
       Hive(L"HKLM\\SYSTEM", L"C:\\b", 1), 0, -1},
      {"paths without regard to case", Hive(L"a", L"C:\\WINDOWS\\SAM", 1),
       Hive(L"b", L"c:\\windows\\sam", 2), 1, 0},
      {"paths in order", Hive(L"b", L"C:\\Windows\\SAM", 1), Hive(L"a", L"D:\\SAM", 1), 1, -1},
      {"an empty path first", Hive(L"b", L"", 1), Hive(L"a", L"C:\\x", 1), 1, -1},
      {"sizes as numbers, not as text", Hive(L"a", L"C:\\a", 9 * 1024),
       Hive(L"b", L"C:\\b", 10 * 1024), 2, -1},
      {"sizes past the signed range", Hive(L"a", L"C:\\a", UINT64_MAX), Hive(L"b", L"C:\\b", 1), 2,
       1},
      {"equal sizes", Hive(L"a", L"C:\\a", 7), Hive(L"b", L"C:\\b", 7), 2, 0},
      {"any other column", Hive(L"a", L"C:\\a", 1), Hive(L"b", L"C:\\b", 2), 3, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(Sign(uilogic::CompareHiveRows(row.first, row.second, {row.column, true})),
              row.expected)
        << "row " << i << " ascending: " << row.what;
    EXPECT_EQ(Sign(uilogic::CompareHiveRows(row.first, row.second, {row.column, false})),
              -row.expected)
        << "row " << i << " descending: " << row.what;
  }
}

TEST(CompareByKindFirstTest, LoadedHivesBeforeProfileRowsWhateverTheColumnSays) {
  using uilogic::RowKind;
  struct Row {
    RowKind first;
    RowKind second;
    int withinKind;
    int expected;
  };
  const Row rows[] = {
      {RowKind::kLoadedHive, RowKind::kProfileHive, 1, -1},
      {RowKind::kProfileHive, RowKind::kLoadedHive, -1, 1},
      {RowKind::kLoadedHive, RowKind::kLoadedHive, 1, 1},
      {RowKind::kProfileHive, RowKind::kProfileHive, -1, -1},
      {RowKind::kProfileHive, RowKind::kProfileHive, 0, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(uilogic::CompareByKindFirst(rows[i].first, rows[i].second, rows[i].withinKind),
              rows[i].expected)
        << "row " << i << ": within kind " << rows[i].withinKind;
  }
}

TEST(CompareResultRowsTest, ComparesNamesAndBothSizes) {
  struct Row {
    HiveResultEntry first;
    HiveResultEntry second;
    int column;
    int expected;  // ascending
  };
  const Row rows[] = {
      {{L"HKLM\\SAM", 1, 1}, {L"hklm\\sam", 2, 2}, 0, 0},
      {{L"HKU\\_x", 1, 1}, {L"HKU\\A", 1, 1}, 0, -1},
      {{L"a", 9 * 1024, 1}, {L"b", 10 * 1024, 1}, 1, -1},
      {{L"a", UINT64_MAX, 1}, {L"b", 0, 1}, 1, 1},
      {{L"a", 5, 10 * 1024}, {L"b", 1, 9 * 1024}, 2, 1},
      {{L"a", 5, 3}, {L"b", 1, 3}, 2, 0},
      {{L"a", 1, 1}, {L"b", 2, 2}, -1, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(Sign(uilogic::CompareResultRows(row.first, row.second, {row.column, true})),
              row.expected)
        << "row " << i;
    EXPECT_EQ(Sign(uilogic::CompareResultRows(row.first, row.second, {row.column, false})),
              -row.expected)
        << "row " << i;
  }
}

}  // namespace
