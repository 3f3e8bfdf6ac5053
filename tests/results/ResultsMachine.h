#pragma once
// A fake machine as the results window finds it after a run and a restart: the
// hive list names each hive's live file on C: (\Device\HarddiskVolume1), and the
// backup folder C:\Windows\Kelvaro Backup holds the previous files.
#include <cstdint>
#include <string>

#include "catalogue/HiveList.h"
#include "path/PathName.h"
#include "tests/support/FakeMachine.h"

struct ResultsMachine {
  static constexpr wchar_t kBackupFolderText[] = L"C:\\Windows\\Kelvaro Backup";

  ResultsMachine() {
    fake.registry.EnsureKey(platform::kHKeyLocalMachine, kHiveListKey);
    fake.files.AddFolder(kBackupFolderText);
    backupFolder.SetPath(kBackupFolderText);
  }

  // A hive-list value: `kernelName` (\REGISTRY\MACHINE\SYSTEM) loaded from the
  // file C:\`liveFile` (nothing on disk is made).
  void ListHive(const std::wstring& kernelName, const std::wstring& liveFile) {
    fake.registry.PutString(platform::kHKeyLocalMachine, kHiveListKey, kernelName,
                            L"\\Device\\HarddiskVolume1\\" + liveFile);
  }
  void AddLiveFile(const std::wstring& liveFile, std::uint64_t size) {
    fake.files.AddFile(L"C:\\" + liveFile, size);
  }
  void AddBackup(const std::wstring& leaf, std::uint64_t size,
                 std::uint32_t attributes = platform::kFileAttributeArchive) {
    fake.files.AddFile(BackupPath(leaf), size, attributes);
  }
  static std::wstring BackupPath(const std::wstring& leaf) {
    return std::wstring(kBackupFolderText) + L"\\" + leaf;
  }

  test_support::FakeMachine fake;
  CPathName backupFolder;
};
