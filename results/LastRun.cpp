#include "results/LastRun.h"

#include "compaction/BackupFolder.h"
#include "compaction/BackupHashes.h"
#include "compaction/LostWrites.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecordFile.h"
#include "compaction/RunReference.h"
#include "path/FileOperations.h"
#include "results/BackupFile.h"
#include "results/ResultsReview.h"

std::optional<ReviewedRun> ReviewLastRun() {
  const std::optional<CPathName> windowsFolder = SystemWindowsFolder();
  if (!windowsFolder) return std::nullopt;
  const std::optional<int> number = RunToReview(*windowsFolder);
  if (!number) return std::nullopt;
  const std::optional<RunRecord> record = RecordBackupHashes(*windowsFolder, *number);
  if (!record) return std::nullopt;
  ReviewedRun run;
  run.number = record->number;
  run.backupFolder = RunBackupFolder(*windowsFolder, record->number);
  for (const RecordedHive& hive : record->hives) {
    CPathName backup;
    if (hive.MaySwap() && backup.SetPath(hive.backupFile.c_str())) {
      run.backupsOnRecord.push_back(backup);
    }
  }
  return run;
}

void RemoveRunBackup(const std::vector<const HiveResultEntry*>& listedInDisplayOrder,
                     const ReviewedRun& run) {
  RemoveBackup(listedInDisplayOrder, run.backupFolder, run.backupsOnRecord);
  std::vector<std::wstring> gone;
  for (const HiveResultEntry* entry : listedInDisplayOrder) {
    if (entry == nullptr) continue;
    const std::optional<CPathName> backup = BackupFileOf(run.backupFolder, entry->name);
    if (backup && !FileExists(*backup)) gone.push_back(entry->name.str());
  }
  if (std::optional<CPathName> windowsFolder = SystemWindowsFolder()) {
    DropReferences(RunRecordPath(*windowsFolder, run.number), gone);
  }
}
