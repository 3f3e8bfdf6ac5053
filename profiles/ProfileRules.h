#pragma once
// What kind of profile a profile-list entry is, and whether Kelvaro compacts
// its hives while nobody is signed in to it.
//
// The State bits are not documented by Microsoft; the values used are those
// of userenv's profile flags as long published by its support articles and
// community references (0x0001 mandatory, 0x0800 temporary profile assigned).
// A bit only ever makes Kelvaro leave a profile alone, and the documented
// signs are read too: NTUSER.MAN and a folder ending in ".man" (mandatory
// profiles, Microsoft Learn "Mandatory user profiles"), a TEMP folder and a
// "SID.bak" key (what Windows leaves when it signs a user in with a
// temporary profile), CentralProfile set (a roaming profile).
#include <cstdint>
#include <string>
#include <string_view>

namespace profiles {

inline constexpr std::uint32_t kProfileStateMandatory = 0x0001;
inline constexpr std::uint32_t kProfileStateTemporary = 0x0800;

enum class ProfileKind { kNotSignedIn, kSignedIn, kTemporary, kMandatory, kRoaming, kService };

enum class ProfileVerdict {
  kWouldCompact,
  kSignedIn,        // loaded now: the hive list has it, compacted with the loaded hives
  kTemporary,       // Windows deletes it at sign-out
  kMandatory,       // the administrator's copy replaces it at every sign-in
  kRoaming,         // the server's copy is the profile; compact it there
  kServiceAccount,  // a service may load it at any moment
  kBadFolder,       // ProfileImagePath is not a local full path
  kNoHiveFile,      // no NTUSER.DAT (nor NTUSER.MAN) in the folder
  kLink,            // the folder or the file is a link or junction
};

struct ProfileFacts {
  std::wstring keyName;  // the profile list's subkey: a SID, perhaps with ".bak"
  std::wstring folder;   // ProfileImagePath expanded; empty when it could not be
  std::uint32_t state = 0;
  bool roaming = false;        // CentralProfile is set
  bool loaded = false;         // HKU\<SID> or HKU\<SID>_Classes exists
  bool mandatoryFile = false;  // the user hive is NTUSER.MAN
  bool hiveFileFound = false;
  bool link = false;  // the folder or a hive file is a reparse point
};

struct ProfileJudgement {
  ProfileKind kind = ProfileKind::kNotSignedIn;
  ProfileVerdict verdict = ProfileVerdict::kWouldCompact;
};

ProfileJudgement JudgeProfile(const ProfileFacts& facts);

// "not signed in", "signed in", "temporary", "mandatory", "roaming", "service".
std::string_view KindText(ProfileKind kind);
// The verdict's code ("would-compact", "signed-in", …) and, when it leaves the
// profile alone, the sentence saying why.
struct VerdictWords {
  std::string_view code;
  std::string_view text;
};
VerdictWords WordsFor(ProfileVerdict verdict);

}  // namespace profiles
