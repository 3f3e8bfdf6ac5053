#include "hive/Analysis.h"

#include <algorithm>
#include <array>

namespace hive {

namespace {

void KeepLargest(std::vector<FreeRun>& runs, FreeRun run) {
  if (run.size == 0) return;
  runs.push_back(run);
  std::sort(runs.begin(), runs.end(), [](const FreeRun& a, const FreeRun& b) {
    return a.size != b.size ? a.size > b.size : a.fileOffset < b.fileOffset;
  });
  if (runs.size() > kFreeRunsShown) runs.pop_back();
}

}  // namespace

std::uint64_t PackedBinsSize(std::vector<std::uint32_t> cellSizes) {
  std::sort(cellSizes.begin(), cellSizes.end(), std::greater<>());
  // Bins with room left, bucketed by that room in 8-byte steps.
  constexpr std::size_t kBuckets = kBinRoom / 8 + 1;
  std::array<std::uint64_t, kBuckets> binsWithRoom{};
  std::uint64_t total = 0;
  for (std::uint32_t size : cellSizes) {
    if (size > kBinRoom) {
      std::uint64_t bin =
          (std::uint64_t{size} + kBinHeaderSize + kPageSize - 1) / kPageSize * kPageSize;
      total += bin;
      std::uint64_t left = bin - kBinHeaderSize - size;
      if (left >= 8) ++binsWithRoom[std::min<std::uint64_t>(left, kBinRoom) / 8];
      continue;
    }
    std::size_t bucket = size / 8;
    while (bucket < kBuckets && binsWithRoom[bucket] == 0) ++bucket;
    std::uint32_t room;
    if (bucket == kBuckets) {
      total += kPageSize;
      room = kBinRoom;
    } else {
      --binsWithRoom[bucket];
      room = static_cast<std::uint32_t>(bucket * 8);
    }
    std::uint32_t left = room - size;
    if (left >= 8) ++binsWithRoom[left / 8];
  }
  return total;
}

void AnalyseSpace(const CHive& hive, const CBitmap& live, HiveStatistics& statistics) {
  statistics.fileSize = hive.FileBytes().size();
  statistics.binsSize = hive.DeclaredBinsSize();
  statistics.bins = hive.Bins().size();
  std::vector<std::uint32_t> liveSizes;
  liveSizes.reserve(static_cast<std::size_t>(statistics.liveCells));
  FreeRun run;
  std::uint32_t runEnd = 0;
  statistics.largestFreeRuns.clear();
  hive.ForEachCell([&](const Cell& cell) {
    if (cell.allocated) {
      if (live.Test(cell.offset / 8)) liveSizes.push_back(cell.size);
      return;
    }
    if (run.size != 0 && cell.offset == runEnd) {
      run.size += cell.size;
    } else {
      KeepLargest(statistics.largestFreeRuns, run);
      run = FreeRun{CHive::FileOffset(cell.offset), cell.size};
    }
    runEnd = cell.offset + cell.size;
  });
  // Runs end where an allocated cell or a bin header interrupts them.
  KeepLargest(statistics.largestFreeRuns, run);
  statistics.compactedSize =
      kBaseBlockSize + std::max<std::uint64_t>(PackedBinsSize(std::move(liveSizes)), kPageSize);
}

}  // namespace hive
