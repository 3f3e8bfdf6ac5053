// Writes a well-formed hive of about the given size, for the benchmark:
//   make-big-hive FILE MEGABYTES [FREE_GAP]
// FREE_GAP (a multiple of 8) puts a free cell of that size before every
// record: the same content, fragmented as a much-edited hive is.
// Keys in three levels, each with a few values of mixed sizes (a big-data
// value now and then), like a large SOFTWARE hive.

#include "tests/hive/HiveBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace hivetest;

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: make-big-hive FILE MEGABYTES [FREE_GAP]\n");
    return 2;
  }
  std::size_t target = std::strtoull(argv[2], nullptr, 10) * 1024 * 1024;
  auto u16 = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
  BuildKey root{u16("ROOT"), {}, {}, {}};
  std::size_t estimate = 0;
  std::uint32_t seed = 1;
  for (std::size_t a = 0; estimate < target; ++a) {
    BuildKey level1{u16("Vendor" + std::to_string(a)), {}, {}, {}};
    for (std::size_t b = 0; b < 40 && estimate < target; ++b) {
      BuildKey level2{u16("Product" + std::to_string(b)), {}, {}, {}};
      for (std::size_t c = 0; c < 25 && estimate < target; ++c) {
        BuildKey leaf{u16("Setting" + std::to_string(c)), {}, {}, {}};
        std::size_t sizes[] = {4, 24, 200, (seed % 97 == 0) ? 40000u : 1200u};
        for (std::size_t v = 0; v < 4; ++v) {
          std::vector<std::uint8_t> data(sizes[v]);
          for (auto& byte : data)
            byte = static_cast<std::uint8_t>(seed = seed * 1103515245u + 12345u);
          leaf.values.push_back(BuildValue{u16("Value" + std::to_string(v)), 3, std::move(data)});
          estimate += sizes[v] + 48;
        }
        estimate += 200;
        level2.subkeys.push_back(std::move(leaf));
      }
      level1.subkeys.push_back(std::move(level2));
    }
    root.subkeys.push_back(std::move(level1));
  }
  std::uint32_t freeGap =
      argc == 4 ? static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)) / 8 * 8 : 0;
  std::vector<std::uint8_t> bytes = BuildHive(root, nullptr, freeGap);
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
