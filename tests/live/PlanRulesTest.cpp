// The rules "loaded" shows are the ones the run applies: each kind of record
// the run leaves out, and the run's own choice on the same rows.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "compaction/PlanRules.h"
#include "tests/compaction/CompactionMachine.h"

namespace live_test {
namespace {

using compaction_test::CompactionMachine;
using compaction_test::Narrow;

struct PlanRow {
  std::wstring name;
  std::wstring file;
  std::uint64_t size;
  LeftOutReason reason;
};

TEST(PlanRulesTest, LeavesOutWhatTheRunLeavesOut) {
  const std::wstring config = L"C:\\Windows\\System32\\config\\";
  // In display order; the standard hives come first in the machine.
  const std::vector<PlanRow> rows = {
      {L"HKLM\\SOFTWARE", config + L"SOFTWARE", 40 * compaction_test::kMiB, LeftOutReason::kNone},
      {L"HKLM\\GONE", config + L"GONE", 0, LeftOutReason::kNoFile},
      {L"HKLM\\NOPATH", L"", 4096, LeftOutReason::kNoFile},
      {L"", config + L"NONAME", 4096, LeftOutReason::kNotMachineOrUsers},
      {L"HKCU\\THING", config + L"THING", 4096, LeftOutReason::kNotMachineOrUsers},
      {L"HKLM\\A*B", config + L"AB", 4096, LeftOutReason::kUnusableName},
      {L"HKLM\\", config + L"EMPTY", 4096, LeftOutReason::kUnusableName},
      {L"HKU\\software", config + L"SOFTWARE2", 4096, LeftOutReason::kSameFileName},
      {L"hku\\.DEFAULT", config + L"DEFAULT", 1 * compaction_test::kMiB, LeftOutReason::kNone},
  };
  CompactionMachine machine;
  std::vector<const HiveEntry*> entries;
  for (const PlanRow& row : rows) {
    if (row.name != L"HKLM\\SOFTWARE" && row.name != L"hku\\.DEFAULT") {
      machine.AddRecord(row.name, row.file, row.size);
    }
  }
  for (const PlanRow& row : rows) {
    entries.push_back(&machine.Entry(row.name == L"hku\\.DEFAULT" ? L"HKU\\.DEFAULT" : row.name));
  }
  const std::vector<LeftOutReason> reasons = JudgePlan(entries);
  ASSERT_EQ(reasons.size(), rows.size());
  std::set<std::wstring> planned;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(reasons[i], rows[i].reason) << "row " << i << ": " << Narrow(rows[i].name);
    if (reasons[i] == LeftOutReason::kNone) planned.insert(entries[i]->name.str());
  }

  // The run on the same rows, all ticked, works on exactly the planned ones.
  std::vector<CompactionRow> ticked;
  for (const HiveEntry* entry : entries) ticked.push_back(CompactionRow{entry, true});
  CompactionOutcome outcome = RunCompaction(ticked, false, CString(L"restart"));
  std::set<std::wstring> worked;
  for (const NotScheduledHive& hive : outcome.notScheduled) worked.insert(hive.name.str());
  for (const auto& replacement : machine.fake.registry.scheduledReplacements) {
    for (const HiveEntry* entry : entries) {
      if (!entry->path.IsEmpty() && entry->path.GetText().GetBuffer() == replacement.hiveFile) {
        worked.insert(entry->name.str());
      }
    }
  }
  EXPECT_EQ(worked, planned);
}

}  // namespace
}  // namespace live_test
