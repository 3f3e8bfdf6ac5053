// What the fake Windows models so that the compaction run can be attacked
// natively: another program acting between two calls, junctions followed above
// a path's last name, exclusive handles that keep others out, descriptors that
// new entries take from their folder, and saves that write real hive files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hive/HiveCheck.h"
#include "hive/HiveTreeReader.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/FakeHiveBytes.h"
#include "platform/fake/FakeWindows.h"

namespace {

using namespace platform;
using platform::fake::FakeWindows;

TEST(FakeHostileTest, AnotherProgramActsBetweenTwoCalls) {
  FakeWindows fake;
  fake.files.WriteFile(L"C:\\x\\copy", {1, 2, 3});
  int calls = 0;
  fake.faults.beforeCall = [&](const std::string& operation) {
    ++calls;
    if (operation == "CreateFileW") fake.files.WriteFile(L"C:\\x\\copy", {9});
  };
  FileFacts facts;
  ASSERT_TRUE(fake.files.QueryFileFacts(L"C:\\x\\copy", &facts));
  EXPECT_EQ(facts.size, 3u);
  FileHandle handle = fake.files.OpenFileExclusive(L"C:\\x\\copy");
  std::uint8_t buffer[8];
  std::uint32_t read = 0;
  ASSERT_TRUE(fake.files.ReadFromFile(handle, buffer, sizeof buffer, &read));
  EXPECT_EQ(read, 1u);
  EXPECT_EQ(buffer[0], 9);
  EXPECT_TRUE(fake.files.CloseFile(handle));
  EXPECT_EQ(calls, 4);
}

TEST(FakeHostileTest, JunctionsAboveTheLastNameAreFollowed) {
  FakeWindows fake;
  fake.files.AddFolder(L"C:\\Elsewhere");
  fake.files.AddJunction(L"C:\\Users\\Admin\\Planted", L"C:\\Elsewhere");
  struct Row {
    const wchar_t* path;
    bool landsElsewhere;
  };
  const Row rows[] = {{L"C:\\Users\\Admin\\Planted\\a", true}, {L"C:\\Users\\Admin\\b", false}};
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    ASSERT_TRUE(fake.files.MakeDirectory(rows[index].path)) << "row " << index;
    std::wstring leaf =
        std::wstring(rows[index].path).substr(std::wstring(rows[index].path).rfind(L'\\'));
    EXPECT_EQ(fake.files.Exists(L"C:\\Elsewhere" + leaf), rows[index].landsElsewhere)
        << "row " << index;
  }
  FileFacts facts;
  ASSERT_TRUE(fake.files.QueryFileFacts(L"C:\\Users\\Admin\\Planted", &facts));
  EXPECT_NE(facts.attributes & kFileAttributeReparsePoint, 0u);
}

TEST(FakeHostileTest, NewEntriesTakeTheirFolderDescriptor) {
  FakeWindows fake;
  struct Row {
    const wchar_t* folder;
    bool userMayChange;
  };
  const Row rows[] = {{L"C:\\", true},
                      {L"C:\\Windows", false},
                      {L"C:\\Windows\\New", false},
                      {L"C:\\Users\\Admin\\AppData\\Local\\Temp", true},
                      {L"C:\\Users\\Admin\\AppData\\Local\\Temp\\New", true}};
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    if (!fake.files.Exists(rows[index].folder)) {
      ASSERT_TRUE(fake.files.MakeDirectory(rows[index].folder)) << "row " << index;
    }
    EXPECT_EQ(fake.files.UserMayChangeFolder(rows[index].folder), rows[index].userMayChange)
        << "row " << index;
  }
  ASSERT_TRUE(
      fake.files.MakeDirectoryWithSecurity(L"C:\\Users\\Admin\\Kept", ProtectedDescriptor()));
  EXPECT_FALSE(fake.files.UserMayChangeFolder(L"C:\\Users\\Admin\\Kept"));
  EXPECT_EQ(fake.files.SecurityOf(L"C:\\Users\\Admin\\Kept"), ProtectedDescriptor());

  // Every user may traverse folders: a file opened by its full path is
  // guarded by its own descriptor, whatever its folder's says.
  struct FileRow {
    const wchar_t* file;
    DescriptorBytes descriptor;
    std::uint32_t rights;
    bool userMayOpen;
  };
  const FileRow files[] = {
      {L"C:\\Users\\Admin\\Kept\\theirs", fake::UserFolderDescriptor(), kModifyingRights, true},
      {L"C:\\Users\\Admin\\Kept\\ours", ProtectedDescriptor(), kReadingRights, false},
      {L"C:\\Users\\Admin\\AppData\\Local\\Temp\\ours", ProtectedDescriptor(), kModifyingRights,
       false},
      {L"C:\\Windows\\readable", fake::WindowsFolderDescriptor(), kReadingRights, true},
      {L"C:\\Windows\\readable", fake::WindowsFolderDescriptor(), kModifyingRights, false},
  };
  for (std::size_t index = 0; index < std::size(files); ++index) {
    fake.files.AddFile(files[index].file, 1);
    fake.files.SetSecurity(files[index].file, files[index].descriptor);
    EXPECT_EQ(fake.files.UserMayOpen(files[index].file, files[index].rights),
              files[index].userMayOpen)
        << "file row " << index;
  }
}

TEST(FakeHostileTest, SavesWriteRealHivesWithoutVolatileKeys) {
  FakeWindows fake;
  fake.MountHive(kHKeyLocalMachine, L"SOFTWARE", L"C:\\Windows\\System32\\config\\SOFTWARE",
                 512 * 1024);
  fake.registry.PutString(kHKeyLocalMachine, L"SOFTWARE\\Vendor", L"Path", L"C:\\x");
  fake.registry.EnsureKey(kHKeyLocalMachine, L"SOFTWARE\\InMemory").isVolatile = true;
  fake.registry.EnsureKey(kHKeyLocalMachine, L"SOFTWARE\\Vendor\\Deep");
  for (auto& privilege : fake.security.processToken.privileges) {
    if (privilege.name == L"SeBackupPrivilege") privilege.attributes = kSePrivilegeEnabled;
  }
  KeyHandle key = 0;
  ASSERT_EQ(fake.registry.OpenKey(kHKeyLocalMachine, L"SOFTWARE", kRegOptionBackupRestore, kKeyRead,
                                  &key),
            kErrorSuccess);
  // Every live subkey but the volatile one, in the writer's sorted order.
  std::vector<std::u16string> expected;
  for (const auto& subkey : fake.registry.FindKey(kHKeyLocalMachine, L"SOFTWARE")->subkeys) {
    if (subkey->isVolatile) continue;
    expected.push_back(std::u16string(subkey->name.begin(), subkey->name.end()));
  }
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(expected.size() + 1,
            fake.registry.FindKey(kHKeyLocalMachine, L"SOFTWARE")->subkeys.size());
  struct Row {
    const wchar_t* file;
    std::uint32_t flags;
    std::uint32_t minorVersion;
  };
  const Row rows[] = {{L"C:\\Windows\\latest", kRegLatestFormat, 5},
                      {L"C:\\Windows\\standard", kRegStandardFormat, 3}};
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    ASSERT_EQ(fake.registry.SaveKeyWithSecurity(key, rows[index].file, ProtectedDescriptor(),
                                                rows[index].flags),
              kErrorSuccess)
        << "row " << index;
    hive::TreeReadResult read = hive::ReadHiveTree(*fake.files.ReadFile(rows[index].file), {});
    EXPECT_EQ(read.check.verdict, hive::Verdict::Sound) << "row " << index;
    EXPECT_EQ(read.tree.header.minorVersion, rows[index].minorVersion) << "row " << index;
    std::vector<std::u16string> names;
    for (const hive::HiveKey& subkey : read.tree.root.subkeys) names.push_back(subkey.name);
    EXPECT_EQ(names, expected) << "row " << index;
    EXPECT_EQ(fake.files.SecurityOf(rows[index].file), ProtectedDescriptor()) << "row " << index;
  }
  fake.registry.CloseKey(key);
}

TEST(FakeHostileTest, RestartLoadsTheNewHiveFileAndFlagsAnUnbootableOne) {
  struct Row {
    const char* what;
    std::vector<std::uint8_t> newBytes;
    bool boots;
  };
  // Windows' loader drops a key with an empty name: the saved roots have one.
  platform::fake::FakeKey content;
  content.name = L"SYSTEM";
  content.values.push_back({L"Answer", kRegDword, {42, 0, 0, 0}});
  const std::vector<Row> rows = {
      {"hive", platform::fake::SavedHiveBytes(content, kRegLatestFormat), true},
      {"text", {'R', 'E', 'G', 'E', 'D', 'I', 'T', '4'}, false}};
  for (std::size_t index = 0; index < rows.size(); ++index) {
    FakeWindows fake;
    platform::fake::FakeKey original;
    original.name = L"SYSTEM";
    original.values.push_back({L"Answer", kRegDword, {7, 0, 0, 0}});
    fake.MountHiveFile(kHKeyLocalMachine, L"SYSTEM", L"C:\\Windows\\System32\\config\\SYSTEM",
                       platform::fake::SavedHiveBytes(original, kRegLatestFormat));
    EXPECT_EQ(fake.registry.GetValue(kHKeyLocalMachine, L"SYSTEM", L"Answer")->data[0], 7)
        << "row " << index;
    fake.files.WriteFile(L"C:\\Windows\\new", rows[index].newBytes);
    fake.registry.scheduledReplacements.push_back(
        {L"C:\\Windows\\System32\\config\\SYSTEM", L"C:\\Windows\\new", L"C:\\Windows\\old"});
    fake.Restart();
    EXPECT_EQ(fake.unbootableHives.empty(), rows[index].boots)
        << "row " << index << ": " << rows[index].what;
    if (rows[index].boots) {
      EXPECT_EQ(fake.registry.GetValue(kHKeyLocalMachine, L"SYSTEM", L"Answer")->data[0], 42)
          << "row " << index;
    }
  }
}

}  // namespace
