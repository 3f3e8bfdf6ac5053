// Compacting a file: the new file replaces the destination only once it is
// whole, checked and equal in content to the input; every failure on the way
// leaves no new file and no temporary file behind.

#include "hive/ContentDiff.h"
#include "hive/HiveCheck.h"
#include "hive/HiveCompaction.h"
#include "hive/Hive.h"
#include "hive/Records.h"
#include "tests/hive/ContentCollector.h"
#include "tests/hive/HiveTestSupport.h"
#include "cli/CompactCommand.h"
#include "cli/HiveTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <sstream>

using namespace hive;
using namespace hivetest;

namespace {

// The disk, with one chosen operation failing or the input growing.
class CFaultyFiles : public CDiskFiles {
 public:
  bool failCreate = false;
  std::uintmax_t freeSpace = UINTMAX_MAX;  // bytes the disk still takes
  bool failFinish = false;
  bool failRename = false;
  bool growInput = false;
  bool exhaustMemoryOnReadBack = false;  // as a 32-bit build holding a large hive would
  std::uintmax_t largestHeld = 0;        // as a 32-bit build's limit; 0: this build's own

  std::uintmax_t LargestHeld() override {
    return largestHeld != 0 ? largestHeld : CDiskFiles::LargestHeld();
  }
  std::optional<std::uintmax_t> Size(const std::filesystem::path& file) override {
    std::optional<std::uintmax_t> size = CDiskFiles::Size(file);
    if (growInput && size && ++m_sizeCalls > 2) *size += 4096;  // after the command's first look
    return size;
  }
  bool Create(const std::filesystem::path& file, std::string& error) override {
    if (failCreate) {
      error = file.parent_path().string() + ": permission denied";
      return false;
    }
    return CDiskFiles::Create(file, error);
  }
  bool Append(Bytes bytes, std::string& error) override {
    if (bytes.size() > freeSpace) {
      CDiskFiles::Append(bytes.first(static_cast<std::size_t>(freeSpace)), error);
      freeSpace = 0;
      error = "no space left on device";
      return false;
    }
    freeSpace -= bytes.size();
    return CDiskFiles::Append(bytes, error);
  }
  bool Finish(std::string& error) override {
    if (failFinish) {
      CDiskFiles::Finish(error);
      error = "no space left on device";
      return false;
    }
    return CDiskFiles::Finish(error);
  }
  bool ReadBack(const std::filesystem::path& file, CFileView& view, std::string& error) override {
    if (exhaustMemoryOnReadBack) throw std::bad_alloc();
    return CDiskFiles::ReadBack(file, view, error);
  }
  bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
              std::string& error) override {
    if (failRename) {
      error = "rename refused";
      return false;
    }
    return CDiskFiles::Rename(from, to, error);
  }

 private:
  std::size_t m_sizeCalls = 0;
};

ToolRun Compact(const std::vector<std::filesystem::path>& arguments, IOutputFiles& files) {
  std::ostringstream out, err;
  int exit = RunCompactCommand(arguments, out, err, false, files);
  return ToolRun{exit, out.str(), err.str()};
}

std::vector<std::string> Lines(const std::vector<std::uint8_t>& bytes) {
  CContentCollector collector;
  CheckHiveBytes(bytes, {}, &collector);
  return collector.lines;
}

// Deletes the values of every other key under Many\GroupN in place, as an
// editing program would: their cells become free, the keys keep their
// (now too large) largest-length fields.
void DeleteValuesInPlace(std::vector<std::uint8_t>& hive, const BuildLayout& layout) {
  // The record in the cell at `offset`, and that cell's size field.
  auto record = [&](std::uint32_t offset) {
    return std::span<std::uint8_t>(hive).subspan(kBaseBlockSize + offset + cell::kDataStart);
  };
  auto release = [&](std::uint32_t offset) {
    std::span<std::uint8_t> field =
        std::span<std::uint8_t>(hive).subspan(kBaseBlockSize + offset + cell::kSizeField);
    std::int32_t size = ReadI32(field, 0);
    if (size < 0) WriteU32(field, 0, static_cast<std::uint32_t>(-size));
  };
  for (std::size_t k = 1; k < layout.keys.size(); k += 2) {
    std::span<std::uint8_t> key = record(layout.keys[k]);
    std::uint32_t count = ReadU32(key, nk::kValueCount);
    std::uint32_t list = ReadU32(key, nk::kValueList);
    if (count == 0) continue;
    for (std::uint32_t v = 0; v < count; ++v) {
      std::uint32_t value = ReadU32(record(list), valuelist::kElementSize * v);
      std::uint32_t size = ReadU32(record(value), vk::kDataSize);
      if ((size & kInlineDataBit) == 0 && size != 0 && size <= db::kSegmentSize)
        release(ReadU32(record(value), vk::kData));
      if ((size & kInlineDataBit) == 0 && size > db::kSegmentSize)
        return;  // none in the trees used here
      release(value);
    }
    release(list);
    WriteU32(key, nk::kValueCount, 0);
    WriteU32(key, nk::kValueList, kNoCell);
  }
}

class HiveCompaction : public ::testing::Test {
 protected:
  void SetUp() override {
    m_tree = AwkwardTree(2000);
    m_bytes = BuildHive(m_tree, &m_layout);
    m_input = m_scratch.Path() / "input.hiv";
    WriteAll(m_input, m_bytes);
    m_output = m_scratch.Path() / "out" / "compact.hiv";
    std::filesystem::create_directories(m_output.parent_path());
  }

  // Nothing but the files a test put there.
  std::vector<std::string> OutputFolder() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_output.parent_path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  CScratchFolder m_scratch;
  BuildKey m_tree;
  BuildLayout m_layout;
  std::vector<std::uint8_t> m_bytes;
  std::filesystem::path m_input, m_output;
};

TEST_F(HiveCompaction, FaultsLeaveNoFileBehind) {
  struct Row {
    const char* what;
    std::function<void(CFaultyFiles&)> arrange;
    const char* message;
  };
  CDiskFiles disk;
  ASSERT_EQ(Compact({m_input, m_output}, disk).exit, 0);
  std::uintmax_t size = std::filesystem::file_size(m_output);
  std::filesystem::remove(m_output);

  std::vector<Row> rows = {
      {"folder refuses new files", [](CFaultyFiles& f) { f.failCreate = true; },
       "permission denied"},
      {"disk full when flushing", [](CFaultyFiles& f) { f.failFinish = true; }, "no space left"},
      {"rename refused", [](CFaultyFiles& f) { f.failRename = true; }, "rename refused"},
      {"input grows while read", [](CFaultyFiles& f) { f.growInput = true; },
       "changed size while it was read"},
      {"memory runs out reading the output back",
       [](CFaultyFiles& f) { f.exhaustMemoryOnReadBack = true; }, "not enough memory"},
      {"the input is more than a 32-bit build holds", [](CFaultyFiles& f) { f.largestHeld = 4096; },
       "more than this 32-bit program can hold"},
  };
  for (std::uintmax_t room :
       {std::uintmax_t{0}, std::uintmax_t{1}, std::uintmax_t{4096}, size / 2, size - 1})
    rows.push_back({"disk full during the write", [room](CFaultyFiles& f) { f.freeSpace = room; },
                    "no space left"});

  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (bool destinationExists : {false, true}) {
      if (destinationExists) WriteAll(m_output, {'o', 'l', 'd'});
      CFaultyFiles files;
      rows[i].arrange(files);
      ToolRun run = Compact({m_input, m_output}, files);
      EXPECT_EQ(run.exit, 2) << "row " << i << " (" << rows[i].what << ")";
      EXPECT_NE(run.err.find(rows[i].message), std::string::npos) << "row " << i << ": " << run.err;
      EXPECT_NE(run.err.find("nothing written"), std::string::npos)
          << "row " << i << ": " << run.err;
      EXPECT_EQ(OutputFolder(), destinationExists ? std::vector<std::string>{"compact.hiv"}
                                                  : std::vector<std::string>{})
          << "row " << i << " (" << rows[i].what << ")";
      if (destinationExists) {
        EXPECT_EQ(ReadAll(m_output), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << "row " << i;
        std::filesystem::remove(m_output);
      }
      EXPECT_EQ(ReadAll(m_input), m_bytes) << "row " << i << ": the input changed";
    }
  }
}

TEST_F(HiveCompaction, CommandLineRefusesAndExplains) {
  std::vector<std::uint8_t> dirty = m_bytes;
  WriteU32(dirty, regf::kPrimarySequence, ReadU32(dirty, regf::kPrimarySequence) + 1);
  SealBaseBlock(dirty);
  std::filesystem::path dirtyFile = m_scratch.Path() / "dirty.hiv";
  WriteAll(dirtyFile, dirty);
  std::vector<std::uint8_t> damaged = m_bytes;
  WriteU32(damaged, CHive::FieldOffset(m_layout.keys[1], nk::kParent), 0x12345678);
  std::filesystem::path damagedFile = m_scratch.Path() / "damaged.hiv";
  WriteAll(damagedFile, damaged);
  std::vector<std::uint8_t> noDescriptor = m_bytes;
  WriteU32(noDescriptor, CHive::FieldOffset(m_layout.security, sk::kDescriptorSize), 0);
  std::filesystem::path noDescriptorFile = m_scratch.Path() / "no-descriptor.hiv";
  WriteAll(noDescriptorFile, noDescriptor);
  std::vector<std::uint8_t> unmarkedRoot = m_bytes;
  unmarkedRoot[CHive::FieldOffset(m_layout.keys[0], nk::kFlags)] &= ~kKeyHiveEntry;
  std::filesystem::path unmarkedRootFile = m_scratch.Path() / "unmarked-root.hiv";
  WriteAll(unmarkedRootFile, unmarkedRoot);
  std::filesystem::path noise = m_scratch.Path() / "noise.bin";
  WriteAll(noise, std::vector<std::uint8_t>(5000, 'x'));
  std::filesystem::path link = m_scratch.Path() / "link.hiv";
  std::filesystem::create_hard_link(m_input, link);

  const CommandLineRow rows[] = {
      {{}, 3, "", "compact needs IN and OUT"},
      {{m_input}, 3, "", "compact needs OUT"},
      {{m_input, m_output, "third"}, 3, "", "more than two files"},
      {{m_input, m_output, "--format", "newest"}, 3, "", "--format takes keep or latest"},
      {{m_input, m_output, "--format"}, 3, "", "--format needs keep or latest"},
      {{m_input, m_output, "--log"}, 3, "", "--log needs a file"},
      {{m_input, m_output, "--bogus"}, 3, "", "unknown option --bogus"},
      {{m_input, m_input}, 2, "", "is the input file"},
      {{m_input, link}, 2, "", "is the input file"},
      {{dirtyFile, m_output}, 2, "", "dirty and no transaction log was found"},
      {{damagedFile, m_output}, 2, "", "has errors"},
      {{noise, m_output}, 3, "", "not a registry hive"},
      {{noDescriptorFile, m_output}, 2, "", "has an empty security descriptor"},
      {{unmarkedRootFile, m_output}, 0, "Saved:", "the output marks it"},
      {{m_scratch.Path() / "missing.hiv", m_output}, 3, "", "missing.hiv"},
      {{m_input, m_scratch.Path() / "no-such-folder" / "x.hiv"}, 2, "", "nothing written"},
      {{m_input, m_output}, 0, "Saved:", ""},
      {{m_input, m_output, "--json"}, 0, "\"status\":\"written\"", ""},
      {{dirtyFile, m_output, "--json"}, 2, "\"status\":\"refused\"", "dirty"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CDiskFiles files;
    ToolRun run = Compact(rows[i].arguments, files);
    EXPECT_EQ(run.exit, rows[i].exit) << "row " << i << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find(rows[i].outPart), std::string::npos) << "row " << i << ": " << run.out;
    EXPECT_NE(run.err.find(rows[i].errPart), std::string::npos) << "row " << i << ": " << run.err;
    if (rows[i].exit != 0) {
      EXPECT_FALSE(std::filesystem::exists(m_output)) << "row " << i;
    }
    std::filesystem::remove(m_output);
  }
  EXPECT_EQ(ReadAll(m_input), m_bytes);
}

TEST_F(HiveCompaction, FragmentedHiveGetsItsSpaceBack) {
  std::vector<std::uint8_t> fragmented = m_bytes;
  DeleteValuesInPlace(fragmented, m_layout);
  WriteAll(m_input, fragmented);
  CheckResult before = CheckHiveBytes(fragmented, {});
  ASSERT_EQ(before.verdict, Verdict::Sound);
  ASSERT_TRUE(before.findings.Has("largest-too-large"))
      << "the deletions leave stale largest-length fields";
  ASSERT_GT(before.statistics.freeBytes, 100000u);

  CDiskFiles files;
  CompactRequest request{m_input, m_output, {}, {}, false, {}};
  CompactOutcome outcome = CompactHiveFile(request, files);
  ASSERT_EQ(outcome.status, CompactStatus::Written) << outcome.message;
  std::vector<std::uint8_t> after = ReadAll(m_output);
  EXPECT_EQ(after.size(), outcome.sizeAfter);
  EXPECT_LT(after.size() + before.statistics.freeBytes / 2, fragmented.size());
  CheckResult check = CheckHiveBytes(after, {});
  EXPECT_EQ(check.verdict, Verdict::Sound);
  EXPECT_FALSE(check.findings.Has("largest-too-large"))
      << "the largest-length fields are recomputed";
  EXPECT_EQ(Lines(after), Lines(fragmented));

  // The info command reports exactly that size, before anything is written.
  std::ostringstream out, err;
  RunHiveTool({"info", m_input, "--json"}, out, err);
  EXPECT_NE(out.str().find("\"compactedSize\":" + std::to_string(after.size())), std::string::npos)
      << out.str();

  ContentDiffResult diff = DiffHiveContent(fragmented, after);
  EXPECT_TRUE(diff.readable && diff.total == 0) << diff.total << " differences";

  // The command line reaches the same result.
  std::filesystem::path byCommand = m_scratch.Path() / "command.hiv";
  std::ostringstream commandOut, commandErr;
  EXPECT_EQ(RunHiveTool({"compact", m_input, byCommand}, commandOut, commandErr), 0)
      << commandErr.str();
  EXPECT_EQ(ReadAll(byCommand), after);

  // An existing destination is replaced whole.
  WriteAll(byCommand, {'o', 'l', 'd'});
  EXPECT_EQ(RunHiveTool({"compact", m_input, byCommand}, commandOut, commandErr), 0)
      << commandErr.str();
  EXPECT_EQ(ReadAll(byCommand), after);

  // Compacting the result again writes the same bytes.
  std::filesystem::path again = m_scratch.Path() / "again.hiv";
  ASSERT_EQ(CompactHiveFile(CompactRequest{m_output, again, {}, {}, false, {}}, files).status,
            CompactStatus::Written);
  EXPECT_EQ(ReadAll(again), after);
}

}  // namespace
