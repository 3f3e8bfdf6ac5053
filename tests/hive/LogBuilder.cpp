#include "tests/hive/LogBuilder.h"

#include "hive/BaseBlock.h"
#include "hive/Bytes.h"
#include "hive/Marvin32.h"
#include "hive/RecordLayout.h"
#include "tests/hive/HiveBuilder.h"

#include <algorithm>
#include <cstring>

namespace hivetest {

using namespace hive;

Image Dirty(Image image, std::uint32_t sequence) {
  WriteU32(image, regf::kPrimarySequence, sequence + 1);
  WriteU32(image, regf::kSecondarySequence, sequence);
  SealBaseBlock(image);
  return image;
}

Image LogBaseBlock(const Image& from, std::uint32_t type, std::uint32_t sequence) {
  Image log(from.begin(), from.begin() + kSectorSize);
  WriteU32(log, regf::kPrimarySequence, sequence);
  WriteU32(log, regf::kSecondarySequence, sequence);
  WriteU32(log, regf::kFileType, type);
  StoreBaseBlockChecksum(log);
  return log;
}

void AppendEntry(Image& log, const Image& target, std::uint32_t sequence,
                 std::uint32_t claimedBinsSize) {
  std::uint32_t binsSize = static_cast<std::uint32_t>(target.size() - kBaseBlockSize);
  std::uint32_t pages = binsSize / kPageSize;
  if (claimedBinsSize) binsSize = claimedBinsSize;
  std::size_t references = hvle::kHeaderSize + hvle::kPageReferenceSize * pages;
  std::size_t size =
      (references + kPageSize * std::size_t{pages} + kSectorSize - 1) / kSectorSize * kSectorSize;
  std::size_t at = log.size();
  log.resize(at + size, 0);
  std::memcpy(&log[at + hvle::kSignature], "HvLE", 4);
  WriteU32(log, at + hvle::kSize, static_cast<std::uint32_t>(size));
  WriteU32(log, at + hvle::kSequence, sequence);
  WriteU32(log, at + hvle::kBinsSize, binsSize);
  WriteU32(log, at + hvle::kPageCount, pages);
  for (std::uint32_t i = 0; i < pages; ++i) {
    std::size_t reference = at + hvle::kHeaderSize + hvle::kPageReferenceSize * i;
    WriteU32(log, reference + hvle::kPageOffset, i * kPageSize);
    WriteU32(log, reference + hvle::kPageBytes, kPageSize);
  }
  std::copy(target.begin() + kBaseBlockSize, target.begin() + kBaseBlockSize + kPageSize * pages,
            log.begin() + static_cast<std::ptrdiff_t>(at + references));
  WriteU64(log, at + hvle::kPagesHash,
           Marvin32(Bytes(log.data() + at + hvle::kHeaderSize, size - hvle::kHeaderSize),
                    kLogEntrySeed));
  WriteU64(log, at + hvle::kHeaderHash,
           Marvin32(Bytes(log.data() + at, hvle::kHeaderHash), kLogEntrySeed));
}

Image OldLog(const Image& target, std::uint64_t timestamp,
             const std::vector<std::size_t>& dirtyPages) {
  Image log = LogBaseBlock(target, 1, 5);
  WriteU64(log, regf::kLastWritten, timestamp);
  StoreBaseBlockChecksum(log);
  std::size_t pages = (target.size() - kBaseBlockSize) / oldlog::kPageSize;
  log.resize(oldlog::kDirtBitmap + (pages + 7) / 8, 0);
  std::memcpy(&log[oldlog::kDirtSignature], "DIRT", 4);
  for (std::size_t page : dirtyPages)
    log[oldlog::kDirtBitmap + page / 8] |= static_cast<std::uint8_t>(1u << (page % 8));
  log.resize((log.size() + kSectorSize - 1) / kSectorSize * kSectorSize, 0);
  for (std::size_t page : dirtyPages) {
    auto from =
        target.begin() + static_cast<std::ptrdiff_t>(kBaseBlockSize + oldlog::kPageSize * page);
    log.insert(log.end(), from, from + oldlog::kPageSize);
  }
  return log;
}

}  // namespace hivetest
