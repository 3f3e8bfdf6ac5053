#include "compaction/CompactionRun.h"

#include <algorithm>
#include <optional>

#include "catalogue/RegistryKey.h"
#include "compaction/BackupFolder.h"
#include "compaction/CheckedCopy.h"
#include "compaction/HiveTasks.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/PendingSwaps.h"
#include "compaction/RecoveryNote.h"
#include "compaction/RecoveryScript.h"
#include "compaction/RestartRequest.h"
#include "compaction/ResumeRegistration.h"
#include "compaction/RunFolder.h"
#include "compaction/RunReference.h"
#include "compaction/RunStart.h"
#include "compaction/RunRecordKeeper.h"
#include "compaction/ScheduledReplacement.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"

namespace {

// The note and the script, brought up to date with the record.
void WriteRecovery(const CPathName& runBackupFolder, const std::vector<RestoreStep>& steps,
                   const RunRecordKeeper& record) {
  WriteRecoveryScript(runBackupFolder, record.Record());
  WriteRecoveryNote(runBackupFolder, steps);
}

// Save, check, schedule: the one hive's whole way. Nothing is reported when
// the replacement was accepted.
std::optional<NotScheduledReason> CompactHive(const HiveTask& task, std::size_t index,
                                              const RunFolder& run, const CPathName& backupFolder,
                                              RunRecordKeeper& record, int& saved,
                                              const std::vector<RestoreStep>& steps) {
  CRegistryKey key;
  CheckedCopy copy = SaveCheckedCopy(task, run, key);
  if (copy.saved) ++saved;
  if (copy.refusal) return copy.refusal;
  if (copy.size >= copy.liveSize) {
    DropCopy(copy.path);
    return NotScheduledReason::kNoGain;
  }

  // The run's own, new backup folder: nothing is at that name.
  const CPathName backupFile = Combine(backupFolder, task.fileName);
  // On record before Windows is told: whatever happens during the call, the
  // record names the swap, and so does the script that undoes it.
  if (!record.BeforeSwap(index, copy, backupFile) ||
      !ProtectLiveFileForSwap(run.windowsFolder, task.entry->path, copy.path)) {
    DropCopy(copy.path);
    SettleLiveDescriptors(run.windowsFolder);
    return NotScheduledReason::kNotAccepted;
  }
  WriteRecovery(backupFolder, steps, record);
  // The content as saved, so that writes made before the restart, which the
  // copy never gets, can be named afterwards.
  const std::wstring name = task.entry->name.str();
  KeepReference(*record.File(), name, copy.path, copy.sha256);
  std::optional<NotScheduledReason> refused = ScheduleReplacement(key.Get(), copy.path, backupFile);
  if (refused) {
    DropReference(*record.File(), name);
    // The copy is gone: the live file gets its own descriptor back.
    SettleLiveDescriptors(run.windowsFolder);
  }
  return refused;
}

// Every hive from `first` on, as not started.
void ListAsStopped(const std::vector<HiveTask>& tasks, std::size_t first,
                   CompactionOutcome& outcome, RunRecordKeeper& record) {
  for (std::size_t index = first; index < tasks.size(); ++index) {
    outcome.notScheduled.push_back(
        NotScheduledHive{tasks[index].entry->name, NotScheduledReason::kStopped});
    // A hive caught in the middle of its swap stays on record as swapping.
    if (!record.Record().hives.at(index).MaySwap()) {
      record.LeftAlone(index, NotScheduledReason::kStopped);
    }
  }
}

void Run(CompactionOutcome& outcome, const std::vector<CompactionRow>& rows, bool showResults,
         const CString& shutdownMessage,
         const std::function<void(const CompactionOutcome&)>& beforeRestart,
         const RunProgress& progress, AfterScheduling after) {
  std::vector<HiveTask> tasks = PlanTasks(rows);
  if (tasks.empty()) return;

  RunStart start(tasks);
  if (StoppedAtStart(start, outcome)) return;
  const RunFolder& run = start.run;
  RunRecordKeeper& record = start.record;
  const std::vector<std::wstring>& pending = start.pending;
  const CPathName& backupFolder = start.backupFolder;

  const int count = static_cast<int>(tasks.size());
  std::vector<RestoreStep> steps;
  for (std::size_t index = 0; index < tasks.size(); ++index) {
    const HiveTask& task = tasks[index];
    if (StopRequested(progress)) {
      outcome.stopped = true;
      ListAsStopped(tasks, index, outcome, record);
      break;
    }
    ReportHiveStarting(progress, static_cast<int>(index) + 1, count, task.entry->name);
    std::size_t firstNotDone = index;
    try {
      std::optional<NotScheduledReason> reason =
          IsPendingSwap(pending, task.entry->name)
              ? NotScheduledReason::kRestartPending
              : CompactHive(task, index, run, backupFolder, record, outcome.saved, steps);
      firstNotDone = index + 1;
      if (reason) {
        record.LeftAlone(index, *reason);
        outcome.notScheduled.push_back(NotScheduledHive{task.entry->name, *reason});
      } else {
        ++outcome.scheduled;
        record.Scheduled(index);
        steps.push_back(RestoreStep{Combine(backupFolder, task.fileName), task.entry->path});
        // Brought up to date hive by hive: after a crash they name every swap.
        WriteRecovery(backupFolder, steps, record);
      }
    } catch (...) {
      // Out of memory, or any other failure: the run ends here as a stopped
      // one; the swaps already scheduled stay on record and in the note.
      outcome.stopped = true;
      outcome.interrupted = true;
      ListAsStopped(tasks, firstNotDone, outcome, record);
      break;
    }
  }
  record.Flush();

  // No swap can happen at the next start: the run's backup folder stays empty.
  if (std::none_of(record.Record().hives.begin(), record.Record().hives.end(),
                   [](const RecordedHive& hive) { return hive.MaySwap(); })) {
    RemoveRecoveryFiles(backupFolder);
  }
  // Nothing will change at the next start: no reason to restart, nor to show
  // results then, nor to keep the run's folder.
  if (outcome.scheduled == 0) {
    RemoveRunFolder(run.path);
    return;
  }

  // The swaps are scheduled whatever happens now: the window closes.
  outcome.closeWindow = true;
  // A stop asked during the last hive still spares the user the restart.
  if (!outcome.stopped && StopRequested(progress)) outcome.stopped = true;
  if (!outcome.stopped && beforeRestart) beforeRestart(outcome);
  try {
    // Written only now, so that a run that scheduled nothing never leaves one.
    if (showResults) RegisterResultsOnRestart();
  } catch (...) {
    // The copy of the program may not fit in memory: the swaps stand, no
    // restart is requested, and the user hears why.
    outcome.stopped = true;
    outcome.interrupted = true;
  }
  if (!outcome.stopped && after == AfterScheduling::kRestart) {
    outcome.restartRequested = RequestRestart(shutdownMessage);
  }
}

}  // namespace

CompactionOutcome RunCompaction(const std::vector<CompactionRow>& rows, bool showResults,
                                const CString& shutdownMessage,
                                const std::function<void(const CompactionOutcome&)>& beforeRestart,
                                const RunProgress& progress, AfterScheduling after) {
  CompactionOutcome outcome;
  try {
    Run(outcome, rows, showResults, shutdownMessage, beforeRestart, progress, after);
  } catch (...) {
    // Whatever failed, the outcome says what is scheduled; the record and the
    // recovery note were brought up to date before each swap.
    outcome.stopped = true;
    outcome.interrupted = true;
    outcome.closeWindow = outcome.scheduled > 0;
  }
  return outcome;
}
