#include "hive/Marvin32.h"

namespace hive {

namespace {

std::uint32_t RotateLeft(std::uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

void Mix(std::uint32_t& low, std::uint32_t& high) {
  high ^= low;
  low = RotateLeft(low, 20);
  low += high;
  high = RotateLeft(high, 9);
  high ^= low;
  low = RotateLeft(low, 27);
  low += high;
  high = RotateLeft(high, 19);
}

}  // namespace

std::uint64_t Marvin32(Bytes data, std::uint64_t seed) {
  std::uint32_t low = static_cast<std::uint32_t>(seed);
  std::uint32_t high = static_cast<std::uint32_t>(seed >> 32);
  std::size_t whole = data.size() / 4 * 4;
  for (std::size_t i = 0; i < whole; i += 4) {
    low += ReadU32(data, i);
    Mix(low, high);
  }
  // The last 0-3 bytes, then a 0x80 marker byte.
  std::uint32_t last = 0x80;
  for (std::size_t i = data.size(); i > whole; --i) last = (last << 8) | data[i - 1];
  low += last;
  Mix(low, high);
  Mix(low, high);
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

}  // namespace hive
