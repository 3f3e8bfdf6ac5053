#pragma once
// Reading a whole file into memory: hives are at most a few hundred MiB and
// every check looks at every cell, so one read beats many small ones.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hive {

// Hive bins data size is a 32-bit field; a file may carry some padding after
// the bins, but nothing this reader wants is beyond this.
constexpr std::uintmax_t kLargestReadableFile = 0x100001000ull;

// False with a message naming the file when it cannot be read whole.
bool ReadFileBytes(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
                   std::string& error);

// UTF-8 text of a path, for messages.
std::string PathText(const std::filesystem::path& file);

}  // namespace hive
