// The "Compact Size" column, the total under the list, the progress line and
// the column's sort order.
#include "ui/logic/AnalysisColumn.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/FakeMachine.h"
#include "ui/logic/RunReport.h"
#include "ui/res/resource.h"

namespace {

using uilogic::AnalysisCell;
using Kind = uilogic::AnalysisCell::Kind;

constexpr std::uint64_t kKiB = 1024;

CString Load(unsigned id) {
  switch (id) {
    case 141: return CString(L"%1 (-%2)");
    case 142: return CString(L"%1 (+%2)");
    case 143: return CString(L"Saves %1.");
    case 144: return CString(L"Analyzing %1 (%2 of %3)...");
    case 145: return CString(L"Saving %1 (%2 of %3)...");
    default: return CString((L"<" + std::to_wstring(id) + L">").c_str());
  }
}

AnalysisCell Sized(std::uint64_t compactSize, std::int64_t gain) {
  return {Kind::kSized, compactSize, gain, NotScheduledReason::kNotSaved};
}
AnalysisCell Refused(NotScheduledReason reason) { return {Kind::kRefused, 0, 0, reason}; }
const AnalysisCell kNotAnalysed{};

class AnalysisColumnTest : public ::testing::Test {
 protected:
  test_support::FakeMachine fake;
};

TEST_F(AnalysisColumnTest, CellTexts) {
  struct Row {
    AnalysisCell cell;
    std::wstring expected;
  };
  const std::vector<Row> rows = {
      {Sized(9216 * kKiB, 3072 * kKiB), L"9,216 KB (-3,072 KB)"},
      {Sized(2048 * kKiB, -512 * static_cast<std::int64_t>(kKiB)), L"2,048 KB (+512 KB)"},
      {Sized(10 * kKiB, 0), L"10 KB (-0 KB)"},
      {Sized(1023, 1023), L"0 KB (-0 KB)"},  // whole kilobytes, as the Size column
      {Sized(0, INT64_MIN), L"0 KB (+9,007,199,254,740,992 KB)"},
      {Refused(NotScheduledReason::kRefused), L"<149>"},
      {Refused(NotScheduledReason::kNotSaved), L"<148>"},
      {Refused(NotScheduledReason::kNoGain), L"<150>"},
      {kNotAnalysed, L""},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(uilogic::AnalysisCellText(rows[i].cell, Load).str(), rows[i].expected) << "row " << i;
  }
}

// Each reason has its own words in the column, none of them the run message's sentence.
TEST(ReasonCellStringTest, EveryReasonHasItsOwnShortText) {
  struct Row {
    NotScheduledReason reason;
    unsigned expected;
  };
  const std::vector<Row> rows = {
      {NotScheduledReason::kNotSaved, IDS_CELL_NOT_SAVED},
      {NotScheduledReason::kRefused, IDS_CELL_REFUSED},
      {NotScheduledReason::kNoGain, IDS_CELL_NO_GAIN},
      {NotScheduledReason::kOtherVolume, IDS_CELL_OTHER_VOLUME},
      {NotScheduledReason::kNotAccepted, IDS_CELL_NOT_ACCEPTED},
      {NotScheduledReason::kStopped, IDS_CELL_STOPPED},
      {NotScheduledReason::kNoBackup, IDS_CELL_NO_BACKUP},
  };
  std::set<unsigned> seen;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const unsigned id = uilogic::ReasonCellString(rows[i].reason);
    EXPECT_EQ(id, rows[i].expected) << "row " << i;
    EXPECT_TRUE(seen.insert(id).second) << "row " << i << ": id " << id << " already used";
    EXPECT_NE(id, uilogic::ReasonString(rows[i].reason)) << "row " << i;
  }
}

TEST(CellOfTest, ARefusalOrTheCopysSizeAndGain) {
  struct Row {
    std::uint64_t liveSize;
    std::uint64_t compactSize;
    std::optional<NotScheduledReason> refusal;
    AnalysisCell expected;
  };
  const std::vector<Row> rows = {
      {12 * kKiB, 9 * kKiB, std::nullopt, Sized(9 * kKiB, 3 * kKiB)},
      {4 * kKiB, 8 * kKiB, std::nullopt, Sized(8 * kKiB, -4 * static_cast<std::int64_t>(kKiB))},
      {12 * kKiB, 0, NotScheduledReason::kRefused, Refused(NotScheduledReason::kRefused)},
      {12 * kKiB, 0, NotScheduledReason::kStopped, Refused(NotScheduledReason::kStopped)},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    AnalyzedHive hive;
    hive.name = CString(L"HKLM\\SYSTEM");
    hive.liveSize = rows[i].liveSize;
    hive.compactSize = rows[i].compactSize;
    hive.refusal = rows[i].refusal;
    const AnalysisCell cell = uilogic::CellOf(hive);
    EXPECT_EQ(cell.kind, rows[i].expected.kind) << "row " << i;
    EXPECT_EQ(cell.compactSize, rows[i].expected.compactSize) << "row " << i;
    EXPECT_EQ(cell.gain, rows[i].expected.gain) << "row " << i;
    if (cell.kind == Kind::kRefused) {
      EXPECT_EQ(cell.reason, rows[i].expected.reason) << "row " << i;
    }
  }
}

TEST_F(AnalysisColumnTest, TheCellFollowsTheLocaleGrouping) {
  fake.locale.system.thousand = L".";
  EXPECT_EQ(uilogic::AnalysisCellText(Sized(1234 * kKiB, 1000 * kKiB), Load).str(),
            L"1.234 KB (-1.000 KB)");
}

TEST_F(AnalysisColumnTest, TotalOfTheTickedRows) {
  struct Row {
    std::vector<AnalysisCell> ticked;
    std::optional<std::uint64_t> expected;
    std::wstring text;
  };
  const std::vector<Row> rows = {
      {{}, std::nullopt, L""},
      {{kNotAnalysed, Refused(NotScheduledReason::kRefused)}, std::nullopt, L""},
      {{Sized(1, 3 * kKiB), Sized(1, 1 * kKiB)}, 4 * kKiB, L"Saves 4 KB."},
      // A larger copy is never scheduled: it saves nothing, it costs nothing.
      {{Sized(1, 2 * kKiB), Sized(1, -5 * static_cast<std::int64_t>(kKiB))},
       2 * kKiB,
       L"Saves 2 KB."},
      {{Sized(1, 0)}, 0, L"Saves 0 KB."},
      {{kNotAnalysed, Sized(1, 2048 * kKiB), Refused(NotScheduledReason::kNoGain)},
       2048 * kKiB,
       L"Saves 2,048 KB."},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(uilogic::TotalGain(rows[i].ticked), rows[i].expected) << "row " << i;
    EXPECT_EQ(uilogic::TotalGainText(rows[i].ticked, Load).str(), rows[i].text) << "row " << i;
  }
}

TEST_F(AnalysisColumnTest, ProgressNamesTheHiveAndItsPlace) {
  EXPECT_EQ(
      uilogic::ProgressText(uilogic::RunKind::kAnalyze, 2, 5, CString(L"HKLM\\SYSTEM"), Load).str(),
      L"Analyzing HKLM\\SYSTEM (2 of 5)...");
  EXPECT_EQ(
      uilogic::ProgressText(uilogic::RunKind::kDefragment, 12, 1000, CString(L"HKU\\%2"), Load)
          .str(),
      L"Saving HKU\\%2 (12 of 1000)...")
      << "a name is not read for placeholders, and counts are not grouped";
}

TEST(FillPlaceholdersTest, ReplacesEachPlaceholderOnce) {
  struct Row {
    std::wstring pattern;
    std::vector<CString> arguments;
    std::wstring expected;
  };
  const std::vector<Row> rows = {
      {L"%1 (-%2)", {CString(L"a"), CString(L"b")}, L"a (-b)"},
      {L"%2 then %1", {CString(L"a"), CString(L"b")}, L"b then a"},
      {L"%1%1", {CString(L"x")}, L"xx"},
      {L"%3 stays", {CString(L"a")}, L"%3 stays"},
      {L"100% and %", {}, L"100% and %"},
      {L"%0 %", {CString(L"a")}, L"%0 %"},
      {L"", {CString(L"a")}, L""},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(uilogic::FillPlaceholders(CString(rows[i].pattern), rows[i].arguments).str(),
              rows[i].expected)
        << "row " << i;
  }
}

TEST(CompareAnalysisCellsTest, SizesThenRefusalsThenRowsNotAnalysed) {
  const AnalysisCell small = Sized(9 * kKiB, 1);
  const AnalysisCell large = Sized(10 * kKiB, 1);
  const AnalysisCell refused = Refused(NotScheduledReason::kRefused);
  const AnalysisCell notSaved = Refused(NotScheduledReason::kNotSaved);
  struct Row {
    AnalysisCell first;
    AnalysisCell second;
    bool ascending;
    int expected;
  };
  const std::vector<Row> rows = {
      {small, large, true, -1},
      {small, large, false, 1},
      {large, small, true, 1},
      {small, small, false, 0},
      {large, refused, true, -1},
      {large, refused, false, -1},
      {refused, large, false, 1},
      {refused, kNotAnalysed, true, -1},
      {refused, kNotAnalysed, false, -1},
      {kNotAnalysed, small, false, 1},
      {refused, notSaved, true, 0},
      {kNotAnalysed, kNotAnalysed, false, 0},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(uilogic::CompareAnalysisCells(rows[i].first, rows[i].second, rows[i].ascending),
              rows[i].expected)
        << "row " << i;
  }
}

}  // namespace
