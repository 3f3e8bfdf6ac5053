#pragma once
// A model of one Windows machine, in memory, for every portable test. Each
// concern is its own object; they share the failure plan and the last error.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/fake/FakeFileSystem.h"
#include "platform/fake/FakeLocale.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeSecurity.h"
#include "platform/fake/FakeShell.h"
#include "platform/fake/FakeSystem.h"
#include "platform/fake/FakeVolumes.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

class FakeWindows : public Platform {
 public:
  FakeWindows();
  FakeWindows(const FakeWindows&) = delete;
  FakeWindows& operator=(const FakeWindows&) = delete;

  IRegistry& Registry() override { return registry; }
  ISecurity& Security() override { return security; }
  ISystem& System() override { return system; }
  IFileSystem& Files() override { return files; }
  IVolumes& Volumes() override { return volumes; }
  ILocale& Locale() override { return locale; }
  IShell& Shell() override { return shell; }

  // A hive loaded from a file, as Windows has it after start: the file of
  // `fileSize` bytes, the key root\keyName mounted on it and the hive-list value
  // naming the file by its device path. A save of the hive writes `compactSize` bytes.
  void MountHive(KeyHandle root, const std::wstring& keyName, const std::wstring& filePath,
                 std::uint64_t fileSize,
                 std::uint64_t compactSize = FakeRegistry::kDefaultSavedSize);

  // As MountHive, with a real hive file: the file holds `bytes` and the key
  // holds their content. Throws std::invalid_argument when the hive reader
  // does not take the bytes.
  void MountHiveFile(KeyHandle root, const std::wstring& keyName, const std::wstring& filePath,
                     std::vector<std::uint8_t> bytes);

  // Windows shutting down: every hive whose file holds bytes has its file
  // written anew from the key's content, so that writes made since the hive
  // was loaded reach the file that a scheduled swap then moves aside.
  void WriteHivesToFiles();

  // A user's profile as the profile service leaves it: the profile list's
  // key for `sid` (ProfileImagePath, State, CentralProfile when roaming), the
  // folder with NTUSER.DAT (`userHiveName`) and UsrClass.dat holding the given
  // bytes (no file for empty bytes), and the account's name when `account` is
  // set ("DOMAIN\user"). Nobody is signed in to it: see SignIn.
  struct Profile {
    std::wstring sid;
    std::wstring folder;     // C:\Users\alice
    std::wstring imagePath;  // as the list stores it; empty: `folder`
    std::uint32_t state = 0;
    std::wstring centralProfile;
    std::wstring account;
    std::wstring userHiveName = L"NTUSER.DAT";
  };
  void AddProfile(const Profile& profile, std::vector<std::uint8_t> userHive,
                  std::vector<std::uint8_t> classesHive = {});
  // The user signs in: the profile's hives are mounted under HKU\<sid> and
  // HKU\<sid>_Classes from their files, as the profile service loads them,
  // and held without sharing from then on. False, and nothing loaded, when a
  // file is missing, held by anyone (a private load, an exclusive open) or no
  // hive the reader takes: Windows would sign the user in with a temporary
  // profile. Tests call it from FaultPlan::beforeCall to sign in at a chosen
  // moment of a run.
  bool SignIn(const Profile& profile);

  // The next start of Windows: every scheduled replacement takes effect (the
  // hive's previous file moves to the old file's name, the new file becomes the
  // hive's file), the schedule and the pending restart are cleared. A hive
  // whose file holds bytes is loaded from them; one whose new file is no hive
  // the reader takes is listed in `unbootableHives` (Windows would not start).
  // Nothing is started: start-up values stay where they are.
  void Restart();

  std::vector<std::wstring> unbootableHives;

  FaultPlan faults;
  FakeSystem system;
  FakeSecurity security;
  FakeFileSystem files;
  FakeRegistry registry;
  FakeVolumes volumes;
  FakeLocale locale;
  FakeShell shell{faults};
};

}  // namespace platform::fake
