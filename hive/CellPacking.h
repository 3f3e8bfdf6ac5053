#pragma once
// Places cells of known sizes into hive bins with as little free space as
// possible: a cell larger than a bin's room gets a bin of its own (rounded up
// to 4 KiB), then every bin is filled largest cell first, each time with the
// largest cell that still fits, so bins almost always end exactly full. The
// placement depends only on the sizes and their order, so equal inputs give
// equal layouts.

#include <cstdint>
#include <vector>

namespace hive {

struct PackedBin {
  std::uint32_t offset = 0;  // relative to the hive bins data
  std::uint32_t size = 0;
};

struct FreeGap {
  std::uint32_t offset = 0;  // where a free cell fills the rest of a bin
  std::uint32_t size = 0;
};

struct CellLayout {
  std::vector<std::uint32_t> offsets;  // one per cell, in input order
  std::vector<std::uint32_t> order;    // the cells in file order
  std::vector<PackedBin> bins;         // in file order
  std::vector<FreeGap> gaps;
  std::uint64_t binsSize = 0;
};

// `cellSizes` are whole cell sizes (size field included), multiples of 8.
CellLayout PackCells(const std::vector<std::uint32_t>& cellSizes);

}  // namespace hive
