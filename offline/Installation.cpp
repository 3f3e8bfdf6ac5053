#include "offline/Installation.h"

#include "hive/FileBytes.h"
#include "hive/HiveTreeReader.h"
#include "hive/LogFiles.h"
#include "hive/RecordLayout.h"
#include "offline/NameMatch.h"
#include "offline/ProfilePaths.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace offline {

namespace {

const std::vector<std::string> kConfigFolder = {"Windows", "System32", "config"};
const std::vector<std::string> kUsrClassFolder = {"AppData", "Local", "Microsoft", "Windows"};
constexpr std::uint32_t kPrimaryFileType = 0;

bool IsPlainFile(const std::filesystem::path& file) {
  std::error_code code;
  return std::filesystem::is_regular_file(std::filesystem::symlink_status(file, code));
}

std::vector<std::uint8_t> FirstBytes(const std::filesystem::path& file, std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  std::ifstream in(file, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  bytes.resize(in ? count : static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

// Windows gives the hives in config plain names (SYSTEM, BCD-Template); what
// has an extension there is a log, a .sav or .alt copy, a transaction file or
// someone else's.
void AddMachineHives(const std::filesystem::path& config, std::vector<FoundHive>& hives) {
  std::error_code code;
  for (std::filesystem::directory_iterator entry(config, code), end; !code && entry != end;
       entry.increment(code)) {
    std::string name = hive::PathText(entry->path().filename());
    if (name.find('.') != std::string::npos || !IsPrimaryHiveFile(entry->path())) continue;
    hives.push_back({name, entry->path()});
  }
  std::sort(hives.begin(), hives.end(),
            [](const FoundHive& a, const FoundHive& b) { return a.name < b.name; });
}

std::vector<hive::LogInput> LogsOf(const std::filesystem::path& file) {
  std::vector<hive::LogInput> logs;
  for (const std::filesystem::path& log : hive::FindLogsBeside(file)) {
    hive::LogInput input{hive::PathText(log), {}};
    std::string ignored;
    if (hive::ReadFileBytes(log, input.bytes, ignored)) logs.push_back(std::move(input));
  }
  return logs;
}

bool AlreadyFound(const std::vector<FoundHive>& hives, const std::filesystem::path& file) {
  return std::any_of(hives.begin(), hives.end(), [&](const FoundHive& found) {
    std::error_code code;
    return std::filesystem::equivalent(found.file, file, code);
  });
}

void AddUserHives(Installation& installation, const std::filesystem::path& software) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!hive::ReadFileBytes(software, bytes, error)) {
    installation.profileListProblem = error;
    return;
  }
  hive::TreeReadResult read = hive::ReadHiveTree(std::move(bytes), LogsOf(software));
  if (read.check.verdict != hive::Verdict::Sound && read.check.verdict != hive::Verdict::Warnings) {
    installation.profileListProblem = "the SOFTWARE hive is " +
                                      std::string(hive::VerdictName(read.check.verdict)) +
                                      "; its profile list was not read";
    return;
  }
  ProfileList list = ReadProfileList(read.tree);
  for (const ListedProfile& profile : list.profiles) {
    MappedPath mapped = MapOntoSystemVolume(profile.imagePath, list.systemRoot);
    if (!mapped.problem.empty()) {
      installation.skippedProfiles.push_back({profile.sid, profile.imagePath, mapped.problem});
      continue;
    }
    std::optional<std::filesystem::path> folder =
        FindPathNoCase(installation.root, mapped.components);
    std::error_code code;
    if (!folder || !std::filesystem::is_directory(*folder, code)) {
      installation.skippedProfiles.push_back(
          {profile.sid, profile.imagePath, "the profile folder is missing"});
      continue;
    }
    const std::string owner = hive::PathText(folder->filename());
    std::optional<std::filesystem::path> ntuser = FindEntryNoCase(*folder, "NTUSER.DAT");
    std::optional<std::filesystem::path> usrClassFolder = FindPathNoCase(*folder, kUsrClassFolder);
    std::optional<std::filesystem::path> usrClass =
        usrClassFolder ? FindEntryNoCase(*usrClassFolder, "UsrClass.dat") : std::nullopt;
    for (const std::optional<std::filesystem::path>& file : {ntuser, usrClass}) {
      if (!file || !IsPrimaryHiveFile(*file) || AlreadyFound(installation.hives, *file)) continue;
      installation.hives.push_back({owner + "\\" + hive::PathText(file->filename()), *file});
    }
  }
}

}  // namespace

bool IsPrimaryHiveFile(const std::filesystem::path& file) {
  if (!IsPlainFile(file)) return false;
  std::vector<std::uint8_t> base = FirstBytes(file, hive::regf::kFileType + 4);
  if (base.size() < hive::regf::kFileType + 4 ||
      !std::equal(base.begin(), base.begin() + 4, "regf"))
    return false;
  std::uint32_t type = 0;
  for (int i = 3; i >= 0; --i) type = type << 8 | base[hive::regf::kFileType + i];
  return type == kPrimaryFileType;
}

Installation FindInstallation(const std::filesystem::path& root) {
  Installation installation;
  installation.root = root;
  std::error_code code;
  std::optional<std::filesystem::path> windows = FindEntryNoCase(root, "Windows");
  if (!windows || !std::filesystem::is_directory(*windows, code)) return installation;
  installation.windows = *windows;
  std::optional<std::filesystem::path> config = FindPathNoCase(root, kConfigFolder);
  if (!config) return installation;
  AddMachineHives(*config, installation.hives);
  const std::size_t machineHives = installation.hives.size();
  auto software =
      std::find_if(installation.hives.begin(), installation.hives.end(),
                   [](const FoundHive& h) { return SameNameNoCase(h.name, "SOFTWARE"); });
  if (software == installation.hives.end())
    installation.profileListProblem = "no SOFTWARE hive: the users' hives are not known";
  else
    AddUserHives(installation, software->file);
  const auto users = installation.hives.begin() + static_cast<std::ptrdiff_t>(machineHives);
  std::sort(users, installation.hives.end(),
            [](const FoundHive& a, const FoundHive& b) { return a.name < b.name; });
  return installation;
}

std::string HibernationRefusal(const std::filesystem::path& root) {
  std::optional<std::filesystem::path> file = FindEntryNoCase(root, "hiberfil.sys");
  if (!file) return {};
  std::ifstream in(*file, std::ios::binary);
  if (!in) return "cannot read hiberfil.sys to tell whether Windows is hibernated";
  std::vector<std::uint8_t> head = FirstBytes(*file, 4);
  std::string signature(head.begin(), head.end());
  for (const char* resumable : {"hibr", "wake", "rstr"}) {
    if (head.size() == 4 && SameNameNoCase(signature, resumable))
      return "Windows is hibernated (hiberfil.sys begins with \"" + signature +
             "\"): resuming it would write its cached hives over the new files. Start that "
             "Windows and shut it down fully (shutdown /s /t 0, or Fast Startup turned off)";
  }
  return {};
}

}  // namespace offline
