#include "hive/Records.h"

namespace hive {

bool ParseKeyNode(Bytes cell, KeyNode& key) {
  if (!HasSignature(cell, 0, "nk") || cell.size() < kKeyNodeFixedSize) return false;
  key.flags = ReadU16(cell, 2);
  key.lastWritten = ReadU64(cell, 4);
  key.spare = ReadU32(cell, 12);
  key.parent = ReadU32(cell, 16);
  key.subkeyCount = ReadU32(cell, 20);
  key.volatileSubkeyCount = ReadU32(cell, 24);
  key.subkeyList = ReadU32(cell, 28);
  key.volatileSubkeyList = ReadU32(cell, 32);
  key.valueCount = ReadU32(cell, 36);
  key.valueList = ReadU32(cell, 40);
  key.security = ReadU32(cell, 44);
  key.classOffset = ReadU32(cell, 48);
  key.largestSubkeyName = ReadU32(cell, 52) & 0xFFFF;
  key.flagsAboveLargestName = ReadU16(cell, 54);
  key.largestSubkeyClass = ReadU32(cell, 56);
  key.largestValueName = ReadU32(cell, 60);
  key.largestValueData = ReadU32(cell, 64);
  std::uint16_t nameLength = ReadU16(cell, 72);
  key.classLength = ReadU16(cell, 74);
  if (!Fits(cell, kKeyNodeFixedSize, nameLength)) return false;
  key.name = cell.subspan(kKeyNodeFixedSize, nameLength);
  key.compressedName = (key.flags & kKeyCompressedName) != 0;
  return true;
}

bool ParseValueKey(Bytes cell, ValueKey& value) {
  if (!HasSignature(cell, 0, "vk") || cell.size() < kValueKeyFixedSize) return false;
  std::uint16_t nameLength = ReadU16(cell, 2);
  value.rawDataSize = ReadU32(cell, 4);
  value.dataOffset = ReadU32(cell, 8);
  value.type = ReadU32(cell, 12);
  value.flags = ReadU16(cell, 16);
  value.spare = ReadU16(cell, 18);
  if (!Fits(cell, kValueKeyFixedSize, nameLength)) return false;
  value.name = cell.subspan(kValueKeyFixedSize, nameLength);
  value.compressedName = (value.flags & kValueCompressedName) != 0;
  return true;
}

bool ParseSecurityKey(Bytes cell, SecurityKey& sk) {
  if (!HasSignature(cell, 0, "sk") || cell.size() < 20) return false;
  sk.flink = ReadU32(cell, 4);
  sk.blink = ReadU32(cell, 8);
  sk.referenceCount = ReadU32(cell, 12);
  sk.descriptorSize = ReadU32(cell, 16);
  return Fits(cell, 20, sk.descriptorSize);
}

ListKind SubkeyListKind(Bytes cell) {
  if (HasSignature(cell, 0, "li")) return ListKind::IndexLeaf;
  if (HasSignature(cell, 0, "lf")) return ListKind::FastLeaf;
  if (HasSignature(cell, 0, "lh")) return ListKind::HashLeaf;
  if (HasSignature(cell, 0, "ri")) return ListKind::IndexRoot;
  return ListKind::None;
}

std::size_t ListElementSize(ListKind kind) {
  return kind == ListKind::FastLeaf || kind == ListKind::HashLeaf ? 8 : 4;
}

}  // namespace hive
