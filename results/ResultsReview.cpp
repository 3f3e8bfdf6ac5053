#include "results/ResultsReview.h"

#include <optional>

#include "catalogue/HiveList.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "results/BackupFile.h"

std::vector<std::unique_ptr<HiveResultEntry>> CollectResults(const CPathName& backupFolder) {
  std::vector<std::unique_ptr<HiveResultEntry>> results;
  ForEachListedHive([&](const ListedHive& listed) {
    auto entry = std::make_unique<HiveResultEntry>();
    entry->name = listed.name;
    const std::optional<CPathName> backup = BackupFileOf(backupFolder, entry->name);
    if (!backup) return;
    GetFileSize(*backup, entry->previousSize);
    // A text the path library rejects leaves the path empty, which has no size.
    CPathName live;
    live.SetPath(listed.fileText);
    GetFileSize(live, entry->currentSize);
    // Without both sizes there is nothing to compare: the record goes at once.
    if (entry->previousSize == 0 || entry->currentSize == 0) return;
    results.push_back(std::move(entry));
  });
  return results;
}

void RemoveBackup(const std::vector<const HiveResultEntry*>& listedInDisplayOrder,
                  const CPathName& backupFolder) {
  platform::IFileSystem& files = platform::Current().Files();
  for (const HiveResultEntry* entry : listedInDisplayOrder) {
    if (entry == nullptr) continue;
    const std::optional<CPathName> backup = BackupFileOf(backupFolder, entry->name);
    if (!backup || !FileExists(*backup)) continue;
    ClearReadOnly(*backup);
    // A file in use or denied to us stays; the folder removal then fails as well.
    const CPathString text = backup->GetText();
    files.RemoveFile(text.GetBuffer());
  }
  if (backupFolder.IsEmpty()) return;
  // The recovery note goes with the backups it describes.
  if (const std::optional<CPathName> note = RecoveryNoteOf(backupFolder)) {
    if (FileExists(*note)) {
      ClearReadOnly(*note);
      files.RemoveFile(note->GetText().GetBuffer());
    }
  }
  const CPathString folderText = backupFolder.GetText();
  files.RemoveEmptyDirectory(folderText.GetBuffer());
}
