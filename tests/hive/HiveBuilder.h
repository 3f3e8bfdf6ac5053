#pragma once
// Writes well-formed 1.5 hives from a tree of keys, for tests and the
// benchmark: sorted lh lists (ri above 500 subkeys), one shared security
// record, big-data records above 16,344 bytes, exact "largest" fields and a
// root with no parent, so a fresh build checks as sound. Offsets of the
// records it wrote are kept so tests can damage them on purpose.

#include <cstdint>
#include <string>
#include <vector>

namespace hivetest {

struct BuildValue {
  std::u16string name;
  std::uint32_t type = 3;
  std::vector<std::uint8_t> data;
};

struct BuildKey {
  std::u16string name;
  std::vector<BuildValue> values;
  std::vector<BuildKey> subkeys;
  std::u16string className;
};

// Where the builder put things (offsets relative to the hive bins data).
struct BuildLayout {
  std::uint32_t security = 0;
  std::vector<std::uint32_t> keys;   // in build order, root first
  std::vector<std::uint32_t> lists;  // subkey lists (leaves and ri)
  std::vector<std::uint32_t> valueLists;
  std::vector<std::uint32_t> values;
  std::vector<std::uint32_t> bigData;  // db records
};

// `freeGap` (a multiple of 8, at least 8) puts a free cell of that size before
// every record: the same content in a fragmented layout.
std::vector<std::uint8_t> BuildHive(const BuildKey& root, BuildLayout* layout = nullptr,
                                    std::uint32_t freeGap = 0);

// Sets the checksum of the base block at the start of `hive`.
void SealBaseBlock(std::vector<std::uint8_t>& hive);

}  // namespace hivetest
