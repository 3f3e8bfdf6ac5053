#pragma once
// Putting an off-line run's files back: each hive the run replaced gets its
// old file and its old logs again, byte for byte (checked against the SHA-256
// in the run's record). What lies there at the time (the compact hive and
// any logs Windows has written for it since) is kept in the run's folder.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "offline/OfflineFiles.h"

namespace offline {

enum class RestoreResult {
  Restored,
  AlreadyOld,  // the hive is its old file already (the run never swapped it)
  Refused,     // the backup is not what the record says: nothing changed
  Failed,      // a step failed: the hive is as it was before the restore began
};

struct RestoredHive {
  std::string name;
  RestoreResult result = RestoreResult::Failed;
  std::string message;
};

struct OfflineRestore {
  std::string problem;  // no such run, no record: nothing done
  std::uint32_t run = 0;
  std::filesystem::path runFolder;
  std::vector<RestoredHive> hives;
};

// `run`: the run's number; none: the last run.
OfflineRestore RestoreOfflineRun(const std::filesystem::path& root,
                                 std::optional<std::uint32_t> run, IOfflineFiles& files);

}  // namespace offline
