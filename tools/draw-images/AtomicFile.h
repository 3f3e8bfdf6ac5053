#pragma once
// Writing a file so that a failure never leaves a partial file under its name.
#include <cstdint>
#include <filesystem>
#include <vector>

namespace images {

// Writes `bytes` to a temporary file beside `path` and renames it over `path`.
// Throws std::runtime_error naming the file when any step fails; the old file,
// if there was one, is then left as it was.
void WriteFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace images
