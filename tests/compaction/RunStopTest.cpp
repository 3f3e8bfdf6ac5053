// Progress and stop for the run and the analysis: the caller hears of each
// hive before its save, and a stop between two hives leaves every hive either
// finished or not started. A stopped run keeps what it scheduled but does not
// restart the computer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compaction/CompactionRun.h"
#include "compaction/ProgramCopy.h"
#include "compaction/HiveAnalysis.h"
#include "compaction/ResumeRegistration.h"
#include "tests/compaction/CompactionMachine.h"

namespace compaction_test {
namespace {

const std::vector<std::wstring> kAllHives = {L"HKLM\\SOFTWARE", L"HKLM\\SYSTEM", L"HKLM\\SAM",
                                             L"HKU\\.DEFAULT", L"HKU\\S-1-5-20"};
const std::wstring kRecoveryNote = kRunBackupFolder + L"\\How to restore.txt";

struct Heard {
  int position;
  int count;
  std::wstring name;
  bool operator==(const Heard&) const = default;
};

// Records every hive the work starts and stops it once `stopAfter` have started.
struct Listener {
  explicit Listener(int stopAfter_) : stopAfter(stopAfter_) {}
  int stopAfter;
  std::vector<Heard> heard;
  int asked = 0;

  RunProgress Progress() {
    RunProgress progress;
    progress.hiveStarting = [this](int position, int count, const CString& name) {
      heard.push_back(Heard{position, count, name.str()});
    };
    progress.stopRequested = [this] {
      ++asked;
      return static_cast<int>(heard.size()) >= stopAfter;
    };
    return progress;
  }
};

// The first `started` hives of the display, heard as 1..started of `count`.
std::vector<Heard> Expected(const std::vector<std::wstring>& display, int started) {
  std::vector<Heard> heard;
  for (int i = 0; i < started; ++i) {
    heard.push_back(Heard{i + 1, static_cast<int>(display.size()), display[i]});
  }
  return heard;
}

TEST(RunStopTest, TheRunHearsEachHiveAndStopsBetweenTwo) {
  const int count = static_cast<int>(kAllHives.size());
  for (int stopAfter = 0; stopAfter <= count + 1; ++stopAfter) {
    for (bool showResults : {true, false}) {
      const std::string label =
          "stop after " + std::to_string(stopAfter) + ", results " + std::to_string(showResults);
      CompactionMachine machine;
      Listener listener{stopAfter};
      int restartsSeen = 0;
      ResultsProgramHold program(ResultsProgram::kRunningProgram);
      CompactionOutcome outcome = RunCompaction(
          machine.Rows(kAllHives), showResults, CString(kShutdownMessage),
          [&restartsSeen](const CompactionOutcome&) { ++restartsSeen; }, listener.Progress());
      const int started = std::min(stopAfter, count);
      // A stop asked while the last hive ran still counts: only "never" finishes.
      const bool stopped = stopAfter <= count;
      EXPECT_EQ(listener.heard, Expected(kAllHives, started)) << label;
      EXPECT_EQ(outcome.stopped, stopped) << label;
      EXPECT_EQ(outcome.saved, started) << label;
      EXPECT_EQ(outcome.scheduled, started) << label;
      ASSERT_EQ(outcome.notScheduled.size(), static_cast<std::size_t>(count - started)) << label;
      for (std::size_t i = 0; i < outcome.notScheduled.size(); ++i) {
        EXPECT_EQ(outcome.notScheduled[i].name, kAllHives[started + i].c_str()) << label;
        EXPECT_EQ(outcome.notScheduled[i].reason, NotScheduledReason::kStopped) << label;
      }
      EXPECT_EQ(machine.fake.registry.scheduledReplacements.size(),
                static_cast<std::size_t>(started))
          << label;
      EXPECT_EQ(outcome.closeWindow, started > 0) << label;
      EXPECT_EQ(machine.fake.files.Exists(kRecoveryNote), started > 0) << label;
      EXPECT_EQ(machine.HasStartupValue(), started > 0 && showResults) << label;
      EXPECT_EQ(machine.fake.files.Exists(kRunFolder), started > 0) << label;
      // The user closed the window: they restart when they choose.
      EXPECT_EQ(machine.fake.system.shutdownRequests.size(), stopped ? 0u : 1u) << label;
      EXPECT_EQ(outcome.restartRequested, !stopped) << label;
      EXPECT_EQ(restartsSeen, stopped ? 0 : 1) << label;

      // What was scheduled takes effect at the user's own restart.
      machine.fake.Restart();
      for (int i = 0; i < count; ++i) {
        const HiveSetUp& hive = machine.Hive(kAllHives[i]);
        EXPECT_EQ(machine.fake.files.SizeOf(hive.file),
                  i < started ? machine.SavedSize(hive.name) : hive.size)
            << label << " " << Narrow(hive.name);
      }
      EXPECT_TRUE(machine.fake.unbootableHives.empty()) << label;
    }
  }
}

TEST(RunStopTest, TheAnalysisHearsEachHiveAndStopsBetweenTwo) {
  const int count = static_cast<int>(kAllHives.size());
  for (int stopAfter = 0; stopAfter <= count; ++stopAfter) {
    const std::string label = "stop after " + std::to_string(stopAfter);
    CompactionMachine machine;
    const auto before = machine.Files();
    Listener listener{stopAfter};
    AnalysisOutcome outcome = AnalyzeHives(machine.Rows(kAllHives), listener.Progress());
    EXPECT_EQ(listener.heard, Expected(kAllHives, stopAfter)) << label;
    EXPECT_EQ(listener.asked, stopAfter < count ? stopAfter + 1 : count) << label;
    EXPECT_EQ(outcome.stopped, stopAfter < count) << label;
    ASSERT_EQ(outcome.hives.size(), kAllHives.size()) << label;
    for (int i = 0; i < count; ++i) {
      const AnalyzedHive& hive = outcome.hives[i];
      EXPECT_EQ(hive.name, kAllHives[i].c_str()) << label;
      if (i < stopAfter) {
        EXPECT_FALSE(hive.refusal.has_value()) << label << " " << i;
        EXPECT_EQ(hive.compactSize, machine.SavedSize(kAllHives[i])) << label << " " << i;
      } else {
        EXPECT_EQ(hive.refusal, NotScheduledReason::kStopped) << label << " " << i;
        EXPECT_EQ(hive.compactSize, 0u) << label << " " << i;
        EXPECT_EQ(hive.liveSize, machine.Hive(kAllHives[i]).size) << label << " " << i;
      }
    }
    EXPECT_EQ(machine.fake.registry.savedFiles.size(), static_cast<std::size_t>(stopAfter))
        << label;
    EXPECT_EQ(machine.Files(), before) << label;
    EXPECT_FALSE(machine.fake.files.Exists(kRunFolder)) << label;
  }
}

TEST(RunStopTest, RowsLeftOutByThePlanAreNeitherCountedNorHeard) {
  CompactionMachine machine;
  machine.AddRecord(L"HKCU\\Software", L"C:\\Hives\\user", 10 * kKiB);
  const std::vector<std::wstring> display = {L"HKCU\\Software", L"HKLM\\SAM", L"-HKLM\\SYSTEM",
                                             L"HKU\\.DEFAULT"};
  Listener analysis{100};
  AnalyzeHives(machine.Rows(display), analysis.Progress());
  Listener run{100};
  RunCompaction(machine.Rows(display), false, CString(kShutdownMessage), {}, run.Progress());
  const std::vector<Heard> expected = {{1, 2, L"HKLM\\SAM"}, {2, 2, L"HKU\\.DEFAULT"}};
  EXPECT_EQ(analysis.heard, expected);
  EXPECT_EQ(run.heard, expected);
}

}  // namespace
}  // namespace compaction_test
