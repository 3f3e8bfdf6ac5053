#pragma once
// The hive files of a Windows installation that is not running, found from the
// root of its volume (the folder holding "Windows"): the machine hives in
// Windows\System32\config and each listed user's NTUSER.DAT and UsrClass.dat.
#include <filesystem>
#include <string>
#include <vector>

namespace offline {

struct FoundHive {
  // How the report and --hive name it: "SYSTEM", "alice\NTUSER.DAT".
  std::string name;
  std::filesystem::path file;
};

struct SkippedProfile {
  std::string sid;
  std::string imagePath;  // as the profile list has it
  std::string reason;
};

struct Installation {
  std::filesystem::path root;
  std::filesystem::path windows;  // empty: ROOT holds no Windows folder
  std::vector<FoundHive> hives;   // machine hives, then users', each in name order
  std::vector<SkippedProfile> skippedProfiles;
  // Why the users' hives could not be listed (no SOFTWARE hive, or one this
  // reader refuses); empty when they were.
  std::string profileListProblem;
};

Installation FindInstallation(const std::filesystem::path& root);

// A file Windows loads as a hive: a plain file (no link) whose base block says
// "regf", primary file. Logs also begin with "regf" but are of another file type.
bool IsPrimaryHiveFile(const std::filesystem::path& file);

// Why the installation must not be touched because Windows is hibernated (its
// hiberfil.sys holds an image the boot loader would resume); empty when it is not.
std::string HibernationRefusal(const std::filesystem::path& root);

}  // namespace offline
