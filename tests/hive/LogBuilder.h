#pragma once
// Hand-made transaction logs of both formats for a hive the builder wrote:
// a dirty primary, a log's base block, new-format (HvLE) entries carrying
// whole states, and old-format logs of dirty 512-byte pages. Shared by the
// replay tests and the fuzzers' seed corpus.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hivetest {

using Image = std::vector<std::uint8_t>;

// A primary whose last write began (sequence numbers `sequence`+1 / `sequence`) but never finished.
Image Dirty(Image image, std::uint32_t sequence);

// The first sector of `from` as a log's base block of file type `type`.
Image LogBaseBlock(const Image& from, std::uint32_t type, std::uint32_t sequence);

// Appends one HvLE entry carrying every page of `target`'s hive bins;
// `claimedBinsSize` (when not 0) replaces the bins size the entry states.
void AppendEntry(Image& log, const Image& target, std::uint32_t sequence,
                 std::uint32_t claimedBinsSize = 0);

// The old format: base block, "DIRT" and a bitmap of 512-byte pages, then those pages.
Image OldLog(const Image& target, std::uint64_t timestamp,
             const std::vector<std::size_t>& dirtyPages);

}  // namespace hivetest
