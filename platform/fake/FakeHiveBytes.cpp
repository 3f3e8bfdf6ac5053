#include "platform/fake/FakeHiveBytes.h"

#include "hive/HiveTree.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWriter.h"
#include "hive/Names.h"
#include "hive/Records.h"
#include "platform/fake/FakeRegistry.h"

namespace platform::fake {

namespace {

constexpr std::uint32_t kWindows2000MinorVersion = 3;
constexpr std::uint32_t kLatestMinorVersion = 5;

hive::HiveKey TreeOf(const FakeKey& key) {
  hive::HiveKey node;
  node.name = hive::FromWide(key.name);
  node.className = key.className;
  node.security = key.security;
  for (const FakeValue& value : key.values) {
    node.values.push_back(hive::HiveValue{hive::FromWide(value.name), value.type, value.data});
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
  key.className = node.className;
  key.security = node.security;
  // Volatile keys live in memory, not in the file: the system makes them anew
  // at every start (SYSTEM\CurrentControlSet with the hive list among them).
  std::vector<std::unique_ptr<FakeKey>> kept;
  for (auto& subkey : key.subkeys) {
    if (subkey->isVolatile && !subkey->deleted) kept.push_back(std::move(subkey));
  }
  key.subkeys = std::move(kept);
  for (const hive::HiveValue& value : node.values) {
    key.values.push_back(FakeValue{hive::ToWide(value.name), value.type, value.data});
  }
  for (const hive::HiveKey& child : node.subkeys) {
    if (key.FindSubkey(hive::ToWide(child.name)) != nullptr) continue;
    auto subkey = std::make_unique<FakeKey>();
    subkey->name = hive::ToWide(child.name);
    subkey->parent = &key;
    subkey->isVolatile = (child.flags & hive::kKeyVolatile) != 0;
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
