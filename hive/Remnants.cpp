#include "hive/Remnants.h"

#include "hive/Records.h"

namespace hive {

void CountRecordsIn(Bytes area, RemnantCounts& counts) {
  std::size_t at = 0;
  while (at + 8 <= area.size()) {
    std::int32_t raw = ReadI32(area, at);
    // Freeing makes a cell's size positive; cells merged into a larger free
    // cell keep their own size fields inside it.
    std::int64_t size = raw < 0 ? -std::int64_t{raw} : std::int64_t{raw};
    if (size < 8 || size % 8 != 0 || !Fits(area, at, static_cast<std::size_t>(size))) {
      at += 8;
      continue;
    }
    Bytes record =
        area.subspan(at + cell::kDataStart, static_cast<std::size_t>(size) - cell::kDataStart);
    KeyNode key;
    ValueKey value;
    // The record's own extent, not the cell's size: a free cell may hold
    // several old records merged into it.
    std::size_t extent = 0;
    if (HasSignature(record, 0, "nk") && ParseKeyNode(record, key)) {
      extent = cell::kDataStart + nk::kFixedSize + key.name.size();
      ++counts.keys;
      counts.keyBytes += extent;
    } else if (HasSignature(record, 0, "vk") && ParseValueKey(record, value)) {
      extent = cell::kDataStart + vk::kFixedSize + value.name.size();
      ++counts.values;
      counts.valueBytes += extent;
    }
    at += extent == 0 ? 8 : (extent + 7) / 8 * 8;
  }
}

void FindRemnants(const CHive& hive, HiveStatistics& statistics) {
  statistics.remnantsInFreeCells = RemnantCounts();
  statistics.remnantsAfterBins = RemnantCounts();
  Bytes bins = hive.BinsData();
  hive.ForEachFreeCell([&](const Cell& cell) {
    CountRecordsIn(bins.subspan(cell.offset, cell.size), statistics.remnantsInFreeCells);
  });
  Bytes file = hive.FileBytes();
  std::uint64_t binsEnd = kBaseBlockSize + std::uint64_t{hive.DeclaredBinsSize()};
  if (binsEnd < file.size())
    CountRecordsIn(file.subspan(static_cast<std::size_t>(binsEnd)), statistics.remnantsAfterBins);
}

}  // namespace hive
