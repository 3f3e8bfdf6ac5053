#include "catalogue/RegistryBuffer.h"

CRegistryBuffer::~CRegistryBuffer() {
  delete[] data;
  data = nullptr;
  capacity = 0;
  size = 0;
  type = 0;
}

void CRegistryBuffer::Reserve(std::uint32_t bytes) {
  if (bytes <= capacity) return;
  delete[] data;
  data = nullptr;
  capacity = 0;
  size = 0;
  type = 0;
  // A byte array from new[] is aligned for any type that fits, so the block can
  // be read as wide text.
  data = new std::uint8_t[bytes];
  capacity = bytes;
}
