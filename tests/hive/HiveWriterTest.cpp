// The writer on generated trees: what it writes checks as sound, reads back
// as the same content, is as small as the packing allows, and is the same
// bytes when written again from what it wrote.

#include "hive/CellPacking.h"
#include "hive/ContentIndex.h"
#include "hive/Hive.h"
#include "hive/HiveCheck.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWalk.h"
#include "hive/HiveWriter.h"
#include "hive/Names.h"
#include "hive/Records.h"
#include "hive/StreamedHiveWriter.h"
#include "tests/hive/ContentCollector.h"
#include "tests/hive/HiveTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>

using namespace hive;
using namespace hivetest;

namespace {

std::vector<std::uint8_t> Descriptor(std::uint8_t seed, std::size_t size = 60) {
  std::vector<std::uint8_t> bytes = Pattern(size, seed);
  bytes[0] = 1;  // revision
  return bytes;
}

HiveKey Key(std::u16string name, std::vector<HiveValue> values = {}) {
  HiveKey key;
  key.name = std::move(name);
  key.values = std::move(values);
  key.lastWritten = 0x01D0000000000000ull + key.name.size();
  return key;
}

HiveTree Tree(std::uint32_t minor, HiveKey root) {
  HiveTree tree;
  tree.header.minorVersion = minor;
  tree.header.sequence = 42;
  tree.header.lastWritten = 0x01D5000000000000ull;
  tree.header.fileName = Pattern(regf::kFileNameSize, minor);
  tree.header.rmId.fill(1);
  tree.header.logId.fill(2);
  tree.header.tmId.fill(3);
  tree.header.guidSignature = 0x6D746D72;  // "rmtm"
  tree.header.offlineAt = regf::kOfflineSignature;
  tree.header.offlineFlags = 1;
  tree.header.offlineSaved = 0x01D6000000000000ull;
  tree.header.thawRmId.fill(4);
  tree.header.lastReorganized = 0x01D4000000000001ull;
  root.security = Descriptor(1);
  tree.root = std::move(root);
  return tree;
}

void TreeLines(const HiveKey& key, const std::string& parent, std::vector<std::string>& lines) {
  std::string path = parent.empty() ? ToUtf8(key.name) : parent + "\\" + ToUtf8(key.name);
  lines.push_back("K " + path);
  for (const HiveValue& value : key.values)
    lines.push_back("V " + path + "|" + ToUtf8(value.name) + "|" + std::to_string(value.type) +
                    "|" + HexBytes(value.data.data(), value.data.size()));
  for (const HiveKey& child : key.subkeys) TreeLines(child, path, lines);
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The tree as the reader gives it back: siblings sorted, and a descriptor
// only where it differs from the parent's.
HiveKey AsStored(const HiveKey& key, const std::vector<std::uint8_t>& parentDescriptor) {
  HiveKey stored = key;
  const std::vector<std::uint8_t>& effective =
      key.security.empty() ? parentDescriptor : key.security;
  stored.security = effective == parentDescriptor ? std::vector<std::uint8_t>{} : effective;
  stored.subkeys.clear();
  for (const HiveKey& child : key.subkeys) stored.subkeys.push_back(AsStored(child, effective));
  std::stable_sort(
      stored.subkeys.begin(), stored.subkeys.end(),
      [](const HiveKey& a, const HiveKey& b) { return CompareNames(a.name, b.name) < 0; });
  return stored;
}

HiveKey ValueSizes() {
  HiveKey root = Key(u"ROOT");
  for (std::size_t size : {0u, 4u, 5u, 16344u, 16345u, 1000000u})
    root.values.push_back(
        HiveValue{Numbered("v", size), 3, Pattern(size, static_cast<std::uint32_t>(size))});
  return root;
}

HiveKey NonAsciiNames() {
  HiveKey root = Key(u"ROOT");
  for (const char16_t* name :
       {u"zeta", u"\u00E4bc", u"Abd", u"\u00C4bb", u"Gr\u00FC\u00DFe", u"\u041A\u043B\u044E\u0447",
        u"\u043A\u043B\u044E\u0432", u"weird\u2122", u"\uFF21wide", u"_under", u"[bracket", u"abc"})
    root.subkeys.push_back(Key(
        name, {HiveValue{u"caf\u00E9", 1, Pattern(6, 3)}, HiveValue{u"\u2122", 4, {1, 2, 3, 4}}}));
  return root;
}

HiveKey WideKey(std::size_t count) {
  HiveKey root = Key(u"ROOT");
  // Reversed, so the writer has to sort.
  for (std::size_t i = count; i-- > 0;) root.subkeys.push_back(Key(Numbered("Sub", i)));
  return root;
}

HiveKey SharedDescriptors(std::size_t keys, std::size_t descriptors) {
  HiveKey root = Key(u"ROOT");
  for (std::size_t i = 0; i < keys; ++i) {
    HiveKey key = Key(Numbered("K", i));
    if (i % 3 != 0)
      key.security =
          Descriptor(static_cast<std::uint8_t>(2 + i % descriptors), 40 + i % descriptors * 8);
    key.className = {'C', 0, 'l', 0};
    key.flags = static_cast<std::uint16_t>(i % 2 ? 0x0008 : 0);
    key.userFlags = static_cast<std::uint16_t>(i % 5);
    root.subkeys.push_back(std::move(key));
  }
  return root;
}

HiveKey ManyKeys(std::size_t groups, std::size_t perGroup) {
  HiveKey root = Key(u"ROOT");
  for (std::size_t g = 0; g < groups; ++g) {
    HiveKey group = Key(Numbered("Group", g));
    for (std::size_t k = 0; k < perGroup; ++k)
      group.subkeys.push_back(
          Key(Numbered("Key", k),
              {HiveValue{u"Number", 4, Pattern(4, static_cast<std::uint32_t>(k))},
               HiveValue{u"Text", 1, Pattern(2 * (k % 40), static_cast<std::uint32_t>(g))}}));
    root.subkeys.push_back(std::move(group));
  }
  return root;
}

// Every combination of the key flags a stored key may carry (all but
// volatile, hive exit, hive entry and compressed name), each with its own
// user flags, access and layered-key bits, and a value that is a layered
// key's tombstone or not, with its name stored compressed or not.
HiveKey EveryFlag() {
  constexpr std::uint16_t kStoredKeyFlags = 0xFFD8;
  HiveKey root = Key(u"ROOT");
  std::uint32_t k = 0;
  for (std::uint32_t flags = 0; flags <= 0xFFFF; ++flags) {
    if ((flags & ~kStoredKeyFlags) != 0) continue;
    HiveKey key = Key(Numbered("F", k));
    key.flags = static_cast<std::uint16_t>(flags);
    key.userFlags = static_cast<std::uint16_t>(k * 0x9E37);
    key.accessBits = (k % 3) | (k % 4) << 8 | (k / 4 % 2) << 15 | (k % 5) << 16;
    bool tombstone = k % 2 != 0;
    const char16_t* name = (flags & kKeySymbolicLink) != 0 ? u"SymbolicLinkValue"
                           : k % 3                         ? u"v"
                                                           : u"\u2122";
    HiveValue value{name, tombstone ? 0u : 3u,
                    tombstone ? std::vector<std::uint8_t>{} : Pattern(k % 9, k),
                    static_cast<std::uint16_t>(tombstone ? kValueTombstone : 0),
                    static_cast<std::uint16_t>(k % 7)};
    key.values.push_back(std::move(value));
    root.subkeys.push_back(std::move(key));
    ++k;
  }
  return root;
}

struct TreeRow {
  const char* what;
  std::uint32_t minor;
  std::function<HiveKey()> make;
  std::uint64_t bigData;     // db records expected
  std::uint64_t securities;  // distinct descriptors expected
  const char* rootList;      // signature of the root's subkey list, "" for none
};

const TreeRow kTrees[] = {
    {"value sizes 1.3", 3, ValueSizes, 0, 1, ""},
    {"value sizes 1.5", 5, ValueSizes, 2, 1, ""},
    {"non-ASCII names 1.3", 3, NonAsciiNames, 0, 1, "lf"},
    {"non-ASCII names 1.5", 5, NonAsciiNames, 0, 1, "lh"},
    {"10,000 subkeys 1.3", 3, [] { return WideKey(10000); }, 0, 1, "ri"},
    {"10,000 subkeys 1.5", 5, [] { return WideKey(10000); }, 0, 1, "ri"},
    {"507 subkeys fill one leaf", 5, [] { return WideKey(507); }, 0, 1, "lh"},
    {"508 subkeys need an index root", 5, [] { return WideKey(508); }, 0, 1, "ri"},
    {"shared descriptors", 5, [] { return SharedDescriptors(3000, 4); }, 0, 5, "ri"},
    {"tens of thousands of keys and values", 5, [] { return ManyKeys(30, 1000); }, 0, 1, "lh"},
    {"every key and value flag 1.6", 6, EveryFlag, 0, 1, "ri"},
};

std::string RootListSignature(const std::vector<std::uint8_t>& bytes) {
  CFindingLog findings;
  std::string refusal;
  std::unique_ptr<CHive> hive = CHive::Open(bytes, findings, refusal);
  KeyNode root;
  if (!hive || !ParseKeyNode(*hive->AllocatedCell(hive->Base().rootCell), root))
    return "unreadable";
  if (root.subkeyCount == 0) return "";
  Bytes list = *hive->AllocatedCell(root.subkeyList);
  return std::string(list.begin(), list.begin() + 2);
}

TEST(HiveWriter, WrittenTreesAreSoundAndReadBackWhole) {
  for (std::size_t i = 0; i < std::size(kTrees); ++i) {
    const TreeRow& row = kTrees[i];
    HiveTree tree = Tree(row.minor, row.make());
    if (i % 2 != 0) {
      // The offline library's mark in place of the last-reorganized time.
      tree.header.offlineAt = regf::kOfflineSignatureEarly;
      tree.header.lastReorganized = 0;
    }
    std::vector<std::uint8_t> bytes = WriteHive(tree, WriteOptions{});
    CContentCollector collector;
    CheckResult check = CheckHiveBytes(bytes, {}, &collector);
    for (const Finding& finding : check.findings.Kept())
      ADD_FAILURE() << "row " << i << " (" << row.what << "): " << finding.code << ": "
                    << finding.message;
    EXPECT_EQ(check.verdict, Verdict::Sound) << "row " << i << " (" << row.what << ")";
    std::vector<std::string> expected;
    TreeLines(tree.root, "", expected);
    EXPECT_EQ(Sorted(collector.lines), Sorted(expected)) << "row " << i << " (" << row.what << ")";
    EXPECT_EQ(check.base.minorVersion, row.minor) << "row " << i;
    EXPECT_EQ(check.statistics.bigDataValues, row.bigData)
        << "row " << i << " (" << row.what << ")";
    EXPECT_EQ(check.statistics.securityDescriptors, row.securities)
        << "row " << i << " (" << row.what << ")";
    EXPECT_EQ(RootListSignature(bytes), row.rootList) << "row " << i << " (" << row.what << ")";

    TreeReadResult back = ReadHiveTree(bytes, {});
    HiveKey stored = AsStored(tree.root, {});
    stored.flags |= kKeyHiveEntry;
    EXPECT_TRUE(back.tree.root == stored)
        << "row " << i << " (" << row.what << "): flags, classes or descriptors changed";
    EXPECT_TRUE(back.tree.header == tree.header)
        << "row " << i << " (" << row.what << "): base block fields changed";
    EXPECT_EQ(CompactedSize(tree, WriteOptions{}), bytes.size())
        << "row " << i << " (" << row.what << ")";
    EXPECT_EQ(WriteHive(back.tree, WriteOptions{}), bytes)
        << "row " << i << " (" << row.what << "): writing what was written changed the bytes";
    // The check predicts exactly what the writer writes.
    EXPECT_EQ(check.statistics.compactedSize, bytes.size())
        << "row " << i << " (" << row.what << ")";
  }
}

TEST(HiveWriter, LatestFormatTurnsOldHivesIntoHashLeavesAndBigData) {
  struct Row {
    std::uint32_t minor;
    HiveFormat format;
    std::uint32_t written;
    std::uint64_t bigData;
    const char* rootList;
  };
  const Row rows[] = {
      {3, HiveFormat::Keep, 3, 0, "lf"},   {3, HiveFormat::Latest, 5, 1, "lh"},
      {4, HiveFormat::Latest, 5, 1, "lh"}, {5, HiveFormat::Latest, 5, 1, "lh"},
      {6, HiveFormat::Latest, 6, 1, "lh"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    HiveKey root = NonAsciiNames();
    root.values.push_back(HiveValue{u"big", 3, Pattern(50000, 9)});
    HiveTree tree = Tree(rows[i].minor, root);
    std::vector<std::uint8_t> bytes = WriteHive(tree, WriteOptions{rows[i].format});
    CContentCollector collector;
    CheckResult check = CheckHiveBytes(bytes, {}, &collector);
    EXPECT_EQ(check.verdict, Verdict::Sound) << "row " << i;
    EXPECT_EQ(check.base.minorVersion, rows[i].written) << "row " << i;
    EXPECT_EQ(check.statistics.bigDataValues, rows[i].bigData) << "row " << i;
    EXPECT_EQ(RootListSignature(bytes), rows[i].rootList) << "row " << i;
    std::vector<std::string> expected;
    TreeLines(tree.root, "", expected);
    EXPECT_EQ(Sorted(collector.lines), Sorted(expected)) << "row " << i;
  }
}

TEST(HiveWriter, ValuesOfFourBytesOrLessStayInTheirRecord) {
  const std::size_t sizes[] = {0, 1, 4, 5};
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    HiveTree tree = Tree(5, Key(u"ROOT", {HiveValue{u"v", 3, Pattern(sizes[i], 7)}}));
    std::vector<std::uint8_t> bytes = WriteHive(tree, WriteOptions{});
    CFindingLog findings;
    std::string refusal;
    std::unique_ptr<CHive> hive = CHive::Open(bytes, findings, refusal);
    std::size_t valueCells = 0;
    hive->ForEachCell([&](const Cell& cell) {
      std::optional<Bytes> data = hive->AllocatedCell(cell.offset);
      ValueKey value;
      if (data && ParseValueKey(*data, value)) {
        ++valueCells;
        EXPECT_EQ(value.Inline(), sizes[i] <= 4) << "row " << i << ": " << sizes[i] << " bytes";
        EXPECT_EQ(value.DataSize(), sizes[i]) << "row " << i;
      }
    });
    EXPECT_EQ(valueCells, 1u) << "row " << i;
  }
}

TEST(HiveWriter, SecurityRecordsAreSharedAndCounted) {
  HiveTree tree = Tree(5, SharedDescriptors(300, 4));
  std::vector<std::uint8_t> bytes = WriteHive(tree, WriteOptions{});
  CFindingLog findings;
  std::string refusal;
  std::unique_ptr<CHive> hive = CHive::Open(bytes, findings, refusal);
  std::uint64_t references = 0;
  std::size_t records = 0;
  hive->ForEachCell([&](const Cell& cell) {
    std::optional<Bytes> data = hive->AllocatedCell(cell.offset);
    SecurityKey sk;
    if (data && ParseSecurityKey(*data, sk)) {
      ++records;
      references += sk.referenceCount;
    }
  });
  EXPECT_EQ(records, 5u);
  EXPECT_EQ(references, 301u) << "one reference per key";
  EXPECT_EQ(CheckHiveBytes(bytes, {}).verdict, Verdict::Sound);

  // Read back, a tree copies a descriptor per key that differs from its
  // parent's, up to a stated total: what this one copies fits, a byte less not.
  std::function<std::size_t(const HiveKey&)> copiedBytes = [&](const HiveKey& key) {
    std::size_t total = key.security.size();
    for (const HiveKey& child : key.subkeys) total += copiedBytes(child);
    return total;
  };
  const std::size_t copied = copiedBytes(ReadHiveTree(bytes, {}).tree.root);
  const struct {
    std::size_t limit;
    bool represented;
  } limits[] = {{kTreeDescriptorByteLimit, true}, {copied, true}, {copied - 1, false}, {0, false}};
  for (std::size_t i = 0; i < std::size(limits); ++i) {
    const TreeReadResult read = ReadHiveTree(bytes, {}, limits[i].limit);
    EXPECT_EQ(read.unrepresentable.empty(), limits[i].represented)
        << "row " << i << ": limit " << limits[i].limit << " of " << copied;
    EXPECT_LE(copiedBytes(read.tree.root), limits[i].limit) << "row " << i;
    if (!limits[i].represented) {
      EXPECT_NE(read.unrepresentable.find("security descriptors take more than"), std::string::npos)
          << "row " << i << ": " << read.unrepresentable;
    }
  }
}

TEST(HiveWriter, RefusesWhatAHiveCannotHold) {
  struct Row {
    const char* what;
    std::function<void(HiveKey&)> spoil;
    const char* message;
  };
  const Row rows[] = {
      {"same name",
       [](HiveKey& r) {
         r.subkeys = {Key(u"Abc"), Key(u"Abc")};
       },
       "share the name"},
      {"names equal but for case",
       [](HiveKey& r) {
         r.subkeys = {Key(u"abc"), Key(u"ABC")};
       },
       "share the name"},
      {"non-ASCII case",
       [](HiveKey& r) {
         r.subkeys = {Key(u"\u00E4"), Key(u"\u00C4")};
       },
       "share the name"},
      {"key name too long", [](HiveKey& r) { r.subkeys = {Key(std::u16string(70000, u'k'))}; },
       "too long"},
      {"value name too long",
       [](HiveKey& r) {
         r.values = {HiveValue{std::u16string(40000, u'\u2122'), 1, {}}};
       },
       "too long"},
      {"class too long", [](HiveKey& r) { r.className.assign(70000, 'c'); }, "too long"},
      {"empty key name", [](HiveKey& r) { r.subkeys = {Key(u"")}; }, "empty name"},
      {"key name starting with NUL",
       [](HiveKey& r) { r.subkeys = {Key(std::u16string(1, u'\0') + u"x")}; }, "starting with NUL"},
      {"symbolic link with a second value",
       [](HiveKey& r) {
         HiveKey link = Key(u"Link", {HiveValue{u"SymbolicLinkValue", 6, Pattern(8, 1)},
                                      HiveValue{u"other", 1, {}}});
         link.flags = kKeySymbolicLink;
         r.subkeys = {link};
       },
       "symbolic-link key"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    HiveKey root = Key(u"ROOT");
    rows[i].spoil(root);
    HiveTree tree = Tree(5, root);
    try {
      WriteHive(tree, WriteOptions{});
      ADD_FAILURE() << "row " << i << " (" << rows[i].what << "): written";
    } catch (const HiveWriteError& error) {
      EXPECT_NE(std::string(error.what()).find(rows[i].message), std::string::npos)
          << "row " << i << ": " << error.what();
    }
  }
  // Siblings whose names differ are fine even when one is a prefix of the other.
  HiveKey fine = Key(u"ROOT");
  fine.subkeys = {Key(u"ab"), Key(u"a"), Key(u"abc")};
  EXPECT_EQ(CheckHiveBytes(WriteHive(Tree(5, fine), WriteOptions{}), {}).verdict, Verdict::Sound);
}

TEST(HiveWriter, VolatileKeysAreLeftOutOnlyWhenAsked) {
  HiveKey root = Key(u"ROOT");
  root.subkeys = {Key(u"Kept"), Key(u"Gone")};
  root.subkeys[1].flags = kKeyVolatile;
  root.subkeys[1].subkeys = {Key(u"Below")};
  struct Row {
    bool leaveOut;
    std::vector<std::string> lines;
    Verdict verdict;  // a key marked volatile on disk is warned about
  };
  const Row rows[] = {
      {true, {"K ROOT", "K ROOT\\Kept"}, Verdict::Sound},
      {false, {"K ROOT", "K ROOT\\Gone", "K ROOT\\Gone\\Below", "K ROOT\\Kept"}, Verdict::Warnings},
  };
  const std::vector<std::uint8_t> everything = WriteHive(Tree(5, root), WriteOptions{});
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    WriteOptions options;
    options.leaveOutVolatileKeys = rows[i].leaveOut;
    const std::vector<std::uint8_t> written = WriteHive(Tree(5, root), options);
    CContentCollector collector;
    CheckResult check = CheckHiveBytes(written, {}, &collector);
    EXPECT_EQ(check.verdict, rows[i].verdict) << "row " << i;
    EXPECT_EQ(collector.lines, rows[i].lines) << "row " << i;

    // The streamed writer, reading the whole hive from its file, leaves out the same keys.
    CFindingLog findings;
    std::string refusal;
    std::unique_ptr<CHive> hive = CHive::OpenView(everything, findings, refusal);
    ASSERT_TRUE(hive) << refusal;
    ContentIndex index;
    CContentIndexer indexer(index, rows[i].leaveOut, nullptr);
    HiveStatistics statistics;
    CHiveWalk(*hive, findings, &indexer).Run(statistics);
    std::vector<std::uint8_t> streamed;
    WriteIndexedHive(*hive, std::move(index), HeaderFromBaseBlock(hive->Base(), Bytes()), options,
                     [&streamed](Bytes piece) {
                       streamed.insert(streamed.end(), piece.begin(), piece.end());
                       return true;
                     });
    // The base blocks differ only as the headers given differ; every bin is the same.
    ASSERT_EQ(streamed.size(), written.size()) << "row " << i;
    EXPECT_TRUE(std::equal(streamed.begin() + kBaseBlockSize, streamed.end(),
                           written.begin() + kBaseBlockSize))
        << "row " << i;
  }
}

struct PackingRow {
  std::vector<std::uint32_t> cells;
  std::uint64_t binsSize;
  std::size_t gaps;
};

TEST(CellPacking, FillsBinsExactlyWhenSizesAllow) {
  const PackingRow rows[] = {
      {{}, 4096, 1},  // an empty hive still has a bin
      {{8}, 4096, 1},
      {{4064}, 4096, 0},  // exactly one bin's room
      {{4072}, 8192, 1},  // a bin of its own, rounded up
      {{2032, 2032}, 4096, 0},
      {{2040, 2032}, 8192, 2},
      {{5000, 3000}, 8192, 1},              // the small cell goes into the big cell's bin
      {{3000, 1064, 3000, 1064}, 8192, 0},  // pairs that fill a bin are found
      {{16352, 16352}, 2 * 16384, 0},       // 32 + 16352 fills four pages exactly
      {{16352, 16352, 24, 8}, 2 * 16384 + 4096, 1},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CellLayout layout = PackCells(rows[i].cells);
    EXPECT_EQ(layout.binsSize, rows[i].binsSize) << "row " << i;
    EXPECT_EQ(layout.gaps.size(), rows[i].gaps) << "row " << i;
    // Bin headers, cells and gaps tile the bins without overlap.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pieces;
    for (const PackedBin& bin : layout.bins) pieces.emplace_back(bin.offset, kBinHeaderSize);
    for (std::size_t c = 0; c < rows[i].cells.size(); ++c)
      pieces.emplace_back(layout.offsets[c], rows[i].cells[c]);
    for (const FreeGap& gap : layout.gaps) pieces.emplace_back(gap.offset, gap.size);
    std::sort(pieces.begin(), pieces.end());
    std::uint64_t at = 0;
    for (const auto& [offset, size] : pieces) {
      EXPECT_EQ(offset, at) << "row " << i << ": hole or overlap";
      at = offset + size;
    }
    EXPECT_EQ(at, layout.binsSize) << "row " << i;
    for (std::size_t c = 0; c < rows[i].cells.size(); ++c) {
      auto bin = std::find_if(layout.bins.begin(), layout.bins.end(), [&](const PackedBin& b) {
        return layout.offsets[c] >= b.offset && layout.offsets[c] < b.offset + b.size;
      });
      ASSERT_NE(bin, layout.bins.end()) << "row " << i;
      EXPECT_LE(layout.offsets[c] + rows[i].cells[c], bin->offset + bin->size)
          << "row " << i << ": crosses its bin";
    }
  }
}

}  // namespace
