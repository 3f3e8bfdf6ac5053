#pragma once
// A hive compacted as `kelvaro-hive compact` does it (logs replayed, written
// afresh, checked, compared with the input), with the result kept in memory
// instead of written, and the SHA-256 of every file that went in.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "hive/HiveCompaction.h"
#include "offline/RunRecord.h"

namespace offline {

struct CompactedHive {
  hive::CompactOutcome outcome;
  std::vector<std::uint8_t> bytes;  // the compact file, when outcome.status is Written
  RecordedFile input;
  std::vector<RecordedFile> logs;  // those read with it, in Windows' order
};

// When the hive's logs hold an entry numbered at or above the compact file's
// sequence number, the compact file's sequence numbers are set past every one
// of them, so that a log left beside it is, by Windows' own rule, already in
// it and never replayed into the new layout.
CompactedHive CompactToMemory(const std::filesystem::path& file);

// The highest sequence number a log file carries, in its base block or in any
// of its whole entries.
std::uint32_t HighestLogSequence(const std::vector<std::uint8_t>& log);

}  // namespace offline
