// Log replay on hand-made logs: new-format entries are applied in sequence
// order across logs and stop at a gap or a damaged entry; an old-format log
// writes its dirty pages when its timestamp matches the hive's.

#include "hive/HiveCheck.h"
#include "hive/Marvin32.h"
#include "tests/hive/ContentCollector.h"
#include "tests/hive/HiveTestSupport.h"
#include "tests/hive/LogBuilder.h"
#include "cli/CompactCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>

using namespace hive;
using namespace hivetest;

namespace {

BuildKey Tree(const std::string& tag, std::size_t keys) {
  BuildKey root{U16("ROOT"), {}, {}, {}};
  for (std::size_t i = 0; i < keys; ++i)
    root.subkeys.push_back(BuildKey{
        U16(tag + std::to_string(i)), {BuildValue{U16("v"), 3, Pattern(100 + i, 3)}}, {}, {}});
  return root;
}

std::vector<std::string> Content(const Image& image, const std::vector<LogInput>& logs,
                                 CheckResult* out = nullptr) {
  CContentCollector collector;
  CheckResult result = CheckHiveBytes(image, logs, &collector);
  std::sort(collector.lines.begin(), collector.lines.end());
  if (out) *out = std::move(result);
  return collector.lines;
}

TEST(HiveLogReplay, Marvin32MatchesTheReferenceVectors) {
  // Published test vectors of Marvin32 (seed 0x004FB61A001BDBCC).
  struct Row {
    std::vector<std::uint8_t> data;
    std::uint64_t hash;
  };
  const Row rows[] = {
      {{0xAF}, 0x48E73FC77D75DDC1ull},
      {{0xE7, 0x0F}, 0xB5F6E1FC485DBFF8ull},
      {{0x37, 0xF4, 0x95}, 0xF0B07C789B8CF7E8ull},
      {{0x86, 0x42, 0xDC, 0x59}, 0x7008F2E87E9CF556ull},
      {{0x15, 0x3F, 0xB7, 0x98, 0x26}, 0xE6C08C6DA2AFA997ull},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(Marvin32(Bytes(rows[i].data.data(), rows[i].data.size()), 0x004FB61A001BDBCCull),
              rows[i].hash)
        << "row " << i;
}

TEST(HiveLogReplay, NewFormatEntriesBringTheHiveToTheLatest) {
  Image before = BuildHive(Tree("Old", 50));
  Image middle = BuildHive(Tree("Mid", 80));
  Image after = BuildHive(Tree("New", 120));
  Image primary = Dirty(before, 7);
  Image log1 = LogBaseBlock(before, 6, 7);
  AppendEntry(log1, middle, 6);  // already applied: older than the hive
  AppendEntry(log1, middle, 7);
  Image log2 = LogBaseBlock(before, 6, 8);
  AppendEntry(log2, after, 8);
  CheckResult result;
  std::vector<std::string> content = Content(primary, {{"LOG1", log1}, {"LOG2", log2}}, &result);
  EXPECT_EQ(content, Content(after, {}));
  EXPECT_EQ(result.replay.entriesApplied, 2u);
  EXPECT_EQ(result.replay.firstSequence, 7u);
  EXPECT_EQ(result.replay.lastSequence, 8u);
  EXPECT_TRUE(result.base.SequencesAgree());
  EXPECT_EQ(result.verdict, Verdict::Sound);
}

TEST(HiveLogReplay, ReplayStopsAtAGapOrADamagedEntry) {
  Image before = BuildHive(Tree("Old", 50));
  Image middle = BuildHive(Tree("Mid", 60));
  Image after = BuildHive(Tree("New", 70));
  struct Row {
    const char* what;
    std::uint32_t secondSequence;
    std::size_t damageAt;  // offset from the second entry's start, 0: none
    const char* code;
  };
  const Row rows[] = {
      {"gap in sequence numbers", 9, 0, "log-stop"},
      {"damaged page", 8, hvle::kHeaderSize + hvle::kPageReferenceSize * 4 + 100, "log-entry-bad"},
      {"damaged header", 8, hvle::kSequence, "log-entry-bad"},
  };
  CScratchFolder scratch;
  const std::filesystem::path input = scratch.Path() / "dirty.hiv";
  const std::filesystem::path output = scratch.Path() / "out.hiv";
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    Image log = LogBaseBlock(before, 6, 7);
    AppendEntry(log, middle, 7);
    std::size_t second = log.size();
    AppendEntry(log, after, rows[i].secondSequence);
    if (rows[i].damageAt) log[second + rows[i].damageAt] ^= 0x40;
    CheckResult result;
    EXPECT_EQ(Content(Dirty(before, 7), {{"LOG", log}}, &result), Content(middle, {}))
        << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(result.replay.entriesApplied, 1u) << "row " << i;
    EXPECT_TRUE(result.replay.partial) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_TRUE(result.findings.Has(rows[i].code)) << "row " << i << " (" << rows[i].what << ")";

    // Compaction refuses a replay that stopped early unless told to accept it.
    WriteAll(input, Dirty(before, 7));
    WriteAll(scratch.Path() / "dirty.hiv.LOG1", log);
    for (bool accept : {false, true}) {
      std::vector<std::filesystem::path> arguments{input, output, "--json"};
      if (accept) arguments.push_back("--accept-partial-replay");
      std::ostringstream out, err;
      CDiskFiles files;
      int exit = RunCompactCommand(arguments, out, err, false, files);
      EXPECT_EQ(exit, accept ? 0 : 2) << "row " << i << ", accept " << accept << ": " << err.str();
      EXPECT_NE(err.str().find("stopped after entry 7"), std::string::npos)
          << "row " << i << ", accept " << accept << ": " << err.str();
      EXPECT_EQ(out.str().find("\"partialReplay\":true") != std::string::npos, accept)
          << "row " << i << ": " << out.str();
      if (accept) {
        EXPECT_EQ(Content(ReadAll(output), {}), Content(middle, {})) << "row " << i;
        std::filesystem::remove(output);
      } else {
        EXPECT_FALSE(std::filesystem::exists(output)) << "row " << i;
      }
    }
  }
}

TEST(HiveLogReplay, EntryClaimingGrowthItDoesNotCarryIsRefused) {
  // 2 GiB of hive bins data from a few pages: refused, not allocated.
  Image before = BuildHive(Tree("Old", 10));
  Image log = LogBaseBlock(before, 6, 7);
  AppendEntry(log, before, 7, 0x80000000u);
  CheckResult result;
  Content(Dirty(before, 7), {{"LOG", log}}, &result);
  EXPECT_EQ(result.replay.entriesApplied, 0u);
  EXPECT_TRUE(result.findings.Has("log-entry-bad"));
  EXPECT_EQ(result.verdict, Verdict::Dirty);
}

TEST(HiveLogReplay, DirtyHiveWithoutUsableEntriesStaysDirty) {
  Image before = BuildHive(Tree("Old", 10));
  Image log = LogBaseBlock(before, 6, 3);
  AppendEntry(log, before, 3);  // older than the hive's sequence number 7
  CheckResult result;
  Content(Dirty(before, 7), {{"LOG", log}}, &result);
  EXPECT_EQ(result.verdict, Verdict::Dirty);
  EXPECT_TRUE(result.findings.Has("log-nothing-to-apply"));
}

// Each log is judged by its own base block against the hive: where its chain
// starts, whether it was started from the state the hive file holds.
TEST(HiveLogReplay, LogChainsAreJudgedAgainstTheHive) {
  const Image states[] = {BuildHive(Tree("S0", 10)), BuildHive(Tree("S1", 20)),
                          BuildHive(Tree("S2", 30)), BuildHive(Tree("S3", 40))};
  const Image primary = Dirty(states[0], 7);  // expects entry 7 next
  struct LogSpec {
    std::uint32_t baseSequence;
    bool fromThisFile;  // base block copied from the primary (same timestamp and size)
    std::vector<std::uint32_t> entries;  // entry k carries states[k - 6] (older ones state 0)
  };
  struct Row {
    const char* what;
    std::vector<LogSpec> logs;
    std::size_t finalState;  // whose content the hive ends with; 0 and dirty: nothing applied
    Verdict verdict;
    const char* code;
  };
  const Row rows[] = {
      {"chain starts at the hive's sequence", {{7, true, {7, 8}}}, 2, Verdict::Sound, ""},
      {"chain starts before it", {{5, true, {5, 6, 7, 8}}}, 2, Verdict::Sound, ""},
      {"chain starts after it, log started from this file",
       {{8, true, {8, 9}}},
       3,
       Verdict::Sound,
       "log-skipped-entries"},
      {"chain starts after it, log from another state",
       {{8, false, {8, 9}}},
       0,
       Verdict::Dirty,
       "log-gap"},
      {"two logs overlapping", {{7, true, {7, 8}}, {8, true, {8, 9}}}, 3, Verdict::Sound, ""},
      {"stale log beside a current one",
       {{3, true, {3, 4}}, {7, true, {7}}},
       1,
       Verdict::Sound,
       "log-stale"},
      {"stale log alone", {{3, true, {3, 4}}}, 0, Verdict::Dirty, "log-nothing-to-apply"},
      {"valid hashes, broken chain", {{7, true, {7, 9}}}, 1, Verdict::Sound, "log-stop"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::vector<LogInput> logs;
    for (const LogSpec& spec : rows[i].logs) {
      Image base = primary;
      if (!spec.fromThisFile) WriteU32(base, regf::kLastWritten, 0x01D20000u);
      Image log = LogBaseBlock(base, 6, spec.baseSequence);
      for (std::uint32_t sequence : spec.entries)
        AppendEntry(log, states[sequence >= 7 ? std::min<std::uint32_t>(sequence - 6, 3) : 0],
                    sequence);
      logs.push_back(LogInput{"LOG" + std::to_string(logs.size() + 1), log});
    }
    CheckResult result;
    std::vector<std::string> content = Content(primary, logs, &result);
    EXPECT_EQ(content, Content(states[rows[i].finalState], {}))
        << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(VerdictName(result.verdict), std::string(VerdictName(rows[i].verdict)))
        << "row " << i << " (" << rows[i].what << ")";
    if (*rows[i].code) {
      EXPECT_TRUE(result.findings.Has(rows[i].code)) << "row " << i << " (" << rows[i].what << ")";
    }
  }
}

TEST(HiveLogReplay, OldFormatLogIsAppliedOnlyToTheWriteItBelongsTo) {
  Image before = BuildHive(Tree("Old", 40));
  Image after = BuildHive(Tree("New", 40));
  std::uint64_t stamp = 0x01D2000012345678ull;
  WriteU64(before, regf::kLastWritten, stamp);
  Image primary = Dirty(before, 4);
  std::vector<std::size_t> all;
  for (std::size_t page = 0; page < (after.size() - kBaseBlockSize) / oldlog::kPageSize; ++page) {
    auto at = static_cast<std::ptrdiff_t>(kBaseBlockSize + oldlog::kPageSize * page);
    if (!std::equal(after.begin() + at, after.begin() + at + oldlog::kPageSize,
                    primary.begin() + at))
      all.push_back(page);
  }
  ASSERT_FALSE(all.empty());

  // A damaged base block: only a log whose own base block is sound and that
  // is no older than the first bin can stand in for it.
  auto damagedBase = [&](std::uint64_t binStamp) {
    Image image = primary;
    WriteU32(image, regf::kMinorVersion, 1);
    WriteU64(image, kBaseBlockSize + hbin::kTimestamp, binStamp);
    return image;
  };
  Image unsoundLog = OldLog(after, stamp, all);
  unsoundLog[regf::kChecksum] ^= 1;
  struct Row {
    const char* what;
    Image hive;
    Image log;
    bool recovered;
    const char* code;     // a finding expected, or ""
    const char* refusal;  // when unreadable
  };
  const Row rows[] = {
      {"timestamps match", primary, OldLog(after, stamp, all), true, "", ""},
      {"timestamps differ", primary, OldLog(after, stamp + 1, all), false, "log-not-applicable",
       ""},
      {"damaged base block, log newer than the first bin", damagedBase(stamp - 1),
       OldLog(after, stamp, all), true, "", ""},
      {"damaged base block, log older than the first bin", damagedBase(stamp + 1),
       OldLog(after, stamp, all), false, "log-not-applicable", "the base block is damaged"},
      {"damaged base block, log's own base block unsound", damagedBase(0), unsoundLog, false,
       "log-bad", "the base block is damaged"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CheckResult result;
    std::vector<std::string> content = Content(rows[i].hive, {{"LOG", rows[i].log}}, &result);
    if (*rows[i].code) {
      EXPECT_TRUE(result.findings.Has(rows[i].code)) << "row " << i << " (" << rows[i].what << ")";
    }
    if (!rows[i].recovered) {
      EXPECT_EQ(result.replay.entriesApplied, 0u) << "row " << i << " (" << rows[i].what << ")";
      EXPECT_EQ(result.verdict, *rows[i].refusal ? Verdict::Unreadable : Verdict::Dirty)
          << "row " << i << " (" << rows[i].what << ")";
      EXPECT_NE(result.refusal.find(rows[i].refusal), std::string::npos)
          << "row " << i << " (" << rows[i].what << "): " << result.refusal;
      continue;
    }
    EXPECT_EQ(content, Content(after, {})) << "row " << i << " (" << rows[i].what << ")";
    EXPECT_EQ(result.replay.pagesWritten, all.size()) << "row " << i;
    EXPECT_TRUE(result.base.SequencesAgree()) << "row " << i;
    EXPECT_EQ(result.verdict, Verdict::Sound) << "row " << i << " (" << rows[i].what << ")";
  }
}

}  // namespace
