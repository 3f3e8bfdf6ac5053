#include "hive/BaseBlock.h"

#include <algorithm>

namespace hive {

namespace {

Guid ReadGuid(Bytes bytes, std::size_t at) {
  Guid guid{};
  if (Fits(bytes, at, guid.size())) std::copy_n(bytes.begin() + at, guid.size(), guid.begin());
  return guid;
}

}  // namespace

std::uint32_t BaseBlockChecksum(Bytes first512) {
  std::uint32_t sum = 0;
  for (std::size_t offset = 0; offset < regf::kChecksum; offset += 4)
    sum ^= ReadU32(first512, offset);
  if (sum == 0xFFFFFFFF) return 0xFFFFFFFE;
  if (sum == 0) return 1;
  return sum;
}

BaseBlock ParseBaseBlock(Bytes bytes) {
  BaseBlock block;
  block.primarySequence = ReadU32(bytes, regf::kPrimarySequence);
  block.secondarySequence = ReadU32(bytes, regf::kSecondarySequence);
  block.lastWritten = ReadU64(bytes, regf::kLastWritten);
  block.majorVersion = ReadU32(bytes, regf::kMajorVersion);
  block.minorVersion = ReadU32(bytes, regf::kMinorVersion);
  block.fileType = ReadU32(bytes, regf::kFileType);
  block.fileFormat = ReadU32(bytes, regf::kFileFormat);
  block.rootCell = ReadU32(bytes, regf::kRootCell);
  block.binsSize = ReadU32(bytes, regf::kBinsSize);
  block.clusteringFactor = ReadU32(bytes, regf::kClusteringFactor);
  block.flags = ReadU32(bytes, regf::kFlags);
  block.rmId = ReadGuid(bytes, regf::kRmId);
  block.logId = ReadGuid(bytes, regf::kLogId);
  block.tmId = ReadGuid(bytes, regf::kTmId);
  block.guidSignature = ReadU32(bytes, regf::kGuidSignature);
  for (std::size_t at : {regf::kOfflineSignature, regf::kOfflineSignatureEarly})
    if (HasSignature(bytes, at, "OfRg")) block.offlineAt = at;
  block.offlineLibrary = block.offlineAt != 0;
  if (block.offlineLibrary) {
    block.offlineFlags = ReadU32(bytes, block.offlineAt + regf::kOfflineFlagsAfterSignature);
    block.offlineSaved = ReadU64(bytes, block.offlineAt + regf::kOfflineSavedAfterSignature);
  }
  if (block.offlineAt != regf::kOfflineSignatureEarly)
    block.lastReorganized = ReadU64(bytes, regf::kLastReorganized);
  block.thawTmId = ReadGuid(bytes, regf::kThawTmId);
  block.thawRmId = ReadGuid(bytes, regf::kThawRmId);
  block.thawLogId = ReadGuid(bytes, regf::kThawLogId);
  block.checksum = ReadU32(bytes, regf::kChecksum);
  block.computedChecksum = BaseBlockChecksum(bytes);
  return block;
}

void StoreBaseBlockChecksum(std::span<std::uint8_t> bytes) {
  WriteU32(bytes, regf::kChecksum, BaseBlockChecksum(Bytes(bytes.data(), bytes.size())));
}

void MarkAsPrimary(std::span<std::uint8_t> bytes) {
  WriteU32(bytes, regf::kFileType, static_cast<std::uint32_t>(FileType::Primary));
}

}  // namespace hive
