#pragma once
// What the analysis measures in a hive.

#include <cstdint>
#include <vector>

namespace hive {

struct FreeRun {
  std::uint64_t fileOffset = 0;
  std::uint64_t size = 0;
};

// Deleted records still readable somewhere in the file.
struct RemnantCounts {
  std::uint64_t keys = 0;
  std::uint64_t keyBytes = 0;
  std::uint64_t values = 0;
  std::uint64_t valueBytes = 0;
};

struct HiveStatistics {
  std::uint64_t fileSize = 0;
  std::uint64_t binsSize = 0;
  std::uint64_t bins = 0;
  std::uint64_t keys = 0;
  std::uint64_t values = 0;
  std::uint64_t securityDescriptors = 0;
  std::uint64_t bigDataValues = 0;
  std::uint64_t depth = 0;  // levels below the root key; the root alone is 0
  std::uint64_t allocatedCells = 0;
  std::uint64_t allocatedBytes = 0;
  std::uint64_t freeCells = 0;
  std::uint64_t freeBytes = 0;
  std::uint64_t liveCells = 0;  // allocated and reached from the root
  std::uint64_t liveBytes = 0;
  std::uint64_t unreferencedCells = 0;
  std::uint64_t unreferencedBytes = 0;
  std::vector<FreeRun> largestFreeRuns;  // largest first
  // The size of the file `compact` writes of the content read (in the
  // file's own format); 0 when no hive could hold it.
  std::uint64_t compactedSize = 0;
  RemnantCounts remnantsInFreeCells;
  RemnantCounts remnantsAfterBins;
};

}  // namespace hive
