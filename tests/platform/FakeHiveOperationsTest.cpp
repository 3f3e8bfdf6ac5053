// The fake Windows' hive operations the compaction run relies on: backup-
// semantics opens, saves, scheduled replacements, the restart request and the
// next start. Wine stubs most of these, so the fake pins them to the platform's
// documented behaviour.
#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"
#include "platform/RegistryKeyPaths.h"
#include "platform/fake/FakeHiveBytes.h"
#include "platform/fake/FakeWindows.h"

namespace {

using platform::KeyHandle;
using platform::kHKeyLocalMachine;
using platform::kHKeyUsers;
using platform::Status;
using platform::fake::FakeWindows;

const std::wstring kSoftwareFile = L"C:\\Windows\\System32\\config\\SOFTWARE";
const std::wstring kCopy = L"C:\\Temp\\SOFTWARE";
const std::wstring kOld = L"C:\\Windows\\Kelvaro Backup\\SOFTWARE";

class FakeHiveOperations : public ::testing::Test {
 protected:
  FakeHiveOperations() {
    fake.MountHive(kHKeyLocalMachine, L"SOFTWARE", kSoftwareFile, 4000, 3000);
    fake.files.AddFolder(L"C:\\Temp");
    fake.files.AddFolder(L"C:\\Windows\\Kelvaro Backup");
  }

  void SetPrivilege(const wchar_t* name, bool on) {
    for (auto& privilege : fake.security.processToken.privileges) {
      if (privilege.name == name) privilege.attributes = on ? platform::kSePrivilegeEnabled : 0;
    }
  }

  KeyHandle OpenHive(KeyHandle root, const wchar_t* name) {
    KeyHandle key = 0;
    SetPrivilege(L"SeBackupPrivilege", true);
    EXPECT_EQ(
        fake.registry.CreateKey(root, name, platform::kRegOptionBackupRestore, 0, &key, nullptr),
        0u);
    SetPrivilege(L"SeBackupPrivilege", false);
    return key;
  }

  // Schedules the SOFTWARE hive's swap for the next start: the compact copy in
  // place, the restore privilege on. The replacement's status.
  Status ScheduleSoftwareSwap() {
    fake.files.AddFile(kCopy, 3000);
    SetPrivilege(L"SeRestorePrivilege", true);
    return fake.registry.ReplaceKey(kHKeyLocalMachine, L"SOFTWARE", kCopy.c_str(), kOld.c_str());
  }

  FakeWindows fake;
};

TEST_F(FakeHiveOperations, MountingListsTheHiveUnderItsDevicePath) {
  fake.MountHive(kHKeyUsers, L".DEFAULT", L"C:\\Windows\\System32\\config\\DEFAULT", 10);
  auto machine = fake.registry.GetValue(kHKeyLocalMachine, platform::kHiveListKey,
                                        L"\\REGISTRY\\MACHINE\\SOFTWARE");
  auto user = fake.registry.GetValue(kHKeyLocalMachine, platform::kHiveListKey,
                                     L"\\REGISTRY\\USER\\.DEFAULT");
  ASSERT_TRUE(machine && user);
  EXPECT_EQ(platform::fake::TextOfBytes(machine->data),
            L"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SOFTWARE");
  EXPECT_EQ(platform::fake::TextOfBytes(user->data),
            L"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\DEFAULT");
  EXPECT_EQ(fake.files.SizeOf(kSoftwareFile), 4000u);
}

TEST_F(FakeHiveOperations, BackupSemanticsOpensNeedAPrivilegeAndNoKeyIsMadeBelowARoot) {
  KeyHandle key = 0;
  EXPECT_EQ(fake.registry.CreateKey(kHKeyLocalMachine, L"SOFTWARE",
                                    platform::kRegOptionBackupRestore, 0, &key, nullptr),
            platform::kErrorPrivilegeNotHeld);
  SetPrivilege(L"SeRestorePrivilege", true);
  EXPECT_EQ(fake.registry.CreateKey(kHKeyLocalMachine, L"SOFTWARE",
                                    platform::kRegOptionBackupRestore, 0, &key, nullptr),
            0u);
  fake.registry.CloseKey(key);
  EXPECT_EQ(fake.registry.CreateKey(kHKeyLocalMachine, L"NOTLOADED",
                                    platform::kRegOptionBackupRestore, 0, &key, nullptr),
            platform::kErrorAccessDenied);
  EXPECT_EQ(fake.registry.FindKey(kHKeyLocalMachine, L"NOTLOADED"), nullptr);
}

TEST_F(FakeHiveOperations, SaveWritesANewFileOnlyWithTheBackupPrivilege) {
  struct Row {
    const char* what;
    bool privilege;
    std::wstring file;
    bool leftover;
    Status expected;
  };
  const Row rows[] = {
      {"saved", true, kCopy, false, 0},
      {"privilege off", false, kCopy, false, platform::kErrorPrivilegeNotHeld},
      {"file exists", true, kCopy, true, platform::kErrorAlreadyExists},
      {"folder missing", true, L"C:\\Nowhere\\SOFTWARE", false, platform::kErrorPathNotFound},
      {"drive missing", true, L"Q:\\SOFTWARE", false, platform::kErrorPathNotFound},
      {"invalid name", true, L"C:\\Temp\\a|b", false, 123},
  };
  for (const Row& row : rows) {
    FakeWindows machine;
    machine.MountHive(kHKeyLocalMachine, L"SOFTWARE", kSoftwareFile, 4000, 3000);
    machine.files.AddFolder(L"C:\\Temp");
    if (row.leftover) machine.files.AddFile(row.file, 7);
    for (auto& privilege : machine.security.processToken.privileges) {
      if (privilege.name == L"SeBackupPrivilege")
        privilege.attributes = platform::kSePrivilegeEnabled;
    }
    KeyHandle key = 0;
    ASSERT_EQ(machine.registry.CreateKey(kHKeyLocalMachine, L"SOFTWARE",
                                         platform::kRegOptionBackupRestore, 0, &key, nullptr),
              0u);
    if (!row.privilege) machine.security.processToken.privileges.clear();
    EXPECT_EQ(machine.registry.SaveKey(key, row.file.c_str()), row.expected) << row.what;
    if (row.expected == 0) {
      EXPECT_EQ(machine.files.SizeOf(row.file), 3000u) << row.what;
      EXPECT_EQ(machine.registry.savedFiles, std::vector<std::wstring>{row.file}) << row.what;
    } else {
      EXPECT_EQ(machine.files.SizeOf(row.file),
                row.leftover ? std::optional<std::uint64_t>(7) : std::nullopt)
          << row.what;
      EXPECT_TRUE(machine.registry.savedFiles.empty()) << row.what;
    }
  }
}

TEST_F(FakeHiveOperations, SavingAKeyInsideAHiveWritesTheDefaultSize) {
  fake.registry.EnsureKey(kHKeyLocalMachine, L"SOFTWARE\\Classes");
  KeyHandle key = OpenHive(kHKeyLocalMachine, L"SOFTWARE\\Classes");
  SetPrivilege(L"SeBackupPrivilege", true);
  EXPECT_EQ(fake.registry.SaveKey(key, kCopy.c_str()), 0u);
  EXPECT_EQ(fake.files.SizeOf(kCopy), platform::fake::FakeRegistry::kDefaultSavedSize);
  EXPECT_EQ(fake.registry.SaveKey(0x7777, L"C:\\Temp\\x"), platform::kErrorInvalidHandle);
}

TEST_F(FakeHiveOperations, ReplaceChecksPrivilegeHiveRootAndFilesAndRecordsTheSwap) {
  struct Row {
    const char* what;
    bool privilege;
    const wchar_t* key;
    std::wstring newFile;
    std::wstring oldFile;
    Status expected;
  };
  fake.registry.EnsureKey(kHKeyLocalMachine, L"SOFTWARE\\Classes");
  fake.files.AddFile(kCopy, 3000);
  fake.files.AddFile(L"C:\\Windows\\Kelvaro Backup\\Taken", 1);
  const Row rows[] = {
      {"privilege off", false, L"SOFTWARE", kCopy, kOld, platform::kErrorPrivilegeNotHeld},
      {"not a hive's root", true, L"SOFTWARE\\Classes", kCopy, kOld,
       platform::kErrorInvalidParameter},
      {"no new file", true, L"SOFTWARE", L"C:\\Temp\\Missing", kOld, platform::kErrorFileNotFound},
      {"new file is a folder", true, L"SOFTWARE", L"C:\\Temp", kOld, platform::kErrorFileNotFound},
      {"old name taken", true, L"SOFTWARE", kCopy, L"C:\\Windows\\Kelvaro Backup\\Taken",
       platform::kErrorAlreadyExists},
      {"old folder missing", true, L"SOFTWARE", kCopy, L"C:\\Nowhere\\SOFTWARE",
       platform::kErrorPathNotFound},
      {"scheduled", true, L"SOFTWARE", kCopy, kOld, 0},
  };
  for (const Row& row : rows) {
    KeyHandle key = OpenHive(kHKeyLocalMachine, row.key);
    SetPrivilege(L"SeRestorePrivilege", row.privilege);
    EXPECT_EQ(fake.registry.ReplaceKey(key, nullptr, row.newFile.c_str(), row.oldFile.c_str()),
              row.expected)
        << row.what;
    fake.registry.CloseKey(key);
  }
  ASSERT_EQ(fake.registry.scheduledReplacements.size(), 1u);
  const auto& scheduled = fake.registry.scheduledReplacements.front();
  EXPECT_EQ(scheduled.hiveFile, kSoftwareFile);
  EXPECT_EQ(scheduled.newFile, kCopy);
  EXPECT_EQ(scheduled.oldFile, kOld);
  // Nothing moves before the next start.
  EXPECT_EQ(fake.files.SizeOf(kSoftwareFile), 4000u);
  EXPECT_EQ(fake.files.SizeOf(kCopy), 3000u);
}

TEST_F(FakeHiveOperations, ReplaceNamesTheHiveThroughASubkeyToo) {
  EXPECT_EQ(ScheduleSoftwareSwap(), 0u);
  EXPECT_EQ(fake.registry.ReplaceKey(kHKeyLocalMachine, L"MISSING", kCopy.c_str(), kOld.c_str()),
            platform::kErrorFileNotFound);
  EXPECT_EQ(fake.registry.scheduledReplacements.size(), 1u);
}

TEST_F(FakeHiveOperations, RestartAppliesTheSwapAndClearsTheSchedule) {
  SetPrivilege(L"SeShutdownPrivilege", true);
  ASSERT_EQ(ScheduleSoftwareSwap(), 0u);
  ASSERT_TRUE(fake.system.RequestShutdown(L"bye", 10, true, true));
  fake.Restart();
  EXPECT_EQ(fake.files.SizeOf(kSoftwareFile), 3000u);
  EXPECT_EQ(fake.files.SizeOf(kOld), 4000u);
  EXPECT_FALSE(fake.files.Exists(kCopy));
  EXPECT_TRUE(fake.registry.scheduledReplacements.empty());
  EXPECT_TRUE(fake.system.shutdownRequests.empty());
  fake.Restart();
  EXPECT_EQ(fake.files.SizeOf(kSoftwareFile), 3000u);
  EXPECT_EQ(fake.files.SizeOf(kOld), 4000u);
}

TEST_F(FakeHiveOperations, AHiveWhoseNewFileVanishedKeepsItsOwnFile) {
  ASSERT_EQ(ScheduleSoftwareSwap(), 0u);
  fake.files.Remove(kCopy);
  fake.Restart();
  EXPECT_EQ(fake.files.SizeOf(kSoftwareFile), 4000u);
  EXPECT_FALSE(fake.files.Exists(kOld));
}

TEST_F(FakeHiveOperations, TheRestartRequestNeedsTheShutdownPrivilege) {
  EXPECT_FALSE(fake.system.RequestShutdown(L"bye", 10, true, true));
  EXPECT_EQ(fake.system.GetLastError(), platform::kErrorPrivilegeNotHeld);
  EXPECT_TRUE(fake.system.shutdownRequests.empty());
  SetPrivilege(L"SeShutdownPrivilege", true);
  EXPECT_TRUE(fake.system.RequestShutdown(L"bye", 10, true, true));
  ASSERT_EQ(fake.system.shutdownRequests.size(), 1u);
  EXPECT_EQ(fake.system.shutdownRequests.front().message, L"bye");
}

TEST_F(FakeHiveOperations, AnImpersonatingThreadIsCheckedByItsOwnToken) {
  fake.security.threadToken = fake.security.processToken;
  SetPrivilege(L"SeShutdownPrivilege", true);
  EXPECT_FALSE(fake.system.RequestShutdown(L"bye", 10, true, true));
  fake.security.threadToken.reset();
  EXPECT_TRUE(fake.system.RequestShutdown(L"bye", 10, true, true));
}

}  // namespace

namespace {

const std::wstring kUserHive = L"C:\\Users\\alice\\NTUSER.DAT";

std::vector<std::uint8_t> UserHiveBytes() {
  platform::fake::FakeKey content;
  content.name = L"ROOT";
  content.values.push_back({L"Kept", platform::kRegDword, {1, 2, 3, 4}});
  content.subkeys.push_back(std::make_unique<platform::fake::FakeKey>());
  content.subkeys.back()->name = L"Software";
  return platform::fake::SavedHiveBytes(content, platform::kRegLatestFormat);
}

TEST(FakeHiveLoads, APrivateLoadReadsTheFileOrSaysWhyNot) {
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;  // none: no file
    bool inUse;
    Status expected;
  } rows[] = {
      {"loaded", UserHiveBytes(), false, 0},
      {"in use by another program", UserHiveBytes(), true, platform::kErrorSharingViolation},
      {"no hive", std::vector<std::uint8_t>(8192, 7), false, platform::kErrorBadDb},
      {"no file", {}, false, platform::kErrorFileNotFound},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    FakeWindows machine;
    if (!rows[i].bytes.empty()) machine.files.WriteFile(kUserHive, rows[i].bytes);
    if (rows[i].inUse) machine.files.hostileWriters.insert(machine.files.FileIndexOf(kUserHive));
    KeyHandle key = 0;
    EXPECT_EQ(machine.registry.LoadAppKey(kUserHive.c_str(), platform::kKeyRead, &key),
              rows[i].expected)
        << "row " << i << ": " << rows[i].what;
    EXPECT_EQ(machine.registry.PrivateHiveCount(), rows[i].expected == 0 ? 1u : 0u)
        << "row " << i << ": " << rows[i].what;
  }
}

TEST(FakeHiveLoads, APrivateLoadHoldsTheFileUntilTheLastHandleIntoItCloses) {
  FakeWindows machine;
  machine.files.WriteFile(kUserHive, UserHiveBytes());
  KeyHandle root = 0;
  ASSERT_EQ(machine.registry.LoadAppKey(kUserHive.c_str(), platform::kKeyRead, &root), 0u);
  KeyHandle software = 0;
  ASSERT_EQ(machine.registry.OpenKey(root, L"Software", 0, platform::kKeyRead, &software), 0u);
  std::uint8_t data[4] = {};
  std::uint32_t size = sizeof data;
  std::uint32_t type = 0;
  EXPECT_EQ(machine.registry.QueryValue(root, L"Kept", &type, data, &size), 0u);
  EXPECT_EQ(data[3], 4);

  for (auto& privilege : machine.security.processToken.privileges) {
    privilege.attributes = platform::kSePrivilegeEnabled;
  }
  machine.files.AddFolder(L"C:\\Temp");
  ASSERT_EQ(
      machine.registry.SaveKeyWithSecurity(root, kCopy.c_str(), {}, platform::kRegLatestFormat),
      0u);
  platform::fake::FakeKey copy;
  ASSERT_TRUE(platform::fake::LoadHiveBytes(*machine.files.ReadFile(kCopy), copy));
  EXPECT_NE(copy.FindValue(L"Kept"), nullptr) << "the save writes what was loaded";
  EXPECT_NE(copy.FindSubkey(L"Software"), nullptr) << "the save writes what was loaded";

  EXPECT_EQ(machine.files.OpenFileExclusive(kUserHive.c_str()), platform::kInvalidFileHandle);
  EXPECT_FALSE(machine.files.RemoveFile(kUserHive.c_str()));
  ASSERT_EQ(machine.registry.CloseKey(root), 0u);
  EXPECT_FALSE(machine.files.RemoveFile(kUserHive.c_str())) << "a subkey's handle keeps it loaded";
  ASSERT_EQ(machine.registry.CloseKey(software), 0u);
  EXPECT_EQ(machine.registry.PrivateHiveCount(), 0u);
  EXPECT_TRUE(machine.files.RemoveFile(kUserHive.c_str()));
}

TEST(FakeHiveLoads, ALoadUnderUsersNeedsBothPrivilegesAndUnloadsOnlyWithoutHandles) {
  FakeWindows machine;
  machine.files.WriteFile(kUserHive, UserHiveBytes());
  EXPECT_EQ(machine.registry.LoadKey(kHKeyUsers, L"KelvaroLoad", kUserHive.c_str()),
            platform::kErrorPrivilegeNotHeld);
  for (auto& privilege : machine.security.processToken.privileges) {
    privilege.attributes = platform::kSePrivilegeEnabled;
  }
  ASSERT_EQ(machine.registry.LoadKey(kHKeyUsers, L"KelvaroLoad", kUserHive.c_str()), 0u);
  EXPECT_EQ(machine.registry.LoadKey(kHKeyUsers, L"Other", kUserHive.c_str()),
            platform::kErrorSharingViolation);
  KeyHandle key = 0;
  ASSERT_EQ(
      machine.registry.OpenKey(kHKeyUsers, L"KelvaroLoad\\Software", 0, platform::kKeyRead, &key),
      0u);
  EXPECT_EQ(machine.registry.UnloadKey(kHKeyUsers, L"KelvaroLoad"), platform::kErrorAccessDenied);
  ASSERT_EQ(machine.registry.CloseKey(key), 0u);
  EXPECT_FALSE(machine.files.RemoveFile(kUserHive.c_str()));
  EXPECT_EQ(machine.registry.UnloadKey(kHKeyUsers, L"KelvaroLoad"), 0u);
  EXPECT_EQ(machine.registry.FindKey(kHKeyUsers, L"KelvaroLoad"), nullptr);
  EXPECT_TRUE(machine.files.RemoveFile(kUserHive.c_str()));
}

}  // namespace
