// The fake Windows' file system on its own: what the contract suite cannot ask
// of the real one (failure injection, set-up helpers, open-search tracking).
#include "platform/fake/FakeFileSystem.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "platform/fake/FakeWindows.h"

namespace {

using namespace platform;
using platform::fake::FakeWindows;

class FakeFiles : public ::testing::Test {
 protected:
  FakeWindows fake;
  fake::FakeFileSystem& files = fake.files;
};

TEST_F(FakeFiles, AFreshMachineHasItsWindowsAndTemporaryFolders) {
  EXPECT_EQ(files.AttributesOf(L"C:\\"), kFileAttributeDirectory);
  EXPECT_EQ(files.AttributesOf(L"C:\\Windows"), kFileAttributeDirectory);
  EXPECT_EQ(files.AttributesOf(L"C:\\Users\\Admin\\AppData\\Local\\Temp"), kFileAttributeDirectory);
  EXPECT_FALSE(files.Exists(L"D:\\"));
}

TEST_F(FakeFiles, EveryOperationFailsAsPlannedAndSetsTheLastError) {
  files.AddFile(L"C:\\x.txt", 1);
  files.AddFolder(L"C:\\Empty");
  FindData data;
  const std::pair<const char*, std::function<bool()>> operations[] = {
      {"GetFileAttributesW",
       [&] { return files.QueryFileAttributes(L"C:\\x.txt") != kInvalidFileAttributes; }},
      {"SetFileAttributesW",
       [&] { return files.ChangeFileAttributes(L"C:\\x.txt", kFileAttributeHidden); }},
      {"FindFirstFileW",
       [&] {
         FindHandle handle = files.FindFirst(L"C:\\x.txt", &data);
         return handle != kInvalidFindHandle && files.FindClose(handle);
       }},
      {"FindNextFileW",
       [&] {
         FindHandle handle = files.FindFirst(L"C:\\*", &data);
         bool next = files.FindNext(handle, &data);
         files.FindClose(handle);
         return next;
       }},
      {"CreateDirectoryW", [&] { return files.MakeDirectory(L"C:\\New"); }},
      {"RemoveDirectoryW", [&] { return files.RemoveEmptyDirectory(L"C:\\Empty"); }},
      {"GetTempPathW",
       [&] {
         wchar_t buffer[64];
         return files.QueryTempPath(64, buffer) != 0;
       }},
      {"DeleteFileW", [&] { return files.RemoveFile(L"C:\\x.txt"); }},
  };
  for (const auto& [name, call] : operations) {
    fake.faults.Fail(name, 4321);
    fake.system.SetLastError(0);
    EXPECT_FALSE(call()) << name;
    EXPECT_EQ(fake.system.GetLastError(), 4321u) << name;
    EXPECT_TRUE(call()) << name << " fails only once";
  }
  FindHandle handle = files.FindFirst(L"C:\\Windows", &data);
  ASSERT_NE(handle, kInvalidFindHandle);
  fake.faults.Fail("FindClose", 4321);
  EXPECT_FALSE(files.FindClose(handle));
  EXPECT_EQ(fake.system.GetLastError(), 4321u);
}

TEST_F(FakeFiles, NullAndEmptyTextsFail) {
  FindData data;
  const std::pair<const char*, std::function<bool(const wchar_t*)>> operations[] = {
      {"GetFileAttributesW",
       [&](const wchar_t* p) { return files.QueryFileAttributes(p) != kInvalidFileAttributes; }},
      {"SetFileAttributesW", [&](const wchar_t* p) { return files.ChangeFileAttributes(p, 0); }},
      {"CreateDirectoryW", [&](const wchar_t* p) { return files.MakeDirectory(p); }},
      {"RemoveDirectoryW", [&](const wchar_t* p) { return files.RemoveEmptyDirectory(p); }},
      {"DeleteFileW", [&](const wchar_t* p) { return files.RemoveFile(p); }},
      {"FindFirstFileW",
       [&](const wchar_t* p) { return files.FindFirst(p, &data) != kInvalidFindHandle; }},
  };
  for (const auto& [name, call] : operations) {
    for (const wchar_t* text : {static_cast<const wchar_t*>(nullptr), L""}) {
      fake.system.SetLastError(0);
      EXPECT_FALSE(call(text)) << name << (text ? " of an empty text" : " of a null text");
      EXPECT_EQ(fake.system.GetLastError(), kErrorPathNotFound) << name;
    }
  }
}

TEST_F(FakeFiles, PathTextsResolveAsKernel32Does) {
  files.AddFile(L"C:\\Work\\sub\\f.txt", 7);
  files.AddDrive(L'd');
  files.AddFile(L"D:\\data\\g.txt", 9);
  files.currentDirectory = L"C:\\Work";
  struct Row {
    const wchar_t* text;
    std::uint32_t attributes;
  };
  const Row rows[] = {
      {L"C:\\Work\\sub\\f.txt", kFileAttributeArchive},
      {L"c:/work/SUB/F.TXT", kFileAttributeArchive},
      {L"C:\\\\Work\\\\\\sub\\f.txt", kFileAttributeArchive},
      {L"C:\\Work\\.\\x\\..\\sub\\f.txt", kFileAttributeArchive},
      {L"C:\\..\\..\\Work", kFileAttributeDirectory},
      {L"sub\\f.txt", kFileAttributeArchive},
      {L"..\\Work\\sub", kFileAttributeDirectory},
      {L"\\Work", kFileAttributeDirectory},
      {L"C:sub", kFileAttributeDirectory},
      {L"D:data\\g.txt", kFileAttributeArchive},
      {L"C:\\Work\\", kFileAttributeDirectory},
      {L"C:\\Work\\sub\\f.txt\\", kInvalidFileAttributes},
      {L"C:\\Work\\f?.txt", kInvalidFileAttributes},
      {L"C:\\Work\\a|b", kInvalidFileAttributes},
      {L"E:\\", kInvalidFileAttributes},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(files.QueryFileAttributes(rows[i].text), rows[i].attributes)
        << "row " << i << ": " << rows[i].text;
  }
  files.currentDirectory = L"C:Work";  // not a full path: relative texts start from C:\ instead
  EXPECT_EQ(files.QueryFileAttributes(L"Work\\sub"), kFileAttributeDirectory);
  EXPECT_EQ(files.QueryFileAttributes(L"sub"), kInvalidFileAttributes);
}

TEST_F(FakeFiles, FoldersAreMadeOneLevelAtATime) {
  files.AddFile(L"C:\\f.txt", 1);
  struct Row {
    const wchar_t* path;
    bool ok;
    Status error;
  };
  const Row rows[] = {
      {L"C:\\One", true, 0},
      {L"C:\\one", false, kErrorAlreadyExists},
      {L"C:\\F.TXT", false, kErrorAlreadyExists},
      {L"C:\\Two\\Three", false, kErrorPathNotFound},
      {L"C:\\f.txt\\Sub", false, kErrorPathNotFound},
      {L"C:\\", false, kErrorAccessDenied},
      {L"Q:\\x", false, kErrorPathNotFound},
      {L"C:\\One\\Two", true, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    fake.system.SetLastError(0);
    EXPECT_EQ(files.MakeDirectory(rows[i].path), rows[i].ok) << "row " << i << ": " << rows[i].path;
    EXPECT_EQ(fake.system.GetLastError(), rows[i].error) << "row " << i << ": " << rows[i].path;
  }
  EXPECT_EQ(files.List(L"C:\\One").at(0).name, L"Two");
}

TEST_F(FakeFiles, RemovalRules) {
  files.AddFile(L"C:\\Full\\f.txt", 1);
  files.AddFolder(L"C:\\Empty");
  files.AddFolder(L"C:\\Locked");
  files.ChangeFileAttributes(L"C:\\Locked", kFileAttributeReadOnly);
  files.AddFile(L"C:\\ro.txt", 1, kFileAttributeReadOnly | kFileAttributeArchive);
  struct Row {
    bool removeFolder;
    const wchar_t* path;
    bool ok;
    Status error;
  };
  const Row rows[] = {
      {true, L"C:\\Full", false, 145},         // ERROR_DIR_NOT_EMPTY
      {true, L"C:\\Full\\f.txt", false, 267},  // ERROR_DIRECTORY
      {true, L"C:\\Locked", false, kErrorAccessDenied},
      {true, L"C:\\Missing", false, kErrorFileNotFound},
      {true, L"C:\\", false, kErrorAccessDenied},
      {true, L"C:\\Empty", true, 0},
      {false, L"C:\\ro.txt", false, kErrorAccessDenied},
      {false, L"C:\\Full", false, kErrorAccessDenied},
      {false, L"C:\\Missing.txt", false, kErrorFileNotFound},
      {false, L"C:\\Missing\\x.txt", false, kErrorPathNotFound},
      {false, L"C:\\Full\\f.txt", true, 0},
      {true, L"C:\\Full", true, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    fake.system.SetLastError(0);
    const bool existed = files.Exists(rows[i].path);
    bool ok = rows[i].removeFolder ? files.RemoveEmptyDirectory(rows[i].path)
                                   : files.RemoveFile(rows[i].path);
    EXPECT_EQ(ok, rows[i].ok) << "row " << i << ": " << rows[i].path;
    EXPECT_EQ(fake.system.GetLastError(), rows[i].error) << "row " << i << ": " << rows[i].path;
    EXPECT_EQ(files.Exists(rows[i].path), existed && !rows[i].ok)
        << "row " << i << ": " << rows[i].path;
  }
}

TEST_F(FakeFiles, AttributeWordsAreKeptAsWindowsReportsThem) {
  files.AddFile(L"C:\\f.txt", 1);
  files.AddFolder(L"C:\\d");
  struct Row {
    const wchar_t* path;
    std::uint32_t set;
    std::uint32_t read;
  };
  const Row rows[] = {
      {L"C:\\f.txt", 0, kFileAttributeNormal},
      {L"C:\\f.txt", kFileAttributeNormal | kFileAttributeHidden, kFileAttributeHidden},
      {L"C:\\f.txt", kFileAttributeDirectory | kFileAttributeReadOnly, kFileAttributeReadOnly},
      {L"C:\\f.txt", 0x800 | kFileAttributeSystem,
       kFileAttributeSystem},  // compression is not an attribute to set
      {L"C:\\d", 0, kFileAttributeDirectory},
      {L"C:\\d", kFileAttributeNormal, kFileAttributeDirectory},
      {L"C:\\d", kFileAttributeHidden, kFileAttributeDirectory | kFileAttributeHidden},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    ASSERT_TRUE(files.ChangeFileAttributes(rows[i].path, rows[i].set)) << "row " << i;
    EXPECT_EQ(files.QueryFileAttributes(rows[i].path), rows[i].read)
        << "row " << i << ": " << rows[i].path;
  }
}

TEST_F(FakeFiles, SearchesFindTheFirstMatchInNameOrder) {
  files.AddFile(L"C:\\Logs\\b.log", 2);
  files.AddFile(L"C:\\Logs\\A.log", 1);
  files.AddFile(L"C:\\Logs\\_z.log", 3);
  files.AddFile(L"C:\\Logs\\readme", 4);
  files.AddFile(L"C:\\top.sys", 5);
  struct Row {
    const wchar_t* pattern;
    const wchar_t* first;  // nullptr: nothing
  };
  const Row rows[] = {
      {L"C:\\Logs\\*.log", L"A.log"},  // upper-cased: A < B < _, where folding down puts _ first
      {L"C:\\Logs\\a.LOG", L"A.log"},  {L"C:\\Logs\\?.log", L"A.log"},
      {L"C:\\Logs\\b*", L"b.log"},     {L"C:\\Logs\\*_*", L"_z.log"},
      {L"C:\\Logs\\*", L"."},          {L"C:\\Logs\\*.*", L"."},
      {L"C:\\Logs\\read*", L"readme"}, {L"C:\\Logs\\*.txt", nullptr},
      {L"C:\\*.sys", L"top.sys"},      {L"C:\\*", L"Logs"},  // a root lists no "." or ".."
      {L"C:\\Logs\\", nullptr},        {L"C:\\", nullptr},
      {L"C:\\Lo*\\a.log", nullptr},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    FindData data;
    FindHandle handle = files.FindFirst(rows[i].pattern, &data);
    if (rows[i].first == nullptr) {
      EXPECT_EQ(handle, kInvalidFindHandle) << "row " << i << ": " << rows[i].pattern;
      continue;
    }
    ASSERT_NE(handle, kInvalidFindHandle) << "row " << i << ": " << rows[i].pattern;
    EXPECT_EQ(data.fileName, rows[i].first) << "row " << i << ": " << rows[i].pattern;
    EXPECT_TRUE(files.FindClose(handle)) << "row " << i;
  }
  EXPECT_EQ(files.OpenSearchCount(), 0u);
}

TEST_F(FakeFiles, SearchHandlesAreTracked) {
  files.AddFile(L"C:\\a.txt", 1);
  FindData data;
  FindHandle first = files.FindFirst(L"C:\\a.txt", &data);
  FindHandle second = files.FindFirst(L"C:\\*.txt", &data);
  ASSERT_NE(first, kInvalidFindHandle);
  ASSERT_NE(second, kInvalidFindHandle);
  EXPECT_NE(first, second);
  EXPECT_EQ(files.OpenSearchCount(), 2u);
  EXPECT_TRUE(files.FindClose(first));
  fake.system.SetLastError(0);
  EXPECT_FALSE(files.FindClose(first));
  EXPECT_EQ(fake.system.GetLastError(), kErrorInvalidHandle);
  EXPECT_TRUE(files.FindClose(second));
  EXPECT_EQ(files.OpenSearchCount(), 0u);
}

TEST_F(FakeFiles, LargeSizesComeInTwoHalves) {
  files.AddFile(L"C:\\big.vhd", 0x123456789ABull);
  FindData data;
  FindHandle handle = files.FindFirst(L"C:\\big.vhd", &data);
  ASSERT_NE(handle, kInvalidFindHandle);
  EXPECT_EQ(data.fileSizeHigh, 0x123u);
  EXPECT_EQ(data.fileSizeLow, 0x456789ABu);
  files.FindClose(handle);
}

TEST_F(FakeFiles, TemporaryPathCopiesOutLikeKernel32) {
  files.tempPath = L"C:\\T\\";
  wchar_t buffer[8] = {L'#', L'#', L'#', L'#', L'#', L'#', L'#', L'#'};
  EXPECT_EQ(files.QueryTempPath(4, buffer), 6u) << "too small: the size needed with the terminator";
  EXPECT_EQ(buffer[0], L'#');
  EXPECT_EQ(files.QueryTempPath(5, buffer), 6u);
  EXPECT_EQ(files.QueryTempPath(6, buffer), 5u);
  EXPECT_EQ(std::wstring(buffer), L"C:\\T\\");
}

TEST_F(FakeFiles, UncSharesAreRoots) {
  files.AddShare(L"server", L"share");
  files.AddFile(L"\\\\SERVER\\Share\\dir\\f.bin", 12);
  EXPECT_EQ(files.QueryFileAttributes(L"\\\\server\\share"), kFileAttributeDirectory);
  EXPECT_EQ(files.QueryFileAttributes(L"\\\\server\\share\\DIR\\f.bin"), kFileAttributeArchive);
  EXPECT_EQ(files.QueryFileAttributes(L"\\\\server\\share\\..\\..\\dir\\..\\dir"),
            kFileAttributeDirectory);
  fake.system.SetLastError(0);
  EXPECT_EQ(files.QueryFileAttributes(L"\\\\server\\other"), kInvalidFileAttributes);
  EXPECT_EQ(fake.system.GetLastError(), 53u);  // ERROR_BAD_NETPATH
  EXPECT_EQ(files.QueryFileAttributes(L"\\\\server"), kInvalidFileAttributes);
  EXPECT_FALSE(files.MakeDirectory(L"\\\\server\\share"));
}

TEST_F(FakeFiles, SetUpHelpers) {
  files.WriteFile(L"C:\\data\\hive", {1, 2, 3});
  EXPECT_EQ(files.SizeOf(L"C:\\data\\hive"), 3u);
  EXPECT_EQ(files.ReadFile(L"c:\\DATA\\hive"), (std::vector<std::uint8_t>{1, 2, 3}));
  files.AddFile(L"C:\\data\\hive", 5000000000ull, kFileAttributeReadOnly);
  EXPECT_EQ(files.SizeOf(L"C:\\data\\hive"), 5000000000ull);
  EXPECT_EQ(files.ReadFile(L"C:\\data\\hive"), std::vector<std::uint8_t>{});
  EXPECT_EQ(files.AttributesOf(L"C:\\data\\hive"), kFileAttributeReadOnly);
  EXPECT_EQ(files.AttributesOf(L"C:\\data\\none"), kInvalidFileAttributes);
  EXPECT_EQ(files.SizeOf(L"C:\\data\\none"), std::nullopt);
  EXPECT_EQ(files.ReadFile(L"C:\\data"), std::nullopt);
  EXPECT_THROW(files.AddFile(L"C:\\data", 1), std::invalid_argument);
  EXPECT_THROW(files.AddFolder(L"C:\\data\\hive\\sub"), std::invalid_argument);
  EXPECT_THROW(files.AddFile(L"Q:\\x", 1), std::invalid_argument);
  EXPECT_THROW(files.AddFile(L"C:\\a|b", 1), std::invalid_argument);
  EXPECT_THROW(files.List(L"C:\\nowhere"), std::invalid_argument);
  EXPECT_TRUE(files.Remove(L"C:\\data"));
  EXPECT_FALSE(files.Exists(L"C:\\data\\hive"));
  EXPECT_FALSE(files.Remove(L"C:\\data"));
  EXPECT_EQ(fake.faults.OperationsSeen().size(), 0u) << "set-up bypasses the failure plan";
}

TEST_F(FakeFiles, ListingIsInSearchOrder) {
  files.AddFile(L"C:\\L\\b", 2);
  files.AddFolder(L"C:\\L\\C");
  files.AddFile(L"C:\\L\\a", 1);
  auto listing = files.List(L"C:\\L");
  ASSERT_EQ(listing.size(), 3u);
  EXPECT_EQ(listing[0].name, L"a");
  EXPECT_EQ(listing[1].name, L"b");
  EXPECT_EQ(listing[1].size, 2u);
  EXPECT_EQ(listing[2].name, L"C");
  EXPECT_EQ(listing[2].attributes, kFileAttributeDirectory);
}

TEST_F(FakeFiles, MoveRows) {
  struct Row {
    const wchar_t* from;
    const wchar_t* to;
    bool replace;
    Status result;
  };
  const Row rows[] = {
      {L"C:\\m\\a.txt", L"C:\\m\\b.txt", false, kErrorAlreadyExists},
      {L"C:\\m\\a.txt", L"C:\\m\\b.txt", true, kErrorSuccess},
      {L"C:\\m\\b.txt", L"C:\\m\\ro.txt", true, kErrorAccessDenied},
      {L"C:\\m\\b.txt", L"C:\\m\\sub", true, kErrorAccessDenied},
      {L"C:\\m\\b.txt", L"C:\\nowhere\\b.txt", false, kErrorPathNotFound},
      {L"C:\\m\\gone.txt", L"C:\\m\\c.txt", false, kErrorFileNotFound},
      {L"C:\\m\\sub", L"C:\\m\\sub\\inner", false, kErrorAccessDenied},
      {L"C:\\m\\b.txt", L"D:\\b.txt", false, 17},  // ERROR_NOT_SAME_DEVICE
      {L"C:\\m\\sub", L"C:\\moved", false, kErrorSuccess},
      {L"C:\\m\\b.txt", L"C:\\m\\B.TXT", false, kErrorSuccess},
  };
  files.AddDrive(L'D');
  files.WriteFile(L"C:\\m\\a.txt", {9});
  files.AddFile(L"C:\\m\\b.txt", 2);
  files.AddFile(L"C:\\m\\ro.txt", 3, kFileAttributeReadOnly);
  files.AddFile(L"C:\\m\\sub\\deep.txt", 4);
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(files.Move(rows[i].from, rows[i].to, rows[i].replace), rows[i].result)
        << "row " << i << ": " << rows[i].from << " to " << rows[i].to;
  }
  EXPECT_EQ(files.ReadFile(L"C:\\m\\b.txt"), std::vector<std::uint8_t>{9});
  EXPECT_EQ(files.List(L"C:\\m").at(0).name, L"B.TXT");
  EXPECT_TRUE(files.Exists(L"C:\\moved\\deep.txt"));
  EXPECT_FALSE(files.Exists(L"C:\\m\\sub"));
}

}  // namespace
