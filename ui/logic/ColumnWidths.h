#pragma once
// The widths of the two lists' columns, from the list's client width W and a
// vertical scroll bar's width V (SM_CXVSCROLL), in pixels at the window's DPI;
// the fixed widths below are at 96 DPI and scale with it. A column that takes
// the rest never goes below 0.
#include <array>

namespace uilogic {

// Before an analysis: "Hive" 355, "Filename" 355, "Size" the rest: W - V - 710.
std::array<int, 3> HiveListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi);

// With "Compact Size": "Hive" 355, "Size" 100, "Compact Size" 150 and
// "Filename" the rest: W - V - 605. The hive's name stays whole, the figures
// keep the room they need, the path gives way.
std::array<int, 4> AnalysedHiveListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi);

// "Hive" the rest: W - V - 200, "Previous Size" 100, "Current Size" 100.
std::array<int, 3> ResultsListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi);

// "Where the space goes": "Key" the rest: W - V - 170, "Size" 100, "Share" 70.
std::array<int, 3> SpaceListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi);

}  // namespace uilogic
