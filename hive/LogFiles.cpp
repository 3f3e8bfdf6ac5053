#include "hive/LogFiles.h"

#include <algorithm>
#include <system_error>

namespace hive {

namespace {

std::filesystem::path::string_type Folded(std::filesystem::path::string_type text) {
  for (auto& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<std::filesystem::path::value_type>(c - 'a' + 'A');
  return text;
}

constexpr const char* kLogSuffixes[] = {".LOG1", ".LOG2", ".LOG"};

}  // namespace

std::vector<std::filesystem::path> LogNamesFor(const std::filesystem::path& hive) {
  std::vector<std::filesystem::path> names;
  for (const char* suffix : kLogSuffixes) {
    std::filesystem::path name = hive;
    name += suffix;
    names.push_back(name);
  }
  return names;
}

std::vector<std::filesystem::path> FindLogsBeside(const std::filesystem::path& hive) {
  std::vector<std::filesystem::path> logs;
  std::filesystem::path folder = hive.parent_path();
  if (folder.empty()) folder = ".";
  auto base = Folded(hive.filename().native());
  std::error_code code;
  std::vector<std::filesystem::path> present;
  for (const auto& entry : std::filesystem::directory_iterator(folder, code))
    present.push_back(entry.path());
  for (const char* suffix : kLogSuffixes) {
    auto wanted = base;
    for (const char* c = suffix; *c; ++c)
      wanted.push_back(static_cast<std::filesystem::path::value_type>(*c));
    auto found =
        std::find_if(present.begin(), present.end(), [&](const std::filesystem::path& file) {
          return Folded(file.filename().native()) == wanted;
        });
    if (found != present.end() && std::filesystem::is_regular_file(*found, code))
      logs.push_back(*found);
  }
  return logs;
}

}  // namespace hive
