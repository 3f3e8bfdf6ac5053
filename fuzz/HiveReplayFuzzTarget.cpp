// libFuzzer target: a dirty primary and up to two logs, each behind a 32-bit
// little-endian length (the last part takes what is left), replayed and then
// checked. Mutating each part on its own reaches the entry and page checks of
// both log formats that a log cut from the primary itself cannot.

#include "hive/HiveCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMostParts = 3;  // the primary, LOG1, LOG2

std::vector<std::vector<std::uint8_t>> Split(const std::uint8_t* data, std::size_t size) {
  std::vector<std::vector<std::uint8_t>> parts;
  while (size > 0 && parts.size() < kMostParts) {
    std::size_t length = size;
    if (parts.size() + 1 < kMostParts && size >= 4) {
      std::size_t claimed = data[0] | data[1] << 8 | data[2] << 16 | std::size_t{data[3]} << 24;
      data += 4;
      size -= 4;
      length = claimed < size ? claimed : size;
    }
    parts.emplace_back(data, data + length);
    data += length;
    size -= length;
  }
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::vector<std::uint8_t>> parts = Split(data, size);
  if (parts.empty()) return 0;
  std::vector<hive::LogInput> logs;
  for (std::size_t i = 1; i < parts.size(); ++i)
    logs.push_back(hive::LogInput{"LOG" + std::to_string(i), std::move(parts[i])});
  hive::CheckHiveBytes(std::move(parts[0]), logs);
  return 0;
}
