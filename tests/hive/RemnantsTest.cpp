// Deleted records: found in free cells (also several merged into one) and in
// the remnant data after the last bin, and nothing found where none are.

#include "hive/Hive.h"
#include "hive/HiveCheck.h"
#include "hive/Remnants.h"
#include "tests/hive/HiveTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace hive;
using namespace hivetest;

namespace {

using Image = std::vector<std::uint8_t>;

BuildKey RemnantTree() {
  BuildKey root{U16("ROOT"), {}, {}, {}};
  BuildKey a{U16("Alpha"), {}, {}, {}};
  a.values.push_back(BuildValue{U16("one"), 3, Pattern(30, 1)});
  a.values.push_back(BuildValue{U16("two"), 3, Pattern(30, 2)});
  root.subkeys.push_back(a);
  root.subkeys.push_back(BuildKey{U16("Beta"), {}, {}, {}});
  return root;
}

std::size_t SizeField(std::uint32_t at) { return kBaseBlockSize + at + cell::kSizeField; }
std::size_t Field(std::uint32_t at, std::size_t field) {
  return static_cast<std::size_t>(CHive::FieldOffset(at, field));
}

void Free(Image& image, std::uint32_t cell) {
  std::int32_t raw = ReadI32(Bytes(image.data(), image.size()), SizeField(cell));
  WriteU32(image, SizeField(cell), static_cast<std::uint32_t>(raw < 0 ? -raw : raw));
}

TEST(Remnants, DeletedRecordsAreFoundWhereTheyAre) {
  BuildLayout layout;
  const Image pristine = BuildHive(RemnantTree(), &layout);
  // layout.keys: ROOT, Alpha, Beta; layout.values: one, two.
  struct Row {
    const char* what;
    std::function<void(Image&, const BuildLayout&)> edit;
    RemnantCounts inFree;
    std::uint64_t keysAfter, valuesAfter;
  };
  const Row rows[] = {
      {"nothing deleted", [](Image&, const BuildLayout&) {}, {}, 0, 0},
      {"a value deleted",
       [](Image& h, const BuildLayout& l) {
         WriteU32(h, Field(l.keys[1], nk::kValueCount), 1);  // Alpha keeps one value
         Free(h, l.values[1]);
       },
       {0, 0, 1, cell::kDataStart + vk::kFixedSize + 3},
       0,
       0},
      {"a key deleted",
       [](Image& h, const BuildLayout& l) {
         WriteU32(h, Field(l.keys[0], nk::kSubkeyCount), 1);   // the root keeps one subkey
         WriteU32(h, Field(l.lists.back(), list::kCount), 1);  // and its list one entry
         Free(h, l.keys[2]);
       },
       {1, cell::kDataStart + nk::kFixedSize + 4, 0, 0},
       0,
       0},
      {"old bins left after the last bin",
       [](Image& h, const BuildLayout&) {
         Image copy(h.begin() + kBaseBlockSize, h.end());
         h.insert(h.end(), copy.begin(), copy.end());
       },
       {},
       3,
       2},
      {"zeros after the last bin",
       [](Image& h, const BuildLayout&) { h.resize(h.size() + 8192, 0); },
       {},
       0,
       0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Image image = pristine;
    rows[i].edit(image, layout);
    SealBaseBlock(image);
    CheckResult result = CheckHiveBytes(image, {});
    const RemnantCounts& free = result.statistics.remnantsInFreeCells;
    EXPECT_EQ(free.keys, rows[i].inFree.keys) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(free.keyBytes, rows[i].inFree.keyBytes) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(free.values, rows[i].inFree.values) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(free.valueBytes, rows[i].inFree.valueBytes)
        << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(result.statistics.remnantsAfterBins.keys, rows[i].keysAfter)
        << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(result.statistics.remnantsAfterBins.values, rows[i].valuesAfter)
        << "row " << i << " (" << rows[i].what << ")";
  }
}

TEST(Remnants, RecordsMergedIntoOneFreeCellAreEachCounted) {
  BuildLayout layout;
  const Image hive = BuildHive(RemnantTree(), &layout);
  // From Alpha's key record to the end of its second value: one free run.
  std::uint32_t from = layout.keys[1];
  std::uint32_t to = layout.values[1] + 32;
  Image area(hive.begin() + static_cast<std::ptrdiff_t>(SizeField(from)),
             hive.begin() + static_cast<std::ptrdiff_t>(SizeField(to)));
  WriteU32(area, 0, static_cast<std::uint32_t>(area.size()));  // one free cell over all of them
  RemnantCounts counts;
  CountRecordsIn(Bytes(area.data(), area.size()), counts);
  EXPECT_EQ(counts.keys, 1u);
  EXPECT_EQ(counts.values, 2u);
}

}  // namespace
