#include "hive/FileBytes.h"

#include <fstream>
#include <new>
#include <system_error>

namespace hive {

std::string PathText(const std::filesystem::path& file) {
  std::u8string text = file.u8string();
  return std::string(text.begin(), text.end());
}

bool ReadFileBytes(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
                   std::string& error) {
  std::error_code code;
  if (std::filesystem::is_directory(file, code)) {
    error = PathText(file) + ": is a folder, not a file";
    return false;
  }
  std::uintmax_t size = std::filesystem::file_size(file, code);
  if (code) {
    error = PathText(file) + ": cannot read: " + code.message();
    return false;
  }
  if (size > kLargestReadableFile) {
    error = PathText(file) + ": too large to be a hive (" + std::to_string(size) + " bytes)";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = PathText(file) + ": cannot open for reading";
    return false;
  }
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    error = PathText(file) + ": not enough memory to read " + std::to_string(size) + " bytes";
    return false;
  }
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) {
    error = PathText(file) + ": read only " + std::to_string(in.gcount()) + " of " +
            std::to_string(size) + " bytes";
    return false;
  }
  return true;
}

}  // namespace hive
