// The live commands on a fake machine with real hive bytes: exit codes, the
// hives the names select, the log's lines, and a process without elevation.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <new>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/StartupDecision.h"
#include "cli/ExitCodes.h"
#include "compaction/ProgramCopy.h"
#include "compaction/RunRecord.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/FakeHiveBytes.h"
#include "tests/live/LiveMachine.h"
#include "tests/support/BloatedHive.h"

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

// Alice, not signed in, with a real NTUSER.DAT of one value.
void AliceWithAHive(CompactionMachine& machine) {
  platform::fake::FakeKey content;
  content.name = L"ROOT";
  content.values.push_back({L"Kept", platform::kRegBinary, std::vector<std::uint8_t>(5000, 3)});
  machine.fake.AddProfile({L"S-1-5-21-1-2-3-1001", L"C:\\Users\\alice", {}, 0, {}, {}},
                          platform::fake::SavedHiveBytes(content, platform::kRegLatestFormat));
}

// Alice (PC\alice), not signed in, her two hives with free space a save leaves out.
void AliceWithBloatedHives(CompactionMachine& machine) {
  machine.fake.AddProfile({L"S-1-5-21-1-2-3-1001", L"C:\\Users\\alice", {}, 0, {}, L"PC\\alice"},
                          test_support::BloatedHive(L"User"),
                          test_support::BloatedHive(L"Classes"));
}

// Alice, not signed in, with 8 KiB that are no hive; Bob's temporary profile.
void TwoProfiles(CompactionMachine& machine) {
  machine.fake.AddProfile({L"S-1-5-21-1-2-3-1001",
                           L"C:\\Users\\alice",
                           L"%SystemDrive%\\Users\\alice",
                           0,
                           {},
                           L"PC\\alice"},
                          std::vector<std::uint8_t>(8192, 1));
  machine.fake.AddProfile({L"S-1-5-21-1-2-3-1002", L"C:\\Users\\TEMP", {}, 0x0800, {}, {}},
                          std::vector<std::uint8_t>(4096, 1));
}

// A compaction of every hive, then the restart that swaps the copies in. Only
// the hive mounted from a real file leaves a backup a restore can check; the
// standard hives' files were sizes without content.
void CompactedAndRestarted(CompactionMachine& machine) {
  machine.MountRealHive(platform::kHKeyLocalMachine, L"HKLM\\COMPONENTS",
                        L"C:\\Windows\\System32\\config\\COMPONENTS",
                        {L"CanonicalData", L"DerivedData"});
  ASSERT_EQ(RunCommand({"defragment", "--no-restart"}).exitCode, 3010);
  machine.fake.Restart();
  ASSERT_TRUE(machine.fake.registry.scheduledReplacements.empty());
}

// Run 1 on record, having scheduled `name` (living in `liveFile`) for the
// restart, with no backup there yet.
void PlantRecordOfScheduled(CompactionMachine& machine, const std::wstring& name,
                            const std::wstring& liveFile) {
  for (const wchar_t* folder : {L"C:\\Windows\\Kelvaro", L"C:\\Windows\\Kelvaro\\Records"}) {
    machine.fake.files.MakeDirectoryWithSecurity(folder, platform::ProtectedDescriptor());
  }
  RunRecord record;
  record.number = 1;
  RecordedHive hive;
  hive.state = SwapState::kScheduled;
  hive.name = name;
  hive.liveFile = liveFile;
  hive.backupFile = compaction_test::kRunBackupFolder + name.substr(name.find(L'\\'));
  record.hives = {hive};
  machine.fake.files.WriteFile(L"C:\\Windows\\Kelvaro\\Records\\Run-1.record",
                               RunRecordText(record));
}

// A run on record that swapped HKLM\SAM, whose backup is not there.
void PlantRecordOfSwappedSam(CompactionMachine& machine) {
  PlantRecordOfScheduled(machine, L"HKLM\\SAM", machine.Hive(L"HKLM\\SAM").file);
}

// The hive mounted from a real file compacted, a key added after its save
// when `write`, Windows' shutdown writing the hive to its file, the restart.
void CompactedShutDownAndRestarted(CompactionMachine& machine, bool write) {
  machine.MountRealHive(platform::kHKeyLocalMachine, L"HKLM\\COMPONENTS",
                        L"C:\\Windows\\System32\\config\\COMPONENTS", {L"CanonicalData"});
  ASSERT_EQ(RunCommand({"defragment", "--no-restart", "HKLM\\COMPONENTS"}).exitCode, 3010);
  if (write) machine.fake.registry.EnsureKey(platform::kHKeyLocalMachine, L"COMPONENTS\\Late");
  machine.fake.WriteHivesToFiles();
  machine.fake.Restart();
}

TEST(LiveCommandTest, EveryExitCodeFromAScenarioThatProducesIt) {
  const std::vector<ExitRow> rows = {
      {"loaded lists", {"loaded"}, NothingToSetUp, 0, 0, 0},
      {"profiles lists", {"profiles"}, TwoProfiles, 0, 0, 0},
      {"no profile list to read", {"profiles"}, NothingToSetUp, 2, 0, 0},
      {"analyze --profiles measures a profile's hive",
       {"analyze", "--profiles"},
       AliceWithAHive,
       0,
       0,
       0},
      {"analyze --profiles finds no hive Windows loads",
       {"analyze", "--profiles"},
       TwoProfiles,
       1,
       0,
       0},
      {"defragment restarts", {"defragment"}, NothingToSetUp, 1641, kStandardHiveCount, 1},
      {"defragment --profiles swaps a profile's hives now, with no restart",
       {"defragment", "--profiles"},
       AliceWithBloatedHives,
       0,
       0,
       0},
      {"a profile now, then a loaded hive at the restart",
       {"defragment", "HKLM\\SAM", "--profile", "PC\\alice"},
       AliceWithBloatedHives,
       1641,
       1,
       1},
      {"a profile run stopped by an error schedules no loaded hive after it",
       {"defragment", "HKLM\\SAM", "--profile", "PC\\alice"},
       [](CompactionMachine& m) {
         AliceWithBloatedHives(m);
         m.fake.faults.beforeCall = [calls = 0](const std::string& operation) mutable {
           if (operation == "RegSaveKeyExW" && calls++ == 0) throw std::bad_alloc();
         };
       },
       2,
       0,
       0},
      {"restore puts a profile's hives back at once, with no restart",
       {"restore", "--yes"},
       [](CompactionMachine& m) {
         AliceWithBloatedHives(m);
         ASSERT_EQ(RunCommand({"defragment", "--profiles"}).exitCode, 0);
       },
       0,
       0,
       0},
      {"a profile whose swap an earlier run scheduled waits for the restart",
       {"defragment", "--profiles"},
       [](CompactionMachine& m) {
         AliceWithBloatedHives(m);
         m.fake.files.Remove(L"C:\\Users\\alice\\AppData");
         PlantRecordOfScheduled(m, L"HKU\\S-1-5-21-1-2-3-1001", L"C:\\Users\\alice\\NTUSER.DAT");
       },
       1,
       0,
       0},
      {"a profile nobody answers to", {"defragment", "--profile", "bob"}, TwoProfiles, 87, 0, 0},
      {"profiles with no profile list to read",
       {"defragment", "--profiles"},
       NothingToSetUp,
       2,
       0,
       0},
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
      // Redirection would show the 32-bit tool SysWOW64 for System32\config.
      {"64-bit Windows: only the 64-bit tool runs live commands",
       {"defragment", "--no-restart"},
       [](CompactionMachine& m) {
         m.fake.system.architecture = platform::kProcessorArchitectureAmd64;
       },
       kBuildRefusesWindows64 ? kExitFailed : 3010,
       kBuildRefusesWindows64 ? 0 : kStandardHiveCount,
       0},
      {"analyze measures", {"analyze"}, NothingToSetUp, 0, 0, 0},
      {"analyze with every save refused",
       {"analyze", "--json"},
       [](CompactionMachine& m) {
         m.fake.faults.Fail("RegSaveKeyExW", platform::kErrorAccessDenied, FaultPlan::kAlways);
       },
       1,
       0,
       0},
      {"analyze with the Kelvaro folder planted as a junction",
       {"analyze"},
       [](CompactionMachine& m) {
         m.fake.files.AddJunction(kKelvaroFolder, compaction_test::kTempFolder);
       },
       2,
       0,
       0},
      {"restore without a run on record", {"restore", "--yes"}, NothingToSetUp, 1, 0, 0},
      {"restore after a compaction, --no-restart",
       {"restore", "--no-restart", "--yes"},
       CompactedAndRestarted,
       3010,
       1,
       0},
      {"restore after a compaction", {"restore", "--yes"}, CompactedAndRestarted, 1641, 1, 1},
      {"restore of the run by number and a hive by name in any case",
       {"restore", "--run", "1", "hklm\\components", "--yes", "--no-restart"},
       CompactedAndRestarted,
       3010,
       1,
       0},
      {"restore without a console to ask and without --yes",
       {"restore"},
       CompactedAndRestarted,
       1,
       0,
       0},
      {"restore of a run never on record",
       {"restore", "--run", "2", "--yes"},
       CompactedAndRestarted,
       1,
       0,
       0},
      {"restore of a hive the run did not swap",
       {"restore", "HKLM\\NOPE", "--yes"},
       CompactedAndRestarted,
       87,
       0,
       0},
      {"restore of backups planted without a record",
       {"restore", "--yes"},
       [](CompactionMachine& m) {
         CompactedAndRestarted(m);
         m.fake.files.Remove(L"C:\\Windows\\Kelvaro\\Records\\Run-1.record");
       },
       1,
       0,
       0},
      {"runs with none on record", {"runs"}, NothingToSetUp, 0, 0, 0},
      {"runs after a compaction", {"runs", "--json"}, CompactedAndRestarted, 0, 0, 0},
      {"runs without elevation",
       {"runs"},
       [](CompactionMachine& m) { m.fake.security.processToken.elevated = false; },
       5,
       0,
       0},
      {"restore with the backup folder planted as a junction",
       {"restore", "--yes"},
       [](CompactionMachine& m) {
         CompactedAndRestarted(m);
         m.fake.files.Remove(compaction_test::kBackupFolder);
         m.fake.files.AddJunction(compaction_test::kBackupFolder, compaction_test::kTempFolder);
       },
       2,
       0,
       0},
      {"results with no run on record", {"results", "--json"}, NothingToSetUp, 7, 0, 0},
      {"results after a compaction nothing was written since",
       {"results"},
       [](CompactionMachine& m) { CompactedShutDownAndRestarted(m, false); },
       0,
       0,
       0},
      {"results after a write the swap left out",
       {"results"},
       [](CompactionMachine& m) { CompactedShutDownAndRestarted(m, true); },
       6,
       0,
       0},
      {"results given a hive", {"results", "HKLM\\SAM"}, NothingToSetUp, 87, 0, 0},
      {"unknown hive", {"defragment", "HKLM\\NOPE"}, NothingToSetUp, 87, 0, 0},
      {"--no-restart given to analyze", {"analyze", "--no-restart"}, NothingToSetUp, 87, 0, 0},
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
      {"token unreadable for the profiles",
       {"profiles"},
       [](CompactionMachine& m) {
         TwoProfiles(m);
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

TEST(LiveCommandTest, SwapsLeftWaitingAreSaidToLoseTheChangesMadeUntilTheRestart) {
  const std::string warning =
      "The swaps will happen at the next start of Windows; changes made until then will be lost.";
  struct Row {
    const char* what;
    std::vector<std::string> words;
    bool refuseRestart;
    bool warned;
  } rows[] = {
      {"--no-restart", {"defragment", "--no-restart"}, false, true},
      {"Windows refuses the restart", {"defragment"}, true, true},
      {"the restart is under way", {"defragment"}, false, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CompactionMachine machine;
    if (rows[i].refuseRestart) {
      machine.fake.faults.Fail("InitiateSystemShutdownW", platform::kErrorAccessDenied,
                               FaultPlan::kAlways);
    }
    const CommandResult result = RunCommand(rows[i].words);
    EXPECT_EQ(result.err.find(warning) != std::string::npos, rows[i].warned)
        << "row " << i << ": " << rows[i].what << "\n"
        << result.err;
  }
}

TEST(LiveCommandTest, TheResultsWindowIsRegisteredOnlyWhenAskedFor) {
  const struct {
    std::vector<std::string> words;
    bool registered;
    bool windowProgramBeside = true;  // the window program ships beside the tool
  } rows[] = {
      {{"defragment", "--no-restart"}, false},
      {{"defragment", "--no-restart", "--show-results"}, true},
      {{"defragment", "--show-results"}, true},
      {{"analyze"}, false},
      // Nothing could show the results: the run does not start.
      {{"defragment", "--show-results"}, false, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CompactionMachine machine;
    const std::wstring tool = machine.fake.system.moduleFileName;
    const std::wstring windowProgram = tool.substr(0, tool.rfind(L'\\') + 1) + kWindowProgramName;
    if (rows[i].windowProgramBeside) {
      machine.fake.files.WriteFile(windowProgram, {'M', 'Z', 5});
    } else if (machine.fake.files.Exists(windowProgram)) {
      machine.fake.files.Remove(windowProgram);
    }
    CommandResult result = RunCommand(rows[i].words);
    EXPECT_EQ(machine.HasStartupValue(), rows[i].registered) << "row " << i;
    // The start-up value starts the window program's protected copy.
    if (rows[i].registered) {
      EXPECT_EQ(
          machine.fake.files.ReadFile(L"C:\\Windows\\Kelvaro\\" + std::wstring(kWindowProgramName)),
          (std::vector<std::uint8_t>{'M', 'Z', 5}))
          << "row " << i;
    }
    if (!rows[i].windowProgramBeside) {
      EXPECT_EQ(result.exitCode, kExitFailed) << "row " << i;
      EXPECT_NE(result.err.find("--show-results needs"), std::string::npos) << "row " << i;
      EXPECT_TRUE(machine.fake.registry.scheduledReplacements.empty()) << "row " << i;
    }
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

// "HKLM\SAM: 262144 bytes, compact 8192 bytes, gain 253952: analysed" by hive file.
std::map<std::wstring, std::uint64_t> CompactSizesByFile(const std::string& analyzeText) {
  static const std::regex line(
      R"(^(\S+): (\d+) bytes, compact (\d+) bytes, gain -?\d+: analysed$)");
  std::map<std::wstring, std::uint64_t> sizes;
  std::istringstream lines(analyzeText);
  std::string text;
  while (std::getline(lines, text)) {
    std::smatch match;
    if (!std::regex_match(text, match, line)) continue;
    const std::string name = match[1].str();
    const std::wstring leaf(name.begin() + static_cast<long>(name.rfind('\\') + 1), name.end());
    sizes[leaf] = std::stoull(match[3].str());
  }
  return sizes;
}

TEST(LiveCommandTest, AnalyzeReportsTheSizeDefragmentThenSchedules) {
  CompactionMachine machine;
  CommandResult analysis = RunCommand({"analyze"});
  ASSERT_EQ(analysis.exitCode, 0) << analysis.out << analysis.err;
  // Each hive is announced before its save, on the error stream (the report stays parsable).
  EXPECT_NE(analysis.err.find("[1/5] HKLM\\SOFTWARE\n"), std::string::npos) << analysis.err;
  EXPECT_NE(analysis.err.find("[5/5] HKU\\S-1-5-20\n"), std::string::npos) << analysis.err;
  EXPECT_TRUE(machine.fake.registry.scheduledReplacements.empty());
  EXPECT_FALSE(machine.fake.files.Exists(compaction_test::kRunFolder));
  const std::map<std::wstring, std::uint64_t> measured = CompactSizesByFile(analysis.out);
  ASSERT_EQ(measured.size(), kStandardHiveCount) << analysis.out;

  CommandResult run = RunCommand({"defragment", "--no-restart"});
  ASSERT_EQ(run.exitCode, 3010) << run.out << run.err;
  const auto& scheduled = machine.fake.registry.scheduledReplacements;
  ASSERT_EQ(scheduled.size(), kStandardHiveCount);
  for (const auto& replacement : scheduled) {
    const std::wstring leaf = replacement.newFile.substr(replacement.newFile.rfind(L'\\') + 1);
    ASSERT_EQ(measured.count(leaf), 1u) << compaction_test::Narrow(leaf);
    EXPECT_EQ(machine.fake.files.SizeOf(replacement.newFile), measured.at(leaf))
        << compaction_test::Narrow(leaf);
  }
}

struct JsonRow {
  std::vector<std::string> words;
  std::function<void(CompactionMachine&)> setUp;
  std::vector<std::string> fields;  // each must appear in the report
};

TEST(LiveCommandTest, JsonReportsCarryWhatScriptsReadAndNothingElse) {
  const std::vector<JsonRow> rows = {
      {{"loaded", "--json"},
       NothingToSetUp,
       {R"({"command":"loaded","hives":[{"name":"HKLM\\SOFTWARE",)",
        R"("name":"HKLM\\SAM","file":"C:\\Windows\\System32\\config\\SAM","size":262144,)"
        R"("ticked":true,"verdict":"would-compact"})",
        R"("exitCode":0})"}},
      {{"defragment", "HKLM\\SAM", "--no-restart", "--json"},
       NothingToSetUp,
       {R"("name":"HKLM\\SAM")", R"("verdict":"scheduled")", R"("exitCode":3010})"}},
      {{"analyze", "HKLM\\SAM", "--json"},
       NothingToSetUp,
       {R"("verdict":"analysed")", R"("compactSize":)", R"("gain":)", R"("exitCode":0})"}},
      {{"analyze", "--profiles", "--json"},
       AliceWithAHive,
       {R"({"name":"HKU\\S-1-5-21-1-2-3-1001","file":"C:\\Users\\alice\\NTUSER.DAT",)",
        R"("verdict":"analysed")", R"("compactSize":)", R"("exitCode":0})"}},
      {{"defragment", "--profiles", "--json"},
       AliceWithBloatedHives,
       {R"({"name":"HKU\\S-1-5-21-1-2-3-1001","file":"C:\\Users\\alice\\NTUSER.DAT",)",
        R"({"name":"HKU\\S-1-5-21-1-2-3-1001_Classes",)", R"("verdict":"swapped")",
        R"(no restart is needed)", R"("exitCode":0})"}},
      {{"defragment", "HKLM\\SAM", "--profile", "alice", "--no-restart", "--json"},
       AliceWithBloatedHives,
       {R"("verdict":"swapped")", R"("name":"HKLM\\SAM")", R"("verdict":"scheduled")",
        R"(Already done, without a restart: HKU\\S-1-5-21-1-2-3-1001, )", R"("exitCode":3010})"}},
      {{"profiles", "--json"},
       TwoProfiles,
       {R"({"command":"profiles","profiles":[{"sid":"S-1-5-21-1-2-3-1001","user":"PC\\alice",)"
        R"("resolved":true,"kind":"not signed in","folder":"C:\\Users\\alice",)"
        R"("userHive":{"path":"C:\\Users\\alice\\NTUSER.DAT","exists":true,"size":8192},)"
        R"("classesHive":{"path":"C:\\Users\\alice\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",)"
        R"("exists":false},"verdict":"would-compact"})",
        R"({"sid":"S-1-5-21-1-2-3-1002","user":"S-1-5-21-1-2-3-1002","resolved":false,)"
        R"("kind":"temporary")",
        R"("verdict":"temporary","reason":"a temporary profile: Windows deletes it when the user )"
        R"(signs out"})",
        R"("wouldCompact":1})"}},
      {{"defragment", "HKLM\\SAM", "--json"},
       [](CompactionMachine& m) {
         m.fake.files.AddJunction(compaction_test::kBackupFolder, compaction_test::kTempFolder);
       },
       {R"("verdict":"not-started")", R"("stopped":"backup-folder-unsafe")",
        R"("folderProblem":"link")", R"("exitCode":2})"}},
      {{"defragment", "--no-restart", "--json"},
       [](CompactionMachine& m) {
         m.fake.system.mutexesHeldElsewhere = {L"Global\\Kelvaro.Run",
                                               L"Global\\Kelvaro.Run.kelvaro-hive.exe"};
       },
       {R"("verdict":"not-started","reason":"another Kelvaro program was changing hives")",
        R"("stopped":"another-run")",
        R"(another Kelvaro program is changing hives (kelvaro-hive.exe).")", R"("exitCode":2})"}},
      // Out of memory at the second hive's save: the first one's swap stands.
      {{"defragment", "--no-restart", "--json"},
       [](CompactionMachine& m) {
         m.fake.faults.beforeCall = [calls = 0](const std::string& operation) mutable {
           if (operation == "RegSaveKeyExW" && calls++ == 1) throw std::bad_alloc();
         };
       },
       {R"(1 hives are already scheduled and will be swapped at the next start)",
        R"(\"kelvaro-hive restore\" puts their previous files back)", R"("exitCode":3010})"}},
      {{"runs", "--json"}, NothingToSetUp, {R"({"command":"runs","runs":[]})"}},
      {{"runs", "--json"},
       [](CompactionMachine&) {
         RunCommand({"defragment", "HKLM\\SAM", "--no-restart"});
       },
       {R"({"command":"runs","runs":[{"run":1,"started":")",
        R"("state":"waiting for restart","hives":[{"name":"HKLM\\SAM",)",
        R"("backup":"C:\\Windows\\Kelvaro Backup\\Run-1\\SAM"})"}},
      {{"runs", "--json"},
       CompactedAndRestarted,
       {R"("run":1,)", R"("state":"swapped")", R"("name":"HKLM\\COMPONENTS")"}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    CompactionMachine machine;
    rows[i].setUp(machine);
    CommandResult result = RunCommand(rows[i].words);
    ASSERT_FALSE(result.out.empty()) << "row " << i;
    EXPECT_EQ(result.out.front(), '{') << "row " << i << ": " << result.out;
    EXPECT_EQ(result.out.substr(result.out.size() - 2), "}\n") << "row " << i << ": " << result.out;
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << "row " << i << ": one line";
    for (const std::string& field : rows[i].fields) {
      EXPECT_NE(result.out.find(field), std::string::npos) << "row " << i << ": " << field << "\n"
                                                           << result.out;
    }
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
      {{"analyze", "HKLM\\SAM", "HKLM\\MISSING"},
       [](CompactionMachine& m) { ListMissingHive(m, L"MISSING"); },
       kTime + " kelvaro-hive analyze HKLM\\SAM HKLM\\MISSING\r\n"
               "  HKLM\\SAM: 262144 bytes, compact SAMSIZE bytes, gain SAMGAIN: analysed\r\n"
               "  HKLM\\MISSING: 0 bytes: left as it is: its file was not found\r\n"
               "  1 of 2 hives analysed; total gain SAMGAIN bytes. (exit 0)\r\n"},
      {{"restore", "--no-restart", "--yes"},
       PlantRecordOfSwappedSam,
       kTime + " kelvaro-hive restore --no-restart --yes\r\n"
               "  HKLM\\SAM: 262144 bytes: left as it is: no backup of it is in the backup "
               "folder\r\n"
               "  Nothing was scheduled; Windows was not restarted. (exit 1)\r\n"},
      {{"defragment", "HKU\\.DEFAULT"},
       [](CompactionMachine& m) {
         m.fake.files.AddJunction(compaction_test::kBackupFolder, compaction_test::kTempFolder);
       },
       kTime + " kelvaro-hive defragment HKU\\.DEFAULT\r\n"
               "  HKU\\.DEFAULT: 1048576 bytes: left as it is: a Kelvaro folder failed its checks "
               "before any hive was touched\r\n"
               "  stopped: the folder \"Kelvaro Backup\" in the Windows folder could not be made, "
               "or the one found there is not a folder only administrators control; nothing was "
               "changed (link)\r\n"
               "  Nothing was scheduled: a Kelvaro folder failed its checks. (exit 2)\r\n"},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    CompactionMachine machine;
    rows[i].setUp(machine);
    // The compact size is what a save of the key writes now.
    const std::string samSize = std::to_string(machine.SavedSize(L"HKLM\\SAM"));
    const std::string samGain = std::to_string(262144 - machine.SavedSize(L"HKLM\\SAM"));
    std::string log = rows[i].log;
    for (auto [placeholder, value] :
         {std::pair{std::string("SAMSIZE"), samSize}, std::pair{std::string("SAMGAIN"), samGain}}) {
      for (auto at = log.find(placeholder); at != std::string::npos; at = log.find(placeholder)) {
        log.replace(at, placeholder.size(), value);
      }
    }
    RunCommand(rows[i].words);
    EXPECT_EQ(LogText(machine), log) << "row " << i;
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
