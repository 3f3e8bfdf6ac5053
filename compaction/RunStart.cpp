#include "compaction/RunStart.h"

#include "compaction/BackupFolder.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/PendingSwaps.h"
#include "compaction/ProtectedFolders.h"

RunStart::RunStart(const std::vector<HiveTask>& tasks) {
  if (!m_lock.Held()) {
    stoppedAt = StoppedAt::kAnotherRun;
    runHolder = CString(m_lock.Holder().c_str());
    return;
  }
  run = MakeRunFolder();
  if (!run.ok()) {
    stoppedAt = run.stoppedAt;
    problem = run.problem;
    return;
  }
  // Swaps of an earlier run done since: their live files get their own
  // descriptors back, so that none is recorded as the protected one.
  SettleLiveDescriptors(run.windowsFolder);
  ProtectedFolder backups = EnsureBackupFolderIn(run.windowsFolder);
  if (!backups.ok()) {
    RemoveRunFolder(run.path);
    stoppedAt = StoppedAt::kBackupFolder;
    problem = backups.problem;
    return;
  }
  // Read before this run's own record becomes the newest.
  pending = PendingSwaps(run.windowsFolder);
  if (!record.Start(run.windowsFolder, tasks)) {
    RemoveRunFolder(run.path);
    stoppedAt = StoppedAt::kRunFolder;
    problem = FolderProblem::kNotMade;
    return;
  }
  // This run's backups in a folder of their own, made new: a folder already at
  // its number is not this run's, whoever left it.
  ProtectedFolder ownBackups =
      MakeNewProtectedFolder(RunBackupFolder(run.windowsFolder, record.Record().number));
  if (!ownBackups.ok()) {
    for (std::size_t index = 0; index < tasks.size(); ++index) {
      record.LeftAlone(index, NotScheduledReason::kStopped);
    }
    record.Flush();
    RemoveRunFolder(run.path);
    stoppedAt = StoppedAt::kBackupFolder;
    problem = ownBackups.problem;
    return;
  }
  backupFolder = ownBackups.path;
}
