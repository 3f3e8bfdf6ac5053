#pragma once
// The way back after a compaction, one run at a time: each wanted hive the
// run's record says it swapped gets its previous file, kept in the run's backup
// folder ("Kelvaro Backup\Run-<n>"), scheduled to become the hive's file again at the next
// start. The backup is copied, not moved, into a fresh run folder (so a second
// restore still works), the copy carrying the backup's own descriptor (the
// hive's previous permissions), and checked exactly as a compact copy is
// (CopyCheck.h): a damaged backup, or another hive's under the name, is refused.
// So is a backup whose SHA-256 is not the one on the record (BackupHashes.h);
// a backup not yet hashed is taken only when the record's swap took place,
// and its hash then goes on the record. A hive the run did not swap, or a run
// without a readable record, has no backup: files of other runs or of no run
// are never used.
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
  // Every planned hive not scheduled, display order: kNoBackup (no readable
  // record of the run, no swap of the hive on it, or no file at its backup
  // name), kRefused (the backup is no plain file, is not the one on record or
  // fails the check), kNotSaved (the live file
  // could not be read or the copy not written), kOtherVolume, kNotAccepted.
  std::vector<NotScheduledHive> notScheduled;
  std::vector<CString> restoredHives;  // names scheduled back, display order
};

// Plans the rows as RunCompaction does, for run `runNumber`. The hive file being replaced moves to
// "<run folder>\Replaced\<file name>". `restart`: request the restart (the
// run's message and countdown) when anything was scheduled. A run folder
// that scheduled nothing is removed.
RestoreOutcome RestoreRunBackups(int runNumber, const std::vector<CompactionRow>& rows,
                                 bool restart, const CString& shutdownMessage);
