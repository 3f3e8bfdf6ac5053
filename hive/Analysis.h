#pragma once
// The space analysis: the largest runs of free space.

#include "hive/Bitmap.h"
#include "hive/Hive.h"
#include "hive/HiveStatistics.h"

#include <cstdint>
#include <vector>

namespace hive {

constexpr std::size_t kFreeRunsShown = 5;

// Fills the sizes and the free runs.
void AnalyseSpace(const CHive& hive, HiveStatistics& statistics);

}  // namespace hive
