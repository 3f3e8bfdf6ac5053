#include "hive/WrittenCellSizes.h"

#include "hive/HiveWriter.h"
#include "hive/RecordLayout.h"

#include <algorithm>

namespace hive {

namespace {

constexpr std::uint32_t kLargestBinsSize = 0xFFFFF000 - kBaseBlockSize;
// The largest leaf that still fits a bin's room.
constexpr std::size_t kLeafCapacity =
    (kBinRoom - cell::kDataStart - list::kElements) / list::kHashElementSize;
static_assert(kLeafCapacity == 507);
// Segment cells keep 4 bytes past their data, as Windows' full segments do
// (16,352-byte cells); readers take a segment's length from its cell.
constexpr std::uint32_t kSegmentTail = 4;

}  // namespace

std::uint32_t CellSize(std::uint64_t dataSize) {
  std::uint64_t size =
      (dataSize + cell::kDataStart + cell::kAlignment - 1) / cell::kAlignment * cell::kAlignment;
  if (size > kLargestBinsSize)
    throw HiveWriteError("a record of " + std::to_string(dataSize) + " bytes does not fit a hive");
  return static_cast<std::uint32_t>(size);
}

bool Compressible(const std::u16string& name) {
  return std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x100; });
}

std::uint32_t StoredNameSize(const std::u16string& name) {
  return static_cast<std::uint32_t>(Compressible(name) ? name.size() : name.size() * 2);
}

std::uint32_t BigDataSegments(std::uint64_t dataSize, std::uint32_t minor) {
  if (dataSize <= db::kSegmentSize || minor < db::kFirstMinorVersion) return 0;
  std::uint64_t segments = (dataSize + db::kSegmentSize - 1) / db::kSegmentSize;
  if (segments > 0xFFFF)
    throw HiveWriteError("value data of " + std::to_string(dataSize) + " bytes is too large");
  return static_cast<std::uint32_t>(segments);
}

void AddValueCells(const std::u16string& name, std::uint64_t dataSize, std::uint32_t minor,
                   std::vector<std::uint32_t>& cells) {
  if (dataSize >= kInlineDataBit)
    throw HiveWriteError("value data of " + std::to_string(dataSize) + " bytes is too large");
  cells.push_back(CellSize(vk::kFixedSize + StoredNameSize(name)));
  if (dataSize <= vk::kInlineCapacity) return;
  std::uint32_t segments = BigDataSegments(dataSize, minor);
  if (segments == 0) {
    cells.push_back(CellSize(dataSize));
    return;
  }
  cells.push_back(CellSize(db::kFixedSize));
  cells.push_back(CellSize(db::kSegmentListElementSize * std::uint64_t{segments}));
  for (std::uint64_t at = 0; at < dataSize; at += db::kSegmentSize)
    cells.push_back(
        CellSize(std::min<std::uint64_t>(db::kSegmentSize, dataSize - at) + kSegmentTail));
}

std::size_t LeafCapacity() { return kLeafCapacity; }

void AddSubkeyListCells(std::size_t subkeys, std::vector<std::uint32_t>& cells) {
  if (subkeys == 0) return;
  if (subkeys <= kLeafCapacity) {
    cells.push_back(CellSize(list::kElements + list::kHashElementSize * subkeys));
    return;
  }
  std::size_t leaves = (subkeys + kLeafCapacity - 1) / kLeafCapacity;
  cells.push_back(CellSize(list::kElements + list::kOffsetElementSize * leaves));
  for (std::size_t leaf = 0; leaf < leaves; ++leaf)
    cells.push_back(
        CellSize(list::kElements +
                 list::kHashElementSize * std::min(kLeafCapacity, subkeys - leaf * kLeafCapacity)));
}

std::uint32_t KeyNodeCellSize(const std::u16string& name) {
  return CellSize(nk::kFixedSize + StoredNameSize(name));
}

std::uint32_t ValueListCellSize(std::size_t values) {
  return CellSize(valuelist::kElementSize * std::uint64_t{values});
}

std::uint32_t SecurityCellSize(std::size_t descriptorSize) {
  return CellSize(sk::kFixedSize + std::uint64_t{descriptorSize});
}

}  // namespace hive
