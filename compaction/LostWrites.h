#pragma once
// The writes a compacted hive never got. Windows booted from the copy it
// saved; whatever was written to the hive between that save and the restart
// went to the old file, which the swap made the backup. The run kept the
// copy's bytes (RunReference.h); comparing them with the backup by content
// (hive/ContentDiff.h) names every key or value added, changed or deleted,
// class names and security descriptors included. Last-written times and the
// base block describe writes, not content, and are left out.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compaction/RunRecord.h"
#include "path/PathName.h"

enum class LostWriteKind {
  kKeyAdded,
  kKeyDeleted,
  kKeyChanged,  // its flags or access bits
  kClassNameChanged,
  kSecurityChanged,
  kValueAdded,
  kValueDeleted,
  kValueChanged,
};

struct LostWrite {
  LostWriteKind kind;
  std::string key;    // UTF-8, the hive's name first: HKLM\SYSTEM\Setup
  std::string value;  // the value's name, for the value kinds
};

// "HKLM\SYSTEM\Setup: value 'Upgrade' changed".
std::string LostWriteLine(const LostWrite& write);

struct LostWriteDiff {
  bool readable = false;
  std::string error;  // which side could not be read, when not readable
  std::vector<LostWrite> writes;
};

// What `backup` holds that `reference` lacks, or differs in, one entry per key
// or value (a value whose type and data both changed is one change; a deleted
// key with keys below it is one). `hiveName` leads each key path.
LostWriteDiff FindLostWrites(const std::wstring& hiveName,
                             const std::vector<std::uint8_t>& reference,
                             const std::vector<std::uint8_t>& backup);

// How far the comparison of one hive got.
enum class LostWriteCheck {
  kCompared,
  kRestartPending,    // the swap has not happened yet: the live file is not the copy
  kNoReference,       // none was kept (an earlier version, or the disk refused it)
  kReferenceRefused,  // it is not the copy the record names (SHA-256)
  kNoBackup,          // the old file is gone (the backup was deleted)
  kUnreadable,        // a file could not be read, or is no hive the reader takes
};

struct HiveLostWrites {
  std::wstring name;  // user form, HKLM\SYSTEM
  LostWriteCheck check = LostWriteCheck::kCompared;
  std::uint64_t copySize = 0;     // the copy at the save
  std::uint64_t liveSizeNow = 0;  // the live file now; 0 when it cannot be read
  std::wstring liveFile;
  std::wstring backupFile;
  std::vector<LostWrite> writes;
  std::string error;
};

struct LostWriteReport {
  int run = 0;
  std::string started;
  std::vector<HiveLostWrites> hives;  // the run's swapped hives, record order

  std::size_t LostCount() const;
};

// The run's record file the results belong to: the newest of
// "<Windows>\Kelvaro\Records\Run-<n>.record", the records folder checked as
// every protected folder is. Nothing when no run is on record.
std::optional<CPathName> NewestRunRecord(const CPathName& windowsFolder);

// The number of the run a restart brings the results of: the newest run that
// handed Windows a swap for the next start, passing over later runs that
// swapped profiles' hives at once and nothing else; the newest run when none
// did. The same checks as NewestRunRecord; nothing when no run is on record.
std::optional<int> RunToReview(const CPathName& windowsFolder);

// The report of the run whose record is `recordFile`, for each hive it
// scheduled; nothing when the record cannot be read.
std::optional<LostWriteReport> ReportLostWrites(const CPathName& recordFile);

// "N changes made after the copy was taken are not in the compacted hive".
std::wstring LostWritesSentence(std::size_t count);
