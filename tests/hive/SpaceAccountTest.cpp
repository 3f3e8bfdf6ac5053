// The space account: generated hives of known content put each subtree's
// bytes where they belong and add up to the hive bins; the subtrees chosen
// for a report follow the tenth-of-the-parent rule.

#include "hive/HiveCheck.h"
#include "hive/Names.h"
#include "hive/SpaceAccount.h"
#include "tests/hive/HiveTestSupport.h"

#include <gtest/gtest.h>

using namespace hive;
using namespace hivetest;

namespace {

std::uint64_t Cell(std::size_t dataSize) { return (dataSize + 4 + 7) / 8 * 8; }

std::size_t StoredNameBytes(const std::u16string& name) {
  bool latin1 = std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x100; });
  return latin1 ? name.size() : 2 * name.size();
}

// What the builder stores for a subtree: each key's record, class name,
// value list, values and their data (big data as db, segment list and
// 16,344-byte segments), and its lh leaves of up to 500 keys under an ri.
std::uint64_t StoredBytes(const BuildKey& key) {
  std::uint64_t bytes = Cell(nk::kFixedSize + StoredNameBytes(key.name));
  if (!key.className.empty()) bytes += Cell(2 * key.className.size());
  if (!key.values.empty()) bytes += Cell(4 * key.values.size());
  for (const BuildValue& value : key.values) {
    bytes += Cell(vk::kFixedSize + StoredNameBytes(value.name));
    std::size_t size = value.data.size();
    if (size <= 4) continue;
    if (size <= db::kSegmentSize) {
      bytes += Cell(size);
      continue;
    }
    std::size_t segments = (size + db::kSegmentSize - 1) / db::kSegmentSize;
    bytes += Cell(8) + Cell(4 * segments) + segments * Cell(db::kSegmentSize);
  }
  std::size_t leaves = (key.subkeys.size() + 499) / 500;
  for (std::size_t i = 0; i < leaves; ++i)
    bytes += Cell(4 + 8 * std::min<std::size_t>(500, key.subkeys.size() - 500 * i));
  if (leaves > 1) bytes += Cell(4 + 4 * leaves);
  for (const BuildKey& child : key.subkeys) bytes += StoredBytes(child);
  return bytes;
}

BuildKey Key(const char* name, std::vector<BuildValue> values = {},
             std::vector<BuildKey> subkeys = {}) {
  return BuildKey{U16(name), std::move(values), std::move(subkeys), {}};
}

BuildValue Value(const char* name, std::size_t size) {
  return BuildValue{U16(name), 3, Pattern(size, static_cast<std::uint32_t>(size))};
}

// A chain of `levels` keys, the last holding `leaf`.
BuildKey Chain(std::size_t levels, BuildKey leaf) {
  for (std::size_t i = levels; i-- > 0;)
    leaf = Key(("Level" + std::to_string(i)).c_str(), {}, {leaf});
  return leaf;
}

std::int64_t Find(const SpaceAccount& account, const std::u16string& path) {
  for (std::uint32_t i = 0; i < account.nodes.size(); ++i)
    if (SpaceNodePath(account, i) == path) return i;
  return -1;
}

const BuildKey* FindBuilt(const BuildKey& root, const std::u16string& path) {
  const BuildKey* key = &root;
  std::size_t at = 0;
  while (at < path.size()) {
    std::size_t end = path.find(u'\\', at);
    if (end == std::u16string::npos) end = path.size();
    std::u16string name = path.substr(at, end - at);
    const BuildKey* next = nullptr;
    for (const BuildKey& child : key->subkeys)
      if (child.name == name) next = &child;
    if (!next) return nullptr;
    key = next;
    at = end + 1;
  }
  return key;
}

struct KnownSubtreeRow {
  const char* what;
  BuildKey tree;
  const char* path;       // the node that must hold the subtree's bytes
  const char* builtPath;  // the subtree in the tree ("" for the node itself)
  std::size_t depth;
  std::uint32_t freeGap;
};

TEST(SpaceAccount, KnownSubtreesHoldTheirBytesAndThePartsAddUp) {
  BuildKey classy = Key("Classy", {Value("a", 30)});
  classy.className = U16("SomeClass");
  BuildKey wide = Key("Wide");
  for (int i = 0; i < 1100; ++i) wide.subkeys.push_back(Key(("K" + std::to_string(i)).c_str()));
  const KnownSubtreeRow rows[] = {
      {"at the root",
       Key("ROOT", {Value("r", 8)}, {Key("Big", {Value("a", 3000), Value("b", 5)}), Key("Small")}),
       "Big", "Big", 4, 0},
      {"deep, folded into its ancestor at the depth",
       Key("ROOT", {}, {Chain(7, Key("Deep", {Value("x", 900)}))}),
       "Level0\\Level1\\Level2\\Level3", "Level0\\Level1\\Level2\\Level3", 4, 0},
      {"deep, a node of its own below the default depth",
       Key("ROOT", {}, {Chain(7, Key("Deep", {Value("x", 900)}))}),
       "Level0\\Level1\\Level2\\Level3\\Level4\\Level5\\Level6\\Deep",
       "Level0\\Level1\\Level2\\Level3\\Level4\\Level5\\Level6\\Deep", 8, 0},
      {"many keys sharing one security record",
       Key("ROOT", {}, {wide, Key("Other", {Value("v", 100)})}), "Wide", "Wide", 4, 0},
      {"holding big data", Key("ROOT", {}, {Key("Blob", {Value("big", 40000), Value("s", 16344)})}),
       "Blob", "Blob", 4, 0},
      {"with a class name", Key("ROOT", {}, {classy}), "Classy", "Classy", 4, 0},
      {"fragmented: free cells between every record",
       Key("ROOT", {}, {Key("Big", {Value("a", 3000), Value("big", 20000)}), Key("Small")}), "Big",
       "Big", 4, 64},
      {"the whole tree at the root key", Key("ROOT", {Value("r", 50)}, {Key("A"), Key("B")}),
       "ROOT", "", 4, 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const KnownSubtreeRow& row = rows[i];
    std::vector<std::uint8_t> bytes = BuildHive(row.tree, nullptr, row.freeGap);
    CheckResult check = CheckHiveBytes(bytes, {});
    ASSERT_EQ(check.verdict, Verdict::Sound) << "row " << i << ": " << row.what;
    SpaceAccountResult result = AccountHiveBytes(bytes, {}, row.depth);
    ASSERT_TRUE(result.refusal.empty()) << "row " << i << ": " << result.refusal;
    const SpaceAccount& account = result.account;
    std::int64_t node = Find(account, U16(row.path));
    ASSERT_GE(node, 0) << "row " << i << ": " << row.what << ": no node " << row.path;
    const BuildKey* built = FindBuilt(row.tree, U16(row.builtPath));
    ASSERT_NE(built, nullptr) << "row " << i;
    EXPECT_EQ(account.nodes[node].bytes, StoredBytes(*built)) << "row " << i << ": " << row.what;
    EXPECT_EQ(account.Subtrees(), StoredBytes(row.tree)) << "row " << i << ": " << row.what;
    // One record for the whole hive: 20 bytes of header and a 20-byte descriptor.
    EXPECT_EQ(account.security, Cell(40)) << "row " << i << ": " << row.what;
    EXPECT_EQ(account.securityRecords, 1u) << "row " << i;
    EXPECT_EQ(account.nodes.front().keys, check.statistics.keys) << "row " << i;
    EXPECT_EQ(account.nodes.front().values, check.statistics.values) << "row " << i;
    EXPECT_EQ(account.free, check.statistics.freeBytes) << "row " << i << ": " << row.what;
    EXPECT_EQ(account.unreachable, 0u) << "row " << i;
    EXPECT_EQ(account.binHeaders, 32 * check.statistics.bins) << "row " << i;
    EXPECT_EQ(account.slack, 0u) << "row " << i;
    EXPECT_EQ(account.Total(), account.binsSize) << "row " << i << ": " << row.what;
    EXPECT_EQ(account.binsSize + kBaseBlockSize, bytes.size()) << "row " << i;
    for (const SpaceNode& each : account.nodes)
      EXPECT_LE(each.depth, row.depth) << "row " << i << ": " << ToUtf8(each.name);
  }
}

TEST(SpaceAccount, LargestValueAndCountsCoverTheWholeSubtree) {
  BuildKey tree = Key("ROOT", {Value("top", 10)},
                      {Key("A", {Value("a", 70000)}, {Key("A1", {Value("x", 5), Value("y", 6)})}),
                       Key("B", {Value("b", 100)})});
  SpaceAccountResult result = AccountHiveBytes(BuildHive(tree), {}, 4);
  const SpaceAccount& account = result.account;
  const SpaceNode& root = account.nodes.front();
  EXPECT_EQ(root.keys, 4u);
  EXPECT_EQ(root.values, 5u);
  EXPECT_EQ(root.largestValue, 70000u);
  const SpaceNode& b = account.nodes[Find(account, u"B")];
  EXPECT_EQ(b.largestValue, 100u);
  EXPECT_EQ(account.nodes[Find(account, u"A")].values, 3u);
}

TEST(SpaceAccount, FreedRecordsAreFreeSpaceWithTheirRemnantsCounted) {
  BuildKey tree = Key("ROOT", {}, {Key("Keep", {Value("k", 200)}), Key("Gone", {Value("g", 300)})});
  BuildLayout layout;
  std::vector<std::uint8_t> bytes = BuildHive(tree, &layout);
  std::uint64_t before = AccountHiveBytes(bytes, {}, 4).account.free;
  // Free the value record of "Gone" (the last value written) as a deletion
  // leaves it: a positive size field, the record still readable.
  std::uint32_t vk = layout.values.back();
  std::int32_t size = ReadI32(Bytes(bytes.data(), bytes.size()), kBaseBlockSize + vk);
  WriteU32(bytes, kBaseBlockSize + vk, static_cast<std::uint32_t>(-size));
  SpaceAccount account = AccountHiveBytes(bytes, {}, 4).account;
  EXPECT_EQ(account.free, before + static_cast<std::uint64_t>(-size));
  EXPECT_EQ(account.remnants.values, 1u);
  EXPECT_EQ(account.Total(), account.binsSize);
}

struct ChoiceRow {
  std::size_t top;
  std::size_t depth;
  std::vector<const char*> paths;  // in the order shown
};

TEST(SpaceAccount, ChosenSubtreesHoldATenthOfTheirParent) {
  // ROOT holds 10,000 bytes: A 6,000 (A1 5,000, A2 500), B 2,000 (B1 1,900), C 900.
  SpaceAccount account;
  auto add = [&](const char* name, std::uint32_t parent, std::uint64_t bytes) {
    SpaceNode node;
    node.name = U16(name);
    node.parent = parent;
    node.depth = parent == kNoSpaceNode ? 0 : account.nodes[parent].depth + 1;
    node.bytes = bytes;
    account.nodes.push_back(node);
  };
  add("ROOT", kNoSpaceNode, 10000);
  add("C", 0, 900);
  add("A", 0, 6000);
  add("B", 0, 2000);
  add("A2", 2, 500);
  add("A1", 2, 5000);
  add("B1", 3, 1900);
  const ChoiceRow rows[] = {
      {20, 4, {"ROOT", "A", "A1", "B", "B1"}},  // C and A2 hold less than a tenth
      {20, 1, {"ROOT", "A", "B"}},
      {20, 0, {"ROOT"}},
      {3, 4, {"ROOT", "A", "A1"}},
      {4, 4, {"ROOT", "A", "A1", "B"}},
      {0, 4, {}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::vector<std::string> shown;
    for (std::uint32_t node : LargestSubtrees(account, rows[i].top, rows[i].depth))
      shown.push_back(ToUtf8(account.nodes[node].name));
    EXPECT_EQ(shown, std::vector<std::string>(rows[i].paths.begin(), rows[i].paths.end()))
        << "row " << i << ": top " << rows[i].top << ", depth " << rows[i].depth;
  }
  EXPECT_EQ(ToUtf8(SpaceNodePath(account, 6)), "B\\B1");
  EXPECT_EQ(ToUtf8(SpaceNodePath(account, 0)), "ROOT");
}

}  // namespace
