#include "hive/Analysis.h"

#include <algorithm>

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

void AnalyseSpace(const CHive& hive, HiveStatistics& statistics) {
  statistics.fileSize = hive.FileBytes().size();
  statistics.binsSize = hive.DeclaredBinsSize();
  statistics.bins = hive.Bins().size();
  FreeRun run;
  std::uint32_t runEnd = 0;
  statistics.largestFreeRuns.clear();
  hive.ForEachFreeCell([&](const Cell& cell) {
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
}

}  // namespace hive
