#include "compaction/PlanRules.h"

#include <algorithm>

#include "catalogue/HiveFileName.h"
#include "compaction/CompareNoCaseN.h"
#include "compaction/HiveTasks.h"

namespace {

template <std::size_t Size>
bool StartsWith(const CString& name, const wchar_t (&prefix)[Size]) {
  constexpr int length = static_cast<int>(Size) - 1;
  return CompareNoCaseN(name.GetString(), name.GetLength(), prefix, length, length) == 0;
}

// Why the run's plan has no task for an entry it saw ticked.
LeftOutReason ReasonLeftOut(const HiveEntry& entry) {
  if (entry.size == 0 || entry.path.IsEmpty()) return LeftOutReason::kNoFile;
  if (!StartsWith(entry.name, L"HKLM\\") && !StartsWith(entry.name, L"HKU\\")) {
    return LeftOutReason::kNotMachineOrUsers;
  }
  if (!HiveFileName(entry.name)) return LeftOutReason::kUnusableName;
  return LeftOutReason::kSameFileName;
}

}  // namespace

std::vector<LeftOutReason> JudgePlan(const std::vector<const HiveEntry*>& entries) {
  // Whether a hive is planned is the run's own decision; only the reason for
  // one it leaves out is worked out here.
  std::vector<CompactionRow> rows;
  for (const HiveEntry* entry : entries) rows.push_back(CompactionRow{entry, true});
  const std::vector<HiveTask> tasks = PlanTasks(rows);
  std::vector<LeftOutReason> reasons;
  for (const HiveEntry* entry : entries) {
    const bool planned = std::any_of(tasks.begin(), tasks.end(),
                                     [entry](const HiveTask& task) { return task.entry == entry; });
    if (planned) {
      reasons.push_back(LeftOutReason::kNone);
    } else {
      reasons.push_back(entry == nullptr ? LeftOutReason::kNoFile : ReasonLeftOut(*entry));
    }
  }
  return reasons;
}
