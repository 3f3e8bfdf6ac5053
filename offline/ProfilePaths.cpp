#include "offline/ProfilePaths.h"

#include "offline/NameMatch.h"
#include "hive/Names.h"

#include <cctype>

namespace offline {

namespace {

const char* const kProfileListPath[] = {"Microsoft", "Windows NT", "CurrentVersion"};
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;

const hive::HiveKey* Subkey(const hive::HiveKey& key, std::string_view name) {
  for (const hive::HiveKey& subkey : key.subkeys)
    if (SameNameNoCase(hive::ToUtf8(subkey.name), name)) return &subkey;
  return nullptr;
}

// A string value's text up to its terminating NUL; empty when absent or not a string.
std::string StringValue(const hive::HiveKey& key, std::string_view name) {
  for (const hive::HiveValue& value : key.values) {
    if (!SameNameNoCase(hive::ToUtf8(value.name), name)) continue;
    if (value.type != kRegSz && value.type != kRegExpandSz) return {};
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
      char16_t unit = static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
      if (unit == 0) break;
      text += unit;
    }
    return hive::ToUtf8(text);
  }
  return {};
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

}  // namespace

ProfileList ReadProfileList(const hive::HiveTree& software) {
  ProfileList list;
  list.systemRoot = "C:\\Windows";
  const hive::HiveKey* key = &software.root;
  for (const char* name : kProfileListPath)
    if (key && !(key = Subkey(*key, name))) return list;
  std::string systemRoot = StringValue(*key, "SystemRoot");
  if (HasDriveLetter(systemRoot)) list.systemRoot = systemRoot;
  const hive::HiveKey* profiles = Subkey(*key, "ProfileList");
  if (!profiles) return list;
  for (const hive::HiveKey& profile : profiles->subkeys)
    list.profiles.push_back({hive::ToUtf8(profile.name), StringValue(profile, "ProfileImagePath")});
  return list;
}

MappedPath MapOntoSystemVolume(const std::string& windowsPath, const std::string& systemRoot) {
  const std::string systemDrive = Upper(systemRoot.substr(0, 2));
  std::string expanded;
  for (std::size_t at = 0; at < windowsPath.size();) {
    std::size_t close = windowsPath[at] == '%' ? windowsPath.find('%', at + 1) : std::string::npos;
    if (close == std::string::npos) {
      expanded += windowsPath[at++];
      continue;
    }
    std::string variable = Upper(windowsPath.substr(at + 1, close - at - 1));
    if (variable == "SYSTEMDRIVE")
      expanded += systemDrive;
    else if (variable == "SYSTEMROOT" || variable == "WINDIR")
      expanded += systemRoot;
    else
      return {{},
              "uses %" + windowsPath.substr(at + 1, close - at - 1) +
                  "%, which only the running Windows knows"};
    at = close + 1;
  }
  if (expanded.empty()) return {{}, "has no profile path"};
  if (!HasDriveLetter(expanded) || (expanded.size() > 2 && expanded[2] != '\\'))
    return {{}, "is not a path on a drive"};
  if (Upper(expanded.substr(0, 2)) != systemDrive)
    return {
        {},
        "is on drive " + Upper(expanded.substr(0, 2)) + ", not the system drive " + systemDrive};
  MappedPath mapped;
  std::size_t start = 3;
  while (start <= expanded.size()) {
    std::size_t end = expanded.find('\\', start);
    if (end == std::string::npos) end = expanded.size();
    std::string component = expanded.substr(start, end - start);
    if (component == "." || component == "..") return {{}, "is not a plain path"};
    if (!component.empty()) mapped.components.push_back(component);
    start = end + 1;
  }
  if (mapped.components.empty()) return {{}, "is the root of the drive"};
  return mapped;
}

}  // namespace offline
