#pragma once
// SHA-256 (FIPS 180-4), 64 lower-case hex digits: how a run's record names each copy
// and backup, so that a file put back is proved byte for byte the one taken away.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace hive {

class CSha256 {
 public:
  CSha256();
  void Add(std::span<const std::uint8_t> bytes);
  // The digest as 64 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> m_state;
  std::array<std::uint8_t, 64> m_pending{};
  std::size_t m_pendingSize = 0;
  std::uint64_t m_length = 0;
};

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace hive
