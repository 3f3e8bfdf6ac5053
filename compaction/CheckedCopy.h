#pragma once
// A compact copy of one hive in the run's folder: Windows saves it, in the
// latest format and with the protected descriptor (LiveDescriptors.h says
// why), and CopyCheck.h checks it. The run schedules the copy it gets, the analysis only measures
// it: both go this one way, so that what the analysis reports is what the run schedules.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/RegistryKey.h"
#include "compaction/RunOutcome.h"
#include "compaction/HiveTasks.h"
#include "compaction/RunFolder.h"
#include "path/PathName.h"

struct CheckedCopy {
  // kNotSaved, kRefused or kOtherVolume; nothing when the copy passed the check.
  std::optional<NotScheduledReason> refusal;
  bool saved = false;          // Windows wrote a copy
  std::uint64_t liveSize = 0;  // the live file's size, when it could be read
  std::uint64_t size = 0;      // the checked copy's size
  std::string sha256;          // the checked copy's SHA-256
  CPathName path;              // where the copy stands when it passed; gone otherwise
};

// `key` is left open on the hive's key (backup semantics) for the replacement.
CheckedCopy SaveCheckedCopy(const HiveTask& task, const RunFolder& run, CRegistryKey& key);

// Opens the hive's key with backup semantics, SeBackupPrivilege on for the
// open alone.
platform::Status OpenHiveKey(const HiveTask& task, CRegistryKey& key);

// The file's own descriptor, so that a file swapped in keeps the hive's
// permissions; SYSTEM and Administrators only when it cannot be read.
std::vector<std::uint8_t> DescriptorForCopy(const CPathName& file);

// Deletes a copy that will not be scheduled; one the platform will not delete
// now goes at the next start.
void DropCopy(const CPathName& copy);
