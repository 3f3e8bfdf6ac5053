#include "hive/CellPacking.h"

#include "hive/Hive.h"

#include <algorithm>
#include <array>
#include <bit>

namespace hive {

namespace {

constexpr std::size_t kBuckets = kBinRoom / 8 + 1;
constexpr std::size_t kWords = (kBuckets + 63) / 64;

// Cells that fit a bin, queued by size in steps of 8 bytes, with a bitmap of
// the sizes still waiting so the largest fitting size is found in a few words.
class CSizeQueues {
 public:
  // Room for each queue before any is filled: no queue grows by copying.
  void Reserve(const std::vector<std::uint32_t>& cellSizes) {
    std::vector<std::uint32_t> counts(kBuckets, 0);
    for (std::uint32_t size : cellSizes)
      if (size <= kBinRoom) ++counts[size / 8];
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket)
      m_queues[bucket].cells.reserve(counts[bucket]);
  }

  void Add(std::uint32_t size, std::uint32_t cell) {
    std::size_t bucket = size / 8;
    m_queues[bucket].cells.push_back(cell);
    m_waiting[bucket / 64] |= std::uint64_t{1} << (bucket % 64);
  }

  // The first cell of the largest size not above `room`, or false.
  bool TakeLargest(std::uint32_t room, std::uint32_t& cell, std::uint32_t& size) {
    std::size_t top = std::min<std::size_t>(room / 8, kBuckets - 1);
    for (std::size_t word = top / 64 + 1; word-- > 0;) {
      std::uint64_t bits = m_waiting[word];
      if (word == top / 64 && top % 64 != 63) bits &= (std::uint64_t{1} << (top % 64 + 1)) - 1;
      if (bits == 0) continue;
      std::size_t bucket = word * 64 + (63 - static_cast<std::size_t>(std::countl_zero(bits)));
      Queue& queue = m_queues[bucket];
      cell = queue.cells[queue.next++];
      size = static_cast<std::uint32_t>(bucket * 8);
      if (queue.next == queue.cells.size())
        m_waiting[bucket / 64] &= ~(std::uint64_t{1} << (bucket % 64));
      return true;
    }
    return false;
  }

  bool Empty() const {
    return std::all_of(m_waiting.begin(), m_waiting.end(), [](std::uint64_t w) { return w == 0; });
  }

 private:
  struct Queue {
    std::vector<std::uint32_t> cells;
    std::size_t next = 0;
  };
  std::array<Queue, kBuckets> m_queues;
  std::array<std::uint64_t, kWords> m_waiting{};
};

}  // namespace

CellLayout PackCells(const std::vector<std::uint32_t>& cellSizes) {
  CellLayout layout;
  layout.offsets.assign(cellSizes.size(), 0);
  layout.order.reserve(cellSizes.size());
  std::vector<std::uint32_t> big;
  CSizeQueues small;
  small.Reserve(cellSizes);
  for (std::uint32_t cell = 0; cell < cellSizes.size(); ++cell) {
    if (cellSizes[cell] > kBinRoom)
      big.push_back(cell);
    else
      small.Add(cellSizes[cell], cell);
  }
  std::stable_sort(big.begin(), big.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return cellSizes[a] > cellSizes[b]; });

  std::uint64_t end = 0;
  auto fill = [&](std::uint64_t at, std::uint64_t binEnd) {
    std::uint32_t cell = 0;
    std::uint32_t size = 0;
    while (binEnd - at >= 8 &&
           small.TakeLargest(static_cast<std::uint32_t>(binEnd - at), cell, size)) {
      layout.offsets[cell] = static_cast<std::uint32_t>(at);
      layout.order.push_back(cell);
      at += size;
    }
    if (at < binEnd)
      layout.gaps.push_back(
          FreeGap{static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(binEnd - at)});
  };
  for (std::uint32_t cell : big) {
    std::uint64_t binSize =
        (std::uint64_t{cellSizes[cell]} + kBinHeaderSize + kPageSize - 1) / kPageSize * kPageSize;
    layout.bins.push_back(
        PackedBin{static_cast<std::uint32_t>(end), static_cast<std::uint32_t>(binSize)});
    layout.offsets[cell] = static_cast<std::uint32_t>(end + kBinHeaderSize);
    layout.order.push_back(cell);
    fill(end + kBinHeaderSize + cellSizes[cell], end + binSize);
    end += binSize;
  }
  while (!small.Empty() || layout.bins.empty()) {
    layout.bins.push_back(PackedBin{static_cast<std::uint32_t>(end), kPageSize});
    fill(end + kBinHeaderSize, end + kPageSize);
    end += kPageSize;
  }
  layout.binsSize = end;
  return layout;
}

}  // namespace hive
