#pragma once
// A growable block of bytes that receives a value name or a value's data.
// Growing never keeps the old content: callers re-read after a grow.
#include <cstdint>
#include <vector>

class CRegistryBuffer {
 public:
  // Grows to exactly `bytes` when that is more than the capacity (content
  // dropped, size and type zeroed); otherwise changes nothing.
  void Reserve(std::uint32_t bytes);

  // The block, or null before the first Reserve. Its storage comes from the
  // allocator, aligned for any type that fits, so it can be read as wide text.
  std::uint8_t* Data() { return m_block.empty() ? nullptr : m_block.data(); }
  const std::uint8_t* Data() const { return m_block.empty() ? nullptr : m_block.data(); }
  std::uint32_t Capacity() const { return static_cast<std::uint32_t>(m_block.size()); }
  // The block as a zero-terminated wide text (value names are stored that way).
  const wchar_t* Text() const { return reinterpret_cast<const wchar_t*>(Data()); }

  std::uint32_t size = 0;  // bytes the last read put in the block
  std::uint32_t type = 0;  // the value's type from the last read

 private:
  std::vector<std::uint8_t> m_block;
};
