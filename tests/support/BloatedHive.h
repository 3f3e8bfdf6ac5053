#pragma once
// A user's hive as years of sign-ins leave it: free space a save leaves out.
#include <cstdint>
#include <vector>

#include "hive/BaseBlock.h"
#include "hive/RecordLayout.h"
#include "platform/fake/FakeHiveBytes.h"
#include "platform/fake/FakeRegistry.h"

namespace test_support {

inline void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A hive as the fake's save writes one, followed by a bin of free space that
// a save leaves out: what years of sign-ins leave in a user's hive.
inline std::vector<std::uint8_t> BloatedHive(const wchar_t* valueName) {
  platform::fake::FakeKey content;
  content.name = L"ROOT";
  content.values.push_back({valueName, platform::kRegDword, {1, 0, 0, 0}});
  std::vector<std::uint8_t> bytes =
      platform::fake::SavedHiveBytes(content, platform::kRegLatestFormat);
  const std::size_t binsSize = bytes.size() - hive::kBaseBlockSize;
  std::vector<std::uint8_t> bin(hive::kPageSize, 0);
  bin[0] = 'h';
  bin[1] = 'b';
  bin[2] = 'i';
  bin[3] = 'n';
  Put32(bin, hive::hbin::kOffset, static_cast<std::uint32_t>(binsSize));
  Put32(bin, hive::hbin::kSize, hive::kPageSize);
  Put32(bin, hive::kBinHeaderSize, hive::kBinRoom);  // one free cell
  bytes.insert(bytes.end(), bin.begin(), bin.end());
  Put32(bytes, hive::regf::kBinsSize, static_cast<std::uint32_t>(binsSize + hive::kPageSize));
  hive::StoreBaseBlockChecksum(bytes);
  return bytes;
}

}  // namespace test_support
