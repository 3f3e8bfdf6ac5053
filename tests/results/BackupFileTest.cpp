#include "results/BackupFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/FakeMachine.h"

namespace {

// The path's text, or "none".
std::wstring Describe(const std::optional<CPathName>& path) {
  if (!path) return L"none";
  const CPathString text = path->GetText();
  return text.GetBuffer() != nullptr ? text.GetBuffer() : L"";
}

CPathName PathOf(const wchar_t* text) {
  CPathName path;
  path.SetPath(text);
  return path;
}

TEST(BackupFileOfTest, NamesTheLeafInTheFolderOrNothing) {
  struct Row {
    const wchar_t* folder;
    std::wstring hiveName;
    std::wstring expected;
  };
  const std::wstring folder = L"C:\\Windows\\Kelvaro Backup";
  const std::wstring longest(260, L'x');
  const Row rows[] = {
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\SOFTWARE", folder + L"\\SOFTWARE"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKU\\S-1-5-20", folder + L"\\S-1-5-20"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKU\\.DEFAULT", folder + L"\\.DEFAULT"},
      {L"C:\\Windows\\Kelvaro Backup", L"SYSTEM", folder + L"\\SYSTEM"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKU\\" + longest, folder + L"\\" + longest},
      {L"\\\\server\\share\\Kelvaro Backup", L"HKLM\\SAM",
       L"\\\\server\\share\\Kelvaro Backup\\SAM"},
      // No leaf: the folder itself is no backup copy.
      {L"C:\\Windows\\Kelvaro Backup", L"", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\", L"none"},
      // "." and ".." would name the folder and the Windows folder.
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\.", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\..", L"none"},
      // A search would find some other hive's backup.
      {L"C:\\Windows\\Kelvaro Backup", L"HKU\\S*", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKU\\S-1-5-2?", L"none"},
      // Legal in a key name, rejected by the path library.
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\a|b", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\a/b", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\a<b>", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\\"q\"", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\a:b", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\D:", L"none"},  // a drive cannot follow a folder
      {L"C:\\Windows\\Kelvaro Backup", L"HKU\\" + longest + L"x", L"none"},
      // Without a folder the leaf alone would name a file in the working folder.
      {L"", L"HKLM\\SOFTWARE", L"none"},
      // A folder not named in full would move with the current folder.
      {L"Kelvaro Backup", L"HKLM\\SOFTWARE", L"none"},
      {L"\\Windows\\Kelvaro Backup", L"HKLM\\SOFTWARE", L"none"},
      {L"C:Kelvaro Backup", L"HKLM\\SOFTWARE", L"none"},
      // Control characters: the run never names a file so.
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\tab\there", L"none"},
      {L"C:\\Windows\\Kelvaro Backup", L"HKLM\\bell\x07", L"none"},
  };
  // Composition compares components with the platform's case-insensitive comparison.
  test_support::FakeMachine fake;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    std::optional<CPathName> file;
    EXPECT_NO_THROW(file = BackupFileOf(PathOf(row.folder), row.hiveName.c_str()))
        << "row " << i << ": " << row.hiveName;
    EXPECT_EQ(Describe(file), row.expected) << "row " << i << ": " << row.hiveName;
  }
}

}  // namespace
