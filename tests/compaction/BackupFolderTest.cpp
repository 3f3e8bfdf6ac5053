// The backup folder's path, from the Windows folder the platform reports.
#include <gtest/gtest.h>

#include <string>

#include "compaction/BackupFolder.h"
#include "tests/compaction/CompactionMachine.h"
#include "tests/support/FakeMachine.h"

namespace {

using compaction_test::Narrow;

std::wstring TextOf(const CPathName& path) {
  const CPathString text = path.GetText();
  return text.GetBuffer() != nullptr ? text.GetBuffer() : L"";
}

TEST(BackupFolderTest, IsKelvaroBackupInsideTheWindowsFolder) {
  struct Row {
    std::wstring windowsFolder;
    bool fails;
    std::wstring expected;
    bool relative;
  };
  const Row rows[] = {
      {L"C:\\Windows", false, L"C:\\Windows\\Kelvaro Backup", false},
      {L"D:\\WINNT", false, L"D:\\WINNT\\Kelvaro Backup", false},
      {L"C:\\Windows\\", false, L"C:\\Windows\\Kelvaro Backup", false},
      {L"\\\\server\\share\\Windows", false, L"\\\\server\\share\\Windows\\Kelvaro Backup", false},
      // 259 characters fit the 260-character buffer with the terminator.
      {L"C:\\" + std::wstring(256, L'w'), false,
       L"C:\\" + std::wstring(256, L'w') + L"\\Kelvaro Backup", false},
      // Longer than the 260-character buffer, or not reported: no Windows folder.
      {L"C:\\" + std::wstring(260, L'w'), false, L"Kelvaro Backup", true},
      {L"C:\\Windows", true, L"Kelvaro Backup", true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    test_support::FakeMachine fake;
    fake.system.windowsDirectory = rows[i].windowsFolder;
    if (rows[i].fails) fake.faults.Fail("GetSystemWindowsDirectoryW", platform::kErrorAccessDenied);
    CPathName folder = GetBackupFolder();
    EXPECT_EQ(TextOf(folder), rows[i].expected)
        << "row " << i << " " << Narrow(rows[i].windowsFolder);
    EXPECT_EQ(folder.IsRelative(), rows[i].relative) << "row " << i;
  }
}

TEST(BackupFolderTest, IsTheSameOnEveryCallAndIsNeverMade) {
  test_support::FakeMachine fake;
  EXPECT_EQ(TextOf(GetBackupFolder()), TextOf(GetBackupFolder()));
  EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro Backup"));
  EXPECT_EQ(fake.faults.CallCount("CreateDirectoryW"), 0);
  EXPECT_EQ(fake.faults.CallCount("GetFileAttributesW"), 0);
}

TEST(BackupFolderTest, ASessionHostsPerUserWindowsFolderIsNeverTaken) {
  test_support::FakeMachine fake;
  fake.system.sessionWindowsDirectory = L"C:\\Users\\Admin\\WINDOWS";
  EXPECT_EQ(TextOf(GetBackupFolder()), L"C:\\Windows\\Kelvaro Backup");
}

}  // namespace
