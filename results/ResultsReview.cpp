#include "results/ResultsReview.h"

#include <optional>
#include <string>

#include "catalogue/HiveList.h"
#include "compaction/BackupFolder.h"
#include "compaction/RecoveryNote.h"
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
                  const CPathName& backupFolder, const std::vector<CPathName>& backupsOnRecord) {
  platform::IFileSystem& files = platform::Current().Files();
  bool backupLeft = false;
  for (const HiveResultEntry* entry : listedInDisplayOrder) {
    if (entry == nullptr) continue;
    const std::optional<CPathName> backup = BackupFileOf(backupFolder, entry->name);
    if (!backup || !FileExists(*backup)) continue;
    ClearReadOnly(*backup);
    // A file in use or denied to us stays, and so does the folder.
    const CPathString text = backup->GetText();
    backupLeft = !files.RemoveFile(text.GetBuffer()) || backupLeft;
  }
  if (backupFolder.IsEmpty()) return;
  for (const CPathName& backup : backupsOnRecord) backupLeft = backupLeft || FileExists(backup);
  // The note and the script go with the last backup they describe.
  if (!backupLeft && RecoveryNoteOf(backupFolder)) RemoveRecoveryFiles(backupFolder);
  const CPathString folderText = backupFolder.GetText();
  files.RemoveEmptyDirectory(folderText.GetBuffer());
  // A run's folder sits in "Kelvaro Backup", which goes with the last of them.
  const std::wstring text = folderText.GetBuffer();
  const std::wstring::size_type slash = text.rfind(L'\\');
  const std::wstring parentLeaf = std::wstring(L"\\") + kBackupFolderName + L"\\";
  if (slash != std::wstring::npos && slash >= parentLeaf.size() - 1 &&
      text.compare(slash + 1 - parentLeaf.size(), parentLeaf.size(), parentLeaf) == 0) {
    files.RemoveEmptyDirectory(text.substr(0, slash).c_str());
  }
}
