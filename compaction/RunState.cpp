#include "compaction/RunState.h"

#include "platform/Platform.h"

namespace {

bool BackupThere(const RecordedHive& hive) {
  return platform::Current().Files().QueryFileAttributes(hive.backupFile.c_str()) !=
         platform::kInvalidFileAttributes;
}

}  // namespace

RunState StateOfRun(const RunRecord& record) {
  int swaps = 0;
  int there = 0;
  int hashed = 0;
  for (const RecordedHive& hive : record.hives) {
    // A hive still planned: the run never came back to it.
    if (hive.state == SwapState::kPlanned) return RunState::kInterrupted;
    // A profile's hive swapped at once counts as a swap made, its backup in place.
    if (!hive.MaySwap() && !hive.MayBeSwappedNow()) continue;
    ++swaps;
    if (BackupThere(hive)) ++there;
    if (!hive.backupSha256.empty()) ++hashed;
  }
  if (swaps == 0) return RunState::kNothingScheduled;
  if (there == swaps) return RunState::kSwapped;
  if (there > 0) return RunState::kPartlySwapped;
  // Hashed backups were there once: the swap was taken and the backups went.
  return hashed > 0 ? RunState::kBackupsDeleted : RunState::kWaitingForRestart;
}

const char* RunStateWords(RunState state) {
  switch (state) {
    case RunState::kNothingScheduled: return "nothing scheduled";
    case RunState::kInterrupted: return "interrupted";
    case RunState::kWaitingForRestart: return "waiting for restart";
    case RunState::kSwapped: return "swapped";
    case RunState::kPartlySwapped: return "partly swapped";
    case RunState::kBackupsDeleted: return "backups deleted";
  }
  return "unknown";
}
