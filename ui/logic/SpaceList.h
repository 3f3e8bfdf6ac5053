#pragma once
// What "Where the space goes" lists for an analysed hive: each subtree the
// analysis kept of its checked copy, as the key's full name, its size as the
// main list shows sizes and its share of the copy.
#include <cstdint>
#include <vector>

#include "compaction/HiveAnalysis.h"
#include "platform/CString.h"

namespace uilogic {

inline constexpr int kSpaceKeyColumn = 0;
inline constexpr int kSpaceSizeColumn = 1;
inline constexpr int kSpaceShareColumn = 2;

struct SpaceListRow {
  CString key;    // HKLM\SYSTEM\ControlSet001; the hive's own name for its root
  CString size;   // FormatSizeKB
  CString share;  // of the checked copy's bytes, to a tenth: "37.5%"
};

// In the analysis's order, parents before their children. None for a hive
// refused or not measured: the window offers the list only when there are rows.
std::vector<SpaceListRow> SpaceListRows(const AnalyzedHive& hive);

// `part` of `whole` in tenths of a percent, rounded half up, with the system
// default locale's decimal separator: 3, 8 => "37.5%". "0.0%" when `whole` is 0.
CString ShareText(std::uint64_t part, std::uint64_t whole);

}  // namespace uilogic
