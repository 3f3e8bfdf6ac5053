#pragma once
// Shared helpers of the hive tests: a scratch folder, the real hives of
// shared/hives unpacked into it, and a few generated trees.

#include "tests/hive/HiveBuilder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hivetest {

// A fresh folder under the system temporary folder, removed with its contents.
class CScratchFolder {
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// shared/hives beside the source tree, or empty when it cannot be seen
// (under Wine the Linux path is not a normal Windows path).
std::filesystem::path SharedHivesFolder();

// Unpacks shared/hives/RELATIVE.xz into `folder` under the same relative
// path and returns the unpacked file; empty when xz is missing or fails.
std::filesystem::path Unpack(const std::filesystem::path& folder, const std::string& relative);

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file);
void WriteAll(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed);
std::u16string U16(const std::string& ascii);
// "Key17" and the like, as UTF-16.
std::u16string Numbered(const char* prefix, std::size_t number);

// A tree with the awkward cases: non-ASCII names (Latin-1 and beyond),
// values of 0 to 100,000 bytes, a class name, more than 1,024 subkeys under
// one key, and `extraKeys` further keys spread over two levels.
BuildKey AwkwardTree(std::size_t extraKeys);

} // namespace hivetest
