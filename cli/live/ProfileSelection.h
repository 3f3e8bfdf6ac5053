#pragma once
// Which profiles' hives a live command works on: with --profiles every
// profile `kelvaro-hive profiles` says Kelvaro would compact; with --profile
// WHO (as often as wanted) those named, WHO being a SID, DOMAIN\user, or a
// user name that only one profile has. A named profile Kelvaro leaves alone
// (signed in, mandatory, ...) is reported with its reason, not compacted.
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/live/LiveReport.h"
#include "profiles/ProfileList.h"

struct ProfileSelection {
  profiles::ProfileListing listing;
  std::vector<const profiles::UserProfile*> chosen;     // Kelvaro would compact them
  std::vector<const profiles::UserProfile*> leftAlone;  // the others asked for
  std::string error;  // a WHO no profile, or more than one, answers to; the list unreadable
  bool ok() const { return error.empty(); }
};

// The command asks for profiles at all.
bool AsksForProfiles(const ParsedCommand& command);

// Reads the profile list (FindProfiles) and chooses as above.
ProfileSelection SelectProfiles(const ParsedCommand& command);
// As SelectProfiles, over a listing already read; `who` empty: every profile.
void ChooseProfiles(ProfileSelection& selection, const std::vector<std::wstring>& who);

// HKU\<SID> for NTUSER.DAT and HKU\<SID>_Classes for UsrClass.dat: the names
// the hives have when the user is signed in.
CString ProfileHiveName(const std::wstring& sid, bool classes);

// One line per hive of each profile left alone, with its verdict and reason.
std::vector<LiveHiveLine> LeftAloneLines(const ProfileSelection& selection);
