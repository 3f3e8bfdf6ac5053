#include "compaction/ProtectedFolders.h"

#include <cstdint>
#include <string>
#include <vector>

#include "compaction/BackupFolder.h"
#include "path/PathException.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr std::uint32_t kWindowsFolderBufferLength = 260;
constexpr int kMaxRunFolderAttempts = 100;

bool IsFullLocalFolder(const CPathName& folder) {
  return !folder.IsEmpty() && folder.IsRooted() && !folder.IsRelative() && folder.HasDrive() &&
         !folder.IsUnc();
}

// Names here are Kelvaro's own or ones a search just listed: valid components.
CPathName Child(const CPathName& folder, const wchar_t* name) {
  return Combine(folder, CPathComponent(name));
}

}  // namespace

std::optional<CPathName> SystemWindowsFolder() {
  wchar_t buffer[kWindowsFolderBufferLength] = {};
  std::uint32_t length =
      platform::Current().System().QuerySystemWindowsDirectory(buffer, kWindowsFolderBufferLength);
  if (length == 0 || length >= kWindowsFolderBufferLength) return std::nullopt;
  CPathName folder;
  if (!folder.SetPath(buffer) || !IsFullLocalFolder(folder)) return std::nullopt;
  return folder;
}

FolderProblem CheckExistingFolder(const CPathName& folder) {
  platform::IFileSystem& files = platform::Current().Files();
  const CPathString folderText = folder.GetText();
  const wchar_t* text = folderText.GetBuffer();
  platform::FileFacts facts;
  if (!files.QueryFileFacts(text, &facts)) return FolderProblem::kUnreadable;
  if ((facts.attributes & platform::kFileAttributeReparsePoint) != 0) return FolderProblem::kLink;
  if ((facts.attributes & platform::kFileAttributeDirectory) == 0)
    return FolderProblem::kNotAFolder;
  std::vector<std::uint8_t> descriptor;
  if (!files.ReadSecurityDescriptor(text, &descriptor)) return FolderProblem::kUnreadable;
  if (!platform::IsOwnedByAdministration(descriptor)) return FolderProblem::kForeignOwner;
  if (platform::GrantsModifyBeyondAdministration(descriptor)) return FolderProblem::kOpenToOthers;
  return FolderProblem::kNone;
}

ProtectedFolder EnsureProtectedFolder(const CPathName& folder) {
  platform::Platform& os = platform::Current();
  if (os.Files().MakeDirectoryWithSecurity(folder.GetText().GetBuffer(),
                                           platform::ProtectedDescriptor())) {
    return ProtectedFolder{folder, FolderProblem::kNone};
  }
  // Anything already at the name, ours from an earlier run or not, is judged
  // by what it is now.
  if (os.System().GetLastError() != platform::kErrorAlreadyExists) {
    return ProtectedFolder{folder, FolderProblem::kNotMade};
  }
  return ProtectedFolder{folder, CheckExistingFolder(folder)};
}

ProtectedFolder MakeNewProtectedFolder(const CPathName& folder) {
  const bool made = platform::Current().Files().MakeDirectoryWithSecurity(
      folder.GetText().GetBuffer(), platform::ProtectedDescriptor());
  return ProtectedFolder{folder, made ? FolderProblem::kNone : FolderProblem::kNotMade};
}

ProtectedFolder CreateRunFolder(const CPathName& windowsFolder) {
  ProtectedFolder parent = EnsureProtectedFolder(Child(windowsFolder, kKelvaroFolderName));
  if (!parent.ok()) return parent;
  platform::Platform& os = platform::Current();
  for (int number = 1; number <= kMaxRunFolderAttempts; ++number) {
    std::wstring name = kRunFolderPrefix + std::to_wstring(number);
    CPathName folder = Child(parent.path, name.c_str());
    if (os.Files().MakeDirectoryWithSecurity(folder.GetText().GetBuffer(),
                                             platform::ProtectedDescriptor())) {
      return ProtectedFolder{folder, FolderProblem::kNone};
    }
    if (os.System().GetLastError() != platform::kErrorAlreadyExists) break;
  }
  return ProtectedFolder{parent.path, FolderProblem::kNotMade};
}

ProtectedFolder EnsureBackupFolderIn(const CPathName& windowsFolder) {
  return EnsureProtectedFolder(Child(windowsFolder, kBackupFolderName));
}

bool RemoveRunFolder(const CPathName& runFolder) {
  return platform::Current().Files().RemoveEmptyDirectory(runFolder.GetText().GetBuffer());
}

void RemoveEarlierRunFolders(const CPathName& windowsFolder) {
  platform::IFileSystem& files = platform::Current().Files();
  const CPathName kelvaro = Child(windowsFolder, kKelvaroFolderName);
  if (CheckExistingFolder(kelvaro) != FolderProblem::kNone) return;
  // Only the names runs make are tried, so nothing else there is touched.
  for (int number = 1; number <= kMaxRunFolderAttempts; ++number) {
    const std::wstring name = kRunFolderPrefix + std::to_wstring(number);
    const CPathName runFolder = Child(kelvaro, name.c_str());
    platform::FileFacts facts;
    if (!files.QueryFileFacts(runFolder.GetText().GetBuffer(), &facts)) continue;
    if (CheckExistingFolder(runFolder) == FolderProblem::kNone) RemoveRunFolder(runFolder);
  }
  files.RemoveEmptyDirectory(kelvaro.GetText().GetBuffer());
}
