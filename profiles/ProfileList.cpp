#include "profiles/ProfileList.h"

#include <cstring>

#include "catalogue/RegistryKey.h"
#include "platform/Platform.h"
#include "profiles/AccountName.h"
#include "profiles/ProfileFolderText.h"

namespace profiles {

namespace {

// Registry key names are at most 255 characters.
constexpr std::uint32_t kKeyNameRoom = 256;
constexpr std::uint32_t kListAccess = platform::kKeyRead | platform::kKeyWow64_64Key;

std::wstring StringValue(CRegistryKey& key, const wchar_t* name) {
  CRegistryBuffer data;
  if (key.QueryValue(name, data) != platform::kErrorSuccess) return {};
  if (data.type != platform::kRegSz && data.type != platform::kRegExpandSz) return {};
  std::wstring text(data.Text(), data.size / sizeof(wchar_t));
  const std::size_t end = text.find(L'\0');
  return end == std::wstring::npos ? text : text.substr(0, end);
}

std::uint32_t DwordValue(CRegistryKey& key, const wchar_t* name) {
  CRegistryBuffer data;
  std::uint32_t value = 0;
  if (key.QueryValue(name, data) == platform::kErrorSuccess && data.type == platform::kRegDword &&
      data.size == sizeof value) {
    std::memcpy(&value, data.Data(), sizeof value);
  }
  return value;
}

bool KeyExists(platform::KeyHandle root, const std::wstring& path) {
  CRegistryKey key;
  return key.Open(root, path.c_str(), platform::kKeyQueryValue) == platform::kErrorSuccess;
}

std::wstring SystemWindowsFolder() {
  wchar_t buffer[kKeyNameRoom * 2] = {};
  const std::uint32_t length =
      platform::Current().System().QuerySystemWindowsDirectory(buffer, kKeyNameRoom * 2);
  return length > 0 && length < kKeyNameRoom * 2 ? std::wstring(buffer, length) : L"C:\\Windows";
}

struct FileLook {
  std::optional<std::uint64_t> size;
  bool link = false;
};

// The file or folder itself, never a link's target, with no handle opened on
// it: thousands of profiles are listed quickly, and a user signing in
// meanwhile never finds the file held by the listing. The swap looks again
// through a handle before it changes anything.
FileLook Look(const std::wstring& path) {
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  if (!platform::Current().Files().QueryAttributesAndSize(path.c_str(), &attributes, &size)) {
    return {};
  }
  return {size, (attributes & platform::kFileAttributeReparsePoint) != 0};
}

UserProfile Describe(CRegistryKey& key, const std::wstring& keyName,
                     const std::wstring& windowsFolder) {
  UserProfile profile;
  profile.sid = keyName;
  ProfileFacts facts;
  facts.keyName = keyName;
  facts.state = DwordValue(key, L"State");
  facts.roaming = !StringValue(key, L"CentralProfile").empty();
  facts.loaded = ProfileLoaded(keyName);
  const std::wstring stored = StringValue(key, L"ProfileImagePath");
  const ExpandedFolder folder = ExpandProfileFolder(stored, windowsFolder);
  profile.folder = folder.problem.empty() ? folder.path : stored;
  profile.folderProblem = folder.problem;
  profile.account = LookUpAccountName(keyName);
  if (folder.problem.empty()) {
    facts.folder = folder.path;
    const FileLook folderLook = Look(folder.path);
    // Windows loads NTUSER.MAN in preference to NTUSER.DAT when both exist.
    FileLook user = Look(folder.path + L"\\NTUSER.MAN");
    facts.mandatoryFile = user.size.has_value();
    profile.userHive.path = folder.path + (facts.mandatoryFile ? L"\\NTUSER.MAN" : L"\\NTUSER.DAT");
    if (!facts.mandatoryFile) user = Look(profile.userHive.path);
    profile.classesHive.path = folder.path + L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
    const FileLook classes = Look(profile.classesHive.path);
    profile.userHive.size = user.size;
    profile.classesHive.size = classes.size;
    facts.hiveFileFound = user.size.has_value();
    facts.link = folderLook.link || user.link || classes.link;
  }
  profile.judgement = JudgeProfile(facts);
  return profile;
}

}  // namespace

bool ProfileLoaded(const std::wstring& sid) {
  return KeyExists(platform::kHKeyUsers, sid) || KeyExists(platform::kHKeyUsers, sid + L"_Classes");
}

ProfileListing FindProfiles() {
  ProfileListing listing;
  CRegistryKey list;
  if (list.Open(platform::kHKeyLocalMachine, kProfileListKey, kListAccess) !=
      platform::kErrorSuccess) {
    return listing;
  }
  listing.listRead = true;
  const std::wstring windowsFolder = SystemWindowsFolder();
  platform::IRegistry& registry = platform::Current().Registry();
  for (std::uint32_t index = 0;; ++index) {
    wchar_t name[kKeyNameRoom] = {};
    std::uint32_t length = kKeyNameRoom;
    if (registry.EnumSubkey(list.Get(), index, name, &length) != platform::kErrorSuccess) break;
    const std::wstring keyName(name, length);
    CRegistryKey profileKey;
    if (profileKey.Open(list.Get(), keyName.c_str(), kListAccess) != platform::kErrorSuccess) {
      continue;
    }
    listing.profiles.push_back(Describe(profileKey, keyName, windowsFolder));
  }
  return listing;
}

}  // namespace profiles
