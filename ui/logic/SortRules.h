#pragma once
// How the two hive lists sort: one sort column and a direction per window;
// names compare with only A-Z folded, paths with the platform's
// case-insensitive comparison, sizes as numbers.
#include <cstdint>

#include "catalogue/HiveRecords.h"

namespace uilogic {

struct SortOrder {
  int column = 0;
  bool ascending = true;
};

// A click on the sort column flips the direction; any other column becomes the
// sort column, ascending.
SortOrder AfterColumnClick(SortOrder order, int clickedColumn);

// -1, 0 or 1 as unsigned 64-bit numbers: 9 KB sorts before 10 KB.
int CompareSizes(std::uint64_t first, std::uint64_t second);

// Column 0 the names (A-Z folded, "_" before letters), 1 the path texts
// (lstrcmpiW), 2 the sizes, any other 0; negated when descending. Negative when
// `first` goes before `second`.
int CompareHiveRows(const HiveEntry& first, const HiveEntry& second, SortOrder order);

// Column 0 the names, 1 the previous sizes, 2 the current sizes, any other 0;
// negated when descending.
int CompareResultRows(const HiveResultEntry& first, const HiveResultEntry& second, SortOrder order);

}  // namespace uilogic
