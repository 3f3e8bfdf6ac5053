#pragma once
// Every profile the machine's profile list names, with its hive files and
// whether Kelvaro would compact them while nobody is signed in to it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "profiles/ProfileRules.h"

namespace profiles {

inline constexpr wchar_t kProfileListKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

struct ProfileHiveFile {
  std::wstring path;                  // empty when the folder is unknown
  std::optional<std::uint64_t> size;  // nothing when there is no such file
};

struct UserProfile {
  std::wstring sid;      // the profile list's key name
  std::wstring account;  // DOMAIN\user; empty when the SID does not resolve
  std::wstring folder;   // ProfileImagePath expanded, or as stored when it could not be
  std::wstring folderProblem;
  ProfileHiveFile userHive;     // NTUSER.DAT, or NTUSER.MAN for a mandatory profile
  ProfileHiveFile classesHive;  // AppData\Local\Microsoft\Windows\UsrClass.dat
  ProfileJudgement judgement;
};

struct ProfileListing {
  std::vector<UserProfile> profiles;  // in the profile list's order
  bool listRead = false;              // false: the key could not be opened
};

// HKU\<SID> or HKU\<SID>_Classes is there now: the profile service has
// loaded the user's hives.
bool ProfileLoaded(const std::wstring& sid);

// Reads the 64-bit view of the profile list (so a 32-bit Kelvaro on 64-bit
// Windows sees what Windows does), the hive list's HKU keys, the files and the
// account names, all through the installed platform.
ProfileListing FindProfiles();

}  // namespace profiles
