#pragma once
// What a run that changes hives holds before its first change, got in this
// order: the run lock, its protected folder (the live files of an earlier
// run's swaps made since getting their own descriptors back), the backup
// folder, the swaps an earlier run left waiting for the restart, its record
// with every task planned, and its own new backup folder
// "Kelvaro Backup\Run-<n>". When one cannot be had, the run stops there with
// nothing changed: what is made so far is removed again and the record, when
// there is one, has every task as stopped.
#include <string>
#include <vector>

#include "compaction/HiveTasks.h"
#include "compaction/RunFolder.h"
#include "compaction/RunLock.h"
#include "compaction/RunOutcome.h"
#include "compaction/RunRecordKeeper.h"
#include "path/PathName.h"
#include "platform/CString.h"

class RunStart {
 public:
  explicit RunStart(const std::vector<HiveTask>& tasks);
  RunStart(const RunStart&) = delete;
  RunStart& operator=(const RunStart&) = delete;

  bool ok() const { return stoppedAt == StoppedAt::kNothing; }

  // Where it stopped, and why; kAnotherRun names the program holding the lock.
  StoppedAt stoppedAt = StoppedAt::kNothing;
  FolderProblem problem = FolderProblem::kNone;
  CString runHolder;

  RunFolder run;
  CPathName backupFolder;  // this run's, new
  // Read before this run's record became the newest (PendingSwaps.h).
  std::vector<std::wstring> pending;
  RunRecordKeeper record;

 private:
  RunLock m_lock;
};

// When the start failed: the outcome says where and why (and who holds the
// lock), and true.
template <typename Outcome>
bool StoppedAtStart(const RunStart& start, Outcome& outcome) {
  if (start.ok()) return false;
  outcome = StoppedBy(outcome, start.stoppedAt, start.problem);
  outcome.runHolder = start.runHolder;
  return true;
}
