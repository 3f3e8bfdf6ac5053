#include "results/BackupFile.h"

#include <cwchar>

#include "catalogue/HiveRecords.h"
#include "path/PathComponent.h"
#include "path/PathException.h"

namespace {

// A name that, appended to a folder, names an entry of that folder and only one.
bool NamesOneEntry(const CString& leaf) {
  if (leaf.IsEmpty()) return false;
  if (leaf == kDot || leaf == kDotDot) return false;
  return std::wcspbrk(leaf.GetString(), L"*?") == nullptr;
}

}  // namespace

std::optional<CPathName> BackupFileOf(const CPathName& backupFolder, const CString& hiveName) {
  if (backupFolder.IsEmpty()) return std::nullopt;
  const CString leaf = HiveLeafName(hiveName);
  if (!NamesOneEntry(leaf)) return std::nullopt;
  try {
    return Combine(backupFolder, CPathComponent(leaf.GetString()));
  } catch (const CPathException&) {
    // Registry key names may hold characters no file name can (| < > " /, or a
    // colon); the compaction run could not have made a backup under such a name.
    return std::nullopt;
  }
}
