#include "compaction/RestoreRun.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/RegistryKey.h"
#include "compaction/BackupFolder.h"
#include "compaction/BackupHashes.h"
#include "compaction/CheckedCopy.h"
#include "compaction/CompareNoCaseN.h"
#include "compaction/CopyCheck.h"
#include "compaction/ExclusiveFile.h"
#include "compaction/HiveTasks.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/RestartRequest.h"
#include "compaction/RunFolder.h"
#include "compaction/RunLock.h"
#include "compaction/RunRecordFile.h"
#include "compaction/ScheduledReplacement.h"
#include "hive/Sha256.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

namespace {

// Below the run folder: the files the restored ones replace, under their own names.
constexpr wchar_t kReplacedFolderName[] = L"Replaced";

bool IsMissing(platform::Status error) {
  return error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
}

bool SameName(const std::wstring& recorded, const CString& listed) {
  const int length = std::max(listed.GetLength(), static_cast<int>(recorded.size()));
  return CompareNoCaseN(listed.GetString(), listed.GetLength(), recorded.c_str(),
                        static_cast<int>(recorded.size()), length) == 0;
}

// The run's word on the hive: one it may have swapped, or none.
RecordedHive* SwapOnRecord(RunRecord& record, const CString& name) {
  for (RecordedHive& hive : record.hives) {
    if (hive.MaySwap() && SameName(hive.name, name)) return &hive;
  }
  return nullptr;
}

// Copies the backup's bytes, read through one exclusive handle, into a new file
// with the backup's descriptor, when their SHA-256 is the one on record. A
// backup not yet hashed is taken, and its hash recorded, only when the record's
// swap took place: the file at the backup name is then the previous hive.
// Nothing when the copy was made.
std::optional<NotScheduledReason> CopyBackup(const CPathName& backupFile, const CPathName& copy,
                                             RecordedHive& recorded, bool& hashAdded) {
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
  const std::string sha256 = hive::Sha256Hex(bytes);
  if (recorded.backupSha256.empty()) {
    if (!SwapTookPlace(recorded)) return NotScheduledReason::kNoBackup;
    recorded.backupSize = bytes.size();
    recorded.backupSha256 = sha256;
    hashAdded = true;
  } else if (recorded.backupSha256 != sha256 || recorded.backupSize != bytes.size()) {
    return NotScheduledReason::kRefused;
  }
  if (!os.Files().WriteNewFile(copy.GetText().GetBuffer(), bytes, descriptor)) {
    return NotScheduledReason::kNotSaved;
  }
  return std::nullopt;
}

std::optional<NotScheduledReason> RestoreHive(const HiveTask& task, const RunFolder& run,
                                              const CPathName& backupFolder,
                                              const CPathName& replacedFolder, RunRecord& record,
                                              bool& hashAdded) {
  // A hive the run did not swap has no backup of this run, whatever file bears its name.
  RecordedHive* recorded = SwapOnRecord(record, task.entry->name);
  if (recorded == nullptr) return NotScheduledReason::kNoBackup;
  platform::Platform& os = platform::Current();
  platform::FileFacts live;
  if (!os.Files().QueryFileFacts(task.entry->path.GetText().GetBuffer(), &live)) {
    return NotScheduledReason::kNotSaved;
  }
  // A rename cannot cross volumes: Windows would fail the swap at the start.
  if (live.volumeSerialNumber != run.volumeSerialNumber) return NotScheduledReason::kOtherVolume;

  const CPathName copy = Combine(run.path, task.fileName);
  if (std::optional<NotScheduledReason> refusal =
          CopyBackup(Combine(backupFolder, task.fileName), copy, *recorded, hashAdded)) {
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

RestoreOutcome RestoreRunBackups(int runNumber, const std::vector<CompactionRow>& rows,
                                 bool restart, const CString& shutdownMessage) {
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
  // Read under the lock: no run changes it meanwhile.
  std::optional<RunRecord> record = ReadRunRecord(*windowsFolder, runNumber);
  const CPathName parentFolder = Combine(*windowsFolder, CPathComponent(kBackupFolderName));
  const CPathName backupFolder = RunBackupFolder(*windowsFolder, runNumber);
  bool backupsExist = record.has_value();
  for (const CPathName* folder : {&parentFolder, &backupFolder}) {
    if (!backupsExist) break;
    FolderProblem backupProblem = CheckBackupFolder(*folder, backupsExist);
    if (backupProblem != FolderProblem::kNone) {
      return StoppedBy(outcome, StoppedAt::kBackupFolder, backupProblem);
    }
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

  bool hashAdded = false;
  for (const HiveTask& task : tasks) {
    std::optional<NotScheduledReason> reason =
        RestoreHive(task, run, backupFolder, replacedFolder.path, *record, hashAdded);
    if (reason) {
      outcome.notScheduled.push_back(NotScheduledHive{task.entry->name, *reason});
    } else {
      ++outcome.scheduled;
      outcome.restoredHives.push_back(task.entry->name);
    }
  }
  // From now on a backup that changes is refused.
  if (hashAdded) UpdateRunRecord(RunRecordPath(*windowsFolder, runNumber), *record);

  if (outcome.scheduled == 0) {
    RemoveRunFolder(replacedFolder.path);
    RemoveRunFolder(run.path);
    return outcome;
  }
  if (restart) outcome.restartRequested = RequestRestart(shutdownMessage);
  return outcome;
}
