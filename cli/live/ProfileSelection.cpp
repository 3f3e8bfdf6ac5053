#include "cli/live/ProfileSelection.h"

#include <cwctype>

namespace {

using profiles::UserProfile;

bool SameText(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return true;
}

// SID or DOMAIN\user exactly (any case); a name without a backslash matches
// the user part of DOMAIN\user.
bool AnswersTo(const UserProfile& profile, const std::wstring& who) {
  if (SameText(profile.sid, who) || SameText(profile.account, who)) return true;
  const std::size_t slash = profile.account.find(L'\\');
  return who.find(L'\\') == std::wstring::npos && slash != std::wstring::npos &&
         SameText(profile.account.substr(slash + 1), who);
}

bool WouldCompact(const UserProfile& profile) {
  return profile.judgement.verdict == profiles::ProfileVerdict::kWouldCompact;
}

void Take(ProfileSelection& selection, const UserProfile& profile) {
  auto& list = WouldCompact(profile) ? selection.chosen : selection.leftAlone;
  for (const UserProfile* taken : list) {
    if (taken == &profile) return;  // named twice
  }
  list.push_back(&profile);
}

}  // namespace

bool AsksForProfiles(const ParsedCommand& command) {
  return command.Has("--profiles") || !command.Values("--profile").empty();
}

void ChooseProfiles(ProfileSelection& selection, const std::vector<std::wstring>& who) {
  if (who.empty()) {
    for (const UserProfile& profile : selection.listing.profiles) Take(selection, profile);
    return;
  }
  for (const std::wstring& name : who) {
    const UserProfile* match = nullptr;
    for (const UserProfile& profile : selection.listing.profiles) {
      if (!AnswersTo(profile, name)) continue;
      if (match != nullptr) {
        selection.error = "more than one profile answers to " + Utf8(CString(name.c_str())) +
                          ": name it by DOMAIN\\user or SID (kelvaro-hive profiles lists them)";
        return;
      }
      match = &profile;
    }
    if (match == nullptr) {
      selection.error = "no profile answers to " + Utf8(CString(name.c_str())) +
                        " (kelvaro-hive profiles lists them)";
      return;
    }
    Take(selection, *match);
  }
}

ProfileSelection SelectProfiles(const ParsedCommand& command) {
  ProfileSelection selection;
  selection.listing = profiles::FindProfiles();
  if (!selection.listing.listRead) {
    selection.error = "the profile list (HKLM\\" + Utf8(CString(profiles::kProfileListKey)) +
                      ") could not be read";
    return selection;
  }
  std::vector<std::wstring> who;
  // --profiles asks for every profile, whatever else is named.
  if (!command.Has("--profiles")) {
    for (const std::filesystem::path& name : command.Values("--profile")) {
      who.push_back(name.wstring());
    }
  }
  ChooseProfiles(selection, who);
  return selection;
}

CString ProfileHiveName(const std::wstring& sid, bool classes) {
  return CString((L"HKU\\" + sid + (classes ? L"_Classes" : L"")).c_str());
}

std::vector<LiveHiveLine> LeftAloneLines(const ProfileSelection& selection) {
  std::vector<LiveHiveLine> lines;
  for (const UserProfile* profile : selection.leftAlone) {
    LiveHiveLine line;
    line.name = ProfileHiveName(profile->sid, false);
    line.file = CString(profile->userHive.path.c_str());
    line.size = profile->userHive.size.value_or(0);
    const profiles::VerdictWords words = profiles::WordsFor(profile->judgement.verdict);
    line.verdict = std::string(words.code);
    line.reason = std::string(words.text);
    lines.push_back(std::move(line));
  }
  return lines;
}
