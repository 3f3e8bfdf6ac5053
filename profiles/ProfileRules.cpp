#include "profiles/ProfileRules.h"

#include <cwctype>

namespace profiles {

namespace {

bool EndsWithNoCase(const std::wstring& text, std::wstring_view tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i)
    if (static_cast<wchar_t>(std::towlower(text[text.size() - tail.size() + i])) != tail[i])
      return false;
  return true;
}

// The folder's last name: "TEMP" or, on a domain member, "TEMP.DOMAIN.000".
bool IsTemporaryFolder(const std::wstring& folder) {
  const std::size_t slash = folder.find_last_of(L'\\');
  const std::wstring name = folder.substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (name.size() < 4) return false;
  for (std::size_t i = 0; i < 4; ++i)
    if (static_cast<wchar_t>(std::towupper(name[i])) != L"TEMP"[i]) return false;
  return name.size() == 4 || name[4] == L'.';
}

// LocalSystem, LocalService and NetworkService.
bool IsServiceAccount(const std::wstring& sid) {
  return sid == L"S-1-5-18" || sid == L"S-1-5-19" || sid == L"S-1-5-20";
}

}  // namespace

ProfileJudgement JudgeProfile(const ProfileFacts& facts) {
  if (IsServiceAccount(facts.keyName)) {
    return {ProfileKind::kService,
            facts.loaded ? ProfileVerdict::kSignedIn : ProfileVerdict::kServiceAccount};
  }
  if ((facts.state & kProfileStateTemporary) != 0 || EndsWithNoCase(facts.keyName, L".bak") ||
      IsTemporaryFolder(facts.folder)) {
    return {ProfileKind::kTemporary, ProfileVerdict::kTemporary};
  }
  if ((facts.state & kProfileStateMandatory) != 0 || facts.mandatoryFile ||
      EndsWithNoCase(facts.folder, L".man")) {
    return {ProfileKind::kMandatory, ProfileVerdict::kMandatory};
  }
  if (facts.loaded) return {ProfileKind::kSignedIn, ProfileVerdict::kSignedIn};
  if (facts.roaming) return {ProfileKind::kRoaming, ProfileVerdict::kRoaming};
  if (facts.folder.empty()) return {ProfileKind::kNotSignedIn, ProfileVerdict::kBadFolder};
  if (facts.link) return {ProfileKind::kNotSignedIn, ProfileVerdict::kLink};
  if (!facts.hiveFileFound) return {ProfileKind::kNotSignedIn, ProfileVerdict::kNoHiveFile};
  return {ProfileKind::kNotSignedIn, ProfileVerdict::kWouldCompact};
}

std::string_view KindText(ProfileKind kind) {
  switch (kind) {
    case ProfileKind::kNotSignedIn: return "not signed in";
    case ProfileKind::kSignedIn: return "signed in";
    case ProfileKind::kTemporary: return "temporary";
    case ProfileKind::kMandatory: return "mandatory";
    case ProfileKind::kRoaming: return "roaming";
    case ProfileKind::kService: return "service";
  }
  return "";
}

VerdictWords WordsFor(ProfileVerdict verdict) {
  switch (verdict) {
    case ProfileVerdict::kWouldCompact: return {"would-compact", ""};
    case ProfileVerdict::kSignedIn:
      return {"signed-in",
              "its hives are loaded: they are compacted with the loaded hives, at a restart"};
    case ProfileVerdict::kTemporary:
      return {"temporary", "a temporary profile: Windows deletes it when the user signs out"};
    case ProfileVerdict::kMandatory:
      return {"mandatory",
              "a mandatory profile: its administrator's copy is what the user gets, and "
              "Windows discards the user's changes at sign-out"};
    case ProfileVerdict::kRoaming:
      return {"roaming",
              "a roaming profile: the copy on the server is the profile and replaces this one "
              "when it is newer; compact it there"};
    case ProfileVerdict::kServiceAccount:
      return {"service-account",
              "a service account's profile: a service may load it at any moment"};
    case ProfileVerdict::kBadFolder:
      return {"bad-folder", "its folder in the profile list is not a full path on a local drive"};
    case ProfileVerdict::kNoHiveFile: return {"no-hive-file", "its folder holds no NTUSER.DAT"};
    case ProfileVerdict::kLink: return {"link", "its folder or hive file is a link or junction"};
  }
  return {};
}

}  // namespace profiles
