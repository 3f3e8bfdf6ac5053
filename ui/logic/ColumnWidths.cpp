#include "ui/logic/ColumnWidths.h"

#include "ui/logic/DpiScale.h"

namespace uilogic {

namespace {
constexpr int kHiveNameWidth = 355;
constexpr int kFileNameWidth = 355;
constexpr int kSizeColumnWidth = 100;
constexpr int kCompactSizeWidth = 150;
constexpr int kShareWidth = 70;

int Rest(int listClientWidth, int scrollBarWidth, int taken) {
  const int rest = listClientWidth - scrollBarWidth - taken;
  return rest > 0 ? rest : 0;
}
}  // namespace

std::array<int, 3> HiveListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi) {
  const int hiveName = ScaleForDpi(kHiveNameWidth, dpi);
  const int fileName = ScaleForDpi(kFileNameWidth, dpi);
  return {hiveName, fileName, Rest(listClientWidth, scrollBarWidth, hiveName + fileName)};
}

std::array<int, 4> AnalysedHiveListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi) {
  const int hiveName = ScaleForDpi(kHiveNameWidth, dpi);
  const int size = ScaleForDpi(kSizeColumnWidth, dpi);
  const int compactSize = ScaleForDpi(kCompactSizeWidth, dpi);
  return {hiveName, Rest(listClientWidth, scrollBarWidth, hiveName + size + compactSize), size,
          compactSize};
}

std::array<int, 3> ResultsListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi) {
  const int size = ScaleForDpi(kSizeColumnWidth, dpi);
  return {Rest(listClientWidth, scrollBarWidth, 2 * size), size, size};
}

std::array<int, 3> SpaceListColumnWidths(int listClientWidth, int scrollBarWidth, int dpi) {
  const int size = ScaleForDpi(kSizeColumnWidth, dpi);
  const int share = ScaleForDpi(kShareWidth, dpi);
  return {Rest(listClientWidth, scrollBarWidth, size + share), size, share};
}

}  // namespace uilogic
