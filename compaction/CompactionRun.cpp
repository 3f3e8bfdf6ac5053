#include "compaction/CompactionRun.h"

#include <cstdint>
#include <iterator>
#include <optional>

#include "catalogue/RegistryKey.h"
#include "compaction/BackupFolder.h"
#include "compaction/CompareNoCaseN.h"
#include "compaction/Privileges.h"
#include "compaction/ResumeRegistration.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"

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
  platform::KeyHandle root;
  CString keyName;
  CPathComponent fileName;
  CPathName compactCopy;
  bool saved = false;
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

// A key name used unchanged as one file name in a folder. Beyond the path
// library's component rule it must not be "." or "..", nor hold a wildcard, a
// colon (a drive or a stream) or a control character: each would name another
// file or folder than the copy.
std::optional<CPathComponent> FileNameFor(const CString& keyName) {
  if (keyName.IsEmpty() || keyName == L"." || keyName == L"..") return std::nullopt;
  for (int index = 0; index < keyName.GetLength(); ++index) {
    wchar_t ch = keyName.GetAt(index);
    if (ch < 0x20 || ch == L'*' || ch == L'?' || ch == L':') return std::nullopt;
  }
  try {
    return CPathComponent(keyName.GetString());
  } catch (const CPathException&) {
    return std::nullopt;
  }
}

bool UsesFileName(const std::vector<HiveTask>& tasks, const CPathComponent& fileName) {
  for (const HiveTask& task : tasks) {
    if (task.fileName.GetText().CompareNoCase(fileName.GetText()) == 0) return true;
  }
  return false;
}

// The hives to work on, in display order. Two rows with one key name (one below
// each root) would share a copy and a backup file, and the second row's
// leftover deletion would remove the first one's fresh copy: the first wins.
std::vector<HiveTask> PlanTasks(const std::vector<CompactionRow>& rows) {
  std::vector<HiveTask> tasks;
  for (const CompactionRow& row : rows) {
    if (!row.ticked || row.entry == nullptr) continue;
    const HiveEntry& entry = *row.entry;
    // A hive whose file the catalogue could not find is left alone: the
    // platform would move a file nobody has seen.
    if (entry.size == 0) continue;
    std::optional<platform::KeyHandle> root = RootKeyOf(entry.name);
    if (!root) continue;
    CString keyName = HiveLeafName(entry.name);
    std::optional<CPathComponent> fileName = FileNameFor(keyName);
    if (!fileName || UsesFileName(tasks, *fileName)) continue;
    tasks.push_back(HiveTask{*root, keyName, *fileName, CPathName(), false});
  }
  return tasks;
}

// Only a folder the platform named in full takes copies or backups: a relative
// path would put the hive files wherever the current folder happens to be.
bool IsFullFolder(const CPathName& folder) {
  return !folder.IsEmpty() && folder.IsRooted() && !folder.IsRelative() &&
         (folder.HasDrive() || folder.IsUnc());
}

bool PrepareFolder(const CPathName& folder) {
  if (!IsFullFolder(folder)) return false;
  try {
    CreateFolderChain(folder);
  } catch (const CPathException&) {
    // ".." above the root: the platform resolves the folder's text itself, and
    // the saves show whether the folder is there.
  }
  return true;
}

// A file left by an earlier run, read-only or not, gives way to the new one.
void DeleteLeftover(const CPathName& file) {
  if (!FileExists(file)) return;
  ClearReadOnly(file);
  platform::Current().Files().RemoveFile(file.GetText().GetBuffer());
}

void SaveHive(HiveTask& task, const CPathName& tempFolder) {
  task.compactCopy = Combine(tempFolder, task.fileName);
  DeleteLeftover(task.compactCopy);
  CRegistryKey key;
  if (key.OpenForBackupRestore(task.root, task.keyName.GetString()) != platform::kErrorSuccess) {
    return;
  }
  platform::IRegistry& registry = platform::Current().Registry();
  registry.FlushKey(key.Get());
  platform::Status status = registry.SaveKey(key.Get(), task.compactCopy.GetText().GetBuffer());
  key.Close();
  // Scheduling a copy that is not there would leave the hive without a file at
  // the next start: a save counts only when reported and its file stands.
  task.saved = status == platform::kErrorSuccess && FileExists(task.compactCopy);
}

bool ScheduleReplacement(const HiveTask& task, const CPathName& backupFolder) {
  if (!task.saved) return false;
  CPathName backupFile = Combine(backupFolder, task.fileName);
  DeleteLeftover(backupFile);
  CRegistryKey key;
  if (key.OpenForBackupRestore(task.root, task.keyName.GetString()) != platform::kErrorSuccess) {
    return false;
  }
  platform::Status status = platform::Current().Registry().ReplaceKey(
      key.Get(), nullptr, task.compactCopy.GetText().GetBuffer(), backupFile.GetText().GetBuffer());
  return status == platform::kErrorSuccess;
}

}  // namespace

CompactionOutcome RunCompaction(const std::vector<CompactionRow>& rows, bool showResults,
                                const CString& shutdownMessage) {
  CompactionOutcome outcome;
  std::vector<HiveTask> tasks = PlanTasks(rows);

  const CPathName tempFolder = GetTempFolder();
  const bool canSave = PrepareFolder(tempFolder);
  EnablePrivilege(kBackupPrivilege, kUseProcessToken);
  if (canSave) {
    for (HiveTask& task : tasks) {
      SaveHive(task, tempFolder);
      if (task.saved) ++outcome.saved;
    }
  }
  DisablePrivilege(kBackupPrivilege, kUseProcessToken);

  const CPathName backupFolder = GetBackupFolder();
  const bool canReplace = PrepareFolder(backupFolder);
  EnablePrivilege(kRestorePrivilege, kUseProcessToken);
  if (canReplace) {
    for (const HiveTask& task : tasks) {
      if (ScheduleReplacement(task, backupFolder)) ++outcome.scheduled;
    }
  }
  DisablePrivilege(kRestorePrivilege, kUseProcessToken);

  // Nothing will change at the next start: no reason to restart, nor to show
  // results then.
  if (outcome.scheduled == 0) return outcome;

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
