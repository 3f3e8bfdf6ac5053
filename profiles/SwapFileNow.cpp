#include "profiles/SwapFileNow.h"

#include "compaction/ExclusiveFile.h"
#include "compaction/PrivilegeGuard.h"
#include "hive/Sha256.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"
#include "platform/SecurityDescriptor.h"

namespace {

// GetText() answers a temporary: the text is kept for as long as the call needs it.
std::wstring Text(const CPathName& path) { return path.GetText().GetBuffer(); }

// An owner other than the caller is set only with SeRestorePrivilege on.
bool SetDescriptor(const CPathName& path, const std::vector<std::uint8_t>& descriptor) {
  if (descriptor.empty()) return false;
  platform::IFileSystem& files = platform::Current().Files();
  PrivilegeGuard restore(kRestorePrivilege);
  if (!restore.Enabled()) return false;
  platform::ScopedFile file(files, files.OpenForSecurity(Text(path).c_str()));
  platform::FileFacts facts;
  return file.IsOpen() && files.QueryOpenFileFacts(file.Get(), &facts) &&
         (facts.attributes & platform::kFileAttributeReparsePoint) == 0 &&
         files.WriteOpenFileSecurity(file.Get(), descriptor);
}

bool HoldsCopy(const CPathName& live, const std::string& copySha256) {
  CExclusiveFile file(live);
  platform::FileFacts facts;
  std::vector<std::uint8_t> bytes;
  return file.IsOpen() && platform::Current().Files().QueryOpenFileFacts(file.Get(), &facts) &&
         IsPlainFile(facts) && ReadWhole(file.Get(), facts.size, bytes) &&
         hive::Sha256Hex(bytes) == copySha256;
}

}  // namespace

bool ProtectMovedFile(const CPathName& file) {
  return SetDescriptor(file, platform::ProtectedDescriptor());
}

SwapNowOutcome SwapFileNow(const CPathName& live, const CPathName& copy, const CPathName& backup,
                           const std::vector<std::uint8_t>& descriptor,
                           const std::string& copySha256) {
  platform::IFileSystem& files = platform::Current().Files();
  SwapNowOutcome outcome;
  outcome.status =
      files.ReplaceKeepingBackup(Text(live).c_str(), Text(copy).c_str(), Text(backup).c_str());
  if (outcome.status == platform::kErrorUnableToMoveReplacement2) {
    // Windows moved the previous file aside and stopped: it goes back at once,
    // for a profile without its hive would not load.
    outcome.leftAtBackup = !files.MoveReplacing(Text(backup).c_str(), Text(live).c_str());
    return outcome;
  }
  if (outcome.status != platform::kErrorSuccess) return outcome;
  outcome.swapped = true;
  outcome.backupProtected = ProtectMovedFile(backup);
  outcome.descriptorSet = SetDescriptor(live, descriptor);
  outcome.readBack = HoldsCopy(live, copySha256);
  return outcome;
}
