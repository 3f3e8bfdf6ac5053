// Writes the fuzzers' seed corpus, fuzz/corpus/TARGET/, from the test
// builders, so the seeds are made rather than kept as opaque bytes:
//   make-fuzz-seeds FOLDER
// reader and compact: small generated hives (names beyond ASCII, a class
// name, every value size class up to big data, a fragmented layout).
// replay: a dirty primary and its logs, each part behind a 32-bit length as
// the replay target splits them: new-format entries in one log and across
// two, and an old-format log of dirty pages.

#include "hive/Bytes.h"
#include "hive/RecordLayout.h"
#include "tests/hive/HiveBuilder.h"
#include "tests/hive/HiveTestSupport.h"
#include "tests/hive/LogBuilder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

using namespace hivetest;
namespace fs = std::filesystem;

namespace {

BuildKey SmallTree(const std::string& tag, std::size_t keys) {
  BuildKey root{U16("ROOT"), {}, {}, {}};
  for (std::size_t i = 0; i < keys; ++i)
    root.subkeys.push_back(BuildKey{
        U16(tag + std::to_string(i)), {BuildValue{U16("v"), 3, Pattern(20 + i, 3)}}, {}, {}});
  return root;
}

BuildKey MixedTree(std::size_t largestValue) {
  BuildKey root{U16("ROOT"), {}, {}, U16("RootClass")};
  BuildKey values{U16("Values"), {}, {}, {}};
  for (std::size_t size :
       {std::size_t{0}, std::size_t{3}, std::size_t{4}, std::size_t{100}, largestValue})
    values.values.push_back(
        BuildValue{Numbered("v", size), 3, Pattern(size, static_cast<std::uint32_t>(size))});
  values.values.push_back(BuildValue{U16(""), 1, {'d', 0, 'e', 0, 'f', 0, 0, 0}});
  values.values.push_back(BuildValue{U16("dword"), 4, {1, 2, 3, 4}});
  root.subkeys.push_back(values);
  BuildKey names{U16("Names"), {}, {}, U16("ClassText")};
  names.subkeys.push_back(
      BuildKey{u"Gr\u00FC\u00DFe", {BuildValue{u"caf\u00E9", 4, {1, 2, 3, 4}}}, {}, {}});
  names.subkeys.push_back(BuildKey{u"\u041A\u043B\u044E\u0447", {}, {}, {}});
  names.subkeys.push_back(BuildKey{U16("Abd"), {}, {}, {}});
  root.subkeys.push_back(names);
  return root;
}

// The primary first, then each log, each part but the last behind its length.
Image Joined(const std::vector<Image>& parts) {
  Image joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i + 1 < parts.size()) {
      std::size_t at = joined.size();
      joined.resize(at + 4);
      hive::WriteU32(joined, at, static_cast<std::uint32_t>(parts[i].size()));
    }
    joined.insert(joined.end(), parts[i].begin(), parts[i].end());
  }
  return joined;
}

std::vector<std::size_t> ChangedPages(const Image& from, const Image& to) {
  std::vector<std::size_t> pages;
  for (std::size_t at = hive::kBaseBlockSize; at < to.size(); at += hive::oldlog::kPageSize)
    if (at + hive::oldlog::kPageSize > from.size() ||
        !std::equal(to.begin() + static_cast<std::ptrdiff_t>(at),
                    to.begin() + static_cast<std::ptrdiff_t>(at + hive::oldlog::kPageSize),
                    from.begin() + static_cast<std::ptrdiff_t>(at)))
      pages.push_back((at - hive::kBaseBlockSize) / hive::oldlog::kPageSize);
  return pages;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-fuzz-seeds FOLDER\n");
    return 2;
  }
  const fs::path folder = argv[1];
  auto put = [&](const char* target, const char* name, const Image& bytes) {
    fs::create_directories(folder / target);
    WriteAll(folder / target / name, bytes);
  };
  for (const char* target : {"reader", "compact"}) {
    put(target, "small.hiv", BuildHive(MixedTree(200)));
    put(target, "big-data.hiv", BuildHive(MixedTree(16345)));
    put(target, "fragmented.hiv", BuildHive(SmallTree("Key", 12), nullptr, 8));
  }

  const Image before = BuildHive(SmallTree("Old", 6));
  const Image middle = BuildHive(SmallTree("Mid", 8));
  const Image after = BuildHive(SmallTree("New", 10));
  Image oneLog = LogBaseBlock(before, 6, 7);
  AppendEntry(oneLog, middle, 7);
  AppendEntry(oneLog, after, 8);
  put("replay", "new-format.bin", Joined({Dirty(before, 7), oneLog}));
  Image firstLog = LogBaseBlock(before, 6, 7);
  AppendEntry(firstLog, middle, 7);
  Image secondLog = LogBaseBlock(before, 6, 8);
  AppendEntry(secondLog, after, 8);
  put("replay", "two-logs.bin", Joined({Dirty(before, 7), firstLog, secondLog}));
  const std::uint64_t stamp = 0x01D2000012345678ull;
  Image stamped = before;
  hive::WriteU64(stamped, hive::regf::kLastWritten, stamp);
  put("replay", "old-format.bin",
      Joined({Dirty(stamped, 4), OldLog(after, stamp, ChangedPages(before, after))}));
  return 0;
}
