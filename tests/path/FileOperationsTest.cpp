#include "path/FileOperations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/path/PathTestSupport.h"
#include "tests/support/FakeMachine.h"

namespace {

using pathtest::FlagsOf;
using pathtest::PathOf;
using pathtest::TextOf;
using platform::kFileAttributeArchive;
using platform::kFileAttributeDirectory;
using platform::kFileAttributeHidden;
using platform::kFileAttributeNormal;
using platform::kFileAttributeReadOnly;
using platform::kFileAttributeSystem;

class FileOperations : public ::testing::Test {
 protected:
  FileOperations() {
    fake.files.AddShare(L"server", L"share");
    fake.files.AddFolder(L"C:\\A");
    fake.files.AddFile(L"C:\\A\\file.txt", 10);
    fake.files.AddFolder(L"C:\\Work");
    fake.faults.Clear();
  }

  test_support::FakeMachine fake;
};

TEST_F(FileOperations, CreateFolderChainRows) {
  struct Row {
    const wchar_t* path;
    int result;   // 1 true, 0 false, 3 throws badCombine
    int creates;  // CreateDirectoryW calls
    std::vector<const wchar_t*> existAfter;
    std::vector<const wchar_t*> missingAfter;
  };
  const Row rows[] = {
      {L"C:\\A\\B\\C", 1, 2, {L"C:\\A\\B", L"C:\\A\\B\\C"}, {}},
      {L"C:\\A", 1, 0, {L"C:\\A"}, {}},
      {L"C:\\", 1, 0, {}, {}},
      {L"C:", 1, 0, {}, {}},
      {L"Q:\\", 0, 0, {}, {}},
      {L"Q:\\x", 0, 1, {}, {}},
      {L"\\\\server\\share\\dir", 1, 1, {L"\\\\server\\share\\dir"}, {}},
      {L"\\\\server\\share", 1, 0, {}, {}},
      {L"\\\\server", 0, 0, {}, {}},
      {L"\\\\other\\share\\dir", 0, 1, {}, {}},
      {L"C:\\New\\..\\B", 1, 2, {L"C:\\New", L"C:\\B"}, {}},
      {L"C:\\A\\.\\D", 1, 1, {L"C:\\A\\D"}, {}},
      {L"C:\\..\\x", 3, 0, {}, {L"C:\\x"}},
      {L"C:\\A\\..\\..\\x", 3, 0, {}, {L"C:\\x"}},
      {L"\\\\server\\share\\..\\x", 3, 0, {}, {L"\\\\server\\share\\x"}},
      {L"C:\\A\\file.txt\\x", 0, 1, {}, {L"C:\\A\\file.txt\\x"}},
      {L"C:\\A\\file.txt", 0, 1, {}, {}},
      {L"C:\\A\\X\\file*.log", 0, 2, {L"C:\\A\\X"}, {}},  // the wildcard name is refused
      {L"\\Rooted\\x", 1, 2, {L"C:\\Rooted", L"C:\\Rooted\\x"}, {L"C:\\Work\\Rooted"}},
      {L"\\Rooted\\..\\y", 1, 2, {L"C:\\Rooted", L"C:\\y"}, {}},
      {L"\\..\\x", 3, 0, {}, {L"C:\\x"}},
      {L"rel\\..\\other", 1, 2, {L"C:\\Work\\rel", L"C:\\Work\\other"}, {L"C:\\other"}},
      {L"", 0, 0, {}, {}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    test_support::FakeMachine machine;
    machine.files.AddShare(L"server", L"share");
    machine.files.AddFolder(L"C:\\A");
    machine.files.AddFile(L"C:\\A\\file.txt", 10);
    machine.files.AddFolder(L"C:\\Work");
    machine.files.currentDirectory = L"C:\\Work";

    const Row& row = rows[i];
    int result = -1;
    try {
      result = CreateFolderChain(PathOf(row.path)) ? 1 : 0;
    } catch (const CPathException& error) {
      result = error.m_cause == CPathException::badCombine ? 3 : 100 + error.m_cause;
    }
    EXPECT_EQ(result, row.result) << "row " << i << ": " << row.path;
    EXPECT_EQ(machine.faults.CallCount("CreateDirectoryW"), row.creates)
        << "row " << i << ": " << row.path;
    for (const wchar_t* folder : row.existAfter) {
      EXPECT_EQ(machine.files.AttributesOf(folder), kFileAttributeDirectory)
          << "row " << i << ": " << row.path << " should leave the folder " << folder;
    }
    for (const wchar_t* entry : row.missingAfter) {
      EXPECT_FALSE(machine.files.Exists(entry))
          << "row " << i << ": " << row.path << " made " << entry;
    }
    EXPECT_EQ(machine.files.OpenSearchCount(), 0u) << "row " << i;
  }
}

TEST_F(FileOperations, CreateFolderChainTwiceCreatesNothingTheSecondTime) {
  CPathName path = PathOf(L"C:\\A\\B\\C");
  ASSERT_TRUE(CreateFolderChain(path));
  ASSERT_EQ(fake.faults.CallCount("CreateDirectoryW"), 2);
  EXPECT_TRUE(CreateFolderChain(path));
  EXPECT_EQ(fake.faults.CallCount("CreateDirectoryW"), 2);
}

TEST_F(FileOperations, CreateFolderChainStopsAtTheFirstFailureAndKeepsWhatItMade) {
  fake.faults.Fail("CreateDirectoryW", platform::kErrorAccessDenied, 1, 1);
  EXPECT_FALSE(CreateFolderChain(PathOf(L"C:\\A\\B\\C\\D")));
  EXPECT_EQ(fake.faults.CallCount("CreateDirectoryW"), 2);
  EXPECT_TRUE(fake.files.Exists(L"C:\\A\\B"));
  EXPECT_FALSE(fake.files.Exists(L"C:\\A\\B\\C"));
  EXPECT_EQ(fake.system.GetLastError(), platform::kErrorAccessDenied);
}

TEST_F(FileOperations, CreateFolderChainDoesNotTrustAFailedAttributeRead) {
  // GetFileAttributesW fails for an existing folder: creation is tried and its
  // "already exists" is a failure, as the platform reports it.
  fake.faults.Fail("GetFileAttributesW", platform::kErrorAccessDenied);
  EXPECT_FALSE(CreateFolderChain(PathOf(L"C:\\A\\B")));
  EXPECT_EQ(fake.system.GetLastError(), platform::kErrorAlreadyExists);
}

TEST_F(FileOperations, ExistenceRows) {
  fake.files.AddFile(L"C:\\Windows\\System32\\config\\SOFTWARE", 1 << 20, kFileAttributeArchive);
  fake.files.AddFile(L"\\\\server\\share\\f.bin", 3);
  struct Row {
    const wchar_t* path;
    bool folder;
    bool file;
  };
  const Row rows[] = {
      {L"C:\\Windows", true, false},
      {L"c:\\WINDOWS", true, false},
      {L"C:\\", true, false},
      {L"C:\\Windows\\System32\\config\\SOFTWARE", false, true},
      {L"C:\\Windows\\System32\\config\\software", false, true},
      {L"C:\\Nowhere", false, false},
      {L"C:\\Nowhere\\x", false, false},
      {L"C:\\A\\file.txt\\x", false, false},
      {L"C:\\Win*", false, false},
      {L"\\\\server\\share", true, false},
      {L"\\\\server\\share\\f.bin", false, true},
      {L"\\\\nobody\\share", false, false},
      {L"Q:\\", false, false},
      {L"", false, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathName path = PathOf(rows[i].path);
    EXPECT_EQ(FolderExists(path), rows[i].folder) << "row " << i << ": " << rows[i].path;
    EXPECT_EQ(FileExists(path), rows[i].file) << "row " << i << ": " << rows[i].path;
  }
}

TEST_F(FileOperations, ClearReadOnlyRows) {
  struct Row {
    std::uint32_t before;
    bool folder;
    std::uint32_t after;
    int writes;  // SetFileAttributesW calls
  };
  const Row rows[] = {
      {kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeArchive, false,
       kFileAttributeHidden | kFileAttributeArchive, 1},
      {kFileAttributeReadOnly | kFileAttributeSystem, false, kFileAttributeSystem, 1},
      {kFileAttributeReadOnly, false, kFileAttributeNormal, 1},
      {kFileAttributeHidden | kFileAttributeArchive, false,
       kFileAttributeHidden | kFileAttributeArchive, 0},
      {kFileAttributeNormal, false, kFileAttributeNormal, 0},
      {kFileAttributeReadOnly, true, kFileAttributeReadOnly | kFileAttributeDirectory, 0},
      {kFileAttributeReadOnly | kFileAttributeHidden, true,
       kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeDirectory, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    test_support::FakeMachine machine;
    const wchar_t* entry = L"C:\\Kelvaro Backup\\SOFTWARE";
    if (rows[i].folder) {
      machine.files.AddFolder(entry);
      ASSERT_TRUE(machine.files.ChangeFileAttributes(entry, rows[i].before));
    } else {
      machine.files.AddFile(entry, 100, rows[i].before);
    }
    ClearReadOnly(PathOf(entry));
    EXPECT_EQ(machine.files.AttributesOf(entry), rows[i].after) << "row " << i;
    EXPECT_EQ(machine.faults.CallCount("SetFileAttributesW"),
              rows[i].writes + (rows[i].folder ? 1 : 0))
        << "row " << i;
  }
}

TEST_F(FileOperations, ClearReadOnlyOfNothingDoesNothing) {
  ClearReadOnly(PathOf(L"C:\\Nowhere\\x"));
  ClearReadOnly(CPathName());
  EXPECT_EQ(fake.faults.CallCount("SetFileAttributesW"), 0);
}

TEST_F(FileOperations, GetFileSizeRows) {
  constexpr std::uint64_t kGiB = 1ull << 30;
  fake.files.AddFile(L"C:\\Big\\huge.vhd", 5 * kGiB + 123);
  fake.files.AddFile(L"C:\\Big\\four.bin", 4 * kGiB);
  fake.files.AddFile(L"C:\\Big\\almost.bin", 4 * kGiB - 1);
  fake.files.AddFile(L"C:\\Logs\\b.log", 200);
  fake.files.AddFile(L"C:\\Logs\\a.log", 100);
  fake.files.AddFile(L"C:\\Logs\\c.txt", 300);
  fake.files.AddFile(L"C:\\Logs\\empty.log", 0);
  struct Row {
    const wchar_t* path;
    bool found;
    std::uint64_t size;
  };
  const Row rows[] = {
      {L"C:\\Big\\huge.vhd", true, 5 * kGiB + 123},
      {L"C:\\Big\\four.bin", true, 4 * kGiB},
      {L"C:\\Big\\almost.bin", true, 4 * kGiB - 1},
      {L"C:\\BIG\\HUGE.VHD", true, 5 * kGiB + 123},
      {L"C:\\Logs\\*.log", true, 100},  // a.log comes first
      {L"C:\\Logs\\?.txt", true, 300},
      {L"C:\\Logs\\empty.log", true, 0},
      {L"C:\\Logs\\*.dat", false, 0},
      {L"C:\\Logs\\missing.log", false, 0},
      {L"C:\\Nowhere\\x.log", false, 0},
      {L"C:\\Logs", true, 0},  // the folder itself
      {L"C:\\", false, 0},
      {L"", false, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::uint64_t size = 77;
    EXPECT_EQ(GetFileSize(PathOf(rows[i].path), size), rows[i].found)
        << "row " << i << ": " << rows[i].path;
    EXPECT_EQ(size, rows[i].size) << "row " << i << ": " << rows[i].path;
    EXPECT_EQ(fake.files.OpenSearchCount(), 0u) << "row " << i << ": the search was left open";
  }
}

TEST_F(FileOperations, GetFileSizeWhenTheSearchFails) {
  fake.files.AddFile(L"C:\\A\\big.bin", 1ull << 33);
  fake.faults.Fail("FindFirstFileW", platform::kErrorAccessDenied);
  std::uint64_t size = 5;
  EXPECT_FALSE(GetFileSize(PathOf(L"C:\\A\\big.bin"), size));
  EXPECT_EQ(size, 0u);
}

TEST_F(FileOperations, GetTempFolderRows) {
  // C:\ and five names of 200 characters and one of 14, each with its backslash.
  std::wstring longest = L"C:\\";
  for (int i = 0; i < 5; ++i) longest += std::wstring(200, L't') + L"\\";
  longest += std::wstring(14, L'u') + L"\\";
  ASSERT_EQ(longest.size(), 1023u);
  struct Row {
    std::wstring tempPath;
    bool fails;
    const wchar_t* text;
    const char* flags;
  };
  const Row rows[] = {
      {L"C:\\Users\\Admin\\AppData\\Local\\Temp\\", false,
       L"C:\\Users\\Admin\\AppData\\Local\\Temp", "DR"},
      {L"C:\\WINDOWS\\TEMP\\", false, L"C:\\WINDOWS\\TEMP", "DR"},
      {L"D:\\", false, L"D:\\", "DR"},
      {L"\\\\server\\share\\temp\\", false, L"\\\\server\\share\\temp", "UR"},
      {L"C:\\Temp", false, L"C:\\Temp", "DR"},
      {L"C:\\Temp\\", true, L"", ""},
      {L"C:\\a:b\\", false, L"", ""},
      {L"C:\\Temp\\\\", false, L"", ""},
      {L"C:\\" + std::wstring(1100, L't') + L"\\", false, L"", ""},  // does not fit the buffer
      {longest, false, nullptr, "DR"},                               // 1023 characters fit
      {longest + L"x", false, L"", ""},                              // 1024 do not
      {L"C:\\" + std::wstring(261, L't') + L"\\", false, L"", ""},   // a name too long to parse
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    test_support::FakeMachine machine;
    machine.files.tempPath = rows[i].tempPath;
    if (rows[i].fails) machine.faults.Fail("GetTempPathW", platform::kErrorAccessDenied);
    CPathName folder = GetTempFolder();
    std::wstring expected = rows[i].text != nullptr
                                ? std::wstring(rows[i].text)
                                : rows[i].tempPath.substr(0, rows[i].tempPath.size() - 1);
    EXPECT_EQ(TextOf(folder), expected) << "row " << i << ": " << rows[i].tempPath.substr(0, 60);
    EXPECT_EQ(FlagsOf(folder), rows[i].flags) << "row " << i;
    EXPECT_EQ(machine.faults.CallCount("GetTempPathW"), 1) << "row " << i;
  }
}

TEST_F(FileOperations, TheTemporaryFolderCanBeCreatedWhenMissing) {
  fake.files.tempPath = L"C:\\Users\\Other\\AppData\\Local\\Temp\\";
  CPathName temp = GetTempFolder();
  ASSERT_FALSE(FolderExists(temp));
  EXPECT_TRUE(CreateFolderChain(temp));
  EXPECT_TRUE(FolderExists(temp));
  EXPECT_EQ(fake.faults.CallCount("CreateDirectoryW"), 4);
}

}  // namespace
