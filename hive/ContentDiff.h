#pragma once
// Compares what two hives hold, not how they lay it out: keys matched by
// path and values by name (both without regard to case, as Windows looks
// them up), so that a compacted copy can be proved equal to its original.
// Enumeration order is not compared: subkeys are ordered by name in every
// hive, and value order is whatever the writer chose. Every field of every
// record is compared, and the base block fields a rewrite keeps; left out
// are those that describe the write rather than the content (sequence
// numbers, last-written time, file name, version, layout and checksum).

#include "hive/LogReplay.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hive {

// Every key flag but the compressed-name flag, which is layout.
constexpr std::uint16_t kKeyContentFlags = 0xFFDF;
// Virtualization control, user flags and the debug byte kept above the
// largest-subkey-name length.
constexpr std::uint16_t kKeyContentFlagsAboveLargestName = 0xFFFF;
// Every value flag but the compressed-name flag.
constexpr std::uint16_t kValueContentFlags = 0xFFFE;

// What a difference is about, so that a caller can weigh it without reading
// its text: a key or value on one side only, or a field of one that both have.
enum class DifferenceKind {
  kBaseBlock,
  kKeyFields,  // name's case, flags, access bits
  kLastWritten,
  kClassName,
  kSecurity,
  kValueFields,  // name's case, type, flags, spare field or data
  kValueOnlyFirst,
  kValueOnlySecond,
  kKeyOnlyFirst,
  kKeyOnlySecond,
};

struct ContentDifference {
  std::string path;  // key path "ROOT\\A\\B"
  std::string what;  // e.g. "value 'x' data differs"
  DifferenceKind kind = DifferenceKind::kKeyFields;
  std::string value;  // the value's name, for the value kinds
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
