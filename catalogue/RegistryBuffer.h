#pragma once
// A growable block of bytes that receives a value name or a value's data.
// Growing never keeps the old content: callers re-read after a grow.
#include <cstdint>

class CRegistryBuffer {
 public:
  CRegistryBuffer() = default;
  virtual ~CRegistryBuffer();
  CRegistryBuffer(const CRegistryBuffer&) = delete;
  CRegistryBuffer& operator=(const CRegistryBuffer&) = delete;

  // Grows to exactly `bytes` when that is more than the capacity (content
  // dropped, size and type zeroed); otherwise changes nothing.
  void Reserve(std::uint32_t bytes);

  std::uint8_t* data = nullptr;
  std::uint32_t capacity = 0;
  std::uint32_t size = 0;
  std::uint32_t type = 0;

  // The block as a zero-terminated wide text (value names are stored that way).
  const wchar_t* Text() const { return reinterpret_cast<const wchar_t*>(data); }
};
