// Generated hives: what the walk reads back equals what was written, a
// well-formed hive checks as sound, and the analysis adds up.

#include "hive/CellPacking.h"
#include "hive/HiveCheck.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWriter.h"
#include "tests/hive/ContentCollector.h"
#include "tests/hive/HiveTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace hive;
using namespace hivetest;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(HiveGenerated, WalkReadsBackEveryKeyValueAndByte) {
  BuildKey tree = AwkwardTree(3000);
  std::vector<std::uint8_t> bytes = BuildHive(tree);
  CContentCollector collector;
  CheckResult result = CheckHiveBytes(bytes, {}, &collector);
  std::vector<std::string> expected;
  ExpectedLines(tree, "", expected);
  ASSERT_EQ(Sorted(collector.lines), Sorted(expected));
  EXPECT_EQ(result.statistics.keys,
            std::count_if(expected.begin(), expected.end(),
                          [](const std::string& l) { return l[0] == 'K'; }));
  EXPECT_EQ(result.statistics.bigDataValues, 4u);  // 16345, 32688, 40000 and 100000 bytes
}

TEST(HiveGenerated, WellFormedHiveIsSound) {
  std::vector<std::uint8_t> bytes = BuildHive(AwkwardTree(500));
  CheckResult result = CheckHiveBytes(bytes, {});
  for (const Finding& finding : result.findings.Kept())
    ADD_FAILURE() << SeverityName(finding.severity) << " " << finding.code << ": "
                  << finding.message;
  EXPECT_EQ(result.verdict, Verdict::Sound);
  EXPECT_EQ(ExitCode(result.verdict), 0);
}

TEST(HiveGenerated, AnalysisAccountsForEveryByte) {
  BuildKey tree = AwkwardTree(200);
  std::vector<std::uint8_t> bytes = BuildHive(tree);
  CheckResult result = CheckHiveBytes(bytes, {});
  const HiveStatistics& s = result.statistics;
  EXPECT_EQ(s.fileSize, bytes.size());
  EXPECT_EQ(s.allocatedBytes + s.freeBytes + 32 * s.bins, s.binsSize);
  EXPECT_EQ(s.liveBytes, s.allocatedBytes);
  EXPECT_EQ(s.unreferencedCells, 0u);
  EXPECT_EQ(s.depth, 3u);  // ROOT\Many\GroupN\KeyN
  EXPECT_LE(s.compactedSize, s.fileSize);
  EXPECT_EQ(s.compactedSize, WriteHive(ReadHiveTree(bytes, {}).tree, WriteOptions{}).size());
}

struct PackingRow {
  std::vector<std::uint32_t> cells;
  std::uint64_t bins;
};

TEST(HiveGenerated, PackingFillsBinsBestFitLargestFirst) {
  const PackingRow rows[] = {
      {{}, 4096},  // a hive has at least one bin
      {{8}, 4096},
      {{4064}, 4096},  // exactly one bin's room
      {{4072}, 8192},  // one byte-step over: a bin of its own, rounded up
      {{2032, 2032}, 4096},
      {{2040, 2032}, 8192},
      {{5000, 3000}, 8192},                       // the small cell fits in the big cell's bin
      {{3000, 3000, 1000, 1000}, 8192},           // best fit, largest first
      {{16352, 16352, 16352, 16352}, 4 * 16384},  // 16352 + 32 fills four pages exactly
  };
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(PackCells(rows[i].cells).binsSize, rows[i].bins) << "row " << i;
}

}  // namespace
