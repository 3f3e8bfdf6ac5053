#pragma once
// The way back after a compaction: each wanted hive's previous file, kept in
// the backup folder, is scheduled to become the hive's file again at the next
// start. The backup is copied, not moved, into a fresh run folder (so a second
// restore still works), the copy carrying the backup's own descriptor (the
// hive's previous permissions), and checked exactly as a compact copy is
// (CopyCheck.h): a damaged backup, or another hive's under the name, is refused.
#include <vector>

#include "compaction/ProtectedFolders.h"
#include "compaction/RunOutcome.h"
#include "platform/CString.h"

struct RestoreOutcome {
  int scheduled = 0;
  bool restartRequested = false;
  // kBackupFolder when the backup folder failed the protected-folder checks,
  // kRunFolder when no run folder could be made: nothing was scheduled.
  StoppedAt stoppedAt = StoppedAt::kNothing;
  FolderProblem folderProblem = FolderProblem::kNone;
  CString runHolder;  // kAnotherRun: as for the compaction run
  // Every planned hive not scheduled, display order: kNoBackup, kRefused
  // (the backup is no plain file or fails the check), kNotSaved (the live file
  // could not be read or the copy not written), kOtherVolume, kNotAccepted.
  std::vector<NotScheduledHive> notScheduled;
  std::vector<CString> restoredHives;  // names scheduled back, display order
};

// Plans the rows as RunCompaction does. The hive file being replaced moves to
// "<run folder>\Replaced\<file name>". `restart`: request the restart (the
// run's message and countdown) when anything was scheduled. A run folder
// that scheduled nothing is removed.
RestoreOutcome RestoreBackups(const std::vector<CompactionRow>& rows, bool restart,
                              const CString& shutdownMessage);
