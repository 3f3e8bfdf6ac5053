#pragma once
// What deleted keys and values a hive still carries: records left in free
// cells (a freed cell keeps its bytes until it is reused) and in the remnant
// data after the last bin. Investigators recover them; compaction drops them.

#include "hive/Hive.h"
#include "hive/HiveStatistics.h"

namespace hive {

// Counts the key and value records in free cells and after the last bin.
void FindRemnants(const CHive& hive, HiveStatistics& statistics);

// Counts the records that start on 8-byte steps of `area` (old cells: a size
// field of either sign, then an nk or vk record that parses whole).
void CountRecordsIn(Bytes area, RemnantCounts& counts);

}  // namespace hive
