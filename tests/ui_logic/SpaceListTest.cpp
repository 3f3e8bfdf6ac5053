// The rows of "Where the space goes": full key names, sizes as the main list
// shows them and shares of the checked copy in the system locale's numbers.
#include "ui/logic/SpaceList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakeMachine.h"

namespace {

constexpr std::uint64_t kKiB = 1024;

AnalyzedHive Analysed(std::uint64_t compactSize, std::vector<SubtreeSize> subtrees) {
  AnalyzedHive hive;
  hive.name = L"HKLM\\SYSTEM";
  hive.liveSize = 2 * compactSize;
  hive.compactSize = compactSize;
  hive.largestSubtrees = std::move(subtrees);
  return hive;
}

TEST(SpaceListTest, EachKeptSubtreeIsARowInItsOrder) {
  test_support::FakeMachine fake;
  AnalyzedHive refused = Analysed(0, {{L"", 0, 4096}});
  refused.refusal = NotScheduledReason::kRefused;
  struct Row {
    const char* what;
    AnalyzedHive hive;
    std::vector<std::vector<std::wstring>> expected;  // key, size, share
  };
  const std::vector<Row> rows = {
      {"the root, a child and a grandchild, shares of the copy",
       Analysed(8192 * kKiB, {{L"", 0, 8000 * kKiB},
                              {L"ControlSet001", 1, 3072 * kKiB},
                              {L"ControlSet001\\Services", 2, 1234567},
                              {L"Setup", 1, 2 * kKiB}}),
       {{L"HKLM\\SYSTEM", L"8,000 KB", L"97.7%"},
        {L"HKLM\\SYSTEM\\ControlSet001", L"3,072 KB", L"37.5%"},
        {L"HKLM\\SYSTEM\\ControlSet001\\Services", L"1,205 KB", L"14.7%"},
        {L"HKLM\\SYSTEM\\Setup", L"2 KB", L"0.0%"}}},
      {"a half of a tenth rounds up",
       Analysed(2000, {{L"", 0, 1001}}),
       {{L"HKLM\\SYSTEM", L"0 KB", L"50.1%"}}},
      {"the whole copy", Analysed(4096, {{L"", 0, 4096}}), {{L"HKLM\\SYSTEM", L"4 KB", L"100.0%"}}},
      {"a copy of no bytes divides by nothing",
       Analysed(0, {{L"", 0, 0}}),
       {{L"HKLM\\SYSTEM", L"0 KB", L"0.0%"}}},
      {"nothing kept", Analysed(4096, {}), {}},
      {"refused: nothing to show", refused, {}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::vector<std::vector<std::wstring>> shown;
    for (const uilogic::SpaceListRow& row : uilogic::SpaceListRows(rows[i].hive)) {
      shown.push_back({row.key.str(), row.size.str(), row.share.str()});
    }
    EXPECT_EQ(shown, rows[i].expected) << "row " << i << ": " << rows[i].what;
  }
}

TEST(SpaceListTest, ShareTextsUseTheSystemLocalesSeparators) {
  struct Row {
    std::wstring decimal;
    std::wstring thousand;
    std::uint64_t part;
    std::uint64_t whole;
    std::wstring expected;
  };
  const std::vector<Row> rows = {
      {L",", L".", 3, 8, L"37,5%"},
      {L".", L",", 3, 8, L"37.5%"},
      {L"", L",", 1, 3, L"33.3%"},  // an empty separator would join the digits
      // More than the whole (a copy read short would say so): the figure as it is.
      {L".", L",", 1234, 1, L"123,400.0%"},
      {L".", L",", UINT64_MAX, UINT64_MAX, L"100.0%"},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    test_support::FakeMachine fake;
    fake.locale.system.decimal = rows[i].decimal;
    fake.locale.system.thousand = rows[i].thousand;
    EXPECT_EQ(uilogic::ShareText(rows[i].part, rows[i].whole).str(), rows[i].expected)
        << "row " << i;
  }
}

}  // namespace
