#include "ui/logic/ColumnWidths.h"

namespace uilogic {

namespace {
constexpr int kHiveNameWidth = 250;
constexpr int kSizeColumnWidth = 100;
constexpr int kCompactSizeShareDivisor = 4;
}  // namespace

std::array<int, 4> HiveListColumnWidths(int listClientWidth, int scrollBarWidth) {
  const int compactSize = listClientWidth / kCompactSizeShareDivisor;
  const int fileName =
      listClientWidth - scrollBarWidth - kHiveNameWidth - kSizeColumnWidth - compactSize;
  return {kHiveNameWidth, fileName > 0 ? fileName : 0, kSizeColumnWidth, compactSize};
}

std::array<int, 3> ResultsListColumnWidths(int listClientWidth, int scrollBarWidth) {
  return {listClientWidth - scrollBarWidth - 2 * kSizeColumnWidth, kSizeColumnWidth,
          kSizeColumnWidth};
}

}  // namespace uilogic
