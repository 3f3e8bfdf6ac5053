#include "catalogue/DriveMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::FakeDrive;

std::wstring Describe(const DriveMap& map) {
  std::wstring text;
  for (const DriveMapEntry& entry : map)
    text += entry.drive.str() + L"=" + entry.device.str() + L";";
  return text;
}

TEST(BuildDriveMapTest, MapsEachDriveToItsFirstDevice) {
  struct Row {
    const char* what;
    std::vector<FakeDrive> drives;
    const wchar_t* expected;
  };
  const Row rows[] = {
      {"one drive", {{L"C:\\", {L"\\Device\\HarddiskVolume3"}}}, L"C:=\\Device\\HarddiskVolume3;"},
      {"drives in the platform's order",
       {{L"D:\\", {L"\\Device\\CdRom0"}}, {L"C:\\", {L"\\Device\\HarddiskVolume1"}}},
       L"D:=\\Device\\CdRom0;C:=\\Device\\HarddiskVolume1;"},
      {"a drive without a device has no entry",
       {{L"A:\\", {}}, {L"C:\\", {L"\\Device\\HarddiskVolume1"}}},
       L"C:=\\Device\\HarddiskVolume1;"},
      {"only the first of several targets",
       {{L"C:\\", {L"\\Device\\HarddiskVolume1", L"\\Device\\HarddiskVolume9"}}},
       L"C:=\\Device\\HarddiskVolume1;"},
      {"a root without its backslash is used as it is",
       {{L"E:", {L"\\Device\\HarddiskVolume5"}}},
       L"E:=\\Device\\HarddiskVolume5;"},
      {"an empty device name would claim every file", {{L"Z:\\", {L""}}}, L""},
      {"no drives", {}, L""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    test_support::FakeMachine fake;
    fake.volumes.drives = rows[i].drives;
    EXPECT_EQ(Describe(BuildDriveMap()), rows[i].expected) << "row " << i << ": " << rows[i].what;
  }
}

TEST(BuildDriveMapTest, AllTwentySixDrivesFit) {
  test_support::FakeMachine fake;
  fake.volumes.drives.clear();
  std::wstring expected;
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    std::wstring device = L"\\Device\\HarddiskVolume" + std::to_wstring(letter - L'A' + 1);
    fake.volumes.drives.push_back({std::wstring(1, letter) + L":\\", {device}});
    expected += std::wstring(1, letter) + L":=" + device + L";";
  }
  EXPECT_EQ(Describe(BuildDriveMap()), expected);
}

TEST(BuildDriveMapTest, AFailedDriveQueryGivesAnEmptyMap) {
  test_support::FakeMachine fake;
  fake.faults.Fail("GetLogicalDriveStringsW", platform::kErrorAccessDenied);
  EXPECT_TRUE(BuildDriveMap().empty());
}

TEST(BuildDriveMapTest, DriveStringsTooLongForTheBufferGiveAnEmptyMap) {
  // Roots longer than "X:\" could need more than the 105 characters the map
  // reads; the platform then reports the size it needs and fills nothing.
  test_support::FakeMachine fake;
  fake.volumes.drives.clear();
  for (int i = 0; i < 30; ++i) {
    fake.volumes.drives.push_back({L"C:\\Mount" + std::to_wstring(i) + L"\\", {L"\\Device\\X"}});
  }
  EXPECT_TRUE(BuildDriveMap().empty());
}

TEST(BuildDriveMapTest, AFailedDeviceQueryLeavesOnlyThatDriveOut) {
  test_support::FakeMachine fake;
  fake.volumes.drives = {{L"C:\\", {L"\\Device\\HarddiskVolume1"}},
                         {L"D:\\", {L"\\Device\\HarddiskVolume2"}}};
  fake.faults.Fail("QueryDosDeviceW", platform::kErrorAccessDenied);
  EXPECT_EQ(Describe(BuildDriveMap()), L"D:=\\Device\\HarddiskVolume2;");
}

TEST(TranslateDevicePathTest, ReplacesTheMatchingDeviceByItsDrive) {
  const DriveMap nested = {{L"C:", L"\\Device\\HarddiskVolume1"},
                           {L"D:", L"\\Device\\HarddiskVolume10"}};
  const DriveMap nestedLongFirst = {{L"D:", L"\\Device\\HarddiskVolume10"},
                                    {L"C:", L"\\Device\\HarddiskVolume1"}};
  const DriveMap twoVolumes = {{L"C:", L"\\Device\\HarddiskVolume1"},
                               {L"E:", L"\\Device\\HarddiskVolume2"}};
  const DriveMap trailingBackslash = {{L"S:", L"\\??\\C:\\Shared\\"}};
  struct Row {
    const DriveMap* map;
    const wchar_t* kernel;
    const wchar_t* expected;
  };
  const Row rows[] = {
      {&nested, L"\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\SAM",
       L"C:\\WINDOWS\\system32\\config\\SAM"},
      // Volume 1's name is only the beginning of volume 10's: no match.
      {&nested, L"\\Device\\HarddiskVolume10\\Data\\NTUSER.DAT", L"D:\\Data\\NTUSER.DAT"},
      {&nestedLongFirst, L"\\Device\\HarddiskVolume1\\WINDOWS\\SAM", L"C:\\WINDOWS\\SAM"},
      {&nestedLongFirst, L"\\Device\\HarddiskVolume10\\Data\\NTUSER.DAT", L"D:\\Data\\NTUSER.DAT"},
      {&twoVolumes, L"\\Device\\HarddiskVolume2\\Users\\a\\NTUSER.DAT",
       L"E:\\Users\\a\\NTUSER.DAT"},
      // Kernel names are matched with A-Z folded; the rest keeps its case.
      {&twoVolumes, L"\\device\\harddiskvolume1\\Windows\\System32\\config\\SYSTEM",
       L"C:\\Windows\\System32\\config\\SYSTEM"},
      {&twoVolumes, L"\\DEVICE\\HARDDISKVOLUME2\\x", L"E:\\x"},
      // The device alone is its drive.
      {&twoVolumes, L"\\Device\\HarddiskVolume1", L"C:"},
      // The name must go on with a backslash after the device, whatever the device ends with.
      {&trailingBackslash, L"\\??\\C:\\Shared\\hive", L"\\??\\C:\\Shared\\hive"},
      // No drive maps the device: the name stays as it is.
      {&twoVolumes, L"\\Device\\HarddiskVolume3\\EFI\\Microsoft\\Boot\\BCD",
       L"\\Device\\HarddiskVolume3\\EFI\\Microsoft\\Boot\\BCD"},
      {&twoVolumes, L"\\Device\\HarddiskVolume", L"\\Device\\HarddiskVolume"},
      {&twoVolumes, L"", L""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(TranslateDevicePath(rows[i].kernel, *rows[i].map).str(), rows[i].expected)
        << "row " << i << ": " << rows[i].kernel;
  }
}

TEST(TranslateDevicePathTest, TheFirstMatchingEntryWins) {
  const DriveMap twice = {{L"C:", L"\\Device\\HarddiskVolume1"},
                          {L"X:", L"\\Device\\HarddiskVolume1"}};
  EXPECT_EQ(TranslateDevicePath(L"\\Device\\HarddiskVolume1\\a", twice).str(), L"C:\\a");
}

}  // namespace
