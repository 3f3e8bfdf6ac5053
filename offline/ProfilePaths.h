#pragma once
// Where a Windows installation keeps its users' profiles, as its SOFTWARE hive
// lists them, and how such a path maps onto the volume mounted at ROOT.
#include <string>
#include <vector>

#include "hive/HiveTree.h"

namespace offline {

struct ListedProfile {
  std::string sid;        // the ProfileList subkey's name
  std::string imagePath;  // ProfileImagePath as stored, UTF-8
};

struct ProfileList {
  std::string systemRoot;  // CurrentVersion's SystemRoot, "C:\Windows" when absent
  std::vector<ListedProfile> profiles;
};

// Microsoft\Windows NT\CurrentVersion\ProfileList of a SOFTWARE hive's tree.
ProfileList ReadProfileList(const hive::HiveTree& software);

struct MappedPath {
  std::vector<std::string> components;  // below ROOT; empty when `problem` is set
  std::string problem;                  // why the path is not on this volume
};

// "%SystemDrive%\Users\alice" with system root "C:\Windows" ⇒ {"Users", "alice"};
// "%SystemRoot%\ServiceProfiles\LocalService" ⇒ {"Windows", "ServiceProfiles",
// "LocalService"}; "D:\Users\bob" ⇒ problem "on drive D:, not the system drive C:".
MappedPath MapOntoSystemVolume(const std::string& windowsPath, const std::string& systemRoot);

}  // namespace offline
