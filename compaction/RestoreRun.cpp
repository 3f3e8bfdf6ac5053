#include "compaction/RestoreRun.h"

#include <cstdint>
#include <optional>

#include "catalogue/RegistryKey.h"
#include "compaction/BackupFolder.h"
#include "compaction/CheckedCopy.h"
#include "compaction/CopyCheck.h"
#include "compaction/ExclusiveFile.h"
#include "compaction/HiveTasks.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/RestartRequest.h"
#include "compaction/RunFolder.h"
#include "compaction/RunLock.h"
#include "compaction/ScheduledReplacement.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

namespace {

// Below the run folder: the files the restored ones replace, under their own names.
constexpr wchar_t kReplacedFolderName[] = L"Replaced";

bool IsMissing(platform::Status error) {
  return error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
}

// Copies the backup's bytes, read through one exclusive handle, into a new file
// with the backup's descriptor. Nothing when the copy was made.
std::optional<NotScheduledReason> CopyBackup(const CPathName& backupFile, const CPathName& copy) {
  platform::Platform& os = platform::Current();
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> descriptor;
  {
    CExclusiveFile backup(backupFile);
    if (!backup.IsOpen()) {
      return IsMissing(os.System().GetLastError()) ? NotScheduledReason::kNoBackup
                                                   : NotScheduledReason::kRefused;
    }
    platform::FileFacts facts;
    if (!os.Files().QueryOpenFileFacts(backup.Get(), &facts) || !IsPlainFile(facts) ||
        !ReadWhole(backup.Get(), facts.size, bytes)) {
      return NotScheduledReason::kRefused;
    }
    // Read while the handle holds the file: the name cannot lead elsewhere now.
    descriptor = DescriptorForCopy(backupFile);
  }
  if (!os.Files().WriteNewFile(copy.GetText().GetBuffer(), bytes, descriptor)) {
    return NotScheduledReason::kNotSaved;
  }
  return std::nullopt;
}

std::optional<NotScheduledReason> RestoreHive(const HiveTask& task, const RunFolder& run,
                                              const CPathName& backupFolder,
                                              const CPathName& replacedFolder) {
  platform::Platform& os = platform::Current();
  platform::FileFacts live;
  if (!os.Files().QueryFileFacts(task.entry->path.GetText().GetBuffer(), &live)) {
    return NotScheduledReason::kNotSaved;
  }
  // A rename cannot cross volumes: Windows would fail the swap at the start.
  if (live.volumeSerialNumber != run.volumeSerialNumber) return NotScheduledReason::kOtherVolume;

  const CPathName copy = Combine(run.path, task.fileName);
  if (std::optional<NotScheduledReason> refusal =
          CopyBackup(Combine(backupFolder, task.fileName), copy)) {
    return refusal;
  }
  CRegistryKey key;
  if (OpenHiveKey(task, key) != platform::kErrorSuccess) {
    DropCopy(copy);
    return NotScheduledReason::kNotAccepted;
  }
  if (!CheckCompactCopy(copy, key.Get(), run.volumeSerialNumber).accepted()) {
    DropCopy(copy);
    return NotScheduledReason::kRefused;
  }
  // As for a compaction: the restored file gets the live file's own
  // descriptor after the restart (LiveDescriptors.h).
  if (!ProtectLiveFileForSwap(run.windowsFolder, task.entry->path, copy)) {
    DropCopy(copy);
    SettleLiveDescriptors(run.windowsFolder);
    return NotScheduledReason::kNotAccepted;
  }
  std::optional<NotScheduledReason> refused =
      ScheduleReplacement(key.Get(), copy, Combine(replacedFolder, task.fileName));
  if (refused) SettleLiveDescriptors(run.windowsFolder);
  return refused;
}

// The backup folder as the run left it, judged before anything is made. An
// absent folder is no problem: there is simply nothing to restore.
FolderProblem CheckBackupFolder(const CPathName& folder, bool& exists) {
  platform::Platform& os = platform::Current();
  exists = true;
  if (os.Files().QueryFileAttributes(folder.GetText().GetBuffer()) ==
          platform::kInvalidFileAttributes &&
      IsMissing(os.System().GetLastError())) {
    exists = false;
    return FolderProblem::kNone;
  }
  return CheckExistingFolder(folder);
}

}  // namespace

RestoreOutcome RestoreBackups(const std::vector<CompactionRow>& rows, bool restart,
                              const CString& shutdownMessage) {
  RestoreOutcome outcome;
  std::vector<HiveTask> tasks = PlanTasks(rows);
  if (tasks.empty()) return outcome;

  RunLock lock;
  if (!lock.Held()) {
    outcome.stoppedAt = StoppedAt::kAnotherRun;
    outcome.runHolder = CString(lock.Holder().c_str());
    return outcome;
  }
  std::optional<CPathName> windowsFolder = SystemWindowsFolder();
  if (!windowsFolder) {
    return StoppedBy(outcome, StoppedAt::kRunFolder, FolderProblem::kNoWindowsFolder);
  }
  const CPathName backupFolder = Combine(*windowsFolder, CPathComponent(kBackupFolderName));
  bool backupsExist = true;
  FolderProblem backupProblem = CheckBackupFolder(backupFolder, backupsExist);
  if (backupProblem != FolderProblem::kNone) {
    return StoppedBy(outcome, StoppedAt::kBackupFolder, backupProblem);
  }
  if (!backupsExist) {
    for (const HiveTask& task : tasks) {
      outcome.notScheduled.push_back(
          NotScheduledHive{task.entry->name, NotScheduledReason::kNoBackup});
    }
    return outcome;
  }

  RunFolder run = MakeRunFolder();
  if (!run.ok()) return StoppedBy(outcome, run.stoppedAt, run.problem);
  ProtectedFolder replacedFolder =
      EnsureProtectedFolder(Combine(run.path, CPathComponent(kReplacedFolderName)));
  if (!replacedFolder.ok()) {
    RemoveRunFolder(run.path);
    return StoppedBy(outcome, StoppedAt::kRunFolder, replacedFolder.problem);
  }

  for (const HiveTask& task : tasks) {
    std::optional<NotScheduledReason> reason =
        RestoreHive(task, run, backupFolder, replacedFolder.path);
    if (reason) {
      outcome.notScheduled.push_back(NotScheduledHive{task.entry->name, *reason});
    } else {
      ++outcome.scheduled;
      outcome.restoredHives.push_back(task.entry->name);
    }
  }

  if (outcome.scheduled == 0) {
    RemoveRunFolder(replacedFolder.path);
    RemoveRunFolder(run.path);
    return outcome;
  }
  if (restart) outcome.restartRequested = RequestRestart(shutdownMessage);
  return outcome;
}
