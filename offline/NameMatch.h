#pragma once
// Finding Windows' files on a volume whose file system may tell case apart
// (an NTFS volume mounted on Linux): names compare without regard to case,
// as Windows compares them.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace offline {

// Equal ignoring ASCII case; other characters must be equal.
bool SameNameNoCase(std::string_view a, std::string_view b);

// The path from UTF-8 text.
std::filesystem::path PathFromUtf8(std::string_view text);

// The entry of `folder` named `name` (UTF-8): that exact name when it exists,
// else the first whose name is the same ignoring case.
std::optional<std::filesystem::path> FindEntryNoCase(const std::filesystem::path& folder,
                                                     std::string_view name);

// `start` followed by each of `components`, each found as FindEntryNoCase finds it.
std::optional<std::filesystem::path> FindPathNoCase(const std::filesystem::path& start,
                                                    const std::vector<std::string>& components);

}  // namespace offline
