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
  // The name as the folder spells it: on a file system that ignores case the
  // caller's spelling would also be found, and the reports name what is on disk.
  std::error_code code;
  std::optional<std::filesystem::path> found;
  for (std::filesystem::directory_iterator entry(folder, code), end; !code && entry != end;
       entry.increment(code)) {
    const std::string entryName = hive::PathText(entry->path().filename());
    if (entryName == name) return entry->path();
    if (!found && SameNameNoCase(entryName, name)) found = entry->path();
  }
  if (found) return found;
  // A folder that cannot be listed may still be passed through.
  std::filesystem::path exact = folder / PathFromUtf8(name);
  if (std::filesystem::exists(std::filesystem::symlink_status(exact, code))) return exact;
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
