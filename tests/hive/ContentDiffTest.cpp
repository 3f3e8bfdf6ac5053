// The content comparison: each kind of difference is found on its own, the
// same content in different layouts compares equal, and the command line
// maps the result to its exit codes.

#include "hive/BaseBlock.h"
#include "hive/Hive.h"
#include "hive/ContentDiff.h"
#include "hive/ContentDigests.h"
#include "hive/HiveCheck.h"
#include "tests/hive/HiveTestSupport.h"
#include "cli/HiveTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>

using namespace hive;
using namespace hivetest;

namespace {

BuildKey SmallTree() {
  BuildKey root{U16("ROOT"), {}, {}, {}};
  BuildKey alpha{U16("Alpha"), {}, {}, U16("AlphaClass")};
  alpha.values.push_back(BuildValue{U16("small"), 4, {1, 2, 3, 4}});
  alpha.values.push_back(BuildValue{U16("text"), 1, Pattern(40, 2)});
  alpha.values.push_back(BuildValue{U16("big"), 3, Pattern(40000, 3)});
  alpha.subkeys.push_back(BuildKey{U16("Inner"), {BuildValue{U16("x"), 3, Pattern(9, 4)}}, {}, {}});
  root.subkeys.push_back(alpha);
  root.subkeys.push_back(BuildKey{U16("Beta"), {BuildValue{U16(""), 1, Pattern(12, 5)}}, {}, {}});
  return root;
}

// Offsets of the records of SmallTree(), in build order: ROOT, Alpha, Inner, Beta.
constexpr std::size_t kAlpha = 1;

std::size_t FieldAt(std::uint32_t cell, std::size_t field) {
  return static_cast<std::size_t>(CHive::FieldOffset(cell, field));
}

struct DifferenceRow {
  const char* name;
  std::function<void(BuildKey&)> editTree;                                        // or
  std::function<void(std::vector<std::uint8_t>&, const BuildLayout&)> editBytes;  // or both
  std::size_t total;
  const char* path;
  const char* what;
};

TEST(ContentDiff, EachKindOfDifferenceIsFoundAlone) {
  const DifferenceRow rows[] = {
      {"value data", [](BuildKey& t) { t.subkeys[0].values[1].data[7] ^= 1; }, nullptr, 1,
       "ROOT\\Alpha", "value 'text' data differs"},
      {"inline value data", [](BuildKey& t) { t.subkeys[0].values[0].data[3] = 9; }, nullptr, 1,
       "ROOT\\Alpha", "value 'small' data differs"},
      {"big-data value data", [](BuildKey& t) { t.subkeys[0].values[2].data[39999] ^= 1; }, nullptr,
       1, "ROOT\\Alpha", "value 'big' data differs"},
      {"value data length", [](BuildKey& t) { t.subkeys[0].values[1].data.push_back(0); }, nullptr,
       1, "ROOT\\Alpha", "value 'text' data differs (40 and 41 bytes)"},
      {"value type", [](BuildKey& t) { t.subkeys[0].values[1].type = 2; }, nullptr, 1,
       "ROOT\\Alpha", "value 'text' type differs (1 and 2)"},
      {"value removed", [](BuildKey& t) { t.subkeys[0].values.pop_back(); }, nullptr, 1,
       "ROOT\\Alpha", "value 'big' only in the first hive"},
      {"value added",
       [](BuildKey& t) {
         t.subkeys[1].values.push_back({U16("new"), 4, {0}});
       },
       nullptr, 1, "ROOT\\Beta", "value 'new' only in the second hive"},
      {"value name case", [](BuildKey& t) { t.subkeys[0].values[0].name = U16("SMALL"); }, nullptr,
       1, "ROOT\\Alpha", "value 'small' is named 'SMALL' in the second hive"},
      {"key removed with its subtree", [](BuildKey& t) { t.subkeys.erase(t.subkeys.begin()); },
       nullptr, 1, "ROOT\\Alpha", "key only in the first hive (with 1 keys below it)"},
      {"key added",
       [](BuildKey& t) {
         t.subkeys[1].subkeys.push_back({U16("New"), {}, {}, {}});
       },
       nullptr, 1, "ROOT\\Beta\\New", "key only in the second hive"},
      {"key name case", [](BuildKey& t) { t.subkeys[1].name = U16("BETA"); }, nullptr, 1,
       "ROOT\\Beta", "key is named 'BETA' in the second hive"},
      {"class name", [](BuildKey& t) { t.subkeys[0].className = U16("Other"); }, nullptr, 1,
       "ROOT\\Alpha", "class name differs"},
      {"last-written time", nullptr,
       [](std::vector<std::uint8_t>& b, const BuildLayout& l) {
         b[FieldAt(l.keys[kAlpha], 4)] ^= 1;
       },
       1, "ROOT\\Alpha", "last-written time differs"},
      {"no-delete flag", nullptr,
       [](std::vector<std::uint8_t>& b, const BuildLayout& l) {
         b[FieldAt(l.keys[kAlpha], nk::kFlags)] |= kKeyNoDelete;
       },
       1, "ROOT\\Alpha", "key flags differ"},
      {"user flags kept with the largest name length", nullptr,
       [](std::vector<std::uint8_t>& b, const BuildLayout& l) {
         b[FieldAt(l.keys[kAlpha], nk::kUserFlags)] = 0x10;
       },
       1, "ROOT\\Alpha", "key flags differ"},
      {"layered-key bits", nullptr,
       [](std::vector<std::uint8_t>& b, const BuildLayout& l) {
         b[FieldAt(l.keys[kAlpha], nk::kAccessBits + 1)] = 0x81;
       },
       1, "ROOT\\Alpha", "access and layered-key bits differ"},
      {"tombstone value flag", nullptr,
       [](std::vector<std::uint8_t>& b, const BuildLayout& l) {
         b[FieldAt(l.values[0], vk::kFlags)] |= kValueTombstone;
       },
       1, "ROOT\\Alpha", "value 'small' flags differ"},
      {"last reorganized time", nullptr,
       [](std::vector<std::uint8_t>& b, const BuildLayout&) {
         WriteU64(b, regf::kLastReorganized, 0x01D4000000000001ull);
         SealBaseBlock(b);
       },
       1, "base block", "last reorganized time differs"},
      {"offline library mark", nullptr,
       [](std::vector<std::uint8_t>& b, const BuildLayout&) {
         std::memcpy(&b[regf::kOfflineSignature], "OfRg", 4);
         SealBaseBlock(b);
       },
       1, "base block", "offline library mark differs"},
      {"security descriptor, shared by all four keys", nullptr,
       [](std::vector<std::uint8_t>& b, const BuildLayout& l) {
         b[FieldAt(l.security, sk::kDescriptor) + 2] = 4;
       },
       4, "ROOT", "security descriptor differs"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const DifferenceRow& row = rows[i];
    std::vector<std::uint8_t> original = BuildHive(SmallTree());
    BuildKey tree = SmallTree();
    if (row.editTree) row.editTree(tree);
    BuildLayout layout;
    std::vector<std::uint8_t> edited = BuildHive(tree, &layout);
    if (row.editBytes) row.editBytes(edited, layout);
    ContentDiffResult result = DiffHiveContent(original, edited);
    ASSERT_TRUE(result.readable) << "row " << i << " (" << row.name << "): " << result.error;
    EXPECT_EQ(result.total, row.total) << "row " << i << " (" << row.name << ")";
    ASSERT_FALSE(result.differences.empty()) << "row " << i << " (" << row.name << ")";
    EXPECT_EQ(result.differences.front().path, row.path) << "row " << i << " (" << row.name << ")";
    EXPECT_EQ(result.differences.front().what.rfind(row.what, 0), 0u)
        << "row " << i << " (" << row.name << "): " << result.differences.front().what;
    // The digests a compaction checks what it wrote against see it too
    // (the base block it writes from the input's, not from the tree).
    if (std::string(row.path) == "base block") continue;
    CContentDigests recorded;
    CheckHiveBytes(original, {}, &recorded);
    CContentDigests compared(&recorded.Recorded());
    CheckHiveBytes(edited, {}, &compared);
    EXPECT_FALSE(compared.Matched()) << "row " << i << " (" << row.name << ")";
  }
}

TEST(ContentDiff, SameContentInDifferentLayoutsIsEqual) {
  struct Row {
    const char* name;
    BuildKey tree;
    std::uint32_t gap;
    bool reverseValues;
    bool unmarkRoot = false;  // the root without its entry mark, which a compaction sets
    bool renameRoot = false;  // a save names the root after the key it was saved from
  };
  const Row rows[] = {
      {"small tree, fragmented", SmallTree(), 16, false},
      {"small tree, values in another order", SmallTree(), 0, true},
      {"awkward tree, fragmented, values reordered", AwkwardTree(600), 40, true},
      {"small tree, fragmented, root not marked as the entry key", SmallTree(), 8, false, true},
      {"small tree, root named otherwise", SmallTree(), 16, false, false, true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::vector<std::uint8_t> compact = BuildHive(rows[i].tree);
    BuildKey tree = rows[i].tree;
    std::function<void(BuildKey&)> reverse = [&](BuildKey& key) {
      std::reverse(key.values.begin(), key.values.end());
      for (BuildKey& child : key.subkeys) reverse(child);
    };
    if (rows[i].reverseValues) reverse(tree);
    if (rows[i].renameRoot) tree.name = U16("Kelvaro-S-1-5-21-1-2-3-1001");
    BuildLayout layout;
    std::vector<std::uint8_t> other = BuildHive(tree, &layout, rows[i].gap);
    if (rows[i].unmarkRoot) {
      other[FieldAt(layout.keys[0], nk::kFlags)] &= static_cast<std::uint8_t>(~kKeyHiveEntry);
      SealBaseBlock(other);
    }
    ASSERT_NE(compact, other) << "row " << i << " (" << rows[i].name << ") has one layout";
    ContentDiffResult result = DiffHiveContent(compact, other);
    ASSERT_TRUE(result.readable) << "row " << i << ": " << result.error;
    EXPECT_EQ(result.total, 0u) << "row " << i << " (" << rows[i].name << "): "
                                << (result.differences.empty() ? "" : result.differences[0].what);
  }
}

TEST(ContentDiff, KeepsAtMostTheLimitButCountsAll) {
  BuildKey many{U16("ROOT"), {}, {}, {}};
  BuildKey changed{U16("ROOT"), {}, {}, {}};
  for (std::size_t i = 0; i < 30; ++i) {
    many.values.push_back(BuildValue{Numbered("v", i), 4, {1}});
    changed.values.push_back(BuildValue{Numbered("v", i), 4, {2}});
  }
  struct Row {
    std::size_t limit, kept;
  };
  const Row rows[] = {{0, 30}, {1, 1}, {29, 29}, {30, 30}, {50, 30}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    ContentDiffResult result = DiffHiveContent(BuildHive(many), BuildHive(changed), rows[i].limit);
    EXPECT_EQ(result.total, 30u) << "row " << i << " limit " << rows[i].limit;
    EXPECT_EQ(result.differences.size(), rows[i].kept) << "row " << i << " limit " << rows[i].limit;
  }
}

TEST(ContentDiff, UnreadableHiveIsNamed) {
  std::vector<std::uint8_t> good = BuildHive(SmallTree());
  std::vector<std::uint8_t> noise(8192, 'x');
  std::vector<std::uint8_t> badRoot = good;
  WriteU32(badRoot, regf::kRootCell, 0x7FFFFFF8);
  SealBaseBlock(badRoot);
  struct Row {
    const std::vector<std::uint8_t>* a;
    const std::vector<std::uint8_t>* b;
    const char* error;
  };
  const Row rows[] = {{&noise, &good, "first hive: not a registry hive"},
                      {&good, &noise, "second hive: not a registry hive"},
                      {&good, &badRoot, "second hive: its root key cannot be read"}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    ContentDiffResult result = DiffHiveContent(*rows[i].a, *rows[i].b);
    EXPECT_FALSE(result.readable) << "row " << i;
    EXPECT_EQ(result.error.rfind(rows[i].error, 0), 0u) << "row " << i << ": " << result.error;
  }
}

TEST(ContentDiff, DirtyHiveIsComparedAfterItsLogs) {
  // An old-format log whose single dirty page changes one value's data.
  BuildKey tree = SmallTree();
  BuildLayout layout;
  std::vector<std::uint8_t> clean = BuildHive(tree, &layout);
  std::vector<std::uint8_t> stale = clean;
  std::size_t stamp = FieldAt(layout.keys[kAlpha], nk::kLastWritten);
  stale[stamp] ^= 1;                           // undone by the log
  WriteU32(stale, regf::kPrimarySequence, 2);  // dirty
  SealBaseBlock(stale);
  std::vector<std::uint8_t> log(clean.begin(), clean.begin() + kSectorSize);
  WriteU32(log, regf::kFileType, static_cast<std::uint32_t>(FileType::OldLog));
  SealBaseBlock(log);
  std::size_t page = (stamp - kBaseBlockSize) / oldlog::kPageSize;
  std::size_t data = 2 * kSectorSize;  // the dirty vector fits its sector
  log.resize(data, 0);
  std::memcpy(&log[oldlog::kDirtSignature], "DIRT", 4);
  log[oldlog::kDirtBitmap + page / 8] = static_cast<std::uint8_t>(1u << (page % 8));
  log.resize(data + oldlog::kPageSize);
  std::copy_n(
      clean.begin() + static_cast<std::ptrdiff_t>(kBaseBlockSize + page * oldlog::kPageSize),
      oldlog::kPageSize, log.begin() + static_cast<std::ptrdiff_t>(data));
  EXPECT_GT(DiffHiveContent(clean, stale).total, 0u);
  ContentDiffResult replayed = DiffHiveContent(clean, {}, stale, {LogInput{"stale.LOG", log}});
  ASSERT_TRUE(replayed.readable) << replayed.error;
  EXPECT_EQ(replayed.total, 0u);
}

ToolRun RunTool(const std::vector<std::filesystem::path>& arguments) {
  std::ostringstream out, err;
  int exit = RunHiveTool(arguments, out, err);
  return ToolRun{exit, out.str(), err.str()};
}

TEST(ContentDiff, CommandLineExitCodes) {
  CScratchFolder scratch;
  std::filesystem::path same = scratch.Path() / "same.hiv";
  std::filesystem::path fragmented = scratch.Path() / "fragmented.hiv";
  std::filesystem::path other = scratch.Path() / "other.hiv";
  std::filesystem::path noise = scratch.Path() / "noise.bin";
  WriteAll(same, BuildHive(SmallTree()));
  WriteAll(fragmented, BuildHive(SmallTree(), nullptr, 24));
  BuildKey tree = SmallTree();
  tree.subkeys[1].values[0].type = 7;
  WriteAll(other, BuildHive(tree));
  WriteAll(noise, std::vector<std::uint8_t>(5000, 'x'));
  struct Row {
    std::vector<std::filesystem::path> arguments;
    int exit;
    const char* out;
  };
  const Row rows[] = {
      {{"diff", same, fragmented}, 0, "same content\n"},
      {{"diff", same, other}, 1, "ROOT\\Beta: value '' type differs (1 and 7)\n1 differences\n"},
      {{"diff", same, other, "--json"}, 1, "\"differences\":1"},
      {{"diff", same, noise}, 3, ""},
      {{"diff", same}, 3, ""},
      {{"diff", same, same, same}, 3, ""},
      {{"diff", "--log", same, same}, 3, ""},
      {{"diff", same, scratch.Path() / "missing.hiv"}, 3, ""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    ToolRun run = RunTool(rows[i].arguments);
    EXPECT_EQ(run.exit, rows[i].exit) << "row " << i << ": " << run.out << run.err;
    if (rows[i].exit == 3) {
      EXPECT_NE(run.err.find("kelvaro-hive: "), std::string::npos) << "row " << i;
    } else {
      EXPECT_NE(run.out.find(rows[i].out), std::string::npos) << "row " << i << ": " << run.out;
    }
  }
}

}  // namespace
