// The real hives of shared/hives: each gets its verdict, with the finding or
// the counts that make it so; the logs beside them bring the dirty ones up
// to date.

#include "hive/FileBytes.h"
#include "hive/HiveCheck.h"
#include "hive/LogFiles.h"
#include "hive/SpaceAccount.h"
#include "tests/hive/HiveTestSupport.h"
#include "cli/HiveTool.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace hive;
using namespace hivetest;

namespace {

struct VerdictRow {
  const char* file;
  std::vector<const char*> logs;  // unpacked beside it, found as the tool finds them
  Verdict verdict;
  const char* code;    // a finding that must be there ("" for none)
  std::uint64_t keys;  // 0: not checked
  std::uint64_t values;
  const char* refusal;  // part of the refusal text of an unreadable file
};

// Every file Windows wrote and loaded is sound, after its logs where it has
// them; a dirty one without logs is dirty; a damaged one has errors.
const VerdictRow kVerdicts[] = {
    {"hivex/minimal", {}, Verdict::Sound, "", 1, 0, ""},
    {"hivex/special", {}, Verdict::Sound, "", 4, 3, ""},
    {"hivex/rlenvalue_test_hive", {}, Verdict::Sound, "", 0, 6, ""},
    {"regipy/BCD", {}, Verdict::Sound, "largest-too-large", 132, 103, ""},
    {"regipy/SAM", {}, Verdict::Sound, "zero-padding-after-bins", 0, 0, ""},
    {"regipy/SECURITY", {}, Verdict::Dirty, "dirty", 0, 0, ""},
    {"regipy/NTUSER.DAT", {}, Verdict::Sound, "data-after-bins", 1812, 4094, ""},
    {"regipy/NTUSER_modified.DAT", {}, Verdict::Warnings, "unreferenced-cell", 1808, 4090, ""},
    {"regipy/amcache.hve", {}, Verdict::Dirty, "dirty", 2105, 17539, ""},
    {"regipy/transactions_NTUSER.DAT",
     {"regipy/transactions_ntuser.dat.log1", "regipy/transactions_ntuser.dat.log2"},
     Verdict::Sound,
     "log-stale",
     0,
     0,
     ""},
    {"regipy/UsrClass.dat",
     {"regipy/UsrClass.dat.LOG1", "regipy/UsrClass.dat.LOG2"},
     Verdict::Sound,
     "log-skipped-entries",
     6238,
     0,
     ""},
    {"regipy/corrupted_system_hive", {}, Verdict::Errors, "bad-bin-header", 0, 0, ""},
    {"regipy/SYSTEM_2", {}, Verdict::Dirty, "dirty", 20015, 0, ""},
    {"dfwinreg/dfwinreg-NTUSER.DAT",
     {"dfwinreg/dfwinreg-NTUSER.DAT.LOG"},
     Verdict::Sound,
     "log-not-needed",
     1597,
     0,
     ""},
    {"dfwinreg/dfwinreg-SAM", {}, Verdict::Sound, "", 0, 0, ""},
    {"dfwinreg/dfwinreg-SECURITY", {}, Verdict::Sound, "volatile-fields", 0, 0, ""},
    {"dfwinreg/dfwinreg-UsrClass.dat", {}, Verdict::Sound, "", 7505, 0, ""},
    {"regf-samples/3.1/SOFTWARE", {}, Verdict::Unreadable, "", 0, 0, "1.1"},
    {"regf-samples/3.1/SOFTWARE.LOG", {}, Verdict::Unreadable, "", 0, 0, "transaction log"},
    {"regipy/UsrClass.dat.LOG1", {}, Verdict::Unreadable, "", 0, 0, "transaction log"},
    {"regf-samples/8.1-unreconciled/after/SYSTEM.LOG",
     {},
     Verdict::Unreadable,
     "",
     0,
     0,
     "not a registry hive"},
};

class HiveSharedFiles : public ::testing::Test {
 protected:
  void SetUp() override { KELVARO_SKIP_WITHOUT_SAMPLES(); }
  CScratchFolder m_scratch;
};

TEST_F(HiveSharedFiles, EveryFileGetsItsVerdict) {
  for (std::size_t i = 0; i < std::size(kVerdicts); ++i) {
    const VerdictRow& row = kVerdicts[i];
    std::filesystem::path file = Unpack(m_scratch.Path(), row.file);
    ASSERT_FALSE(file.empty()) << "row " << i << ": cannot unpack " << row.file;
    for (const char* log : row.logs)
      ASSERT_FALSE(Unpack(m_scratch.Path(), log).empty())
          << "row " << i << ": cannot unpack " << log;
    std::vector<LogInput> logs;
    for (const std::filesystem::path& log : FindLogsBeside(file))
      logs.push_back(LogInput{log.filename().string(), ReadAll(log)});
    EXPECT_EQ(logs.size(), row.logs.size()) << "row " << i << ": " << row.file;
    CheckResult result = CheckHiveBytes(ReadAll(file), logs);
    EXPECT_EQ(VerdictName(result.verdict), std::string(VerdictName(row.verdict)))
        << "row " << i << ": " << row.file;
    if (*row.code) {
      EXPECT_TRUE(result.findings.Has(row.code))
          << "row " << i << ": " << row.file << " lacks " << row.code;
    }
    if (row.keys) {
      EXPECT_EQ(result.statistics.keys, row.keys) << "row " << i << ": " << row.file;
    }
    if (row.values) {
      EXPECT_EQ(result.statistics.values, row.values) << "row " << i << ": " << row.file;
    }
    if (*row.refusal) {
      EXPECT_NE(result.refusal.find(row.refusal), std::string::npos)
          << "row " << i << ": " << row.file << " refused with: " << result.refusal;
    }
    if (row.verdict != Verdict::Unreadable) {
      // Every byte of the bins lands in exactly one part of the space account.
      SpaceAccount account = AccountHiveBytes(ReadAll(file), logs, 4).account;
      const HiveStatistics& stats = result.statistics;
      EXPECT_EQ(account.Total(), account.binsSize) << "row " << i << ": " << row.file;
      EXPECT_EQ(account.Subtrees() + account.security + account.unreachable, stats.allocatedBytes)
          << "row " << i << ": " << row.file;
      EXPECT_EQ(account.free, stats.freeBytes) << "row " << i << ": " << row.file;
      EXPECT_EQ(account.nodes.empty() ? 0 : account.nodes.front().keys, stats.keys)
          << "row " << i << ": " << row.file;
      if (row.verdict != Verdict::Errors) {
        EXPECT_EQ(account.unreachable, stats.unreferencedBytes) << "row " << i << ": " << row.file;
        EXPECT_EQ(account.securityRecords, stats.securityDescriptors)
            << "row " << i << ": " << row.file;
      }
    }
    if (row.verdict == Verdict::Warnings || row.verdict == Verdict::Dirty) {
      EXPECT_EQ(result.findings.Count(Severity::Error), 0u) << "row " << i << ": " << row.file;
    }
    // The command line finds the same logs beside the file and says the same.
    std::ostringstream out, err;
    int exit = RunHiveTool({"check", file}, out, err);
    EXPECT_EQ(exit, ExitCode(row.verdict)) << "row " << i << ": " << row.file << "\n"
                                           << out.str() << err.str();
    if (row.verdict == Verdict::Dirty) {
      EXPECT_NE(out.str().find(
                    "the latest unflushed changes, kept only in its transaction logs, are missing"),
                std::string::npos)
          << "row " << i << ": " << out.str();
      EXPECT_NE(out.str().find(".LOG1 (not found)"), std::string::npos)
          << "row " << i << ": " << out.str();
    }
    if (row.verdict == Verdict::Sound) {
      for (const Finding& finding : result.findings.Kept())
        if (finding.severity != Severity::Note)
          ADD_FAILURE() << "row " << i << ": " << row.file << ": " << finding.message;
    }
  }
}

TEST_F(HiveSharedFiles, CorruptHiveFailsWhereItsBinsStop) {
  std::filesystem::path file = Unpack(m_scratch.Path(), "regipy/corrupted_system_hive");
  CheckResult result = CheckHiveBytes(ReadAll(file), {});
  const Finding* first = result.findings.First("bad-bin-header");
  ASSERT_NE(first, nullptr);
  // Hive bins offset 0x19000 is file offset 0x1a000.
  EXPECT_EQ(first->offset, 0x1a000u) << first->message;
  EXPECT_EQ(first->severity, Severity::Error);
  EXPECT_TRUE(result.findings.Has("bad-cell"));  // the cell of size 0
}

TEST_F(HiveSharedFiles, UnreachableKeyIsReportedWhereItLies) {
  std::filesystem::path file = Unpack(m_scratch.Path(), "regipy/NTUSER_modified.DAT");
  CheckResult result = CheckHiveBytes(ReadAll(file), {});
  const Finding* finding = result.findings.First("unreferenced-cell");
  ASSERT_NE(finding, nullptr);
  EXPECT_NE(finding->message.find("96 bytes, starts \"nk\""), std::string::npos)
      << finding->message;
  EXPECT_EQ(result.statistics.unreferencedCells, 1u);
}

struct ReplayRow {
  const char* hive;
  std::vector<const char*> logs;
  std::uint32_t firstSequence;
  std::uint32_t lastSequence;
};

TEST_F(HiveSharedFiles, LogsFoundBesideBringDirtyHivesUpToDate) {
  const ReplayRow rows[] = {
      {"regipy/transactions_NTUSER.DAT",
       {"regipy/transactions_ntuser.dat.log1", "regipy/transactions_ntuser.dat.log2"},
       566,
       588},
      {"regipy/UsrClass.dat", {"regipy/UsrClass.dat.LOG1", "regipy/UsrClass.dat.LOG2"}, 287, 300},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const ReplayRow& row = rows[i];
    std::filesystem::path hiveFile = Unpack(m_scratch.Path(), row.hive);
    for (const char* log : row.logs)
      ASSERT_FALSE(Unpack(m_scratch.Path(), log).empty()) << "row " << i;
    std::vector<std::filesystem::path> found = FindLogsBeside(hiveFile);
    ASSERT_EQ(found.size(), row.logs.size()) << "row " << i << ": " << row.hive;
    std::vector<LogInput> logs;
    for (const std::filesystem::path& log : found)
      logs.push_back(LogInput{log.filename().string(), ReadAll(log)});
    std::vector<std::uint8_t> original = ReadAll(hiveFile);
    CheckResult result = CheckHiveBytes(original, logs);
    for (const Finding& finding : result.findings.Kept())
      if (finding.severity == Severity::Error)
        ADD_FAILURE() << "row " << i << ": " << finding.message;
    EXPECT_EQ(result.verdict, Verdict::Sound) << "row " << i << ": " << row.hive;
    EXPECT_TRUE(result.base.SequencesAgree()) << "row " << i;
    EXPECT_TRUE(result.base.ChecksumOk()) << "row " << i;
    EXPECT_TRUE(result.replay.hiveWasDirty) << "row " << i;
    EXPECT_EQ(result.replay.firstSequence, row.firstSequence) << "row " << i;
    EXPECT_EQ(result.replay.lastSequence, row.lastSequence) << "row " << i;
    EXPECT_EQ(result.replay.entriesApplied, row.lastSequence - row.firstSequence + 1)
        << "row " << i;
    EXPECT_EQ(ReadAll(hiveFile), original) << "row " << i << ": the hive file itself changed";
  }
}

TEST_F(HiveSharedFiles, OlderLogBesideCleanHiveIsNotApplied) {
  std::filesystem::path hiveFile = Unpack(m_scratch.Path(), "dfwinreg/dfwinreg-NTUSER.DAT");
  std::filesystem::path log = Unpack(m_scratch.Path(), "dfwinreg/dfwinreg-NTUSER.DAT.LOG");
  CheckResult result = CheckHiveBytes(ReadAll(hiveFile), {LogInput{"LOG", ReadAll(log)}});
  EXPECT_EQ(result.replay.entriesApplied, 0u);
  EXPECT_TRUE(result.findings.Has("log-not-needed"));
  EXPECT_EQ(result.verdict, Verdict::Sound);
}

TEST_F(HiveSharedFiles, LogEntryHashesAreMarvin32) {
  // Every entry of a real log passes its two hashes: replay would stop at the first that did not.
  std::filesystem::path hiveFile = Unpack(m_scratch.Path(), "regipy/UsrClass.dat");
  std::filesystem::path log = Unpack(m_scratch.Path(), "regipy/UsrClass.dat.LOG2");
  std::vector<std::uint8_t> damaged = ReadAll(log);
  CheckResult intact = CheckHiveBytes(ReadAll(hiveFile), {LogInput{"LOG2", damaged}});
  EXPECT_FALSE(intact.findings.Has("log-entry-bad"));
  // One flipped byte inside the fourth entry's pages stops replay before it.
  std::size_t offset = 0x200;
  for (int entry = 0; entry < 3; ++entry)
    offset += ReadU32(Bytes(damaged.data(), damaged.size()), offset + 4);
  damaged[offset + 0x200] ^= 0x01;
  CheckResult stopped = CheckHiveBytes(ReadAll(hiveFile), {LogInput{"LOG2", damaged}});
  EXPECT_TRUE(stopped.findings.Has("log-entry-bad"));
}

}  // namespace
