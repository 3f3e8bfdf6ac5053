#pragma once
// A backup is proved by its own SHA-256, which can be taken only once it is a
// backup: until the restart the file at the backup name is the live hive,
// which Windows keeps writing. So the first start after the restart (the
// results window) reads each previous file of the last run through one
// exclusive handle and puts its size and hash on the run's record; restore
// refuses any backup that differs from them. A swap that did happen leaves the
// live file at the copy's size (Windows renamed the copy into place); only
// then is the file at the backup name the previous hive.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compaction/RunRecord.h"
#include "path/PathName.h"

// The live file has the size of the checked copy the record names.
bool SwapTookPlace(const RecordedHive& hive);

// Size and SHA-256 of a file read whole through one exclusive handle, and its
// bytes; nothing when it is missing, no plain file or not read whole.
struct FileDigest {
  std::vector<std::uint8_t> bytes;
  std::string sha256;
};
std::optional<FileDigest> ReadDigest(const CPathName& file);

// Hashes each backup of run `number` that may have been swapped, whose swap
// took place and which has no hash yet, and writes the record (new file,
// flush, rename) when any was added, then the run's recovery script with the
// exact sizes. The record as it now stands; nothing
// when it cannot be read.
std::optional<RunRecord> RecordBackupHashes(const CPathName& windowsFolder, int number);
