#include "ui/logic/ColumnWidths.h"

#include "ui/logic/DpiScale.h"

namespace uilogic {

namespace {
constexpr int kHiveNameWidth = 355;
constexpr int kFileNameWidth = 355;
constexpr int kSizeColumnWidth = 100;
}  // namespace

std::array<int, 3> HiveListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi) {
  const int hiveName = ScaleForDpi(kHiveNameWidth, dpi);
  const int fileName = ScaleForDpi(kFileNameWidth, dpi);
  return {hiveName, fileName, listClientWidth - hiveName - fileName - scrollBarWidth};
}

std::array<int, 3> ResultsListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi) {
  const int size = ScaleForDpi(kSizeColumnWidth, dpi);
  return {listClientWidth - scrollBarWidth - 2 * size, size, size};
}

}  // namespace uilogic
