#pragma once
// An opened hive: its bytes, its base block and the map of its bins and cells.
// Opening refuses only what cannot be read as a hive at all (no "regf", a log
// file, formats 1.1/1.2, a file shorter than a base block); everything else
// that is wrong becomes a finding and the reader carries on with what holds.

#include "hive/BaseBlock.h"
#include "hive/Bitmap.h"
#include "hive/FindingLog.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hive {

struct Bin {
  std::uint32_t offset = 0;  // relative to the hive bins data
  std::uint32_t size = 0;
  std::uint32_t cellsEnd = 0;  // where the cells stop tiling (offset + size when they tile
                               // again after a damaged range)
};

struct Cell {
  std::uint32_t offset = 0;  // relative to the hive bins data
  std::uint32_t size = 0;    // whole cell, size field included
  bool allocated = false;
};

class CHive {
 public:
  // Null with `refusal` set when the bytes are not a hive this reader takes.
  static std::unique_ptr<CHive> Open(std::vector<std::uint8_t> bytes, CFindingLog& findings,
                                     std::string& refusal);
  // The same over bytes held elsewhere (a mapped file), which must outlive the hive.
  static std::unique_ptr<CHive> OpenView(Bytes file, CFindingLog& findings, std::string& refusal);

  CHive(const CHive&) = delete;
  CHive& operator=(const CHive&) = delete;

  const BaseBlock& Base() const { return m_base; }
  Bytes FileBytes() const { return m_file; }
  // The hive bins data present in the file (shorter than declared when truncated).
  Bytes BinsData() const { return m_bins; }
  std::uint32_t DeclaredBinsSize() const { return m_base.binsSize; }
  const std::vector<Bin>& Bins() const { return m_binList; }

  // The cell data (after the size field) of the allocated cell starting at
  // `offset`, or nothing when no allocated cell starts there.
  std::optional<Bytes> AllocatedCell(std::uint32_t offset) const;
  // The bytes from `offset` + 4 to the end of the damaged range holding it,
  // when `offset` lies in a range the scanner could not read as cells: a
  // cell whose size field is damaged may still hold the record a reference
  // expects. Nothing when `offset` lies in no such range.
  std::optional<Bytes> DamagedRangeFrom(std::uint32_t offset) const;
  bool IsCellStart(std::uint32_t offset) const;
  bool IsAllocated(std::uint32_t offset) const;
  // Why `offset` does not name an allocated cell, for messages.
  std::string DescribeBadReference(std::uint32_t offset) const;

  void ForEachCell(const std::function<void(const Cell&)>& visit) const;
  // The free cells alone, in the same order, found from the map of cells
  // without reading the allocated ones.
  void ForEachFreeCell(const std::function<void(const Cell&)>& visit) const;

  static std::uint64_t FileOffset(std::uint32_t cellOffset) {
    return kBaseBlockSize + std::uint64_t{cellOffset};
  }
  // Where `field` of the record held by the cell at `cellOffset` lies in the file.
  static std::uint64_t FieldOffset(std::uint32_t cellOffset, std::size_t field) {
    return FileOffset(cellOffset) + cell::kDataStart + field;
  }

 private:
  CHive(std::vector<std::uint8_t> bytes, Bytes file);
  static bool Refuse(Bytes file, BaseBlock& base, std::string& refusal);
  static std::unique_ptr<CHive> Opened(std::unique_ptr<CHive> hive, const BaseBlock& base,
                                       CFindingLog& findings);
  void CheckBaseBlock(CFindingLog& findings) const;
  void ScanBins(CFindingLog& findings);
  std::uint32_t ScanCells(std::uint32_t binOffset, std::uint32_t binSize, CFindingLog& findings);
  // Whether a self-consistent bin header (at its own offset, a whole number
  // of pages that fits the data) starts at `offset`.
  bool BinHeaderAt(std::uint64_t offset) const;
  // The first 8-aligned offset in [from, end) from which cells tile up to `end`; `end` if none.
  std::uint32_t NextTilingCell(std::uint32_t from, std::uint32_t end) const;

  std::vector<std::uint8_t> m_bytes;  // empty when the bytes are held elsewhere
  Bytes m_file;
  BaseBlock m_base;
  Bytes m_bins;
  std::vector<Bin> m_binList;
  struct Range {
    std::uint32_t begin;
    std::uint32_t end;
  };
  std::vector<Range> m_damaged;  // in file order
  CBitmap m_starts;
  CBitmap m_allocated;
};

}  // namespace hive
