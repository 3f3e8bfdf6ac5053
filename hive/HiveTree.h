#pragma once
// A hive's logical content as a plain tree, free of any file layout: what the
// reader hands to the writer, and what a caller builds to get hive bytes.

#include "hive/BaseBlock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hive {

struct HiveValue {
  std::u16string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  // The value flags (a layered key's tombstone, ...); the compressed-name
  // flag is the writer's choice and ignored here.
  std::uint16_t flags = 0;
  std::uint16_t spare = 0;  // the vk record's spare field, kept as it is

  bool operator==(const HiveValue&) const = default;
};

struct HiveKey {
  std::u16string name;
  // The 16-bit key flags (volatile, symbolic link, no-delete, ...); the
  // compressed-name flag is the writer's choice and ignored here.
  std::uint16_t flags = 0;
  // Bits 16-31 of the largest-subkey-name field: user and virtualisation
  // control flags since Vista.
  std::uint16_t userFlags = 0;
  // Access bits, then the layered-key bits of format 1.6 (layer semantics,
  // inherit class), then the spare half.
  std::uint32_t accessBits = 0;
  std::uint64_t lastWritten = 0;
  std::vector<std::uint8_t> className;  // UTF-16LE bytes as stored
  // A self-relative security descriptor; empty means "the parent's".
  std::vector<std::uint8_t> security;
  std::vector<HiveValue> values;  // in enumeration order
  std::vector<HiveKey> subkeys;   // the writer stores them sorted

  bool operator==(const HiveKey&) const = default;
};

// The base block facts a hive keeps across a rewrite.
struct HiveHeader {
  std::uint32_t minorVersion = 5;  // major version is always 1
  std::uint32_t sequence = 1;
  std::uint64_t lastWritten = 0;
  std::uint32_t flags = 0;
  std::vector<std::uint8_t> fileName;  // the 64-byte name field, as stored
  // Kept as read; HiveWriter.cpp says why for every base block field.
  Guid rmId{}, logId{}, tmId{};
  std::uint32_t guidSignature = 0;
  std::uint64_t lastReorganized = 0;
  std::size_t offlineAt = 0;  // where the offline library's mark lies; 0: none
  std::uint32_t offlineFlags = 0;
  std::uint64_t offlineSaved = 0;
  Guid thawTmId{}, thawRmId{}, thawLogId{};

  bool operator==(const HiveHeader&) const = default;
};

struct HiveTree {
  HiveHeader header;
  HiveKey root;

  bool operator==(const HiveTree&) const = default;
};

}  // namespace hive
