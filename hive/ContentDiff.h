#pragma once
// Compares what two hives hold, not how they lay it out: keys matched by
// path and values by name (both without regard to case, as Windows looks
// them up), so that a compacted copy can be proved equal to its original.
// Enumeration order is not compared: subkeys are ordered by name in every
// hive, and value order is whatever the writer chose.

#include "hive/LogReplay.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hive {

// Key flags that say something about the key rather than its record: entry,
// exit, no-delete, symbolic link, predefined handle, virtualization and user
// flags. The compressed-name flag is layout and is left out.
constexpr std::uint16_t kKeyContentFlags = 0xF3DF;
// Virtualization control and user flags kept above the largest-subkey-name
// length; the debug byte above them is not content.
constexpr std::uint16_t kKeyContentFlagsAboveLargestName = 0x00FF;

struct ContentDifference {
  std::string path;  // key path "ROOT\\A\\B"
  std::string what;  // e.g. "value 'x' data differs"
};

struct ContentDiffResult {
  bool readable = false;
  std::string error;
  std::vector<ContentDifference> differences;
  std::size_t total = 0;
};

// Compares the logical content of two hives (each already replayed if needed),
// ignoring layout. Keeps at most `limit` differences (0 = all), counts all in `total`.
ContentDiffResult DiffHiveContent(const std::vector<std::uint8_t>& a,
                                  const std::vector<std::uint8_t>& b, std::size_t limit = 50);

// The same after replaying each hive's logs when it is dirty.
ContentDiffResult DiffHiveContent(const std::vector<std::uint8_t>& a,
                                  const std::vector<LogInput>& logsA,
                                  const std::vector<std::uint8_t>& b,
                                  const std::vector<LogInput>& logsB, std::size_t limit = 50);

}  // namespace hive
