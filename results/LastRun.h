#pragma once
// The run the results window shows after the restart: the last one on record
// that handed Windows a swap for it (RunToReview in LostWrites.h), whose
// backups lie in its own folder,
// "<Windows>\Kelvaro Backup\Run-<n>". Before anything is shown, the backups of
// its swaps get their size and SHA-256 on its record (BackupHashes.h): this is
// the first start after the swap, the earliest they can be hashed.
#include <optional>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "path/PathName.h"

struct ReviewedRun {
  int number = 0;
  CPathName backupFolder;
  // Every backup the record names for a swap: Delete Backup keeps the
  // recovery note and script while any of them remains.
  std::vector<CPathName> backupsOnRecord;
};

// Nothing when the system Windows folder is not given or no run is on record.
std::optional<ReviewedRun> ReviewLastRun();

// Delete Backup for the run: RemoveBackup of the listed hives, then the kept
// copy of each listed hive whose backup is gone, since without the backup it
// names nothing. A backup that stays keeps its copy.
void RemoveRunBackup(const std::vector<const HiveResultEntry*>& listedInDisplayOrder,
                     const ReviewedRun& run);
