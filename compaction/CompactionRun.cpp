#include "compaction/CompactionRun.h"

#include <optional>

#include "catalogue/RegistryKey.h"
#include "compaction/CheckedCopy.h"
#include "compaction/HiveTasks.h"
#include "compaction/RecoveryNote.h"
#include "compaction/RestartRequest.h"
#include "compaction/ResumeRegistration.h"
#include "compaction/RunFolder.h"
#include "compaction/ScheduledReplacement.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"

namespace {

// A backup left by an earlier run, read-only or not, gives way to the new one.
// Only ever called inside the protected backup folder.
void DeleteLeftover(const CPathName& file) {
  if (!FileExists(file)) return;
  ClearReadOnly(file);
  platform::Current().Files().RemoveFile(file.GetText().GetBuffer());
}

// Save, check, schedule: the one hive's whole way. Nothing is reported when
// the replacement was accepted.
std::optional<NotScheduledReason> CompactHive(const HiveTask& task, const RunFolder& run,
                                              const CPathName& backupFolder, int& saved) {
  CRegistryKey key;
  CheckedCopy copy = SaveCheckedCopy(task, run, key);
  if (copy.saved) ++saved;
  if (copy.refusal) return copy.refusal;
  if (copy.size >= copy.liveSize) {
    DropCopy(copy.path);
    return NotScheduledReason::kNoGain;
  }

  const CPathName backupFile = Combine(backupFolder, task.fileName);
  DeleteLeftover(backupFile);
  return ScheduleReplacement(key.Get(), copy.path, backupFile);
}

}  // namespace

CompactionOutcome RunCompaction(const std::vector<CompactionRow>& rows, bool showResults,
                                const CString& shutdownMessage,
                                const std::function<void(const CompactionOutcome&)>& beforeRestart,
                                const RunProgress& progress, AfterScheduling after) {
  CompactionOutcome outcome;
  std::vector<HiveTask> tasks = PlanTasks(rows);
  if (tasks.empty()) return outcome;

  RunFolder run = MakeRunFolder();
  if (!run.ok()) return StoppedBy(outcome, run.stoppedAt, run.problem);
  ProtectedFolder backupFolder = EnsureBackupFolderIn(run.windowsFolder);
  if (!backupFolder.ok()) {
    RemoveRunFolder(run.path);
    return StoppedBy(outcome, StoppedAt::kBackupFolder, backupFolder.problem);
  }

  const int count = static_cast<int>(tasks.size());
  std::vector<RestoreStep> steps;
  for (int index = 0; index < count; ++index) {
    const HiveTask& task = tasks[static_cast<std::size_t>(index)];
    if (!outcome.stopped && StopRequested(progress)) outcome.stopped = true;
    if (outcome.stopped) {
      outcome.notScheduled.push_back(
          NotScheduledHive{task.entry->name, NotScheduledReason::kStopped});
      continue;
    }
    ReportHiveStarting(progress, index + 1, count, task.entry->name);
    std::optional<NotScheduledReason> reason =
        CompactHive(task, run, backupFolder.path, outcome.saved);
    if (reason) {
      outcome.notScheduled.push_back(NotScheduledHive{task.entry->name, *reason});
    } else {
      ++outcome.scheduled;
      steps.push_back(RestoreStep{Combine(backupFolder.path, task.fileName), task.entry->path});
    }
  }

  // Nothing will change at the next start: no reason to restart, nor to show
  // results then, nor to keep the run's folder.
  if (outcome.scheduled == 0) {
    RemoveRunFolder(run.path);
    return outcome;
  }

  WriteRecoveryNote(backupFolder.path, steps);
  // A stop asked during the last hive still spares the user the restart.
  if (!outcome.stopped && StopRequested(progress)) outcome.stopped = true;
  if (!outcome.stopped && beforeRestart) beforeRestart(outcome);
  // Written only now, so that a run that scheduled nothing never leaves one.
  if (showResults) RegisterResultsOnRestart();
  if (!outcome.stopped && after == AfterScheduling::kRestart) {
    outcome.restartRequested = RequestRestart(shutdownMessage);
  }
  outcome.closeWindow = true;
  return outcome;
}
