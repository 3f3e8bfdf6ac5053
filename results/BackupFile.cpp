#include "results/BackupFile.h"

#include "catalogue/HiveFileName.h"
#include "path/PathComponent.h"
#include "path/PathException.h"

namespace {

// Only a folder named in full: a relative one would put the lookup, and the
// deletion, wherever the current folder happens to be.
bool IsFullFolder(const CPathName& folder) {
  return !folder.IsEmpty() && folder.IsRooted() && !folder.IsRelative() &&
         (folder.HasDrive() || folder.IsUnc());
}

}  // namespace

std::optional<CPathName> RecoveryNoteOf(const CPathName& backupFolder) {
  if (!IsFullFolder(backupFolder)) return std::nullopt;
  return Combine(backupFolder, CPathComponent(kRecoveryNoteName));
}

std::optional<CPathName> BackupFileOf(const CPathName& backupFolder, const CString& hiveName) {
  if (!IsFullFolder(backupFolder)) return std::nullopt;
  std::optional<CPathComponent> fileName = HiveFileName(hiveName);
  if (!fileName) return std::nullopt;
  try {
    return Combine(backupFolder, *fileName);
  } catch (const CPathException&) {
    // A drive component (D:) cannot follow a folder; the run made no such file.
    return std::nullopt;
  }
}
