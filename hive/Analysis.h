#pragma once
// The space analysis: the largest runs of free space and the size the hive
// would have if every live cell were packed into fresh 4 KiB bins.

#include "hive/Bitmap.h"
#include "hive/Hive.h"
#include "hive/HiveStatistics.h"

#include <cstdint>
#include <vector>

namespace hive {

constexpr std::size_t kFreeRunsShown = 5;

// Fills the free runs and the compacted size; `live` marks the cells reached
// from the root.
void AnalyseSpace(const CHive& hive, const CBitmap& live, HiveStatistics& statistics);

// Bytes of hive bins needed for cells of these sizes (multiples of 8): big
// cells get their own bin rounded up to 4 KiB, the rest fill 4 KiB bins best
// fit, largest first, also using the room left in the big cells' bins.
std::uint64_t PackedBinsSize(std::vector<std::uint32_t> cellSizes);

}  // namespace hive
