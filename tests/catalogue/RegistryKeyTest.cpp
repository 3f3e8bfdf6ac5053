#include "catalogue/RegistryKey.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::WideBytes;

constexpr const wchar_t* kScratch = L"SOFTWARE\\Scratch";
constexpr std::uint32_t kChar = sizeof(wchar_t);

class RegistryKeyTest : public ::testing::Test {
 protected:
  test_support::FakeMachine fake;

  void Put(const std::wstring& name, const std::wstring& text) {
    fake.registry.PutString(platform::kHKeyLocalMachine, kScratch, name, text);
  }
};

TEST(RegistryBuffer, ReserveGrowsToExactlyTheRequestAndDropsTheContent) {
  CRegistryBuffer buffer;
  EXPECT_EQ(buffer.Data(), nullptr);
  EXPECT_EQ(buffer.Capacity(), 0u);
  buffer.Reserve(256);
  ASSERT_NE(buffer.Data(), nullptr);
  EXPECT_EQ(buffer.Capacity(), 256u);
  buffer.size = 10;
  buffer.type = 1;
  std::uint8_t* block = buffer.Data();
  buffer.Reserve(100);  // smaller: nothing changes
  EXPECT_EQ(buffer.Data(), block);
  EXPECT_EQ(buffer.size, 10u);
  EXPECT_EQ(buffer.type, 1u);
  buffer.Reserve(256);  // equal: nothing changes
  EXPECT_EQ(buffer.size, 10u);
  buffer.Reserve(257);
  EXPECT_EQ(buffer.Capacity(), 257u);
  EXPECT_EQ(buffer.size, 0u);
  EXPECT_EQ(buffer.type, 0u);
}

TEST_F(RegistryKeyTest, AKeyWithNoValuesEndsAtOnceAndAdvancesTheCounter) {
  fake.registry.EnsureKey(platform::kHKeyLocalMachine, kScratch);
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer name;
  name.Reserve(256);
  std::uint32_t index = 0;
  EXPECT_EQ(key.EnumValue(name, index), platform::kErrorNoMoreItems);
  EXPECT_EQ(index, 1u);
}

TEST_F(RegistryKeyTest, WalksEveryValueInOrderWithNamesAndTypes) {
  Put(L"\\REGISTRY\\MACHINE\\SYSTEM", L"a");
  fake.registry.PutValue(platform::kHKeyLocalMachine, kScratch, L"Number", platform::kRegDword,
                         {1, 0, 0, 0});
  Put(L"x", L"b");
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer name;
  name.Reserve(256);
  std::uint32_t index = 0;
  const std::pair<std::wstring, std::uint32_t> expected[] = {
      {L"\\REGISTRY\\MACHINE\\SYSTEM", platform::kRegSz},
      {L"Number", platform::kRegDword},
      {L"x", platform::kRegSz}};
  for (const auto& [text, type] : expected) {
    ASSERT_EQ(key.EnumValue(name, index), 0u) << std::string(text.begin(), text.end());
    EXPECT_EQ(std::wstring(name.Text()), text);
    EXPECT_EQ(name.size, text.size() * kChar);
    EXPECT_EQ(name.type, type);
  }
  EXPECT_EQ(key.EnumValue(name, index), platform::kErrorNoMoreItems);
  EXPECT_EQ(index, 4u);
}

TEST_F(RegistryKeyTest, ANameLongerThanTheBufferIsReadBecauseTheFirstCallSizesIt) {
  std::wstring longName(300, L'N');
  Put(longName, L"data");
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer name;
  name.Reserve(256);
  std::uint32_t index = 0;
  ASSERT_EQ(key.EnumValue(name, index), 0u);
  EXPECT_EQ(name.Capacity(), 301u * kChar);
  EXPECT_EQ(std::wstring(name.Text()), longName);
}

TEST_F(RegistryKeyTest, AFailedSizeQueryIsIgnoredAndATooLongNameGivesMoreData) {
  Put(std::wstring(300, L'N'), L"data");
  Put(L"short", L"data");
  fake.faults.Fail("RegQueryInfoKeyW", platform::kErrorAccessDenied);
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer name;
  name.Reserve(256);
  name.size = 7;
  std::uint32_t index = 0;
  EXPECT_EQ(key.EnumValue(name, index), platform::kErrorMoreData);
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(name.size, 7u);  // unchanged on failure
  EXPECT_EQ(name.Capacity(), 256u);
  ASSERT_EQ(key.EnumValue(name, index), 0u);  // the caller may go on
  EXPECT_EQ(std::wstring(name.Text()), L"short");
}

TEST_F(RegistryKeyTest, QueryValueIntoABufferWithoutStorageAllocatesTheReportedLength) {
  Put(L"v", L"C:\\Windows\\System32\\config\\SYSTEM");
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer data;
  ASSERT_EQ(key.QueryValue(L"v", data), 0u);
  std::uint32_t expected = (33 + 1) * kChar;
  EXPECT_EQ(data.Capacity(), expected);
  EXPECT_EQ(data.size, expected);
  EXPECT_EQ(data.type, platform::kRegSz);
  EXPECT_EQ(std::wstring(data.Text()), L"C:\\Windows\\System32\\config\\SYSTEM");
  EXPECT_EQ(fake.faults.CallCount("RegQueryValueExW"), 2);
}

TEST_F(RegistryKeyTest, QueryValueIntoALargeEnoughBufferReadsOnce) {
  Put(L"v", L"abc");
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer data;
  data.Reserve(256);
  ASSERT_EQ(key.QueryValue(L"v", data), 0u);
  EXPECT_EQ(data.Capacity(), 256u);
  EXPECT_EQ(data.size, 4 * kChar);
  EXPECT_EQ(fake.faults.CallCount("RegQueryValueExW"), 1);
}

TEST_F(RegistryKeyTest, QueryValueGrowsOnceForLongData) {
  std::wstring text(50000, L'd');
  Put(L"v", text);
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer data;
  data.Reserve(256);
  ASSERT_EQ(key.QueryValue(L"v", data), 0u);
  EXPECT_EQ(data.Capacity(), (50000 + 1) * kChar);
  EXPECT_EQ(std::wstring(data.Text()), text);
}

TEST_F(RegistryKeyTest, AValueThatGrowsBetweenTheTwoReadsReturnsMoreData) {
  Put(L"v", std::wstring(1000, L'a'));
  int queries = 0;
  fake.registry.afterQueryValue = [&](const std::wstring&) {
    if (++queries == 1) Put(L"v", std::wstring(2000, L'b'));
  };
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer data;
  data.Reserve(256);
  EXPECT_EQ(key.QueryValue(L"v", data), platform::kErrorMoreData);
  EXPECT_EQ(data.Capacity(), 1001 * kChar);  // the grown block stays
  EXPECT_EQ(queries, 2);                     // no third attempt
}

TEST_F(RegistryKeyTest, AMissingValueFailsAtOnceAndKeepsTheBuffer) {
  fake.registry.EnsureKey(platform::kHKeyLocalMachine, kScratch);
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  CRegistryBuffer data;
  data.Reserve(256);
  std::memcpy(data.Data(), L"keep", 5 * kChar);
  data.size = 5 * kChar;
  data.type = 7;
  EXPECT_EQ(key.QueryValue(L"missing", data), platform::kErrorFileNotFound);
  EXPECT_EQ(data.size, 5 * kChar);
  EXPECT_EQ(std::wstring(data.Text()), L"keep");
  EXPECT_EQ(fake.faults.CallCount("RegQueryValueExW"), 1);
}

TEST_F(RegistryKeyTest, FailuresOfEitherReadAreReturned) {
  struct Row {
    int skip;
    std::uint32_t startCapacity;
    platform::Status expected;
  };
  const Row rows[] = {
      {0, 256, platform::kErrorAccessDenied},  // first read, buffer large enough
      {1, 0, platform::kErrorAccessDenied},    // second read after the grow
  };
  for (const Row& row : rows) {
    test_support::FakeMachine local;
    local.registry.PutString(platform::kHKeyLocalMachine, kScratch, L"v", L"value");
    local.faults.Fail("RegQueryValueExW", platform::kErrorAccessDenied, 1, row.skip);
    CRegistryKey key;
    ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
    CRegistryBuffer data;
    data.Reserve(row.startCapacity);
    EXPECT_EQ(key.QueryValue(L"v", data), row.expected) << "skip " << row.skip;
    EXPECT_EQ(data.size, 0u) << "skip " << row.skip;
  }
}

TEST_F(RegistryKeyTest, OpenClosesTheHeldKeyFirstEvenWhenTheNewOpenFails) {
  fake.registry.EnsureKey(platform::kHKeyLocalMachine, kScratch);
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  EXPECT_EQ(fake.registry.OpenHandleCount(), 1u);
  EXPECT_EQ(key.Open(platform::kHKeyLocalMachine, L"SOFTWARE\\Missing", platform::kKeyRead),
            platform::kErrorFileNotFound);
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(fake.registry.OpenHandleCount(), 0u);
  EXPECT_EQ(key.Close(), 0u);  // nothing open
}

TEST_F(RegistryKeyTest, DestructionClosesTheKey) {
  fake.registry.EnsureKey(platform::kHKeyLocalMachine, kScratch);
  {
    CRegistryKey key;
    ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
    EXPECT_EQ(fake.registry.OpenHandleCount(), 1u);
  }
  EXPECT_EQ(fake.registry.OpenHandleCount(), 0u);
}

TEST_F(RegistryKeyTest, CloseReturnsThePlatformResult) {
  fake.registry.EnsureKey(platform::kHKeyLocalMachine, kScratch);
  CRegistryKey key;
  ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
  fake.faults.Fail("RegCloseKey", platform::kErrorInvalidHandle);
  EXPECT_EQ(key.Close(), platform::kErrorInvalidHandle);
  EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryKeyTest, OpenForBackupRestoreNeedsAPrivilegeAndClosesTheKeyHeldFirst) {
  struct Row {
    const char* what;
    const wchar_t* privilegeOn;  // switched on in the process token, or null
    platform::Status result;
  };
  const Row rows[] = {
      {"no privilege switched on", nullptr, platform::kErrorPrivilegeNotHeld},
      {"the backup privilege on", L"SeBackupPrivilege", platform::kErrorSuccess},
      {"the restore privilege on", L"SeRestorePrivilege", platform::kErrorSuccess},
  };
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    const Row& row = rows[index];
    test_support::FakeMachine machine;
    machine.registry.EnsureKey(platform::kHKeyLocalMachine, kScratch);
    for (auto& privilege : machine.security.processToken.privileges) {
      if (row.privilegeOn != nullptr && privilege.name == row.privilegeOn) {
        privilege.attributes = platform::kSePrivilegeEnabled;
      }
    }
    {
      CRegistryKey key;
      ASSERT_EQ(key.Open(platform::kHKeyLocalMachine, kScratch, platform::kKeyRead), 0u);
      EXPECT_EQ(key.OpenForBackupRestore(platform::kHKeyLocalMachine, kScratch), row.result)
          << "row " << index << ": " << row.what;
      const bool opened = row.result == platform::kErrorSuccess;
      EXPECT_EQ(key.IsOpen(), opened) << "row " << index << ": " << row.what;
      EXPECT_EQ(key.Get() != 0, opened) << "row " << index << ": " << row.what;
      EXPECT_EQ(machine.registry.OpenHandleCount(), opened ? 1u : 0u)
          << "row " << index << ": the key held before is closed, " << row.what;
    }
    EXPECT_EQ(machine.registry.OpenHandleCount(), 0u) << "row " << index << ": " << row.what;
  }
}

}  // namespace
