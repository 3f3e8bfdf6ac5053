#include "cli/live/ProfilesCommand.h"

#include "cli/ExitCodes.h"
#include "cli/JsonWriter.h"
#include "cli/live/Elevation.h"
#include "cli/live/LiveReport.h"
#include "profiles/ProfileList.h"

namespace {

using profiles::ProfileHiveFile;
using profiles::UserProfile;

std::string Text(const std::wstring& text) { return Utf8(CString(text.c_str())); }

// The account's name, or the SID when it does not resolve.
std::string UserText(const UserProfile& profile) {
  return Text(profile.account.empty() ? profile.sid : profile.account);
}

bool WouldCompact(const UserProfile& profile) {
  return profile.judgement.verdict == profiles::ProfileVerdict::kWouldCompact;
}

void PrintFileText(std::ostream& out, const ProfileHiveFile& file) {
  if (file.path.empty()) return;
  out << "    " << Text(file.path) << '\t'
      << (file.size ? std::to_string(*file.size) + " bytes" : std::string("none")) << '\n';
}

void PrintText(std::ostream& out, const profiles::ProfileListing& listing,
               std::size_t compactable) {
  for (const UserProfile& profile : listing.profiles) {
    const profiles::VerdictWords words = profiles::WordsFor(profile.judgement.verdict);
    out << Text(profile.sid) << '\t' << UserText(profile) << '\t'
        << profiles::KindText(profile.judgement.kind) << '\t'
        << (WouldCompact(profile) ? std::string("would compact")
                                  : "left alone: " + std::string(words.text))
        << '\n';
    if (!profile.folderProblem.empty()) {
      out << "    " << Text(profile.folder) << ": " << Text(profile.folderProblem) << '\n';
    }
    PrintFileText(out, profile.userHive);
    PrintFileText(out, profile.classesHive);
  }
  out << listing.profiles.size() << " profiles listed, " << compactable
      << " Kelvaro would compact without a restart.\n";
}

void FileJson(CJsonWriter& json, std::string_view key, const ProfileHiveFile& file) {
  if (file.path.empty()) return;
  json.BeginObject(key);
  json.String("path", Text(file.path));
  json.Bool("exists", file.size.has_value());
  if (file.size) json.Number("size", *file.size);
  json.EndObject();
}

void PrintJson(std::ostream& out, const profiles::ProfileListing& listing,
               std::size_t compactable) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("command", "profiles");
  json.BeginArray("profiles");
  for (const UserProfile& profile : listing.profiles) {
    const profiles::VerdictWords words = profiles::WordsFor(profile.judgement.verdict);
    json.BeginObject();
    json.String("sid", Text(profile.sid));
    json.String("user", UserText(profile));
    json.Bool("resolved", !profile.account.empty());
    json.String("kind", profiles::KindText(profile.judgement.kind));
    json.String("folder", Text(profile.folder));
    if (!profile.folderProblem.empty()) json.String("folderProblem", Text(profile.folderProblem));
    FileJson(json, "userHive", profile.userHive);
    FileJson(json, "classesHive", profile.classesHive);
    json.String("verdict", words.code);
    if (!WouldCompact(profile)) json.String("reason", words.text);
    json.EndObject();
  }
  json.EndArray();
  json.Number("wouldCompact", compactable);
  json.EndObject();
}

}  // namespace

int RunProfiles(const ParsedCommand& command, const ToolContext& context) {
  // As for the other live commands: without the full token the hives of other
  // users cannot be opened, so their sizes would be wrong.
  if (!ElevatedOrSaid(command.command->name, context.err)) return kExitNotElevated;
  const profiles::ProfileListing listing = profiles::FindProfiles();
  if (!listing.listRead) {
    context.err << "kelvaro-hive: the profile list (HKLM\\" << Text(profiles::kProfileListKey)
                << ") could not be read.\n";
    return kExitFailed;
  }
  std::size_t compactable = 0;
  for (const UserProfile& profile : listing.profiles) compactable += WouldCompact(profile) ? 1 : 0;
  if (command.Has("--json")) {
    PrintJson(context.out, listing, compactable);
  } else {
    PrintText(context.out, listing, compactable);
  }
  return kExitDone;
}
