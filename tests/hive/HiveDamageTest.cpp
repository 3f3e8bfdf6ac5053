// Damaged hives: each kind of damage is reported with its own finding, and
// random single-byte and truncation damage never crashes the reader (the
// native build runs this under AddressSanitizer and UBSan).

#include "hive/Hive.h"
#include "hive/HiveCheck.h"
#include "hive/HiveWalk.h"
#include "hive/Names.h"
#include "hive/SpaceAccount.h"
#include "tests/hive/ContentCollector.h"
#include "tests/hive/HiveTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

using namespace hive;
using namespace hivetest;

namespace {

using Image = std::vector<std::uint8_t>;

// Where `field` of the record in the cell at a hive bins offset lies in the file.
std::size_t Field(std::uint32_t at, std::size_t field) {
  return static_cast<std::size_t>(CHive::FieldOffset(at, field));
}
// Where the size field of that cell lies, and where a bin's header field lies.
std::size_t SizeField(std::uint32_t at) { return kBaseBlockSize + at + cell::kSizeField; }
std::size_t BinField(std::uint32_t bin, std::size_t field) { return kBaseBlockSize + bin + field; }
void Put32(Image& image, std::size_t at, std::uint32_t value) { WriteU32(image, at, value); }

BuildKey DamageTree() {
  BuildKey root{U16("ROOT"), {}, {}, {}};
  BuildKey a{U16("Alpha"), {}, {}, {}};
  a.values.push_back(BuildValue{U16("Big"), 3, Pattern(20000, 1)});
  a.values.push_back(BuildValue{U16("Small"), 4, Pattern(4, 2)});
  a.values.push_back(BuildValue{U16("Text"), 1, Pattern(40, 3)});
  root.subkeys.push_back(a);
  root.subkeys.push_back(BuildKey{U16("Beta"), {BuildValue{U16("x"), 3, Pattern(10, 4)}}, {}, {}});
  root.subkeys.push_back(BuildKey{U16("Gamma"), {}, {}, {}});
  BuildKey wide{U16("Wide"), {}, {}, {}};
  for (int i = 0; i < 600; ++i) wide.subkeys.push_back(BuildKey{Numbered("K", i), {}, {}, {}});
  root.subkeys.push_back(wide);
  return root;
}

// The root and `levels` keys each nested in the one before.
BuildKey Chain(std::size_t levels) {
  BuildKey key{Numbered("Level", levels), {}, {}, {}};
  for (std::size_t level = levels; level-- > 0;) {
    BuildKey outer{level == 0 ? U16("ROOT") : Numbered("Level", level), {}, {}, {}};
    outer.subkeys.push_back(std::move(key));
    key = std::move(outer);
  }
  return key;
}

struct DamageRow {
  const char* what;
  std::function<void(Image&, const BuildLayout&)> damage;
  const char* code;
  Verdict verdict;
  std::size_t keysReached = 0;  // when not 0: every key whose own cells are intact
};

TEST(HiveDamage, EachDamageIsReportedByItsFinding) {
  BuildLayout layout;
  const Image pristine = BuildHive(DamageTree(), &layout);
  // layout.keys: ROOT, Alpha, Beta, Gamma, Wide, K0...; lists: root's lh first.
  const std::uint32_t root = layout.keys[0];
  const std::uint32_t alpha = layout.keys[1];
  const std::uint32_t rootList = layout.lists.back();
  const DamageRow rows[] = {
      {"checksum", [](Image& h, const BuildLayout&) { h[regf::kChecksum] ^= 1; }, "bad-checksum",
       Verdict::Errors},
      {"sequence numbers differ",
       [](Image& h, const BuildLayout&) { Put32(h, regf::kPrimarySequence, 9); }, "dirty",
       Verdict::Dirty},
      {"bin signature",
       [](Image& h, const BuildLayout&) { h[BinField(kPageSize, hbin::kSignature)] = 'X'; },
       "bad-bin-header", Verdict::Errors},
      {"bin size past the bins",
       [](Image& h, const BuildLayout&) { Put32(h, BinField(0, hbin::kSize), 0x1000000); },
       "bin-size-mismatch", Verdict::Errors},
      {"cell crosses its bin",
       [](Image& h, const BuildLayout& l) {
         Put32(h, SizeField(l.security), static_cast<std::uint32_t>(-0x2000));
       },
       "bad-cell", Verdict::Errors},
      {"cell size not a multiple of 8",
       [](Image& h, const BuildLayout& l) {
         Put32(h, SizeField(l.security), static_cast<std::uint32_t>(-0x4C));
       },
       "bad-cell", Verdict::Errors},
      {"lh hash",
       [&](Image& h, const BuildLayout&) {
         h[Field(rootList, list::kElements + list::kElementHint)] ^= 1;
       },
       "bad-lh-hash", Verdict::Errors},
      {"lf hint",
       [&](Image& h, const BuildLayout&) { h[Field(rootList, list::kSignature + 1)] = 'f'; },
       "bad-lf-hint", Verdict::Errors},
      {"subkeys out of order",
       [&](Image& h, const BuildLayout&) {
         std::size_t first = Field(rootList, list::kElements);
         for (std::size_t i = 0; i < list::kHashElementSize; ++i)
           std::swap(h[first + i], h[first + list::kHashElementSize + i]);
       },
       "subkeys-out-of-order", Verdict::Errors},
      {"subkey count",
       [&](Image& h, const BuildLayout&) { Put32(h, Field(root, nk::kSubkeyCount), 5); },
       "subkey-count", Verdict::Errors},
      {"value count past its list",
       [&](Image& h, const BuildLayout&) { Put32(h, Field(alpha, nk::kValueCount), 0xFFFFFFFF); },
       "value-count", Verdict::Errors},
      {"subkey list back to the root",
       [&](Image& h, const BuildLayout&) { Put32(h, Field(rootList, list::kElements), root); },
       "key-twice", Verdict::Errors},
      {"reference outside the bins",
       [](Image& h, const BuildLayout& l) { Put32(h, Field(l.valueLists[0], 0), 0x7FFFFFF8); },
       "bad-reference", Verdict::Errors},
      {"reference into a cell",
       [](Image& h, const BuildLayout& l) { Put32(h, Field(l.valueLists[0], 0), l.values[0] + 8); },
       "bad-reference", Verdict::Errors},
      {"cell used twice",
       [](Image& h, const BuildLayout& l) {
         Put32(h, Field(l.valueLists[0], valuelist::kElementSize), l.values[0]);
       },
       "cell-shared", Verdict::Errors},
      {"inline data over 4 bytes",
       [](Image& h, const BuildLayout& l) {
         Put32(h, Field(l.values[1], vk::kDataSize), 0x80000005);
       },
       "bad-inline-size", Verdict::Errors},
      {"data longer than its cell",
       [](Image& h, const BuildLayout& l) { Put32(h, Field(l.values[2], vk::kDataSize), 400); },
       "value-data-short", Verdict::Errors},
      {"parent", [&](Image& h, const BuildLayout&) { Put32(h, Field(alpha, nk::kParent), alpha); },
       "bad-parent", Verdict::Errors},
      {"root not the entry key",
       [&](Image& h, const BuildLayout&) { h[Field(root, nk::kFlags)] &= ~kKeyHiveEntry; },
       "root-flags", Verdict::Warnings},
      {"security record nobody uses",
       [](Image& h, const BuildLayout& l) {
         // Beta's value goes unlisted and its record becomes a second sk in the ring.
         for (std::size_t field : {nk::kValueCount, nk::kLargestValueName, nk::kLargestValueData})
           Put32(h, Field(l.keys[2], field), 0);
         std::uint32_t spare = l.values[3];
         h[Field(spare, sk::kSignature)] = 's';
         h[Field(spare, sk::kSignature + 1)] = 'k';
         Put32(h, Field(spare, sk::kFlink), l.security);
         Put32(h, Field(spare, sk::kBlink), l.security);
         Put32(h, Field(spare, sk::kReferenceCount), 1);
         Put32(h, Field(spare, sk::kDescriptorSize), 0);
         Put32(h, Field(l.security, sk::kFlink), spare);
         Put32(h, Field(l.security, sk::kBlink), spare);
       },
       "sk-unused", Verdict::Warnings},
      {"root cell not a key",
       [](Image& h, const BuildLayout& l) { Put32(h, regf::kRootCell, l.values[0]); }, "bad-key",
       Verdict::Errors},
      {"largest value name too small",
       [&](Image& h, const BuildLayout&) { Put32(h, Field(alpha, nk::kLargestValueName), 2); },
       "largest-too-small", Verdict::Errors},
      {"largest value data too large",
       [&](Image& h, const BuildLayout&) { Put32(h, Field(alpha, nk::kLargestValueData), 90000); },
       "largest-too-large", Verdict::Sound},
      {"security reference count low",
       [](Image& h, const BuildLayout& l) { Put32(h, Field(l.security, sk::kReferenceCount), 1); },
       "sk-refcount", Verdict::Errors},
      {"security ring broken",
       [&](Image& h, const BuildLayout& l) { Put32(h, Field(l.security, sk::kFlink), root); },
       "sk-ring", Verdict::Errors},
      {"security ring back link",
       [&](Image& h, const BuildLayout& l) { Put32(h, Field(l.security, sk::kBlink), 0); },
       "sk-ring", Verdict::Errors},
      {"db segment count",
       [](Image& h, const BuildLayout& l) { h[Field(l.bigData[0], db::kSegmentCount)] += 1; },
       "db-segments", Verdict::Errors},
      {"ri pointing to ri",
       [](Image& h, const BuildLayout& l) {
         h[Field(l.lists[l.lists.size() - 3], list::kSignature)] = 'r';
         h[Field(l.lists[l.lists.size() - 3], list::kSignature + 1)] = 'i';
       },
       "bad-subkey-list", Verdict::Errors},
      {"volatile subkey count",
       [&](Image& h, const BuildLayout&) { Put32(h, Field(root, nk::kVolatileSubkeyCount), 1); },
       "volatile-fields", Verdict::Sound},
      {"volatile subkey list",
       [&](Image& h, const BuildLayout&) { Put32(h, Field(root, nk::kVolatileSubkeyList), 0x20); },
       "volatile-fields", Verdict::Sound},
      {"key marked volatile on disk",
       [](Image& h, const BuildLayout& l) { h[Field(l.keys[1], nk::kFlags)] |= 0x01; },
       "volatile-key", Verdict::Warnings},
      {"bin spare field", [](Image& h, const BuildLayout&) { h[BinField(0, hbin::kSpare)] = 1; },
       "bin-spare", Verdict::Warnings},
      {"security reference count high",
       [](Image& h, const BuildLayout& l) {
         Put32(h, Field(l.security, sk::kReferenceCount), 9999);
       },
       "sk-refcount-high", Verdict::Warnings},
      {"reserved base block byte",
       [](Image& h, const BuildLayout&) { h[regf::kKnownEnd + 108] = 1; }, "base-block-reserved",
       Verdict::Sound},
      {"zero bytes after the bins",
       [](Image& h, const BuildLayout&) { h.resize(h.size() + 4096, 0); },
       "zero-padding-after-bins", Verdict::Sound},
      {"values nothing lists",
       [](Image& h, const BuildLayout& l) {
         for (std::size_t field : {nk::kValueCount, nk::kLargestValueName, nk::kLargestValueData})
           Put32(h, Field(l.keys[2], field), 0);
       },
       "unreferenced-cell", Verdict::Warnings},
      {"file format field", [](Image& h, const BuildLayout&) { Put32(h, regf::kFileFormat, 2); },
       "bad-file-format", Verdict::Errors},
      {"bins size not whole pages",
       [](Image& h, const BuildLayout&) {
         Put32(h, regf::kBinsSize, ReadU32(Bytes(h.data(), h.size()), regf::kBinsSize) - 8);
       },
       "bad-bins-size", Verdict::Errors},
      {"root cell outside the bins",
       [](Image& h, const BuildLayout&) { Put32(h, regf::kRootCell, 0x7FFFFFF8); }, "bad-root",
       Verdict::Errors},
      {"value list naming a key",
       [](Image& h, const BuildLayout& l) { Put32(h, Field(l.valueLists[0], 0), l.keys[2]); },
       "bad-value", Verdict::Errors},
      {"security naming a value",
       [&](Image& h, const BuildLayout& l) { Put32(h, Field(alpha, nk::kSecurity), l.values[0]); },
       "bad-security", Verdict::Errors},
      {"big data in format 1.3",
       [](Image& h, const BuildLayout&) { Put32(h, regf::kMinorVersion, 3); }, "big-data-too-early",
       Verdict::Errors},
      {"big data for what fits one cell",
       [](Image& h, const BuildLayout& l) { Put32(h, Field(l.values[0], vk::kDataSize), 16344); },
       "big-data-too-small", Verdict::Errors},
      {"keys nested 513 levels below the root",
       [](Image& h, const BuildLayout&) { h = BuildHive(Chain(kMaximumDepth + 1)); }, "too-deep",
       Verdict::Errors},
      {"clustering factor",
       [](Image& h, const BuildLayout&) { Put32(h, regf::kClusteringFactor, 2); },
       "bad-clustering-factor", Verdict::Errors},
      {"big data without its db record",
       [](Image& h, const BuildLayout& l) { h[Field(l.bigData[0], db::kSignature)] = 'x'; },
       "big-value-in-one-cell", Verdict::Errors},
      {"subkey list longer than its cell",
       [&](Image& h, const BuildLayout&) { h[Field(rootList, list::kCount + 1)] = 0x7F; },
       "list-too-long", Verdict::Errors},
      {"bins past the end of the file",
       [](Image& h, const BuildLayout&) { h.erase(h.end() - 4096, h.end()); }, "bins-past-end",
       Verdict::Errors},
      {"non-zero bytes after the bins", [](Image& h, const BuildLayout&) { h.push_back(1); },
       "data-after-bins", Verdict::Sound},
      {"key name starting with NUL",
       [](Image& h, const BuildLayout& l) { h[Field(l.keys[3], nk::kName)] = 0; }, "bad-key-name",
       Verdict::Errors},
      {"empty key name",
       [](Image& h, const BuildLayout& l) {
         h[Field(l.keys[3], nk::kNameLength)] = 0;
         h[Field(l.keys[3], nk::kNameLength + 1)] = 0;
       },
       "bad-key-name", Verdict::Errors},
      {"symbolic link with three values",
       [&](Image& h, const BuildLayout&) { h[Field(alpha, nk::kFlags)] |= kKeySymbolicLink; },
       "bad-symbolic-link", Verdict::Errors},
      {"symbolic link whose value has another name",
       [](Image& h, const BuildLayout& l) { h[Field(l.keys[2], nk::kFlags)] |= kKeySymbolicLink; },
       "bad-symbolic-link", Verdict::Errors},
      {"root's subkey list size zeroed",
       [&](Image& h, const BuildLayout&) { Put32(h, SizeField(rootList), 0); }, "damaged-cell-used",
       Verdict::Errors, 605},
      {"ri size zeroed",
       [](Image& h, const BuildLayout& l) { Put32(h, SizeField(l.lists[l.lists.size() - 2]), 0); },
       "damaged-cell-used", Verdict::Errors, 605},
      {"lh leaf under the ri: size crosses its bin",
       [](Image& h, const BuildLayout& l) {
         Put32(h, SizeField(l.lists[l.lists.size() - 3]), static_cast<std::uint32_t>(-0x20000));
       },
       "damaged-cell-used", Verdict::Errors, 605},
      {"key's size zeroed", [&](Image& h, const BuildLayout&) { Put32(h, SizeField(alpha), 0); },
       "damaged-cell-used", Verdict::Errors, 605},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Image image = pristine;
    rows[i].damage(image, layout);
    if (std::string(rows[i].code) != "bad-checksum") SealBaseBlock(image);
    CheckResult result = CheckHiveBytes(image, {});
    EXPECT_TRUE(result.findings.Has(rows[i].code))
        << "row " << i << " (" << rows[i].what << "): no " << rows[i].code;
    const FindingCodeInfo* info = FindFindingCode(rows[i].code);
    ASSERT_NE(info, nullptr) << "row " << i << ": " << rows[i].code << " is not in the table";
    const Finding* first = result.findings.First(rows[i].code);
    ASSERT_NE(first, nullptr) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(first->severity, info->level) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(VerdictName(result.verdict), std::string(VerdictName(rows[i].verdict)))
        << "row " << i << " (" << rows[i].what << ")";
    if (rows[i].keysReached != 0) {
      EXPECT_EQ(result.statistics.keys, rows[i].keysReached)
          << "row " << i << " (" << rows[i].what << ")";
    }
    SpaceAccount account = AccountHiveBytes(image, {}, 4).account;
    EXPECT_EQ(account.Total(), account.binsSize) << "row " << i << " (" << rows[i].what << ")";
  }
}

struct RefusalRow {
  const char* what;
  std::function<void(Image&)> damage;
  const char* refusal;
};

TEST(HiveDamage, WhatIsNoHiveIsRefusedWithItsReason) {
  const Image pristine = BuildHive(DamageTree());
  const RefusalRow rows[] = {
      {"signature", [](Image& h) { h[0] = 'R'; }, "no \"regf\" signature"},
      {"shorter than a base block", [](Image& h) { h.resize(600); },
       "shorter than the 4096-byte base block"},
      {"empty", [](Image& h) { h.clear(); }, "no \"regf\" signature"},
      {"format 1.2",
       [](Image& h) {
         Put32(h, regf::kMinorVersion, 2);
         SealBaseBlock(h);
       },
       "1.2 (Windows NT 3.x) is not supported"},
      {"format field damaged with the checksum", [](Image& h) { Put32(h, regf::kMinorVersion, 1); },
       "the base block is damaged (checksum"},
      {"format 2.5",
       [](Image& h) {
         Put32(h, regf::kMajorVersion, 2);
         SealBaseBlock(h);
       },
       "unknown hive format 2.5"},
      {"new-format log", [](Image& h) { Put32(h, regf::kFileType, 6); }, "a transaction log"},
      {"old-format log", [](Image& h) { Put32(h, regf::kFileType, 1); }, "a transaction log"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Image image = pristine;
    rows[i].damage(image);
    CheckResult result = CheckHiveBytes(image, {});
    EXPECT_EQ(result.verdict, Verdict::Unreadable) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_NE(result.refusal.find(rows[i].refusal), std::string::npos)
        << "row " << i << " (" << rows[i].what << "): " << result.refusal;
    EXPECT_EQ(ExitCode(result.verdict), 3) << "row " << i;
  }
}

// Walks everything that is left; the visitor touches every data byte so the
// sanitizers see any read outside the buffer.
std::size_t CheckAndTouch(const Image& image) {
  CContentCollector collector;
  CheckResult result = CheckHiveBytes(image, {}, &collector);
  // The space account follows the same damaged references: it too must add up.
  SpaceAccountResult space = AccountHiveBytes(image, {}, kMaximumDepth);
  if (space.refusal.empty()) {
    EXPECT_EQ(space.account.Total(), space.account.binsSize);
  }
  return collector.lines.size() + result.findings.Kept().size();
}

void MutateAndCheck(const Image& pristine, const std::string& name, std::uint32_t seed,
                    int mutations) {
  std::uint32_t state = seed;
  auto next = [&state] { return state = state * 1664525u + 1013904223u; };
  for (int i = 0; i < mutations; ++i) {
    Image image = pristine;
    std::size_t at = next() % image.size();
    std::uint8_t value = static_cast<std::uint8_t>(next() >> 24);
    image[at] =
        static_cast<std::uint8_t>(i % 3 == 0 ? value : (i % 3 == 1 ? 0xFF : image[at] ^ 0x80));
    SealBaseBlock(image);
    SCOPED_TRACE(name + ": byte " + std::to_string(at) + " := " + std::to_string(image[at]));
    CheckAndTouch(image);
  }
  for (std::size_t cut = 0; cut < pristine.size(); cut += 1021) {
    SCOPED_TRACE(name + ": cut at " + std::to_string(cut));
    CheckAndTouch(Image(pristine.begin(), pristine.begin() + static_cast<std::ptrdiff_t>(cut)));
  }
}

TEST(HiveDamage, RandomDamageToAGeneratedHiveNeverCrashes) {
  MutateAndCheck(BuildHive(DamageTree()), "generated", 1, 1000);
}

TEST(HiveDamage, RandomDamageToRealHivesNeverCrashes) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  CScratchFolder scratch;
  for (const char* file : {"hivex/special", "regipy/BCD", "regipy/SECURITY"})
    MutateAndCheck(ReadAll(Unpack(scratch.Path(), file)), file, 7, 600);
}

}  // namespace

namespace {

// One key path per key the walk reaches.
class CKeyPaths : public IHiveVisitor {
 public:
  void OnKey(const std::vector<std::u16string>& path, const KeyNode&) override {
    keys.insert(path.back());
  }
  void OnValue(const std::u16string&, const ValueKey&, Bytes) override {}
  std::set<std::u16string> keys;
};

struct BinDamageRow {
  const char* what;
  std::function<void(Image&, std::uint32_t bin, std::uint32_t binSize)> damage;
  const char* code;
  // Only the size field of the bin's first cell is damaged: its record is
  // still read, and so is the rest of the bin.
  bool oneCell;
};

TEST(HiveDamage, DamageToOneBinCostsOnlyThatBin) {
  BuildKey root{U16("ROOT"), {}, {}, {}};
  for (std::size_t i = 0; i < 240; ++i)
    root.subkeys.push_back(
        BuildKey{Numbered("Key", i),
                 {BuildValue{U16("v"), 3, Pattern(120, static_cast<std::uint32_t>(i))}},
                 {},
                 {}});
  BuildLayout layout;
  const Image pristine = BuildHive(root, &layout);
  // Bins in order; the builder writes whole bins one after another.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> bins;
  for (std::uint32_t at = 0; at < pristine.size() - kBaseBlockSize;) {
    std::uint32_t size =
        ReadU32(Bytes(pristine.data(), pristine.size()), BinField(at, hbin::kSize));
    bins.emplace_back(at, size);
    at += size;
  }
  ASSERT_GE(bins.size(), 8u);
  // The builder writes subkeys in name order, so layout.keys[k] holds the k-th name in that order.
  std::vector<std::u16string> names;
  for (const BuildKey& key : root.subkeys) names.push_back(key.name);
  std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
    return CompareNames(a, b) < 0;
  });
  auto inBin = [](std::uint32_t cell, std::pair<std::uint32_t, std::uint32_t> bin) {
    return cell >= bin.first && cell < bin.first + bin.second;
  };
  const BinDamageRow rows[] = {
      {"header signature",
       [](Image& h, std::uint32_t bin, std::uint32_t) { h[BinField(bin, hbin::kSignature)] = 'X'; },
       "bad-bin-header", false},
      {"header offset field",
       [](Image& h, std::uint32_t bin, std::uint32_t) {
         Put32(h, BinField(bin, hbin::kOffset), bin + 8);
       },
       "bad-bin-header", false},
      {"size over the next bins",
       [](Image& h, std::uint32_t bin, std::uint32_t size) {
         Put32(h, BinField(bin, hbin::kSize), size + 3 * kPageSize);
       },
       "bin-size-mismatch", false},
      {"size past the end",
       [](Image& h, std::uint32_t bin, std::uint32_t) {
         Put32(h, BinField(bin, hbin::kSize), 0x7FFFF000);
       },
       "bin-size-mismatch", false},
      {"first cell's size crosses the bin",
       [](Image& h, std::uint32_t bin, std::uint32_t) {
         Put32(h, SizeField(bin + kBinHeaderSize), static_cast<std::uint32_t>(-0x20000));
       },
       "bad-cell", true},
      {"first cell's size zero",
       [](Image& h, std::uint32_t bin, std::uint32_t) {
         Put32(h, SizeField(bin + kBinHeaderSize), 0);
       },
       "bad-cell", true},
      {"first cell's size odd",
       [](Image& h, std::uint32_t bin, std::uint32_t) {
         Put32(h, SizeField(bin + kBinHeaderSize), static_cast<std::uint32_t>(-0x4C));
       },
       "bad-cell", true},
  };
  std::size_t checked = 0;
  for (std::size_t b = 0; b < bins.size(); ++b) {
    // The root key and its list are the way to every key: losing a bin there costs all.
    bool onTheWay = inBin(layout.keys[0], bins[b]) || inBin(layout.lists.back(), bins[b]);
    for (std::size_t r = 0; r < std::size(rows); ++r) {
      if (onTheWay && !rows[r].oneCell) continue;
      std::set<std::u16string> expected;
      for (std::size_t k = 1; k < layout.keys.size(); ++k)
        if (rows[r].oneCell || !inBin(layout.keys[k], bins[b])) expected.insert(names[k - 1]);
      Image image = pristine;
      rows[r].damage(image, bins[b].first, bins[b].second);
      CKeyPaths reached;
      CheckResult result = CheckHiveBytes(image, {}, &reached);
      EXPECT_TRUE(result.findings.Has(rows[r].code))
          << "bin " << b << ", row " << r << " (" << rows[r].what << ")";
      std::size_t missing = 0;
      for (const std::u16string& name : expected) missing += reached.keys.count(name) == 0;
      EXPECT_EQ(missing, 0u) << "bin " << b << " at " << Hex(bins[b].first) << ", row " << r << " ("
                             << rows[r].what << "): " << missing
                             << " keys lost that do not lie in the damage";
      ++checked;
    }
  }
  EXPECT_GE(checked, 6 * std::size(rows));
}

}  // namespace
