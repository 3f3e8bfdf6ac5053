#pragma once
// The widths of the two lists' columns, from the list's client width W and a
// vertical scroll bar's width V (SM_CXVSCROLL), in pixels at the window's DPI;
// the fixed widths below are at 96 DPI and scale with it.
#include <array>

namespace uilogic {

// "Hive" 250, "Size" 100, "Compact Size" a quarter of W, "Filename" the rest:
// W - V - 350 - W / 4, never below 0.
std::array<int, 4> HiveListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi);

// "Hive" the rest: W - V - 200, "Previous Size" 100, "Current Size" 100.
std::array<int, 3> ResultsListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi);

}  // namespace uilogic
