#include "catalogue/RegistryBuffer.h"

void CRegistryBuffer::Reserve(std::uint32_t bytes) {
  if (bytes <= Capacity()) return;
  // A new block, not a grown one: nothing of the old content is carried over.
  m_block = std::vector<std::uint8_t>(bytes);
  size = 0;
  type = 0;
}
