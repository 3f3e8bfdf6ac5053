#pragma once
// Compacting every hive of a Windows installation that is not running. Per
// hive: compacted in memory (logs replayed, checked, compared), written
// beside the hive, then the old hive and its logs given names in the run's
// backup folder before the compact file is renamed over the hive, so that at
// every moment the hive is there, old or new, and the run's record says which.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "offline/Installation.h"
#include "offline/OfflineFiles.h"

namespace offline {

inline constexpr char kBackupFolderName[] = "Kelvaro Backup";
inline constexpr char kRunFolderPrefix[] = "offline-";

enum class HiveResult {
  Compacted,
  WouldCompact,   // a dry run
  NothingToGain,  // the compact file would not be smaller
  Refused,        // dirty without logs, errors, open elsewhere: left as it was
  Failed,         // a step of the swap failed: left as it was (or new, as the message says)
  NotReached,     // the run stopped before it
};

struct HiveOutcome {
  FoundHive hive;
  HiveResult result = HiveResult::NotReached;
  std::uint64_t before = 0;
  std::uint64_t after = 0;
  std::string message;  // why not, or what was left over
};

struct OfflineRequest {
  std::filesystem::path root;
  bool dryRun = false;
  std::vector<std::string> only;  // hive names (--hive); empty: all
};

struct OfflineRun {
  Installation installation;
  // Why nothing may be touched (no Windows folder, hibernated, read-only);
  // empty when the run may go ahead.
  std::string refusal;
  std::string unknownHive;  // a --hive name that matches none
  std::uint32_t run = 0;    // the number this run has, or would have
  std::filesystem::path runFolder;
  std::vector<HiveOutcome> hives;  // those selected, in the order they are done
};

// Finds the hives and refuses what is unsafe for the installation as a whole.
// Writes nothing but the probe that shows the volume writable (not in a dry run).
OfflineRun PrepareOfflineRun(const OfflineRequest& request, IOfflineFiles& files);

// Compacts each hive of a prepared run that was not refused, calling
// `done` after each one.
void CarryOutOfflineRun(OfflineRun& run, const OfflineRequest& request, IOfflineFiles& files,
                        const std::function<void(const HiveOutcome&)>& done = {});

// The run folders already in the backup folder: offline-1, offline-2, ...
std::vector<std::uint32_t> ExistingRuns(const std::filesystem::path& windows);
std::filesystem::path RunFolderOf(const std::filesystem::path& windows, std::uint32_t run);

}  // namespace offline
