// Every real hive of shared/hives that is clean, or that its logs bring up to
// date, compacts to a file our check calls sound, that libregf (regfinfo,
// regfexport) and hivex (hivexml) read, and whose content equals the input's
// under our reader and under both independent exports; compacting it again
// gives the same bytes. The others are refused or unreadable, and nothing is
// written for them.

#include "hive/ContentDiff.h"
#include "hive/HiveCheck.h"
#include "hive/HiveCompaction.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWriter.h"
#include "hive/LogFiles.h"
#include "tests/hive/ContentCollector.h"
#include "tests/hive/HiveTestSupport.h"
#include "tests/hive/ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace hive;
using namespace hivetest;

namespace {

// hivexml names the file offsets of every record; those differ by design.
std::string WithoutByteRuns(const std::string& xml) {
  std::string text;
  std::size_t at = 0;
  for (std::size_t open; (open = xml.find("<byte_runs>", at)) != std::string::npos;) {
    std::size_t close = xml.find("</byte_runs>", open);
    if (close == std::string::npos) break;
    text.append(xml, at, open - at);
    at = close + 12;
  }
  text.append(xml, at);
  return text;
}

std::vector<std::string> OurLines(const std::vector<std::uint8_t>& bytes,
                                  const std::vector<LogInput>& logs) {
  CContentCollector collector;
  CheckHiveBytes(bytes, logs, &collector);
  return collector.lines;
}

struct SampleRow {
  const char* file;
  std::vector<const char*> logs;  // unpacked beside the hive
  CompactStatus status;
  bool replayed;
};

const SampleRow kSamples[] = {
    {"hivex/minimal", {}, CompactStatus::Written, false},
    {"hivex/special", {}, CompactStatus::Written, false},
    {"hivex/rlenvalue_test_hive", {}, CompactStatus::Written, false},
    {"regipy/BCD", {}, CompactStatus::Written, false},
    {"regipy/SAM", {}, CompactStatus::Written, false},
    {"regipy/NTUSER.DAT", {}, CompactStatus::Written, false},
    {"regipy/NTUSER_modified.DAT", {}, CompactStatus::Written, false},
    {"dfwinreg/dfwinreg-NTUSER.DAT",
     {"dfwinreg/dfwinreg-NTUSER.DAT.LOG"},
     CompactStatus::Written,
     false},
    {"dfwinreg/dfwinreg-SAM", {}, CompactStatus::Written, false},
    {"dfwinreg/dfwinreg-SECURITY", {}, CompactStatus::Written, false},
    {"dfwinreg/dfwinreg-UsrClass.dat", {}, CompactStatus::Written, false},
    {"regipy/UsrClass.dat",
     {"regipy/UsrClass.dat.LOG1", "regipy/UsrClass.dat.LOG2"},
     CompactStatus::Written,
     true},
    {"regipy/transactions_NTUSER.DAT",
     {"regipy/transactions_ntuser.dat.log1", "regipy/transactions_ntuser.dat.log2"},
     CompactStatus::Written,
     true},
    {"regipy/SECURITY", {}, CompactStatus::Refused, false},
    {"regipy/amcache.hve", {}, CompactStatus::Refused, false},
    {"regipy/SYSTEM_2", {}, CompactStatus::Refused, false},
    {"regipy/corrupted_system_hive", {}, CompactStatus::Refused, false},
    {"regf-samples/3.1/SOFTWARE", {}, CompactStatus::Unreadable, false},
};

class HiveCompactSamples : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SharedHivesFolder().empty()) GTEST_SKIP() << "shared/hives is not visible from here";
    if (RunProgram("command -v hivexml && command -v regfexport && command -v regfinfo").exit != 0)
      GTEST_SKIP() << "hivexml, regfexport or regfinfo is missing";
  }
  CScratchFolder m_scratch;
};

TEST_F(HiveCompactSamples, CompactToSoundFilesWithTheSameContent) {
  std::size_t written = 0;
  for (std::size_t i = 0; i < std::size(kSamples); ++i) {
    const SampleRow& row = kSamples[i];
    std::filesystem::path input = Unpack(m_scratch.Path(), row.file);
    ASSERT_FALSE(input.empty()) << "row " << i << " (" << row.file << ")";
    std::vector<LogInput> logs;
    for (const char* log : row.logs) {
      std::filesystem::path logFile = Unpack(m_scratch.Path(), log);
      logs.push_back(LogInput{logFile.string(), ReadAll(logFile)});
    }
    for (HiveFormat format : {HiveFormat::Keep, HiveFormat::Latest}) {
      std::string what = std::string("row ") + std::to_string(i) + " (" + row.file +
                         (format == HiveFormat::Latest ? ", latest)" : ")");
      std::filesystem::path output = m_scratch.Path() / (std::to_string(i) + ".compact");
      CDiskFiles files;
      CompactRequest request{input, output, {}, WriteOptions{format}, false, {}};
      CompactOutcome outcome = CompactHiveFile(request, files);
      EXPECT_EQ(outcome.status, row.status) << what << ": " << outcome.message;
      if (outcome.status != CompactStatus::Written) {
        EXPECT_FALSE(std::filesystem::exists(output)) << what;
        EXPECT_FALSE(outcome.message.empty()) << what;
        continue;
      }
      ++written;
      std::vector<std::uint8_t> before = ReadAll(input);
      std::vector<std::uint8_t> after = ReadAll(output);
      // Strictly clean: not even a note of what Windows itself would leave.
      CheckResult strict = CheckHiveBytes(after, {});
      EXPECT_EQ(strict.verdict, Verdict::Sound) << what;
      for (const Finding& finding : strict.findings.Kept())
        ADD_FAILURE() << what << ": " << finding.code << ": " << finding.message;
      EXPECT_LE(after.size(), before.size()) << what;
      if (format == HiveFormat::Keep) {
        EXPECT_EQ(CheckHiveBytes(before, logs).statistics.compactedSize, after.size())
            << what << ": the check's compacted size is not what compact wrote";
      }
      EXPECT_EQ(WriteHive(ReadHiveTree(before, logs).tree, WriteOptions{format}), after)
          << what << ": the tree writer writes other bytes for the same content";
      std::vector<std::string> ours = OurLines(after, {});
      EXPECT_EQ(ours, OurLines(before, logs)) << what;
      ContentDiffResult diff = DiffHiveContent(before, logs, after, {});
      EXPECT_TRUE(diff.readable && diff.total == 0)
          << what << ": " << diff.error
          << (diff.differences.empty()
                  ? ""
                  : diff.differences[0].path + ": " + diff.differences[0].what);

      std::string in = input.string(), out = output.string();
      EXPECT_EQ(RunProgram("regfinfo '" + out + "'").exit, 0) << what;
      ProgramRun xmlAfter = RunProgram("hivexml '" + out + "'");
      ProgramRun exportAfter = RunProgram("regfexport '" + out + "'");
      EXPECT_EQ(xmlAfter.exit, 0) << what;
      EXPECT_EQ(exportAfter.exit, 0) << what;
      if (!row.replayed) {
        // Neither independent reader replays logs: only clean inputs compare directly.
        EXPECT_EQ(WithoutByteRuns(xmlAfter.out),
                  WithoutByteRuns(RunProgram("hivexml '" + in + "'").out))
            << what;
        EXPECT_EQ(exportAfter.out, RunProgram("regfexport '" + in + "'").out) << what;
      }

      std::filesystem::path again = m_scratch.Path() / (std::to_string(i) + ".again");
      ASSERT_EQ(
          CompactHiveFile(CompactRequest{output, again, {}, WriteOptions{format}, false, {}}, files)
              .status,
          CompactStatus::Written)
          << what;
      EXPECT_EQ(ReadAll(again), after) << what << ": compacting a compacted hive changed it";
      std::filesystem::remove(again);
      std::filesystem::remove(output);
    }
  }
  EXPECT_EQ(written, 26u);
}

}  // namespace
