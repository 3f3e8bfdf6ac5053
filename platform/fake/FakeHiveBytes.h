#pragma once
// The bridge between the fake registry's keys and real hive files: the bytes a
// save of a key writes, and the keys a hive file mounts as.
#include <cstdint>
#include <vector>

namespace platform::fake {

struct FakeKey;

// The hive file RegSaveKeyExW writes for `key` and everything below it, with
// the project's hive writer: volatile keys left out, the latest format or the
// Windows 2000 one (minor version 3) as `flags` asks.
std::vector<std::uint8_t> SavedHiveBytes(const FakeKey& key, std::uint32_t flags);

// Replaces the values and the non-volatile subkeys of `key` with a hive file's
// content. False, with the key untouched, when the reader does not judge the
// file sound or with warnings only.
bool LoadHiveBytes(const std::vector<std::uint8_t>& bytes, FakeKey& key);

}  // namespace platform::fake
