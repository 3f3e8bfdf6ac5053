#include "compaction/CheckedCopy.h"

#include "compaction/CopyCheck.h"
#include "compaction/PrivilegeGuard.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

std::vector<std::uint8_t> DescriptorForCopy(const CPathName& file) {
  std::vector<std::uint8_t> descriptor;
  if (platform::Current().Files().ReadSecurityDescriptor(file.GetText().GetBuffer(), &descriptor) &&
      platform::ReadDescriptor(descriptor)) {
    return descriptor;
  }
  return platform::ProtectedDescriptor();
}

void DropCopy(const CPathName& copy) {
  platform::IFileSystem& files = platform::Current().Files();
  const CPathString text = copy.GetText();
  if (files.RemoveFile(text.GetBuffer())) return;
  // Nothing else can write the protected folder: the copy may wait there.
  if (files.QueryFileAttributes(text.GetBuffer()) != platform::kInvalidFileAttributes) {
    files.DeleteAtRestart(text.GetBuffer());
  }
}

platform::Status OpenHiveKey(const HiveTask& task, CRegistryKey& key) {
  PrivilegeGuard backup(kBackupPrivilege);
  if (!backup.Enabled()) return platform::kErrorPrivilegeNotHeld;
  return key.OpenForBackupRestore(task.root, task.keyName.GetString());
}

CheckedCopy SaveCheckedCopy(const HiveTask& task, const RunFolder& run, CRegistryKey& key) {
  platform::Platform& os = platform::Current();
  CheckedCopy copy;
  const CPathName& liveFile = task.entry->path;
  platform::FileFacts live;
  if (!os.Files().QueryFileFacts(liveFile.GetText().GetBuffer(), &live)) {
    copy.refusal = NotScheduledReason::kNotSaved;
    return copy;
  }
  copy.liveSize = live.size;
  // A rename cannot cross volumes: Windows would fail the swap at the start.
  if (live.volumeSerialNumber != run.volumeSerialNumber) {
    copy.refusal = NotScheduledReason::kOtherVolume;
    return copy;
  }
  // Nobody else may write the copy by its full path until it is live.
  const std::vector<std::uint8_t> descriptor = platform::ProtectedDescriptor();
  const CPathName path = Combine(run.path, task.fileName);

  platform::Status status = platform::kErrorPrivilegeNotHeld;
  {
    PrivilegeGuard backup(kBackupPrivilege);
    if (backup.Enabled()) status = key.OpenForBackupRestore(task.root, task.keyName.GetString());
    if (status == platform::kErrorSuccess) {
      os.Registry().FlushKey(key.Get());
      status = os.Registry().SaveKeyWithSecurity(key.Get(), path.GetText().GetBuffer(), descriptor,
                                                 platform::kRegLatestFormat);
    }
  }
  if (status != platform::kErrorSuccess) {
    DropCopy(path);
    copy.refusal = NotScheduledReason::kNotSaved;
    return copy;
  }
  copy.saved = true;

  CopyVerdict verdict = CheckCompactCopy(path, key.Get(), run.volumeSerialNumber);
  if (!verdict.accepted()) {
    DropCopy(path);
    copy.refusal = NotScheduledReason::kRefused;
    return copy;
  }
  copy.size = verdict.size;
  copy.sha256 = verdict.sha256;
  copy.path = path;
  return copy;
}
