// The token privileges and the start-up value the compaction run relies on,
// against the process's own token and the machine's registry (the program's
// own registry view: in a 64-bit prefix a 32-bit build reads and writes the
// 32-bit view of HKLM\SOFTWARE, as the program does).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compaction/Privileges.h"
#include "compaction/ProgramCopy.h"
#include "compaction/ResumeRegistration.h"
#include "platform/SecurityDescriptor.h"
#include "tests/contract/ContractPlatform.h"

namespace {

using platform::KeyHandle;
using platform::Status;

class PrivilegeContract : public ::testing::Test {
 protected:
  platform::ScopedPlatform installed{contract::Platform()};
};

TEST_F(PrivilegeContract, SwitchingADisabledPrivilegeOnGivesOneThenZeroAndOffGivesTrue) {
  const wchar_t* names[] = {L"SeBackupPrivilege", L"SeRestorePrivilege", L"SeShutdownPrivilege"};
  for (bool useProcessToken : {true, false}) {
    for (const wchar_t* name : names) {
      // The administrator's token holds these switched off; make sure of it.
      ASSERT_TRUE(DisablePrivilege(name, useProcessToken));
      EXPECT_EQ(EnablePrivilege(name, useProcessToken), 1) << "process token " << useProcessToken;
      EXPECT_EQ(EnablePrivilege(name, useProcessToken), 0) << "process token " << useProcessToken;
      EXPECT_TRUE(DisablePrivilege(name, useProcessToken)) << "process token " << useProcessToken;
      EXPECT_EQ(EnablePrivilege(name, useProcessToken), 1) << "process token " << useProcessToken;
      EXPECT_TRUE(DisablePrivilege(name, useProcessToken)) << "process token " << useProcessToken;
    }
  }
}

TEST_F(PrivilegeContract, AThreadWithoutATokenChangesTheProcessToken) {
  ASSERT_TRUE(DisablePrivilege(L"SeBackupPrivilege", true));
  EXPECT_EQ(EnablePrivilege(L"SeBackupPrivilege", false), 1);
  EXPECT_EQ(EnablePrivilege(L"SeBackupPrivilege", true), 0);
  EXPECT_TRUE(DisablePrivilege(L"SeBackupPrivilege", false));
  EXPECT_EQ(EnablePrivilege(L"SeBackupPrivilege", true), 1);
  EXPECT_TRUE(DisablePrivilege(L"SeBackupPrivilege", true));
}

TEST_F(PrivilegeContract, AnUnknownPrivilegeFailsBothWays) {
  EXPECT_EQ(EnablePrivilege(L"SeNoSuchPrivilege", true), -1);
  EXPECT_FALSE(DisablePrivilege(L"SeNoSuchPrivilege", true));
}

class StartupValueContract : public ::testing::Test {
 protected:
  void SetUp() override {
    // Windows always has both keys; make sure a fresh prefix has them too.
    for (const wchar_t* name : {kStartupKey, kLegacyStartupKey}) {
      KeyHandle key = 0;
      ASSERT_EQ(registry.CreateKey(platform::kHKeyLocalMachine, name, 0, platform::kKeyRead, &key,
                                   nullptr),
                0u);
      registry.CloseKey(key);
    }
  }

  // The value's type and bytes, or the error reading it.
  Status Read(const wchar_t* keyName, std::uint32_t& type, std::vector<std::uint8_t>& data) {
    KeyHandle key = 0;
    Status status =
        registry.OpenKey(platform::kHKeyLocalMachine, keyName, 0, platform::kKeyRead, &key);
    if (status != 0) return status;
    std::uint32_t size = 4096;
    data.assign(size, 0);
    status = registry.QueryValue(key, kStartupValueName, &type, data.data(), &size);
    registry.CloseKey(key);
    data.resize(status == 0 ? size : 0);
    return status;
  }

  // Where the start-up value's copy of the program lies.
  std::wstring CopyPath() {
    wchar_t path[300] = {};
    std::uint32_t length = contract::Platform().System().QueryModuleFileName(path, 300);
    std::wstring program(path, length);
    wchar_t windows[300] = {};
    length = contract::Platform().System().QuerySystemWindowsDirectory(windows, 300);
    return std::wstring(windows, length) + L"\\Kelvaro" + program.substr(program.rfind(L'\\'));
  }

  platform::ScopedPlatform installed{contract::Platform()};
  platform::IRegistry& registry = contract::Platform().Registry();
};

TEST_F(StartupValueContract, IsWrittenWithTheQuotedPathAndDeletedAgain) {
  {
    // As the program holds its own file from its start.
    ResultsProgramHold program(ResultsProgram::kRunningProgram);
    RegisterResultsOnRestart();
  }
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(Read(kStartupKey, type, data), 0u);
  const std::wstring expected = L"\"" + CopyPath() + L"\" /results";
  EXPECT_EQ(type, platform::kRegSz);
  ASSERT_EQ(data.size(), (expected.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), expected);

  UnregisterResultsOnRestart();
  EXPECT_EQ(Read(kStartupKey, type, data), platform::kErrorFileNotFound);
  platform::IFileSystem& files = contract::Platform().Files();
  EXPECT_TRUE(files.RemoveFile(CopyPath().c_str()));
  const std::wstring copyFolder = CopyPath().substr(0, CopyPath().rfind(L'\\'));
  EXPECT_TRUE(files.RemoveEmptyDirectory(copyFolder.c_str()));
  // A second removal finds nothing and reports nothing.
  UnregisterResultsOnRestart();
  EXPECT_EQ(Read(kStartupKey, type, data), platform::kErrorFileNotFound);
}

TEST_F(StartupValueContract, RemovalAlsoClearsAValueAnEarlierVersionLeftInRun) {
  KeyHandle run = 0;
  ASSERT_EQ(registry.OpenKey(platform::kHKeyLocalMachine, kLegacyStartupKey, 0, platform::kKeyWrite,
                             &run),
            0u);
  const std::wstring old = L"C:\\Old\\Kelvaro.exe /results";
  ASSERT_EQ(registry.SetValue(run, kStartupValueName, platform::kRegSz,
                              reinterpret_cast<const std::uint8_t*>(old.c_str()),
                              static_cast<std::uint32_t>((old.size() + 1) * sizeof(wchar_t))),
            0u);
  registry.CloseKey(run);
  UnregisterResultsOnRestart();
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  EXPECT_EQ(Read(kLegacyStartupKey, type, data), platform::kErrorFileNotFound);
}

// Both saves open a key they made, as the run opens a hive's root: with backup semantics.
class HiveSaveContract : public ::testing::Test {
 protected:
  // Makes `keyName`, with the string value "v" when `value` is given, then switches the backup
  // privilege on and opens the key again with backup semantics into `key`.
  void MakeAndOpenForBackup(const wchar_t* keyName, const wchar_t* value, KeyHandle* key) {
    KeyHandle made = 0;
    ASSERT_EQ(registry.CreateKey(platform::kHKeyLocalMachine, keyName, 0, platform::kKeyAllAccess,
                                 &made, nullptr),
              0u);
    if (value != nullptr) {
      const std::wstring text = value;
      registry.SetValue(made, L"v", platform::kRegSz,
                        reinterpret_cast<const std::uint8_t*>(text.c_str()),
                        static_cast<std::uint32_t>((text.size() + 1) * sizeof(wchar_t)));
    }
    registry.CloseKey(made);
    EnablePrivilege(L"SeBackupPrivilege", true);
    ASSERT_EQ(registry.CreateKey(platform::kHKeyLocalMachine, keyName,
                                 platform::kRegOptionBackupRestore, 0, key, nullptr),
              0u);
  }

  platform::ScopedPlatform installed{contract::Platform()};
  platform::IRegistry& registry = contract::Platform().Registry();
  platform::IFileSystem& files = contract::Platform().Files();
};

// A save with backup semantics writes the key's branch to a new file.
TEST_F(HiveSaveContract, ABackupSemanticsOpenSavesToANewFile) {
  const wchar_t* keyName = L"SOFTWARE\\KelvaroContractSave";
  const std::wstring file = contract::ScratchFolder() + L"\\saved-branch";
  KeyHandle key = 0;
  ASSERT_NO_FATAL_FAILURE(MakeAndOpenForBackup(keyName, L"kept", &key));
  EXPECT_EQ(registry.FlushKey(key), 0u);
  EXPECT_EQ(registry.SaveKey(key, file.c_str()), 0u);
  std::uint32_t attributes = files.QueryFileAttributes(file.c_str());
  EXPECT_NE(attributes, platform::kInvalidFileAttributes);
  EXPECT_EQ(attributes & platform::kFileAttributeDirectory, 0u);
  Status again = registry.SaveKey(key, file.c_str());
  registry.CloseKey(key);
  DisablePrivilege(L"SeBackupPrivilege", true);
  files.RemoveFile(file.c_str());
  EXPECT_EQ(registry.DeleteKey(platform::kHKeyLocalMachine, keyName), 0u);
  if (contract::OnRealWindows() && again == 0) {
    GTEST_SKIP()
        << "Wine's RegSaveKeyW overwrites the file; Windows fails with ERROR_ALREADY_EXISTS";
  }
  EXPECT_EQ(again, platform::kErrorAlreadyExists);
}

// The run's save: the latest format and a descriptor of its own choosing.
TEST_F(HiveSaveContract, ASaveWithADescriptorWritesANewFileCarryingIt) {
  const wchar_t* keyName = L"SOFTWARE\\KelvaroContractSaveEx";
  const std::wstring file = contract::ScratchFolder() + L"\\saved-with-descriptor";
  KeyHandle key = 0;
  ASSERT_NO_FATAL_FAILURE(MakeAndOpenForBackup(keyName, nullptr, &key));
  const Status saved = registry.SaveKeyWithSecurity(
      key, file.c_str(), platform::ProtectedDescriptor(), platform::kRegLatestFormat);
  registry.CloseKey(key);
  DisablePrivilege(L"SeBackupPrivilege", true);
  if (contract::OnRealWindows() && saved == platform::kErrorUnknownRevision) {
    EXPECT_EQ(registry.DeleteKey(platform::kHKeyLocalMachine, keyName), 0u);
    GTEST_SKIP() << "Wine's RegSaveKeyExW refuses any security attributes with "
                    "ERROR_UNKNOWN_REVISION; Windows takes a self-relative descriptor";
  }
  EXPECT_EQ(saved, 0u);
  std::vector<std::uint8_t> descriptor;
  EXPECT_TRUE(files.ReadSecurityDescriptor(file.c_str(), &descriptor));
  EXPECT_TRUE(platform::ReadDescriptor(descriptor).has_value());
  files.RemoveFile(file.c_str());
  EXPECT_EQ(registry.DeleteKey(platform::kHKeyLocalMachine, keyName), 0u);
}

}  // namespace
