#include "hive/Hive.h"

#include <algorithm>
#include <bit>

namespace hive {

namespace {

bool AllZero(Bytes bytes, std::size_t from, std::size_t to) {
  to = std::min(to, bytes.size());
  for (std::size_t i = from; i < to; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

std::size_t NonZeroCount(Bytes bytes, std::size_t from, std::size_t to) {
  to = std::min(to, bytes.size());
  std::size_t count = 0;
  for (std::size_t i = from; i < to; ++i) count += bytes[i] != 0;
  return count;
}

std::string Version(const BaseBlock& base) {
  return std::to_string(base.majorVersion) + "." + std::to_string(base.minorVersion);
}

}  // namespace

CHive::CHive(std::vector<std::uint8_t> bytes, Bytes file)
    : m_bytes(std::move(bytes)), m_file(file) {
  if (!m_bytes.empty()) m_file = Bytes(m_bytes.data(), m_bytes.size());
}

std::unique_ptr<CHive> CHive::Open(std::vector<std::uint8_t> bytes, CFindingLog& findings,
                                   std::string& refusal) {
  BaseBlock base;
  if (Refuse(Bytes(bytes.data(), bytes.size()), base, refusal)) return nullptr;
  return Opened(std::unique_ptr<CHive>(new CHive(std::move(bytes), Bytes())), base, findings);
}

std::unique_ptr<CHive> CHive::OpenView(Bytes file, CFindingLog& findings, std::string& refusal) {
  BaseBlock base;
  if (Refuse(file, base, refusal)) return nullptr;
  return Opened(std::unique_ptr<CHive>(new CHive({}, file)), base, findings);
}

std::unique_ptr<CHive> CHive::Opened(std::unique_ptr<CHive> hive, const BaseBlock& base,
                                     CFindingLog& findings) {
  hive->m_base = base;
  hive->CheckBaseBlock(findings);
  hive->ScanBins(findings);
  return hive;
}

bool CHive::Refuse(Bytes view, BaseBlock& base, std::string& refusal) {
  if (!HasSignature(view, regf::kSignature, "regf")) {
    refusal = "not a registry hive (no \"regf\" signature at offset 0x0)";
    return true;
  }
  if (view.size() < kBaseBlockSize) {
    refusal = "truncated: " + std::to_string(view.size()) +
              " bytes, shorter than the 4096-byte base block";
    return true;
  }
  base = ParseBaseBlock(view);
  if (base.fileType != static_cast<std::uint32_t>(FileType::Primary)) {
    refusal = base.fileType == 1 || base.fileType == 2 || base.fileType == 6
                  ? "a transaction log (file type " + std::to_string(base.fileType) +
                        " at offset 0x1c), not a hive; give it with --log"
                  : "unknown file type " + std::to_string(base.fileType) + " at offset 0x1c";
    return true;
  }
  if (base.majorVersion != 1 || base.minorVersion < 3 || base.minorVersion > 6) {
    // With a wrong checksum the version field is as likely damaged as old.
    if (!base.ChecksumOk()) {
      refusal = "the base block is damaged (checksum " + Hex(base.checksum) + ", should be " +
                Hex(base.computedChecksum) + "; format field " + Version(base) +
                ") and no transaction log with a sound base block recovered it";
      return true;
    }
    refusal = base.majorVersion == 1 && (base.minorVersion == 1 || base.minorVersion == 2)
                  ? "hive format " + Version(base) +
                        " (Windows NT 3.x) is not supported; formats 1.3 to 1.6 are"
                  : "unknown hive format " + Version(base) + " at offset 0x14";
    return true;
  }
  return false;
}

void CHive::CheckBaseBlock(CFindingLog& findings) const {
  Bytes file = FileBytes();
  if (!m_base.ChecksumOk())
    findings.Report(regf::kChecksum, FindingCode::BadChecksum,
                    "base block checksum is " + Hex(m_base.checksum) + ", should be " +
                        Hex(m_base.computedChecksum));
  if (!m_base.SequencesAgree())
    findings.Report(regf::kPrimarySequence, FindingCode::Dirty,
                    "hive is dirty: sequence numbers differ (" +
                        std::to_string(m_base.primarySequence) + " and " +
                        std::to_string(m_base.secondarySequence) +
                        "): the latest unflushed changes, kept only in its transaction logs, "
                        "are missing");
  if (m_base.fileFormat != 1)
    findings.Report(regf::kFileFormat, FindingCode::BadFileFormat,
                    "file format is " + std::to_string(m_base.fileFormat) + ", should be 1");
  if (m_base.clusteringFactor != regf::kClusteringFactorValue)
    findings.Report(
        regf::kClusteringFactor, FindingCode::BadClusteringFactor,
        "clustering factor is " + std::to_string(m_base.clusteringFactor) + ", should be 1");
  if (m_base.binsSize == 0 || m_base.binsSize % kPageSize != 0)
    findings.Report(
        regf::kBinsSize, FindingCode::BadBinsSize,
        "hive bins data size " + Hex(m_base.binsSize) + " is not a non-zero multiple of 4096");
  if (kBaseBlockSize + std::uint64_t{m_base.binsSize} > m_file.size())
    findings.Report(regf::kBinsSize, FindingCode::BinsPastEnd,
                    "hive bins data size " + Hex(m_base.binsSize) +
                        " reaches past the end of the file (" + Hex(m_file.size()) + " bytes)");
  // Known fields end at 192 (transaction-manager ids, last reorganization,
  // offline-library mark) and start again at 4040 (thaw ids, boot fields);
  // the rest is reserved and written as zero.
  std::size_t reserved = NonZeroCount(file, regf::kKnownEnd, regf::kChecksum) +
                         NonZeroCount(file, kSectorSize, regf::kTailStart);
  if (reserved != 0)
    findings.Report(
        regf::kKnownEnd, FindingCode::BaseBlockReserved,
        std::to_string(reserved) + " non-zero bytes in the reserved area of the base block");
  std::uint64_t binsEnd = kBaseBlockSize + std::uint64_t{m_base.binsSize};
  if (binsEnd < m_file.size()) {
    if (AllZero(file, static_cast<std::size_t>(binsEnd), m_file.size()))
      findings.Report(binsEnd, FindingCode::ZeroPaddingAfterBins,
                      std::to_string(m_file.size() - binsEnd) + " zero bytes after the last bin");
    else
      findings.Report(
          binsEnd, FindingCode::DataAfterBins,
          std::to_string(m_file.size() - binsEnd) + " bytes of remnant data after the last bin (" +
              std::to_string(NonZeroCount(file, static_cast<std::size_t>(binsEnd), m_file.size())) +
              " of them non-zero), often old bins left when the hive shrank");
  }
}

bool CHive::BinHeaderAt(std::uint64_t offset) const {
  if (offset % kPageSize != 0 || offset + kBinHeaderSize > m_bins.size()) return false;
  std::uint32_t size = ReadU32(m_bins, offset + hbin::kSize);
  return HasSignature(m_bins, offset + hbin::kSignature, "hbin") &&
         ReadU32(m_bins, offset + hbin::kOffset) == offset && size >= kPageSize &&
         size % kPageSize == 0 && offset + size <= m_bins.size();
}

void CHive::ScanBins(CFindingLog& findings) {
  std::uint64_t present = std::min<std::uint64_t>(m_base.binsSize, m_file.size() - kBaseBlockSize);
  present -= present % 8;
  m_bins = Bytes(m_file.data() + kBaseBlockSize, static_cast<std::size_t>(present));
  m_starts = CBitmap(m_bins.size() / 8);
  m_allocated = CBitmap(m_bins.size() / 8);

  std::uint32_t offset = 0;
  std::uint32_t end = static_cast<std::uint32_t>(m_bins.size());
  while (std::uint64_t{offset} + kBinHeaderSize <= end) {
    std::uint32_t size = ReadU32(m_bins, offset + hbin::kSize);
    bool header = HasSignature(m_bins, offset + hbin::kSignature, "hbin") &&
                  ReadU32(m_bins, offset + hbin::kOffset) == offset && size >= kPageSize &&
                  size % kPageSize == 0;
    if (!header) {
      // Resynchronise on the next page that starts a self-consistent bin.
      std::uint64_t candidate = std::uint64_t{offset} + kPageSize - offset % kPageSize;
      while (candidate + kBinHeaderSize <= end && !BinHeaderAt(candidate)) candidate += kPageSize;
      std::uint32_t next = static_cast<std::uint32_t>(std::min<std::uint64_t>(candidate, end));
      findings.Report(FileOffset(offset), FindingCode::BadBinHeader,
                      "no valid hive bin header at " + Hex(FileOffset(offset)) + ": " +
                          std::to_string(next - offset) + " bytes up to " + Hex(FileOffset(next)) +
                          " hold no readable bin");
      offset = next;
      continue;
    }
    // A size that does not lead to the next bin is cut at the first page
    // inside it that starts one, so one wrong size costs no other bin.
    std::uint64_t claimedEnd = std::uint64_t{offset} + size;
    std::uint64_t cut = claimedEnd;
    for (std::uint64_t page = std::uint64_t{offset} + kPageSize;
         page < std::min<std::uint64_t>(claimedEnd, end); page += kPageSize)
      if (BinHeaderAt(page)) {
        cut = page;
        break;
      }
    // A bin cut short by the end of the file keeps the cells it still holds whole.
    if (cut == claimedEnd && claimedEnd > end) cut = end;
    if (cut != claimedEnd) {
      findings.Report(
          FileOffset(offset) + hbin::kSize, FindingCode::BinSizeMismatch,
          "hive bin at " + Hex(FileOffset(offset)) + " claims size " + Hex(size) + ", " +
              (claimedEnd > end ? "past the end of the hive bins data" : "over the next bin") +
              "; read as " + Hex(cut - offset) + " bytes");
      size = static_cast<std::uint32_t>(cut - offset);
      if (size <= kBinHeaderSize) break;
    }
    if (ReadU32(m_bins, offset + hbin::kSpare) != 0)
      findings.Report(FileOffset(offset) + hbin::kSpare, FindingCode::BinSpare,
                      "hive bin at " + Hex(FileOffset(offset)) + " has a non-zero spare field");
    std::uint32_t cellsEnd = ScanCells(offset, size, findings);
    m_binList.push_back(Bin{offset, size, cellsEnd});
    offset += size;
  }
}

std::uint32_t CHive::NextTilingCell(std::uint32_t from, std::uint32_t end) const {
  // A cell chain from `from` tiles when its sizes step exactly onto `end`.
  // Each slot's answer is kept, so the search reads every slot about once.
  std::vector<std::uint8_t> known((end - from) / 8, 0);  // 0 unknown, 1 tiles, 2 does not
  std::vector<std::uint32_t> path;
  for (std::uint32_t start = from; start < end; start += cell::kAlignment) {
    path.clear();
    std::uint32_t at = start;
    bool tiles = false;
    for (;;) {
      if (at == end) {
        tiles = true;
        break;
      }
      if (std::uint8_t state = known[(at - from) / 8]) {
        tiles = state == 1;
        break;
      }
      path.push_back(at);
      std::int32_t raw = ReadI32(m_bins, at);
      std::int64_t size = raw < 0 ? -std::int64_t{raw} : std::int64_t{raw};
      if (size < 8 || size % 8 != 0 || at + size > end) break;
      at += static_cast<std::uint32_t>(size);
    }
    for (std::uint32_t visited : path) known[(visited - from) / 8] = tiles ? 1 : 2;
    if (tiles) return start;
  }
  return end;
}

std::uint32_t CHive::ScanCells(std::uint32_t binOffset, std::uint32_t binSize,
                               CFindingLog& findings) {
  std::uint32_t offset = binOffset + kBinHeaderSize;
  std::uint32_t end = binOffset + binSize;
  std::uint32_t cellsEnd = end;
  while (offset < end) {
    std::int32_t raw = ReadI32(m_bins, offset);
    std::int64_t size = raw < 0 ? -std::int64_t{raw} : std::int64_t{raw};
    const char* problem = nullptr;
    if (size == 0)
      problem = "has size 0";
    else if (size < 8 || size % 8 != 0)
      problem = "has a size that is not a multiple of 8";
    else if (offset + size > end)
      problem = "crosses the end of its hive bin";
    if (problem) {
      std::uint32_t resume = NextTilingCell(offset + cell::kAlignment, end);
      findings.Report(FileOffset(offset), FindingCode::BadCell,
                      "cell at " + Hex(FileOffset(offset)) + " " + problem + " (size field " +
                          std::to_string(raw) + "): " + std::to_string(resume - offset) +
                          " bytes from " + Hex(FileOffset(offset)) + " to " +
                          Hex(FileOffset(resume)) + " of the bin at " + Hex(FileOffset(binOffset)) +
                          " are unreadable");
      m_damaged.push_back(Range{offset, resume});
      if (resume == end) return offset;
      cellsEnd = end;
      offset = resume;
      continue;
    }
    m_starts.Set(offset / 8);
    if (raw < 0) m_allocated.Set(offset / 8);
    offset += static_cast<std::uint32_t>(size);
  }
  return cellsEnd;
}

std::optional<Bytes> CHive::DamagedRangeFrom(std::uint32_t offset) const {
  if (offset % cell::kAlignment != 0) return std::nullopt;
  auto after =
      std::upper_bound(m_damaged.begin(), m_damaged.end(), offset,
                       [](std::uint32_t at, const Range& range) { return at < range.begin; });
  if (after == m_damaged.begin()) return std::nullopt;
  const Range& range = *std::prev(after);
  if (offset + cell::kDataStart >= range.end) return std::nullopt;
  return m_bins.subspan(offset + cell::kDataStart, range.end - offset - cell::kDataStart);
}

bool CHive::IsCellStart(std::uint32_t offset) const {
  return offset % 8 == 0 && m_starts.Test(offset / 8);
}

bool CHive::IsAllocated(std::uint32_t offset) const {
  return offset % 8 == 0 && m_allocated.Test(offset / 8);
}

std::optional<Bytes> CHive::AllocatedCell(std::uint32_t offset) const {
  if (!IsAllocated(offset)) return std::nullopt;
  std::uint32_t size =
      static_cast<std::uint32_t>(-static_cast<std::int64_t>(ReadI32(m_bins, offset)));
  return m_bins.subspan(offset + cell::kDataStart, size - cell::kDataStart);
}

std::string CHive::DescribeBadReference(std::uint32_t offset) const {
  if (offset == kNoCell) return "no cell (0xffffffff)";
  if (offset >= m_base.binsSize) return Hex(offset) + " lies outside the hive bins";
  if (offset >= m_bins.size()) return Hex(offset) + " lies past the end of the file";
  if (!IsCellStart(offset)) return Hex(FileOffset(offset)) + " is not the start of a cell";
  return Hex(FileOffset(offset)) + " is a free cell";
}

void CHive::ForEachCell(const std::function<void(const Cell&)>& visit) const {
  for (const Bin& bin : m_binList) {
    std::uint32_t offset = bin.offset + kBinHeaderSize;
    while (offset < bin.cellsEnd) {
      if (!IsCellStart(offset)) {
        // A damaged range the scanner stepped over.
        offset += cell::kAlignment;
        continue;
      }
      std::int32_t raw = ReadI32(m_bins, offset);
      std::uint32_t size = static_cast<std::uint32_t>(raw < 0 ? -std::int64_t{raw} : raw);
      visit(Cell{offset, size, raw < 0});
      offset += size;
    }
  }
}

void CHive::ForEachFreeCell(const std::function<void(const Cell&)>& visit) const {
  for (const Bin& bin : m_binList) {
    std::size_t slot = (bin.offset + kBinHeaderSize) / 8;
    std::size_t end = bin.cellsEnd / 8;
    while (slot < end) {
      std::size_t word = slot / 64;
      // Cell starts that are not allocated, from `slot` on.
      std::uint64_t bits = (m_starts.Word(word) & ~m_allocated.Word(word)) >> (slot % 64);
      if (bits == 0) {
        slot = (word + 1) * 64;
        continue;
      }
      slot += static_cast<std::size_t>(std::countr_zero(bits));
      if (slot >= end) break;
      std::uint32_t offset = static_cast<std::uint32_t>(slot * 8);
      visit(Cell{offset, static_cast<std::uint32_t>(ReadI32(m_bins, offset)), false});
      ++slot;
    }
  }
}

}  // namespace hive
