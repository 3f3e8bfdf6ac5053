#pragma once
// The fixed layouts of the records cells hold: key node (nk), key value (vk),
// key security (sk), subkey lists (li, lf, lh, ri) and big data (db). Each
// parser takes the cell data (after the size field) and refuses a cell too
// small for its fixed part or for the name it declares.

#include "hive/Bytes.h"
#include "hive/RecordLayout.h"

#include <cstdint>

namespace hive {

struct KeyNode {
  std::uint16_t flags = 0;
  std::uint64_t lastWritten = 0;
  std::uint32_t spare = 0;
  std::uint32_t parent = 0;
  std::uint32_t subkeyCount = 0;
  std::uint32_t volatileSubkeyCount = 0;
  std::uint32_t subkeyList = 0;
  std::uint32_t volatileSubkeyList = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t valueList = 0;
  std::uint32_t security = 0;
  std::uint32_t classOffset = 0;
  std::uint32_t largestSubkeyName = 0;      // low 16 bits; the rest are flags since Vista
  std::uint16_t flagsAboveLargestName = 0;  // those flags: virtualization, user, debug
  std::uint32_t largestSubkeyClass = 0;
  std::uint32_t largestValueName = 0;
  std::uint32_t largestValueData = 0;
  std::uint16_t classLength = 0;
  Bytes name;
  bool compressedName = false;
};

struct ValueKey {
  std::uint32_t rawDataSize = 0;
  std::uint32_t dataOffset = 0;
  std::uint32_t type = 0;
  std::uint16_t flags = 0;
  std::uint16_t spare = 0;
  Bytes name;
  bool compressedName = false;

  bool Inline() const { return (rawDataSize & kInlineDataBit) != 0; }
  std::uint32_t DataSize() const { return rawDataSize & ~kInlineDataBit; }
};

struct SecurityKey {
  std::uint32_t flink = 0;
  std::uint32_t blink = 0;
  std::uint32_t referenceCount = 0;
  std::uint32_t descriptorSize = 0;
};

enum class ListKind { None, IndexLeaf, FastLeaf, HashLeaf, IndexRoot };

// Fills `key` when `cell` holds an nk record with its whole name.
bool ParseKeyNode(Bytes cell, KeyNode& key);
bool ParseValueKey(Bytes cell, ValueKey& value);
// Fills `sk` when `cell` holds an sk record with its whole descriptor.
bool ParseSecurityKey(Bytes cell, SecurityKey& record);
// The kind of subkey list in `cell`, by signature.
ListKind SubkeyListKind(Bytes cell);
// Bytes per element of a subkey list of that kind.
std::size_t ListElementSize(ListKind kind);

}  // namespace hive
