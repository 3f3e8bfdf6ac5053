#pragma once
// A fixed-size set of bits, one per 8-byte slot of hive bins data (cells
// start on 8-byte boundaries), so "is a cell here" costs one bit per slot.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hive {

class CBitmap {
 public:
  explicit CBitmap(std::size_t bits = 0) : m_words((bits + 63) / 64, 0), m_nBits(bits) {}

  bool Test(std::size_t bit) const {
    return bit < m_nBits && (m_words[bit / 64] >> (bit % 64)) & 1u;
  }
  void Set(std::size_t bit) {
    if (bit < m_nBits) m_words[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }
  // Sets the bit and says whether it was already set.
  bool TestAndSet(std::size_t bit) {
    bool was = Test(bit);
    Set(bit);
    return was;
  }
  std::size_t Size() const { return m_nBits; }
  // The 64 bits from bit 64 * `index` on, lowest first.
  std::uint64_t Word(std::size_t index) const { return m_words[index]; }

 private:
  std::vector<std::uint64_t> m_words;
  std::size_t m_nBits;
};

}  // namespace hive
