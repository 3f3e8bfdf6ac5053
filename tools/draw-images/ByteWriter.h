#pragma once
// Little-endian fields appended to a byte buffer, the order Windows files use.
#include <cstdint>
#include <vector>

namespace images {

class ByteWriter {
 public:
  void U8(std::uint32_t value) { m_bytes.push_back(static_cast<std::uint8_t>(value & 0xFF)); }
  void U16(std::uint32_t value) {
    U8(value);
    U8(value >> 8);
  }
  void U32(std::uint32_t value) {
    U16(value & 0xFFFF);
    U16(value >> 16);
  }
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  void Append(const std::vector<std::uint8_t>& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
  }

  std::size_t Size() const { return m_bytes.size(); }
  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
};

}  // namespace images
