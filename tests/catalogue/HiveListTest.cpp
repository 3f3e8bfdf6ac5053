#include "catalogue/HiveList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/HiveNames.h"
#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::WideBytes;

constexpr std::uint64_t kMiB = 1024 * 1024;

// One record as text: name|path|size|ticked or unticked.
std::wstring Describe(const HiveEntry& entry) {
  const CPathString text = entry.path.GetText();
  return entry.name.str() + L"|" + (text.GetBuffer() != nullptr ? text.GetBuffer() : L"") + L"|" +
         std::to_wstring(entry.size) + L"|" + (StartsTicked(entry) ? L"ticked" : L"unticked");
}

std::vector<std::wstring> DescribeAll(const std::vector<std::unique_ptr<HiveEntry>>& hives) {
  std::vector<std::wstring> rows;
  for (const auto& hive : hives) rows.push_back(Describe(*hive));
  return rows;
}

class HiveListTest : public ::testing::Test {
 protected:
  HiveListTest() {
    fake.volumes.drives = {{L"C:\\", {L"\\Device\\HarddiskVolume1"}}};
    fake.registry.EnsureKey(platform::kHKeyLocalMachine, kHiveListKey);
  }

  void AddValue(const std::wstring& name, const std::wstring& data,
                std::uint32_t type = platform::kRegSz) {
    fake.registry.PutString(platform::kHKeyLocalMachine, kHiveListKey, name, data, type);
  }

  void AddRawValue(const std::wstring& name, std::uint32_t type, std::vector<std::uint8_t> data) {
    fake.registry.PutValue(platform::kHKeyLocalMachine, kHiveListKey, name, type, std::move(data));
  }

  test_support::FakeMachine fake;
};

TEST_F(HiveListTest, ListsEachHiveWithItsNamePathAndSize) {
  fake.volumes.drives = {
      {L"C:\\", {L"\\Device\\HarddiskVolume1"}},
      {L"D:\\", {L"\\Device\\HarddiskVolume10"}},
      {L"E:", {L"\\Device\\HarddiskVolume2"}},  // listed without its backslash
      {L"F:\\", {}},                            // no device
  };
  fake.files.AddDrive(L'D');
  fake.files.AddDrive(L'E');
  fake.files.AddDrive(L'F');
  fake.files.AddFile(L"C:\\Windows\\System32\\config\\SYSTEM", 12 * kMiB);
  fake.files.AddFile(L"C:\\Windows\\System32\\config\\SOFTWARE", 40 * kMiB);
  fake.files.AddFile(L"D:\\Users\\a\\NTUSER.DAT", 1023);
  fake.files.AddFile(L"E:\\Data\\hive", 4096);
  fake.files.AddFile(L"F:\\Data\\hive", 4096);

  AddValue(L"\\REGISTRY\\MACHINE\\SYSTEM",
           L"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SYSTEM");
  // Lower-case kernel names: matched with A-Z folded, their case kept.
  AddValue(L"\\registry\\machine\\software",
           L"\\device\\harddiskvolume1\\windows\\system32\\config\\software");
  // Volume 10 is not taken for volume 1.
  AddValue(L"\\REGISTRY\\USER\\S-1-5-21-1", L"\\Device\\HarddiskVolume10\\Users\\a\\NTUSER.DAT");
  AddValue(L"\\REGISTRY\\MACHINE\\DATA", L"\\Device\\HarddiskVolume2\\Data\\hive");
  // F: has no device, so nothing translates a file on its volume.
  AddValue(L"\\REGISTRY\\MACHINE\\ONF", L"\\Device\\HarddiskVolume4\\Data\\hive");
  // The boot configuration's system partition has no drive letter.
  AddValue(L"\\REGISTRY\\MACHINE\\BCD00000000",
           L"\\Device\\HarddiskVolume3\\EFI\\Microsoft\\Boot\\BCD");
  AddValue(L"\\REGISTRY\\MACHINE\\MISSING", L"\\Device\\HarddiskVolume1\\Windows\\gone");
  // The path library rejects "|" in a name: an empty path, size 0.
  AddValue(L"\\REGISTRY\\MACHINE\\BAD", L"\\Device\\HarddiskVolume1\\Windows\\bad|name");
  // Neither kernel root: listed with an empty name.
  AddValue(L"Hive", L"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SYSTEM");

  const std::vector<std::wstring> expected = {
      L"HKLM\\SYSTEM|C:\\Windows\\System32\\config\\SYSTEM|12582912|ticked",
      L"HKLM\\software|C:\\windows\\system32\\config\\software|41943040|ticked",
      L"HKU\\S-1-5-21-1|D:\\Users\\a\\NTUSER.DAT|1023|ticked",
      L"HKLM\\DATA|E:\\Data\\hive|4096|ticked",
      L"HKLM\\ONF|\\Device\\HarddiskVolume4\\Data\\hive|0|unticked",
      L"HKLM\\BCD00000000|\\Device\\HarddiskVolume3\\EFI\\Microsoft\\Boot\\BCD|0|unticked",
      L"HKLM\\MISSING|C:\\Windows\\gone|0|unticked",
      L"HKLM\\BAD||0|unticked",
      L"|C:\\Windows\\System32\\config\\SYSTEM|12582912|ticked",
  };
  EXPECT_EQ(DescribeAll(CollectHives()), expected);
}

TEST_F(HiveListTest, SkipsValuesThatAreNoHiveWithAFile) {
  struct Row {
    const char* what;
    std::wstring name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    bool listed;
  };
  const std::wstring file = L"\\Device\\HarddiskVolume1\\h";
  const Row rows[] = {
      {"a good value", L"\\REGISTRY\\MACHINE\\GOOD", platform::kRegSz, WideBytes(file), true},
      {"empty data", L"\\REGISTRY\\MACHINE\\HARDWARE", platform::kRegSz, WideBytes(L""), false},
      {"no data at all", L"\\REGISTRY\\MACHINE\\NODATA", platform::kRegSz, {}, false},
      {"less data than one character",
       L"\\REGISTRY\\MACHINE\\ODD",
       platform::kRegSz,
       {0x5C},
       false},
      {"REG_EXPAND_SZ", L"\\REGISTRY\\MACHINE\\EXPAND", platform::kRegExpandSz, WideBytes(file),
       false},
      {"REG_MULTI_SZ", L"\\REGISTRY\\MACHINE\\MULTI", platform::kRegMultiSz,
       WideBytes(file + L'\0'), false},
      {"REG_BINARY", L"\\REGISTRY\\MACHINE\\BINARY", platform::kRegBinary, WideBytes(file), false},
      {"a one-character name", L"X", platform::kRegSz, WideBytes(file), false},
      {"the unnamed default value", L"", platform::kRegSz, WideBytes(file), false},
      {"a two-character name", L"XY", platform::kRegSz, WideBytes(file), true},
      // Data without its terminator is read no further than its size.
      {"data without a terminator", L"\\REGISTRY\\MACHINE\\NOTERM", platform::kRegSz,
       WideBytes(file, false), true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    test_support::FakeMachine machine;
    machine.volumes.drives = fake.volumes.drives;
    machine.files.AddFile(L"C:\\h", 8192);
    // A longer value first: a value read with the bytes it left behind would
    // pass the filter or end up with its tail.
    machine.registry.PutString(platform::kHKeyLocalMachine, kHiveListKey,
                               L"\\REGISTRY\\MACHINE\\FIRST", file + L"\\stale\\tail");
    // No bytes are handed over in an allocated block: the fake copies value data
    // with memcpy, which must not see a null pointer even for no bytes.
    std::vector<std::uint8_t> data = row.data;
    data.reserve(1);
    machine.registry.PutValue(platform::kHKeyLocalMachine, kHiveListKey, row.name, row.type,
                              std::move(data));
    const auto hives = CollectHives();
    ASSERT_GE(hives.size(), 1u) << "row " << i << ": " << row.what;
    EXPECT_EQ(hives.size(), row.listed ? 2u : 1u) << "row " << i << ": " << row.what;
    if (row.listed && hives.size() == 2) {
      EXPECT_EQ(Describe(*hives[1]),
                TranslateHiveName(row.name.c_str()).str() + L"|C:\\h|8192|ticked")
          << "row " << i << ": " << row.what;
    }
  }
}

TEST_F(HiveListTest, AMissingHiveListGivesNoRecords) {
  test_support::FakeMachine bare;
  EXPECT_TRUE(CollectHives().empty());
}

TEST_F(HiveListTest, AnUnreadableHiveListGivesNoRecords) {
  AddValue(L"\\REGISTRY\\MACHINE\\SYSTEM", L"\\Device\\HarddiskVolume1\\Windows\\SYSTEM");
  fake.faults.Fail("RegOpenKeyExW", platform::kErrorAccessDenied);
  EXPECT_TRUE(CollectHives().empty());
}

TEST_F(HiveListTest, AValueThatCannotBeReadIsSkipped) {
  AddValue(L"\\REGISTRY\\MACHINE\\A", L"\\Device\\HarddiskVolume1\\a");
  AddValue(L"\\REGISTRY\\MACHINE\\B", L"\\Device\\HarddiskVolume1\\b");
  AddValue(L"\\REGISTRY\\MACHINE\\C", L"\\Device\\HarddiskVolume1\\c");
  fake.faults.Fail("RegQueryValueExW", platform::kErrorAccessDenied, 1, 1);
  const auto hives = CollectHives();
  ASSERT_EQ(hives.size(), 2u);
  EXPECT_EQ(hives[0]->name.str(), L"HKLM\\A");
  EXPECT_EQ(hives[1]->name.str(), L"HKLM\\C");
}

TEST_F(HiveListTest, TheEnumerationStopsAtItsFirstFailure) {
  AddValue(L"\\REGISTRY\\MACHINE\\A", L"\\Device\\HarddiskVolume1\\a");
  AddValue(L"\\REGISTRY\\MACHINE\\B", L"\\Device\\HarddiskVolume1\\b");
  AddValue(L"\\REGISTRY\\MACHINE\\C", L"\\Device\\HarddiskVolume1\\c");
  fake.faults.Fail("RegEnumValueW", platform::kErrorAccessDenied, 1, 1);
  const auto hives = CollectHives();
  ASSERT_EQ(hives.size(), 1u);
  EXPECT_EQ(hives[0]->name.str(), L"HKLM\\A");
}

TEST_F(HiveListTest, LongNamesAndDataGrowTheirBuffers) {
  const std::wstring folder(250, L'f');
  const std::wstring leaf = L"Hive" + std::wstring(200, L'x');
  fake.files.AddFile(L"C:\\" + folder + L"\\" + leaf, 1 * kMiB);
  AddValue(L"\\REGISTRY\\USER\\" + leaf, L"\\Device\\HarddiskVolume1\\" + folder + L"\\" + leaf);
  const auto hives = CollectHives();
  ASSERT_EQ(hives.size(), 1u);
  EXPECT_EQ(hives[0]->name.str(), L"HKU\\" + leaf);
  EXPECT_EQ(hives[0]->size, 1 * kMiB);
}

TEST_F(HiveListTest, LeavesNoKeyOpen) {
  AddValue(L"\\REGISTRY\\MACHINE\\A", L"\\Device\\HarddiskVolume1\\a");
  CollectHives();
  EXPECT_EQ(fake.registry.OpenHandleCount(), 0u);
}

TEST_F(HiveListTest, EveryListedHiveIsVisitedWithItsTranslatedTexts) {
  AddValue(L"\\REGISTRY\\MACHINE\\SAM", L"\\Device\\HarddiskVolume1\\Windows\\SAM");
  AddValue(L"\\REGISTRY\\MACHINE\\EMPTY", L"");
  std::vector<std::wstring> seen;
  ForEachListedHive([&seen](const ListedHive& hive) {
    seen.push_back(hive.name.str() + L"=" + hive.fileText.str());
  });
  EXPECT_EQ(seen, std::vector<std::wstring>{L"HKLM\\SAM=C:\\Windows\\SAM"});
}

}  // namespace
