#include "offline/NameMatch.h"

#include "hive/FileBytes.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace offline {

bool SameNameNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char p, char q) {
    return std::toupper(static_cast<unsigned char>(p)) ==
           std::toupper(static_cast<unsigned char>(q));
  });
}

std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::optional<std::filesystem::path> FindEntryNoCase(const std::filesystem::path& folder,
                                                     std::string_view name) {
  std::error_code code;
  std::filesystem::path exact = folder / PathFromUtf8(name);
  if (std::filesystem::exists(std::filesystem::symlink_status(exact, code))) return exact;
  for (std::filesystem::directory_iterator entry(folder, code), end; !code && entry != end;
       entry.increment(code)) {
    if (SameNameNoCase(hive::PathText(entry->path().filename()), name)) return entry->path();
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> FindPathNoCase(const std::filesystem::path& start,
                                                    const std::vector<std::string>& components) {
  std::optional<std::filesystem::path> at = start;
  for (const std::string& component : components) {
    at = FindEntryNoCase(*at, component);
    if (!at) return std::nullopt;
  }
  return at;
}

}  // namespace offline
