#include "compaction/BackupHashes.h"

#include "compaction/BackupFolder.h"
#include "compaction/ExclusiveFile.h"
#include "compaction/RecoveryScript.h"
#include "compaction/RunRecordFile.h"
#include "hive/Sha256.h"
#include "platform/Platform.h"

bool SwapTookPlace(const RecordedHive& hive) {
  platform::FileFacts live;
  return hive.MaySwap() && hive.copySize != 0 &&
         platform::Current().Files().QueryFileFacts(hive.liveFile.c_str(), &live) &&
         live.size == hive.copySize;
}

std::optional<FileDigest> ReadDigest(const CPathName& file) {
  CExclusiveFile open(file);
  if (!open.IsOpen()) return std::nullopt;
  platform::FileFacts facts;
  FileDigest digest;
  if (!platform::Current().Files().QueryOpenFileFacts(open.Get(), &facts) || !IsPlainFile(facts) ||
      !ReadWhole(open.Get(), facts.size, digest.bytes)) {
    return std::nullopt;
  }
  digest.sha256 = hive::Sha256Hex(digest.bytes);
  return digest;
}

std::optional<RunRecord> RecordBackupHashes(const CPathName& windowsFolder, int number) {
  std::optional<RunRecord> record = ReadRunRecord(windowsFolder, number);
  if (!record) return std::nullopt;
  bool added = false;
  for (RecordedHive& hive : record->hives) {
    if (!hive.backupSha256.empty() || !SwapTookPlace(hive)) continue;
    CPathName backup;
    if (!backup.SetPath(hive.backupFile.c_str())) continue;
    std::optional<FileDigest> digest = ReadDigest(backup);
    if (!digest) continue;
    hive.backupSize = digest->bytes.size();
    hive.backupSha256 = digest->sha256;
    added = true;
  }
  if (added && UpdateRunRecord(RunRecordPath(windowsFolder, number), *record)) {
    // The script now checks each backup's exact size.
    WriteRecoveryScript(RunBackupFolder(windowsFolder, number), *record);
  }
  return record;
}
