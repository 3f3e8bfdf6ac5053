#pragma once
// Recovery of a dirty hive from its transaction logs, as Windows does it at
// load time: new-format logs (HvLE entries guarded by Marvin32 hashes) are
// applied entry by entry from the hive's secondary sequence number on, in
// sequence order across the logs, stopping at a gap or a damaged entry;
// old-format logs (a DIRT bitmap of 512-byte pages) are applied when their
// timestamp matches the hive's. Works on a copy: the hive file is never touched.

#include "hive/FindingLog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hive {

struct LogInput {
  std::string name;  // for messages
  std::vector<std::uint8_t> bytes;
};

struct ReplayOutcome {
  bool hiveWasDirty = false;
  bool baseBlockRecovered = false;
  std::size_t entriesApplied = 0;  // HvLE entries, or old-format logs
  std::size_t pagesWritten = 0;
  std::uint32_t firstSequence = 0;
  std::uint32_t lastSequence = 0;
  std::vector<std::string> applied;  // one line per applied entry or log
  // Entries the hive needed were left out (a damaged entry, a break in the
  // sequence numbers, growth without pages): the image holds the state the
  // replay reached, not the last one logged. `stopReason` says why.
  bool partial = false;
  std::string stopReason;
};

// Applies `logs` to `image`, the bytes of a primary file starting with "regf".
ReplayOutcome ReplayLogs(std::vector<std::uint8_t>& image, const std::vector<LogInput>& logs,
                         CFindingLog& findings);

}  // namespace hive
