#include "ui/logic/SortRules.h"

#include "catalogue/AsciiFold.h"

namespace uilogic {

namespace {

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// Only the sign of a comparison counts; reducing it first keeps the negation
// defined for every value a platform comparison may return.
int Directed(int order, bool ascending) { return ascending ? Sign(order) : -Sign(order); }

}  // namespace

SortOrder AfterColumnClick(SortOrder order, int clickedColumn) {
  if (clickedColumn == order.column) return {order.column, !order.ascending};
  return {clickedColumn, true};
}

int CompareSizes(std::uint64_t first, std::uint64_t second) {
  if (first < second) return -1;
  return first > second ? 1 : 0;
}

int CompareHiveRows(const HiveEntry& first, const HiveEntry& second, SortOrder order) {
  int result = 0;
  switch (order.column) {
    case 0: result = CompareAsciiNoCase(first.name.str(), second.name.str()); break;
    case 1: result = first.path.GetText().CompareNoCase(second.path.GetText()); break;
    case 2: result = CompareSizes(first.size, second.size); break;
    default: break;
  }
  return Directed(result, order.ascending);
}

int CompareResultRows(const HiveResultEntry& first, const HiveResultEntry& second,
                      SortOrder order) {
  int result = 0;
  switch (order.column) {
    case 0: result = CompareAsciiNoCase(first.name.str(), second.name.str()); break;
    case 1: result = CompareSizes(first.previousSize, second.previousSize); break;
    case 2: result = CompareSizes(first.currentSize, second.currentSize); break;
    default: break;
  }
  return Directed(result, order.ascending);
}

}  // namespace uilogic
