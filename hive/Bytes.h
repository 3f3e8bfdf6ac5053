#pragma once
// Little-endian reads from a byte view that never go past its end: a read that
// would cross the end yields zero, so a hostile length can only ever produce
// wrong numbers, never an access outside the buffer. Callers that need to
// tell "zero" from "missing" check Fits() first.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace hive {

using Bytes = std::span<const std::uint8_t>;

inline bool Fits(Bytes bytes, std::size_t offset, std::size_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

inline std::uint16_t ReadU16(Bytes bytes, std::size_t offset) {
  if (!Fits(bytes, offset, 2)) return 0;
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::uint32_t ReadU32(Bytes bytes, std::size_t offset) {
  if (!Fits(bytes, offset, 4)) return 0;
  return static_cast<std::uint32_t>(bytes[offset]) |
         (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

inline std::uint64_t ReadU64(Bytes bytes, std::size_t offset) {
  return static_cast<std::uint64_t>(ReadU32(bytes, offset)) |
         (static_cast<std::uint64_t>(ReadU32(bytes, offset + 4)) << 32);
}

inline std::int32_t ReadI32(Bytes bytes, std::size_t offset) {
  return static_cast<std::int32_t>(ReadU32(bytes, offset));
}

// True when the bytes at `offset` spell `signature` (two or four ASCII letters).
inline bool HasSignature(Bytes bytes, std::size_t offset, std::string_view signature) {
  if (!Fits(bytes, offset, signature.size())) return false;
  for (std::size_t i = 0; i < signature.size(); ++i)
    if (bytes[offset + i] != static_cast<std::uint8_t>(signature[i])) return false;
  return true;
}

inline void WriteU32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return;
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void WriteU64(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t value) {
  if (offset > bytes.size() || bytes.size() - offset < 8) return;
  WriteU32(bytes, offset, static_cast<std::uint32_t>(value));
  WriteU32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace hive
