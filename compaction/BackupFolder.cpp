#include "compaction/BackupFolder.h"

#include <cstdint>
#include <string>

#include "compaction/ProtectedFolders.h"
#include "platform/Platform.h"

namespace {
constexpr std::uint32_t kWindowsFolderBufferLength = 260;
}  // namespace

CPathName GetBackupFolder() {
  wchar_t buffer[kWindowsFolderBufferLength] = {};
  std::uint32_t length =
      platform::Current().System().QuerySystemWindowsDirectory(buffer, kWindowsFolderBufferLength);
  // A failed or too short call may leave anything in the buffer: read none of it.
  if (length == 0 || length >= kWindowsFolderBufferLength) buffer[0] = L'\0';
  CPathName folder;
  folder.SetPath(buffer);
  folder.Append(CPathComponent(kBackupFolderName));
  return folder;
}

CPathName RunBackupFolder(const CPathName& windowsFolder, int runNumber) {
  const std::wstring name = kRunFolderPrefix + std::to_wstring(runNumber);
  return Combine(Combine(windowsFolder, CPathComponent(kBackupFolderName)),
                 CPathComponent(name.c_str()));
}
