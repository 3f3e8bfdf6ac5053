#include "hive/BaseBlock.h"

namespace hive {

std::uint32_t BaseBlockChecksum(Bytes first512) {
  std::uint32_t sum = 0;
  for (std::size_t offset = 0; offset < kChecksumOffset; offset += 4)
    sum ^= ReadU32(first512, offset);
  if (sum == 0xFFFFFFFF) return 0xFFFFFFFE;
  if (sum == 0) return 1;
  return sum;
}

BaseBlock ParseBaseBlock(Bytes bytes) {
  BaseBlock block;
  block.primarySequence = ReadU32(bytes, 4);
  block.secondarySequence = ReadU32(bytes, 8);
  block.lastWritten = ReadU64(bytes, 12);
  block.majorVersion = ReadU32(bytes, 20);
  block.minorVersion = ReadU32(bytes, 24);
  block.fileType = ReadU32(bytes, 28);
  block.fileFormat = ReadU32(bytes, 32);
  block.rootCell = ReadU32(bytes, 36);
  block.binsSize = ReadU32(bytes, 40);
  block.clusteringFactor = ReadU32(bytes, 44);
  block.flags = ReadU32(bytes, 144);
  block.lastReorganized = ReadU64(bytes, 168);
  block.offlineLibrary = HasSignature(bytes, 176, "OfRg");
  block.offlineFlags = ReadU32(bytes, 180);
  block.offlineSaved = ReadU64(bytes, 184);
  block.checksum = ReadU32(bytes, kChecksumOffset);
  block.computedChecksum = BaseBlockChecksum(bytes);
  return block;
}

void StoreBaseBlockChecksum(std::span<std::uint8_t> bytes) {
  WriteU32(bytes, kChecksumOffset, BaseBlockChecksum(Bytes(bytes.data(), bytes.size())));
}

}  // namespace hive
