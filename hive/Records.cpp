#include "hive/Records.h"

namespace hive {

bool ParseKeyNode(Bytes cell, KeyNode& key) {
  if (!HasSignature(cell, nk::kSignature, "nk") || cell.size() < nk::kFixedSize) return false;
  key.flags = ReadU16(cell, nk::kFlags);
  key.lastWritten = ReadU64(cell, nk::kLastWritten);
  key.spare = ReadU32(cell, nk::kAccessBits);
  key.parent = ReadU32(cell, nk::kParent);
  key.subkeyCount = ReadU32(cell, nk::kSubkeyCount);
  key.volatileSubkeyCount = ReadU32(cell, nk::kVolatileSubkeyCount);
  key.subkeyList = ReadU32(cell, nk::kSubkeyList);
  key.volatileSubkeyList = ReadU32(cell, nk::kVolatileSubkeyList);
  key.valueCount = ReadU32(cell, nk::kValueCount);
  key.valueList = ReadU32(cell, nk::kValueList);
  key.security = ReadU32(cell, nk::kSecurity);
  key.classOffset = ReadU32(cell, nk::kClass);
  key.largestSubkeyName = ReadU16(cell, nk::kLargestSubkeyName);
  key.flagsAboveLargestName = ReadU16(cell, nk::kUserFlags);
  key.largestSubkeyClass = ReadU32(cell, nk::kLargestSubkeyClass);
  key.largestValueName = ReadU32(cell, nk::kLargestValueName);
  key.largestValueData = ReadU32(cell, nk::kLargestValueData);
  std::uint16_t nameLength = ReadU16(cell, nk::kNameLength);
  key.classLength = ReadU16(cell, nk::kClassLength);
  if (!Fits(cell, nk::kName, nameLength)) return false;
  key.name = cell.subspan(nk::kName, nameLength);
  key.compressedName = (key.flags & kKeyCompressedName) != 0;
  return true;
}

bool ParseValueKey(Bytes cell, ValueKey& value) {
  if (!HasSignature(cell, vk::kSignature, "vk") || cell.size() < vk::kFixedSize) return false;
  std::uint16_t nameLength = ReadU16(cell, vk::kNameLength);
  value.rawDataSize = ReadU32(cell, vk::kDataSize);
  value.dataOffset = ReadU32(cell, vk::kData);
  value.type = ReadU32(cell, vk::kType);
  value.flags = ReadU16(cell, vk::kFlags);
  value.spare = ReadU16(cell, vk::kSpare);
  if (!Fits(cell, vk::kName, nameLength)) return false;
  value.name = cell.subspan(vk::kName, nameLength);
  value.compressedName = (value.flags & kValueCompressedName) != 0;
  return true;
}

bool ParseSecurityKey(Bytes cell, SecurityKey& record) {
  if (!HasSignature(cell, sk::kSignature, "sk") || cell.size() < sk::kFixedSize) return false;
  record.flink = ReadU32(cell, sk::kFlink);
  record.blink = ReadU32(cell, sk::kBlink);
  record.referenceCount = ReadU32(cell, sk::kReferenceCount);
  record.descriptorSize = ReadU32(cell, sk::kDescriptorSize);
  return Fits(cell, sk::kDescriptor, record.descriptorSize);
}

ListKind SubkeyListKind(Bytes cell) {
  if (HasSignature(cell, list::kSignature, "li")) return ListKind::IndexLeaf;
  if (HasSignature(cell, list::kSignature, "lf")) return ListKind::FastLeaf;
  if (HasSignature(cell, list::kSignature, "lh")) return ListKind::HashLeaf;
  if (HasSignature(cell, list::kSignature, "ri")) return ListKind::IndexRoot;
  return ListKind::None;
}

std::size_t ListElementSize(ListKind kind) {
  return kind == ListKind::FastLeaf || kind == ListKind::HashLeaf ? list::kHashElementSize
                                                                  : list::kOffsetElementSize;
}

}  // namespace hive
