#include "compaction/CompactionRun.h"

#include <cstdint>
#include <iterator>
#include <optional>

#include "catalogue/HiveFileName.h"
#include "catalogue/RegistryKey.h"
#include "compaction/CompareNoCaseN.h"
#include "compaction/CopyCheck.h"
#include "compaction/Privileges.h"
#include "compaction/RecoveryNote.h"
#include "compaction/ResumeRegistration.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr wchar_t kMachinePrefix[] = L"HKLM\\";
constexpr wchar_t kUsersPrefix[] = L"HKU\\";
constexpr int kMachinePrefixLength = static_cast<int>(std::size(kMachinePrefix)) - 1;
constexpr int kUsersPrefixLength = static_cast<int>(std::size(kUsersPrefix)) - 1;
constexpr wchar_t kBackupPrivilege[] = L"SeBackupPrivilege";
constexpr wchar_t kRestorePrivilege[] = L"SeRestorePrivilege";
constexpr wchar_t kShutdownPrivilege[] = L"SeShutdownPrivilege";
constexpr bool kUseProcessToken = true;
constexpr std::uint32_t kRestartCountdownSeconds = 10;
constexpr bool kForceAppsClosed = true;
constexpr bool kRebootAfterShutdown = true;

// One hive the run works on: the key directly below its root and the file name
// its compact copy and its backup file share.
struct HiveTask {
  const HiveEntry* entry;
  platform::KeyHandle root;
  CString keyName;
  CPathComponent fileName;
};

bool StartsWith(const CString& name, const wchar_t* prefix, int prefixLength) {
  return CompareNoCaseN(name.GetString(), name.GetLength(), prefix, prefixLength, prefixLength) ==
         0;
}

std::optional<platform::KeyHandle> RootKeyOf(const CString& name) {
  if (StartsWith(name, kMachinePrefix, kMachinePrefixLength)) return platform::kHKeyLocalMachine;
  if (StartsWith(name, kUsersPrefix, kUsersPrefixLength)) return platform::kHKeyUsers;
  return std::nullopt;
}

bool UsesFileName(const std::vector<HiveTask>& tasks, const CPathComponent& fileName) {
  for (const HiveTask& task : tasks) {
    if (task.fileName.GetText().CompareNoCase(fileName.GetText()) == 0) return true;
  }
  return false;
}

// The hives to work on, in display order. Two rows with one key name (one below
// each root) would share a copy and a backup file: the first wins.
std::vector<HiveTask> PlanTasks(const std::vector<CompactionRow>& rows) {
  std::vector<HiveTask> tasks;
  for (const CompactionRow& row : rows) {
    if (!row.ticked || row.entry == nullptr) continue;
    const HiveEntry& entry = *row.entry;
    // A hive whose file the catalogue could not find is left alone: the
    // platform would move a file nobody has seen.
    if (entry.size == 0 || entry.path.IsEmpty()) continue;
    std::optional<platform::KeyHandle> root = RootKeyOf(entry.name);
    if (!root) continue;
    CString keyName = HiveLeafName(entry.name);
    std::optional<CPathComponent> fileName = HiveFileName(entry.name);
    if (!fileName || UsesFileName(tasks, *fileName)) continue;
    tasks.push_back(HiveTask{&entry, *root, keyName, *fileName});
  }
  return tasks;
}

// A backup left by an earlier run, read-only or not, gives way to the new one.
// Only ever called inside the protected backup folder.
void DeleteLeftover(const CPathName& file) {
  if (!FileExists(file)) return;
  ClearReadOnly(file);
  platform::Current().Files().RemoveFile(file.GetText().GetBuffer());
}

// The live file's own descriptor, so that the swapped-in file keeps the
// hive's permissions; SYSTEM and Administrators only when it cannot be read.
std::vector<std::uint8_t> DescriptorForCopy(const CPathName& liveFile) {
  std::vector<std::uint8_t> descriptor;
  if (platform::Current().Files().ReadSecurityDescriptor(liveFile.GetText().GetBuffer(),
                                                         &descriptor) &&
      platform::ReadDescriptor(descriptor)) {
    return descriptor;
  }
  return platform::ProtectedDescriptor();
}

void DropCopy(const CPathName& copy) {
  platform::Current().Files().RemoveFile(copy.GetText().GetBuffer());
}

// Save, check, schedule: the one hive's whole way. Nothing is reported when
// the replacement was accepted.
std::optional<NotScheduledReason> CompactHive(const HiveTask& task, const CPathName& runFolder,
                                              std::uint32_t runVolume,
                                              const CPathName& backupFolder, int& saved) {
  platform::Platform& os = platform::Current();
  const CPathName& liveFile = task.entry->path;
  platform::FileFacts live;
  if (!os.Files().QueryFileFacts(liveFile.GetText().GetBuffer(), &live)) {
    return NotScheduledReason::kNotSaved;
  }
  // A rename cannot cross volumes: Windows would fail the swap at the start.
  if (live.volumeSerialNumber != runVolume) return NotScheduledReason::kOtherVolume;
  const std::vector<std::uint8_t> descriptor = DescriptorForCopy(liveFile);
  const CPathName copy = Combine(runFolder, task.fileName);

  CRegistryKey key;
  EnablePrivilege(kBackupPrivilege, kUseProcessToken);
  platform::Status status = key.OpenForBackupRestore(task.root, task.keyName.GetString());
  if (status == platform::kErrorSuccess) {
    os.Registry().FlushKey(key.Get());
    status = os.Registry().SaveKeyWithSecurity(key.Get(), copy.GetText().GetBuffer(), descriptor,
                                               platform::kRegLatestFormat);
  }
  DisablePrivilege(kBackupPrivilege, kUseProcessToken);
  if (status != platform::kErrorSuccess) {
    DropCopy(copy);
    return NotScheduledReason::kNotSaved;
  }
  ++saved;

  CopyVerdict verdict = CheckCompactCopy(copy, key.Get(), runVolume);
  if (!verdict.accepted()) {
    DropCopy(copy);
    return NotScheduledReason::kRefused;
  }
  if (verdict.size >= live.size) {
    DropCopy(copy);
    return NotScheduledReason::kNoGain;
  }

  const CPathName backupFile = Combine(backupFolder, task.fileName);
  DeleteLeftover(backupFile);
  EnablePrivilege(kRestorePrivilege, kUseProcessToken);
  status = os.Registry().ReplaceKey(key.Get(), nullptr, copy.GetText().GetBuffer(),
                                    backupFile.GetText().GetBuffer());
  DisablePrivilege(kRestorePrivilege, kUseProcessToken);
  if (status != platform::kErrorSuccess) {
    DropCopy(copy);
    return NotScheduledReason::kNotAccepted;
  }
  return std::nullopt;
}

CompactionOutcome Stopped(CompactionOutcome outcome, StoppedAt where, FolderProblem problem) {
  outcome.stoppedAt = where;
  outcome.folderProblem = problem;
  return outcome;
}

}  // namespace

CompactionOutcome RunCompaction(
    const std::vector<CompactionRow>& rows, bool showResults, const CString& shutdownMessage,
    const std::function<void(const CompactionOutcome&)>& beforeRestart) {
  CompactionOutcome outcome;
  std::vector<HiveTask> tasks = PlanTasks(rows);
  if (tasks.empty()) return outcome;

  std::optional<CPathName> windowsFolder = SystemWindowsFolder();
  if (!windowsFolder) {
    return Stopped(outcome, StoppedAt::kRunFolder, FolderProblem::kNoWindowsFolder);
  }
  ProtectedFolder runFolder = CreateRunFolder(*windowsFolder);
  if (!runFolder.ok()) return Stopped(outcome, StoppedAt::kRunFolder, runFolder.problem);
  ProtectedFolder backupFolder = EnsureBackupFolderIn(*windowsFolder);
  platform::FileFacts runFacts;
  if (!backupFolder.ok() || !platform::Current().Files().QueryFileFacts(
                                runFolder.path.GetText().GetBuffer(), &runFacts)) {
    RemoveRunFolder(runFolder.path);
    return backupFolder.ok() ? Stopped(outcome, StoppedAt::kRunFolder, FolderProblem::kUnreadable)
                             : Stopped(outcome, StoppedAt::kBackupFolder, backupFolder.problem);
  }

  std::vector<RestoreStep> steps;
  for (const HiveTask& task : tasks) {
    std::optional<NotScheduledReason> reason = CompactHive(
        task, runFolder.path, runFacts.volumeSerialNumber, backupFolder.path, outcome.saved);
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
    RemoveRunFolder(runFolder.path);
    return outcome;
  }

  WriteRecoveryNote(backupFolder.path, steps);
  if (beforeRestart) beforeRestart(outcome);
  // Written only now, so that a run that scheduled nothing never leaves one.
  if (showResults) RegisterResultsOnRestart();
  EnablePrivilege(kShutdownPrivilege, kUseProcessToken);
  outcome.restartRequested = platform::Current().System().RequestShutdown(
      shutdownMessage.GetString(), kRestartCountdownSeconds, kForceAppsClosed,
      kRebootAfterShutdown);
  DisablePrivilege(kShutdownPrivilege, kUseProcessToken);
  outcome.closeWindow = true;
  return outcome;
}
