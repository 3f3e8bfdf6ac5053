#include "ui/logic/ColumnWidths.h"

#include "ui/logic/DpiScale.h"

namespace uilogic {

namespace {
constexpr int kHiveNameWidth = 250;
constexpr int kSizeColumnWidth = 100;
constexpr int kCompactSizeShareDivisor = 4;
}  // namespace

std::array<int, 4> HiveListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi) {
  const int hiveName = ScaleForDpi(kHiveNameWidth, dpi);
  const int size = ScaleForDpi(kSizeColumnWidth, dpi);
  // A share of the list's width, which is already at the window's DPI.
  const int compactSize = listClientWidth / kCompactSizeShareDivisor;
  const int fileName = listClientWidth - scrollBarWidth - hiveName - size - compactSize;
  return {hiveName, fileName > 0 ? fileName : 0, size, compactSize};
}

std::array<int, 3> ResultsListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi) {
  const int size = ScaleForDpi(kSizeColumnWidth, dpi);
  return {listClientWidth - scrollBarWidth - 2 * size, size, size};
}

}  // namespace uilogic
