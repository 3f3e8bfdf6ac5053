#include "compaction/HiveAnalysis.h"

#include "catalogue/RegistryKey.h"
#include "compaction/CheckedCopy.h"
#include "compaction/HiveTasks.h"
#include "compaction/RunFolder.h"

std::int64_t AnalyzedHive::gain() const {
  if (refusal) return 0;
  return static_cast<std::int64_t>(liveSize) - static_cast<std::int64_t>(compactSize);
}

AnalysisOutcome AnalyzeHives(const std::vector<CompactionRow>& rows, const RunProgress& progress) {
  AnalysisOutcome outcome;
  std::vector<HiveTask> tasks = PlanTasks(rows);
  if (tasks.empty()) return outcome;
  RunFolder run = MakeRunFolder();
  if (!run.ok()) {
    outcome.stoppedAt = run.stoppedAt;
    outcome.folderProblem = run.problem;
    return outcome;
  }

  const int count = static_cast<int>(tasks.size());
  for (int index = 0; index < count; ++index) {
    const HiveTask& task = tasks[static_cast<std::size_t>(index)];
    AnalyzedHive hive;
    hive.name = task.entry->name;
    hive.liveSize = task.entry->size;
    if (!outcome.stopped && StopRequested(progress)) outcome.stopped = true;
    if (outcome.stopped) {
      hive.refusal = NotScheduledReason::kStopped;
      outcome.hives.push_back(hive);
      continue;
    }
    ReportHiveStarting(progress, index + 1, count, task.entry->name);
    CRegistryKey key;
    CheckedCopy copy = SaveCheckedCopy(task, run, key);
    if (copy.liveSize != 0) hive.liveSize = copy.liveSize;
    if (copy.refusal) {
      hive.refusal = copy.refusal;
    } else {
      hive.compactSize = copy.size;
      hive.largestSubtrees = LargestSubtreesOfCopy(copy.path);
      DropCopy(copy.path);
    }
    outcome.hives.push_back(hive);
  }
  RemoveRunFolder(run.path);
  return outcome;
}
