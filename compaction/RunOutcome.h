#pragma once
// What a run, an analysis or a restore reports: the rows it was given, the
// hives it left alone and why, and where it stopped. The bottom of compaction/:
// every file there may use these, and this imports nothing of the folder but
// the folder problems.
#include <vector>

#include "catalogue/HiveRecords.h"
#include "compaction/ProtectedFolders.h"
#include "platform/CString.h"

// One row of the main list, in display order.
struct CompactionRow {
  const HiveEntry* entry;  // the row's record; null for a row without one
  bool ticked;
};

// Why a ticked hive was left as it is.
enum class NotScheduledReason {
  kNotSaved,     // its file could not be read, or Windows would not save a copy
  kRefused,      // the copy failed the check
  kNoGain,       // the copy is not smaller than the live file
  kOtherVolume,  // the hive lives on another volume than the Windows folder
  kNotAccepted,  // Windows did not accept the replacement
  kStopped,      // the run was stopped before this hive
  kNoBackup,     // a restore found no backup file of this hive
  // An earlier run's swap of it still waits for the restart (PendingSwaps.h):
  // nothing is wrong with the hive.
  kRestartPending,
};

struct NotScheduledHive {
  CString name;  // user form, HKLM\SYSTEM
  NotScheduledReason reason;
};

// What stopped the run before any hive was touched: a folder, or another
// program's run (RunLock.h).
enum class StoppedAt { kNothing, kRunFolder, kBackupFolder, kAnotherRun };

struct CompactionOutcome {
  int saved = 0;                  // hives written to their compact copies
  int scheduled = 0;              // replacements the platform accepted
  bool restartRequested = false;  // the platform accepted the restart request
  // True when at least one replacement is scheduled: the window ends (the
  // program exits while the restart counts down, or the replacements wait for
  // the user's next restart when the request failed). False when nothing was
  // scheduled: no restart was requested and no start-up value written; the
  // window stays open with its rows and says that nothing was compacted.
  bool closeWindow = false;
  StoppedAt stoppedAt = StoppedAt::kNothing;
  FolderProblem folderProblem = FolderProblem::kNone;
  // kAnotherRun: the program holding the lock, empty when it cannot be told.
  CString runHolder;
  // Every planned hive that was not scheduled, in display order.
  std::vector<NotScheduledHive> notScheduled;
  // The caller asked to stop (RunProgress): the hives not started are listed
  // as kStopped, the ones scheduled stay scheduled, and no restart is requested.
  bool stopped = false;
  // The run stopped itself on a failure it could not go on after (out of
  // memory, say), as if asked to stop: the hives already scheduled stay
  // scheduled, on record and in the recovery note. `stopped` is set too.
  bool interrupted = false;
};

// An outcome that ends where a folder failed, before any hive was touched.
template <typename Outcome>
Outcome StoppedBy(Outcome outcome, StoppedAt where, FolderProblem problem) {
  outcome.stoppedAt = where;
  outcome.folderProblem = problem;
  return outcome;
}
