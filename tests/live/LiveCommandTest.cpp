// The live commands on a fake machine with real hive bytes: exit codes, the
// hives the names select, the log's lines, and a process without elevation.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/live/LiveMachine.h"

namespace live_test {
namespace {

using compaction_test::CompactionMachine;
using platform::fake::FaultPlan;

constexpr std::size_t kStandardHiveCount = 5;

struct ExitRow {
  const char* scenario;
  std::vector<std::string> words;
  std::function<void(CompactionMachine&)> setUp;
  int exitCode;
  std::size_t scheduled;
  std::size_t restarts;
};

void NothingToSetUp(CompactionMachine&) {}

TEST(LiveCommandTest, EveryExitCodeFromAScenarioThatProducesIt) {
  const std::vector<ExitRow> rows = {
      {"loaded lists", {"loaded"}, NothingToSetUp, 0, 0, 0},
      {"defragment restarts", {"defragment"}, NothingToSetUp, 1641, kStandardHiveCount, 1},
      {"--no-restart leaves the restart to the user",
       {"defragment", "--no-restart"},
       NothingToSetUp,
       3010,
       kStandardHiveCount,
       0},
      {"Windows refuses the restart",
       {"defragment"},
       [](CompactionMachine& m) {
         m.fake.faults.Fail("InitiateSystemShutdownW", platform::kErrorAccessDenied,
                            FaultPlan::kAlways);
       },
       3010,
       kStandardHiveCount,
       0},
      {"every save refused",
       {"defragment"},
       [](CompactionMachine& m) {
         m.fake.faults.Fail("RegSaveKeyExW", platform::kErrorAccessDenied, FaultPlan::kAlways);
       },
       1,
       0,
       0},
      {"only a hive without a file named",
       {"defragment", "HKLM\\MISSING"},
       [](CompactionMachine& m) { ListMissingHive(m, L"MISSING"); },
       1,
       0,
       0},
      {"backup folder planted as a junction",
       {"defragment"},
       [](CompactionMachine& m) {
         m.fake.files.AddJunction(compaction_test::kBackupFolder, compaction_test::kTempFolder);
       },
       2,
       0,
       0},
      {"hive list unreadable",
       {"loaded"},
       [](CompactionMachine& m) {
         m.fake.faults.Fail("RegOpenKeyExW", platform::kErrorAccessDenied, FaultPlan::kAlways);
       },
       2,
       0,
       0},
      {"unknown hive", {"defragment", "HKLM\\NOPE"}, NothingToSetUp, 87, 0, 0},
      {"unknown option", {"defragment", "--restart"}, NothingToSetUp, 87, 0, 0},
      {"option of another command", {"loaded", "--no-restart"}, NothingToSetUp, 87, 0, 0},
      {"hive given to loaded", {"loaded", "HKLM\\SAM"}, NothingToSetUp, 87, 0, 0},
      {"not elevated",
       {"defragment"},
       [](CompactionMachine& m) { m.fake.security.processToken.elevated = false; },
       5,
       0,
       0},
      {"token unreadable",
       {"loaded"},
       [](CompactionMachine& m) {
         m.fake.faults.Fail("GetTokenInformation", platform::kErrorAccessDenied,
                            FaultPlan::kAlways);
       },
       5,
       0,
       0},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ExitRow& row = rows[i];
    CompactionMachine machine;
    row.setUp(machine);
    CommandResult result = RunCommand(row.words);
    EXPECT_EQ(result.exitCode, row.exitCode) << "row " << i << ": " << row.scenario << "\n"
                                             << result.out << result.err;
    EXPECT_EQ(machine.fake.registry.scheduledReplacements.size(), row.scheduled)
        << "row " << i << ": " << row.scenario;
    EXPECT_EQ(machine.fake.system.shutdownRequests.size(), row.restarts)
        << "row " << i << ": " << row.scenario;
  }
}

struct NamesRow {
  std::vector<std::string> names;
  int exitCode;
  std::vector<std::wstring> scheduledFiles;  // in order
  std::string inOutput;                      // a line the output must hold
};

TEST(LiveCommandTest, NamesSelectHivesCaseInsensitivelyOnceEachAndOnlyListedOnes) {
  const std::wstring config = L"C:\\Windows\\System32\\config\\";
  const std::vector<NamesRow> rows = {
      {{"hklm\\sam"}, 3010, {config + L"SAM"}, "HKLM\\SAM: 262144 bytes: scheduled"},
      {{"HKLM\\SAM", "hklm\\sam", "HKLM\\SAM"}, 3010, {config + L"SAM"}, "1 of 1 hives scheduled"},
      // Listed order, not the order of the names.
      {{"HKU\\.DEFAULT", "HKLM\\SAM"},
       3010,
       {config + L"SAM", config + L"DEFAULT"},
       "2 of 2 hives scheduled"},
      // Not ticked in the window: a name still selects it, and the run leaves it out.
      {{"HKLM\\MISSING", "HKLM\\SAM"},
       3010,
       {config + L"SAM"},
       "HKLM\\MISSING: 0 bytes: left as it is: its file was not found"},
      {{"HKLM\\MISSING"}, 1, {}, "Nothing was scheduled"},
      // Without names: every ticked hive, the one without a file not even mentioned.
      {{}, 3010, {}, "5 of 5 hives scheduled"},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const NamesRow& row = rows[i];
    CompactionMachine machine;
    ListMissingHive(machine, L"MISSING");
    std::vector<std::string> words = {"defragment", "--no-restart"};
    words.insert(words.end(), row.names.begin(), row.names.end());
    CommandResult result = RunCommand(words);
    EXPECT_EQ(result.exitCode, row.exitCode) << "row " << i << "\n" << result.out << result.err;
    EXPECT_NE(result.out.find(row.inOutput), std::string::npos) << "row " << i << "\n"
                                                                << result.out;
    if (row.names.empty()) {
      EXPECT_EQ(result.out.find("MISSING"), std::string::npos) << "row " << i;
      continue;
    }
    std::vector<std::wstring> scheduled;
    for (const auto& replacement : machine.fake.registry.scheduledReplacements) {
      scheduled.push_back(replacement.hiveFile);
    }
    EXPECT_EQ(scheduled, row.scheduledFiles) << "row " << i;
  }
}

TEST(LiveCommandTest, AnUnmatchedNameIsABadUsageThatNamesItAndTouchesNothing) {
  CompactionMachine machine;
  const auto filesBefore = machine.Files();
  CommandResult result = RunCommand({"defragment", "HKLM\\SAM", "HKLM\\SYSTEMX"});
  EXPECT_EQ(result.exitCode, 87);
  EXPECT_NE(result.err.find("no loaded hive is named HKLM\\SYSTEMX"), std::string::npos)
      << result.err;
  EXPECT_EQ(machine.Files(), filesBefore);
  EXPECT_TRUE(machine.fake.registry.savedFiles.empty());
}

TEST(LiveCommandTest, WithoutElevationNothingIsReadSavedOrWritten) {
  for (const char* command : {"loaded", "analyze", "defragment", "restore"}) {
    CompactionMachine machine;
    machine.fake.security.processToken.elevated = false;
    const auto filesBefore = machine.Files();
    CommandResult result = RunCommand({command});
    EXPECT_EQ(result.exitCode, 5) << command;
    EXPECT_NE(result.err.find("elevated prompt"), std::string::npos) << command << result.err;
    EXPECT_TRUE(result.out.empty()) << command;
    EXPECT_EQ(machine.Files(), filesBefore) << command;
    EXPECT_EQ(machine.fake.faults.CallCount("RegOpenKeyExW"), 0) << command;
    EXPECT_TRUE(machine.fake.registry.savedFiles.empty()) << command;
    EXPECT_FALSE(machine.HasStartupValue()) << command;
  }
}

struct LogRow {
  std::vector<std::string> words;
  std::function<void(CompactionMachine&)> setUp;
  std::string log;
};

TEST(LiveCommandTest, EachCommandAppendsItsLinesToTheLog) {
  const std::vector<LogRow> rows = {
      {{"defragment", "HKLM\\SAM", "--no-restart"},
       NothingToSetUp,
       kTime + " kelvaro-hive defragment HKLM\\SAM --no-restart\r\n"
               "  HKLM\\SAM: 262144 bytes: scheduled\r\n"
               "  1 of 1 hives scheduled; they take effect at the next restart. (exit 3010)\r\n"},
      {{"defragment", "HKLM\\SAM", "HKLM\\MISSING"},
       [](CompactionMachine& m) {
         ListMissingHive(m, L"MISSING");
         m.fake.faults.Fail("RegSaveKeyExW", platform::kErrorAccessDenied, FaultPlan::kAlways);
       },
       kTime + " kelvaro-hive defragment HKLM\\SAM HKLM\\MISSING\r\n"
               "  HKLM\\SAM: 262144 bytes: left as it is: Windows could not save a compact copy\r\n"
               "  HKLM\\MISSING: 0 bytes: left as it is: its file was not found\r\n"
               "  Nothing was scheduled; Windows was not restarted. (exit 1)\r\n"},
      {{"defragment", "HKU\\.DEFAULT"},
       [](CompactionMachine& m) {
         m.fake.files.AddJunction(compaction_test::kBackupFolder, compaction_test::kTempFolder);
       },
       kTime + " kelvaro-hive defragment HKU\\.DEFAULT\r\n"
               "  HKU\\.DEFAULT: 1048576 bytes: scheduled\r\n"
               "  stopped: the folder \"Kelvaro Backup\" in the Windows folder could not be made, "
               "or the one found there is not a folder only administrators control; nothing was "
               "changed (link)\r\n"
               "  Nothing was scheduled: the run stopped at an unsafe folder. (exit 2)\r\n"},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    CompactionMachine machine;
    rows[i].setUp(machine);
    RunCommand(rows[i].words);
    EXPECT_EQ(LogText(machine), rows[i].log) << "row " << i;
  }
}

TEST(LiveCommandTest, TheLogKeepsEveryEarlierCommand) {
  CompactionMachine machine;
  RunCommand({"loaded"});
  const std::string first = LogText(machine);
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first.find("  HKLM\\SYSTEM: 12582912 bytes: would-compact\r\n"), std::string::npos)
      << first;
  EXPECT_NE(first.find("5 hives loaded, 5 Kelvaro would compact. (exit 0)"), std::string::npos)
      << first;
  RunCommand({"defragment", "HKLM\\SAM", "--no-restart"});
  const std::string both = LogText(machine);
  EXPECT_EQ(both.substr(0, first.size()), first);
  EXPECT_NE(both.find("kelvaro-hive defragment HKLM\\SAM --no-restart", first.size()),
            std::string::npos);
}

}  // namespace
}  // namespace live_test
