#pragma once
// The review after the restart: the records behind the results list, and the
// removal of the backup once the user has seen them.
#include <memory>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "path/PathName.h"

// One record for each hive of the registry's hive list whose backup copy in
// `backupFolder` (BackupFileOf) and live file both exist with a non-zero size,
// in the registry's order: `previousSize` from the backup copy, `currentSize`
// from the live file. A hive not compacted in the last run (no backup copy, or
// one of size 0), or whose live file is missing or empty, gets no record. No
// records when the hive list cannot be read.
std::vector<std::unique_ptr<HiveResultEntry>> CollectResults(const CPathName& backupFolder);

// For each record in turn (null ones skipped), deletes the hive's backup copy in
// `backupFolder` (one run's) when it is an existing file, clearing its read-only
// bit first; a folder of that name is left alone and a deletion that fails is
// passed over. The recovery note and script go once no listed backup and none
// of `backupsOnRecord` (the run's others) remains: while one does, they are
// the way back. Then removes `backupFolder`, and the "Kelvaro Backup" folder
// holding it, each only when empty. Nothing is reported.
void RemoveBackup(const std::vector<const HiveResultEntry*>& listedInDisplayOrder,
                  const CPathName& backupFolder,
                  const std::vector<CPathName>& backupsOnRecord = {});
