// The registry operations the key reader and the start-up registration rely on,
// against a scratch key this test creates and removes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalogue/RegistryKey.h"
#include "platform/fake/ForwardingRegistry.h"
#include "tests/contract/ContractPlatform.h"

namespace {

using platform::KeyHandle;
using platform::Status;
constexpr std::uint32_t kChar = sizeof(wchar_t);
const std::wstring kParent = L"SOFTWARE\\KelvaroContractTest";
const std::wstring kScratch = kParent + L"\\Values";
const std::wstring kEmpty = kParent + L"\\Empty";

std::vector<std::uint8_t> TextBytes(const std::wstring& text) {
  std::vector<std::uint8_t> bytes((text.size() + 1) * kChar);
  std::memcpy(bytes.data(), text.c_str(), bytes.size());
  return bytes;
}

class RegistryContract : public ::testing::Test {
 protected:
  platform::IRegistry& registry = contract::Platform().Registry();
  KeyHandle key = 0;
  const std::wstring longName = std::wstring(300, L'L');
  const std::wstring longData = std::wstring(50000, L'D');

  void SetUp() override {
    ASSERT_EQ(registry.CreateKey(platform::kHKeyLocalMachine, kScratch.c_str(), 0,
                                 platform::kKeyAllAccess, &key, nullptr),
              0u);
    KeyHandle empty = 0;
    ASSERT_EQ(registry.CreateKey(platform::kHKeyLocalMachine, kEmpty.c_str(), 0,
                                 platform::kKeyAllAccess, &empty, nullptr),
              0u);
    registry.CloseKey(empty);
    Set(L"short", L"C:\\x");
    Set(longName, L"y");
    Set(L"long data", longData);
  }

  void TearDown() override {
    registry.CloseKey(key);
    EXPECT_EQ(registry.DeleteKey(platform::kHKeyLocalMachine, kScratch.c_str()), 0u);
    EXPECT_EQ(registry.DeleteKey(platform::kHKeyLocalMachine, kEmpty.c_str()), 0u);
    EXPECT_EQ(registry.DeleteKey(platform::kHKeyLocalMachine, kParent.c_str()), 0u);
  }

  void Set(const std::wstring& name, const std::wstring& text) {
    auto bytes = TextBytes(text);
    ASSERT_EQ(registry.SetValue(key, name.c_str(), platform::kRegSz, bytes.data(),
                                static_cast<std::uint32_t>(bytes.size())),
              0u);
  }
};

TEST_F(RegistryContract, ReportsTheLongestValueName) {
  std::uint32_t longest = 0;
  ASSERT_EQ(registry.QueryMaxValueNameLength(key, &longest), 0u);
  EXPECT_EQ(longest, 300u);
}

TEST_F(RegistryContract, EnumeratesNamesAndTypesAndRefusesShortBuffers) {
  std::vector<std::wstring> names;
  for (std::uint32_t index = 0;; ++index) {
    wchar_t name[400];
    std::uint32_t length = 400;
    std::uint32_t type = 0;
    Status status = registry.EnumValue(key, index, name, &length, &type);
    if (status == platform::kErrorNoMoreItems) break;
    ASSERT_EQ(status, 0u) << "index " << index;
    EXPECT_EQ(length, std::wcslen(name));
    EXPECT_EQ(type, platform::kRegSz);
    names.push_back(name);
  }
  EXPECT_EQ(names.size(), 3u);
  wchar_t small[10];
  std::uint32_t length = 10;
  std::uint32_t type = 0;
  bool sawMoreData = false;
  for (std::uint32_t index = 0; index < 3; ++index) {
    length = 10;
    Status status = registry.EnumValue(key, index, small, &length, &type);
    if (status == platform::kErrorMoreData) sawMoreData = true;
  }
  EXPECT_TRUE(sawMoreData) << "a 300-character name must not fit 10 characters";
}

TEST_F(RegistryContract, QueryValueReportsSizesAndMissingValues) {
  std::uint32_t bytes = 0;
  std::uint32_t type = 0;
  ASSERT_EQ(registry.QueryValue(key, L"long data", &type, nullptr, &bytes), 0u);
  EXPECT_EQ(bytes, (50000 + 1) * kChar);
  std::vector<std::uint8_t> small(16);
  bytes = 16;
  EXPECT_EQ(registry.QueryValue(key, L"long data", &type, small.data(), &bytes),
            platform::kErrorMoreData);
  EXPECT_EQ(bytes, (50000 + 1) * kChar);
  bytes = 16;
  EXPECT_EQ(registry.QueryValue(key, L"missing", &type, small.data(), &bytes),
            platform::kErrorFileNotFound);
}

TEST_F(RegistryContract, TheKeyReaderReadsEveryValueWhole) {
  platform::ScopedPlatform installed(contract::Platform());
  CRegistryKey reader;
  ASSERT_EQ(reader.Open(platform::kHKeyLocalMachine, kScratch.c_str(), platform::kKeyRead), 0u);
  CRegistryBuffer name;
  CRegistryBuffer data;
  name.Reserve(256);
  data.Reserve(256);
  std::uint32_t index = 0;
  int seen = 0;
  while (reader.EnumValue(name, index) == 0) {
    ASSERT_EQ(reader.QueryValue(reinterpret_cast<const wchar_t*>(name.Data()), data), 0u);
    std::wstring valueName(name.Text());
    if (valueName == longName) {
      EXPECT_EQ(std::wstring(data.Text()), L"y");
    }
    if (valueName == L"long data") {
      EXPECT_EQ(std::wstring(data.Text()), longData);
    }
    ++seen;
  }
  EXPECT_EQ(seen, 3);
  EXPECT_EQ(index, 4u);
}

TEST_F(RegistryContract, AKeyWithNoValuesEndsTheWalkAtOnce) {
  platform::ScopedPlatform installed(contract::Platform());
  CRegistryKey reader;
  ASSERT_EQ(reader.Open(platform::kHKeyLocalMachine, kEmpty.c_str(), platform::kKeyRead), 0u);
  CRegistryBuffer name;
  std::uint32_t index = 0;
  EXPECT_EQ(reader.EnumValue(name, index), platform::kErrorNoMoreItems);
  EXPECT_EQ(index, 1u);
}

// Forwards to the platform under test but makes a value grow right after the
// first read of it, so the reader's second read meets a longer value.
class GrowingRegistry : public platform::fake::ForwardingRegistry {
 public:
  GrowingRegistry(platform::IRegistry& inner, KeyHandle writable)
      : ForwardingRegistry(inner), m_writable(writable) {}
  Status QueryValue(KeyHandle k, const wchar_t* n, std::uint32_t* t, std::uint8_t* d,
                    std::uint32_t* b) override {
    Status status = Inner().QueryValue(k, n, t, d, b);
    if (++m_queries == 1) {
      auto bytes = TextBytes(std::wstring(4000, L'G'));
      Inner().SetValue(m_writable, n, platform::kRegSz, bytes.data(),
                       static_cast<std::uint32_t>(bytes.size()));
    }
    return status;
  }

 private:
  KeyHandle m_writable;
  int m_queries = 0;
};

TEST_F(RegistryContract, AValueThatGrowsBetweenTheReadersTwoReadsIsReportedAsMoreData) {
  GrowingRegistry registry(contract::Platform().Registry(), key);
  platform::fake::PlatformWithRegistry growing(contract::Platform(), registry);
  platform::ScopedPlatform installed(growing);
  CRegistryKey reader;
  ASSERT_EQ(reader.Open(platform::kHKeyLocalMachine, kScratch.c_str(), platform::kKeyRead), 0u);
  CRegistryBuffer data;
  data.Reserve(4);  // too small for "C:\x" on every platform: the reader must read twice
  EXPECT_EQ(reader.QueryValue(L"short", data), platform::kErrorMoreData);
  EXPECT_EQ(data.Capacity(), 5 * kChar);
}

TEST_F(RegistryContract, ValuesAreOverwrittenAndDeleted) {
  Set(L"short", L"newer");
  std::uint32_t bytes = 0;
  std::uint32_t type = 0;
  ASSERT_EQ(registry.QueryValue(key, L"short", &type, nullptr, &bytes), 0u);
  EXPECT_EQ(bytes, 6 * kChar);
  EXPECT_EQ(registry.DeleteValue(key, L"short"), 0u);
  EXPECT_EQ(registry.DeleteValue(key, L"short"), platform::kErrorFileNotFound);
  EXPECT_EQ(registry.QueryValue(key, L"short", &type, nullptr, &bytes),
            platform::kErrorFileNotFound);
}

TEST_F(RegistryContract, OpeningAMissingKeyFails) {
  KeyHandle missing = 0;
  EXPECT_EQ(registry.OpenKey(platform::kHKeyLocalMachine, L"SOFTWARE\\KelvaroNoSuchKey", 0,
                             platform::kKeyRead, &missing),
            platform::kErrorFileNotFound);
}

}  // namespace
