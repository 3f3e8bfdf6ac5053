#include "results/LastRun.h"

#include "compaction/BackupFolder.h"
#include "compaction/BackupHashes.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecordFile.h"

std::optional<ReviewedRun> ReviewLastRun() {
  const std::optional<CPathName> windowsFolder = SystemWindowsFolder();
  if (!windowsFolder) return std::nullopt;
  const std::vector<int> runs = RunsOnRecord(*windowsFolder);
  if (runs.empty()) return std::nullopt;
  const std::optional<RunRecord> record = RecordBackupHashes(*windowsFolder, runs.back());
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
