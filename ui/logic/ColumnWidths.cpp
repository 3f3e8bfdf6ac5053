#include "ui/logic/ColumnWidths.h"

namespace uilogic {

namespace {
constexpr int kHiveNameWidth = 355;
constexpr int kFileNameWidth = 355;
constexpr int kSizeColumnWidth = 100;
}  // namespace

std::array<int, 3> HiveListColumnWidths(int listClientWidth, int scrollBarWidth) {
  return {kHiveNameWidth, kFileNameWidth,
          listClientWidth - kHiveNameWidth - kFileNameWidth - scrollBarWidth};
}

std::array<int, 3> ResultsListColumnWidths(int listClientWidth, int scrollBarWidth) {
  return {listClientWidth - scrollBarWidth - 2 * kSizeColumnWidth, kSizeColumnWidth,
          kSizeColumnWidth};
}

}  // namespace uilogic
