#pragma once
// A Windows installation's files laid out in a folder, as a mounted volume
// shows them: generated, fragmented machine hives in Windows\System32\config
// (SOFTWARE with a profile list), profiles with NTUSER.DAT and UsrClass.dat,
// and whatever else lies about in those folders. Optionally real sample hives.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace offlinetest {

struct TreeProfile {
  std::string sid;
  std::string imagePath;  // ProfileImagePath as the list holds it
  std::string folder;     // below ROOT, '/' between components; "": none made
  bool usrClass = true;
};

struct TreeSpec {
  // Names of the folders on the way to the hives, in the case they have on disk.
  std::string windows = "Windows";
  std::string system32 = "System32";
  std::string config = "config";
  std::vector<std::string> machineHives = {"SYSTEM", "SAM", "SECURITY", "DEFAULT", "COMPONENTS"};
  std::vector<TreeProfile> profiles = {
      {"S-1-5-21-1-2-3-1001", "%SystemDrive%\\Users\\alice", "Users/alice", true},
      {"S-1-5-18", "%systemroot%\\system32\\config\\systemprofile",
       "Windows/System32/config/systemprofile", false},
  };
  std::string systemRoot = "C:\\Windows";
  std::uint32_t freeGap = 64;  // fragmentation of the generated hives
  bool realSamples = false;    // a user "sample" with the real NTUSER.DAT and UsrClass.dat (+logs)
  // SYSTEM.LOG1 and SYSTEM.LOG2 beside a clean SYSTEM: logs whose entries it already holds.
  bool systemLogs = false;
};

// Builds the tree under `root` (which must exist). Returns false when real
// samples were asked for and cannot be unpacked.
bool BuildInstallationTree(const std::filesystem::path& root, const TreeSpec& spec);

// Every file under `root` with its bytes, by path relative to `root`.
std::map<std::string, std::vector<std::uint8_t>> Snapshot(const std::filesystem::path& root);

}  // namespace offlinetest
