#include "platform/fake/FakeHiveBytes.h"

#include "hive/HiveTree.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWriter.h"
#include "platform/fake/FakeRegistry.h"

namespace platform::fake {

namespace {

constexpr std::uint32_t kWindows2000MinorVersion = 3;
constexpr std::uint32_t kLatestMinorVersion = 5;
constexpr std::uint16_t kKeyVolatileFlag = 0x0001;

// Names are kept in code units: natively wchar_t is wider than UTF-16, and
// the fake's names stay in the Basic Multilingual Plane.
std::u16string ToUnits(const std::wstring& text) {
  std::u16string units;
  for (wchar_t ch : text) units.push_back(static_cast<char16_t>(ch));
  return units;
}

std::wstring FromUnits(const std::u16string& units) {
  std::wstring text;
  for (char16_t unit : units) text.push_back(static_cast<wchar_t>(unit));
  return text;
}

hive::HiveKey TreeOf(const FakeKey& key) {
  hive::HiveKey node;
  node.name = ToUnits(key.name);
  for (const FakeValue& value : key.values) {
    node.values.push_back(hive::HiveValue{ToUnits(value.name), value.type, value.data});
  }
  for (const auto& subkey : key.subkeys) {
    // A save never writes what lives only in memory.
    if (subkey->deleted || subkey->isVolatile) continue;
    node.subkeys.push_back(TreeOf(*subkey));
  }
  return node;
}

void Load(const hive::HiveKey& node, FakeKey& key) {
  key.values.clear();
  // Volatile keys live in memory, not in the file: the system makes them anew
  // at every start (SYSTEM\CurrentControlSet with the hive list among them).
  std::vector<std::unique_ptr<FakeKey>> kept;
  for (auto& subkey : key.subkeys) {
    if (subkey->isVolatile && !subkey->deleted) kept.push_back(std::move(subkey));
  }
  key.subkeys = std::move(kept);
  for (const hive::HiveValue& value : node.values) {
    key.values.push_back(FakeValue{FromUnits(value.name), value.type, value.data});
  }
  for (const hive::HiveKey& child : node.subkeys) {
    if (key.FindSubkey(FromUnits(child.name)) != nullptr) continue;
    auto subkey = std::make_unique<FakeKey>();
    subkey->name = FromUnits(child.name);
    subkey->parent = &key;
    subkey->isVolatile = (child.flags & kKeyVolatileFlag) != 0;
    Load(child, *subkey);
    key.subkeys.push_back(std::move(subkey));
  }
}

}  // namespace

std::vector<std::uint8_t> SavedHiveBytes(const FakeKey& key, std::uint32_t flags) {
  hive::HiveTree tree;
  tree.header.minorVersion =
      (flags & kRegLatestFormat) != 0 ? kLatestMinorVersion : kWindows2000MinorVersion;
  tree.root = TreeOf(key);
  return hive::WriteHive(tree, hive::WriteOptions{});
}

bool LoadHiveBytes(const std::vector<std::uint8_t>& bytes, FakeKey& key) {
  hive::TreeReadResult read = hive::ReadHiveTree(bytes, {});
  if (read.check.verdict != hive::Verdict::Sound && read.check.verdict != hive::Verdict::Warnings) {
    return false;
  }
  Load(read.tree.root, key);
  return true;
}

}  // namespace platform::fake
