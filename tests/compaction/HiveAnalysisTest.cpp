// The analysis on a fake machine with real hive bytes: it measures exactly
// what the run would schedule, says why a hive cannot be measured, stops
// between hives, and leaves the machine as it found it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "compaction/CompactionRun.h"
#include "compaction/HiveAnalysis.h"
#include "hive/Names.h"
#include "hive/SpaceAccount.h"
#include "platform/fake/FakeHiveBytes.h"
#include "tests/compaction/CompactionMachine.h"

namespace compaction_test {
namespace {

const std::vector<std::wstring> kAllHives = {L"HKLM\\SOFTWARE", L"HKLM\\SYSTEM", L"HKLM\\SAM",
                                             L"HKU\\.DEFAULT", L"HKU\\S-1-5-20"};

std::wstring Leaf(const std::wstring& name) { return name.substr(name.rfind(L'\\') + 1); }

const AnalyzedHive* Find(const AnalysisOutcome& outcome, const std::wstring& name) {
  for (const AnalyzedHive& hive : outcome.hives) {
    if (hive.name == name.c_str()) return &hive;
  }
  return nullptr;
}

using Subtree = std::tuple<std::wstring, std::uint32_t, std::uint64_t>;  // path, depth, bytes

std::vector<Subtree> Listed(const std::vector<SubtreeSize>& subtrees) {
  std::vector<Subtree> listed;
  for (const SubtreeSize& subtree : subtrees) {
    listed.emplace_back(subtree.path.str(), subtree.depth, subtree.bytes);
  }
  return listed;
}

// The largest subtrees of the bytes a save of the hive's key writes now, as
// kelvaro-hive usage lists them by default.
std::vector<Subtree> SubtreesOfSave(const CompactionMachine& machine, const std::wstring& name) {
  const platform::fake::FakeKey* key =
      machine.fake.registry.FindKey(machine.Hive(name).root, Leaf(name));
  if (key == nullptr) return {};
  hive::SpaceAccountResult result = hive::AccountHiveBytes(
      platform::fake::SavedHiveBytes(*key, platform::kRegLatestFormat), {}, 4);
  std::vector<Subtree> listed;
  for (std::uint32_t node : hive::LargestSubtrees(result.account, 20, 4)) {
    const std::uint32_t depth = result.account.nodes[node].depth;
    listed.emplace_back(depth == 0 ? L"" : hive::ToWide(hive::SpaceNodePath(result.account, node)),
                        depth, result.account.nodes[node].bytes);
  }
  return listed;
}

// What an analysis must never leave behind: files, a replacement, a start-up
// value, a restart, its folder, a privilege switched on, an open handle.
void ExpectUntouched(const CompactionMachine& machine,
                     const std::map<std::wstring, std::uint64_t>& before,
                     const std::string& label) {
  const auto& fake = machine.fake;
  EXPECT_EQ(machine.Files(), before) << label;
  EXPECT_FALSE(fake.files.Exists(kRunFolder)) << label;
  EXPECT_TRUE(fake.registry.scheduledReplacements.empty()) << label;
  EXPECT_FALSE(machine.HasStartupValue()) << label;
  EXPECT_TRUE(fake.system.shutdownRequests.empty()) << label;
  EXPECT_TRUE(fake.files.deletionsAtRestart.empty()) << label;
  for (const wchar_t* privilege : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
    EXPECT_FALSE(machine.PrivilegeOn(privilege)) << label << ": " << Narrow(privilege) << " on";
  }
  EXPECT_EQ(fake.registry.OpenHandleCount(), 0u) << label;
  EXPECT_EQ(fake.security.OpenTokenCount(), 0u) << label;
  EXPECT_EQ(fake.files.OpenFileCount(), 0u) << label;
}

TEST(HiveAnalysisTest, ReportsTheSizeTheFollowingRunSchedules) {
  CompactionMachine machine;
  // A subtree of known size three levels down, its data in big-data segments.
  const std::wstring big = L"ControlSet001\\Services\\Big";
  constexpr std::size_t kBigData = 64 * kKiB;
  machine.fake.registry.PutValue(platform::kHKeyLocalMachine, L"SYSTEM\\" + big, L"Data",
                                 platform::kRegBinary, std::vector<std::uint8_t>(kBigData, 5));
  const auto before = machine.Files();
  AnalysisOutcome analysis = AnalyzeHives(machine.Rows(kAllHives));
  EXPECT_EQ(analysis.stoppedAt, StoppedAt::kNothing);
  EXPECT_FALSE(analysis.stopped);
  ASSERT_EQ(analysis.hives.size(), kAllHives.size());
  for (std::size_t i = 0; i < kAllHives.size(); ++i) {
    const AnalyzedHive& hive = analysis.hives[i];
    const HiveSetUp& setUp = machine.Hive(kAllHives[i]);
    EXPECT_EQ(hive.name, kAllHives[i].c_str()) << "row " << i;
    EXPECT_FALSE(hive.refusal.has_value()) << "row " << i;
    EXPECT_EQ(hive.liveSize, setUp.size) << "row " << i;
    EXPECT_EQ(hive.compactSize, machine.SavedSize(kAllHives[i])) << "row " << i;
    EXPECT_EQ(hive.gain(), static_cast<std::int64_t>(setUp.size - hive.compactSize)) << "row " << i;
    // Kept from the checked copy before it went: the account usage makes of a save.
    ASSERT_FALSE(hive.largestSubtrees.empty()) << "row " << i;
    EXPECT_EQ(Listed(hive.largestSubtrees), SubtreesOfSave(machine, kAllHives[i])) << "row " << i;
    EXPECT_EQ(hive.largestSubtrees.front().path, L"") << "row " << i << ": the root comes first";
    EXPECT_LE(hive.largestSubtrees.front().bytes, hive.compactSize) << "row " << i;
  }
  const std::vector<SubtreeSize>& system = analysis.hives[1].largestSubtrees;
  auto found = std::find_if(system.begin(), system.end(), [&big](const SubtreeSize& subtree) {
    return subtree.path == big.c_str();
  });
  ASSERT_NE(found, system.end()) << "the big subtree is listed";
  EXPECT_EQ(found->depth, 3u);
  EXPECT_GE(found->bytes, kBigData);
  EXPECT_LT(found->bytes, kBigData + 4 * kKiB) << "its records, value and segment list";
  ExpectUntouched(machine, before, "analysis");

  CompactionOutcome run = machine.Run(kAllHives);
  ASSERT_EQ(run.scheduled, 5);
  for (const auto& replacement : machine.fake.registry.scheduledReplacements) {
    const std::wstring leaf = Leaf(replacement.newFile);
    const AnalyzedHive* analysed = nullptr;
    for (const std::wstring& name : kAllHives) {
      if (Leaf(name) == leaf) analysed = Find(analysis, name);
    }
    ASSERT_NE(analysed, nullptr) << Narrow(leaf);
    const auto bytes = machine.fake.files.ReadFile(replacement.newFile);
    ASSERT_TRUE(bytes.has_value()) << Narrow(leaf);
    EXPECT_EQ(bytes->size(), analysed->compactSize) << Narrow(leaf);
  }
}

TEST(HiveAnalysisTest, AGainIsLiveLessCompactAndNegativeWhenTheCopyIsLarger) {
  struct Row {
    std::uint64_t liveSize;  // 0: exactly the saved size
    int sign;
  };
  const Row rows[] = {{1 * kKiB, -1}, {0, 0}, {300 * kKiB, 1}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CompactionMachine machine;
    machine.Mount(
        HiveSetUp{platform::kHKeyLocalMachine, L"HKLM\\TIGHT", L"C:\\Hives\\TIGHT", 100 * kKiB, 0});
    const std::uint64_t saved = machine.SavedSize(L"HKLM\\TIGHT");
    const std::uint64_t live = rows[i].liveSize != 0 ? rows[i].liveSize : saved;
    machine.fake.files.AddFile(L"C:\\Hives\\TIGHT", live);
    AnalysisOutcome outcome = AnalyzeHives(machine.Rows({L"HKLM\\TIGHT"}));
    ASSERT_EQ(outcome.hives.size(), 1u) << "row " << i;
    const AnalyzedHive& hive = outcome.hives[0];
    EXPECT_FALSE(hive.refusal.has_value()) << "row " << i;
    EXPECT_EQ(hive.liveSize, live) << "row " << i;
    EXPECT_EQ(hive.compactSize, saved) << "row " << i;
    EXPECT_EQ(hive.gain(), static_cast<std::int64_t>(live) - static_cast<std::int64_t>(saved))
        << "row " << i;
    EXPECT_EQ((hive.gain() > 0) - (hive.gain() < 0), rows[i].sign) << "row " << i;
  }
}

void MoveToOtherVolume(CompactionMachine& machine, const std::wstring& name) {
  const std::wstring file = machine.Hive(name).file;
  const std::wstring moved = L"D:\\" + Leaf(file);
  machine.fake.files.AddDrive(L'D');
  machine.fake.files.Remove(file);
  machine.fake.files.AddFile(moved, machine.Hive(name).size);
  machine.fake.registry.FindKey(machine.Hive(name).root, Leaf(name))->hiveFile = moved;
  const_cast<HiveEntry&>(machine.Entry(name)).path.SetPath(moved.c_str());
}

TEST(HiveAnalysisTest, EachRefusalNamesItsReasonAndMeasuresNothing) {
  const std::wstring target = L"HKLM\\SYSTEM";
  struct Row {
    const char* what;
    std::function<void(CompactionMachine&)> prepare;
    NotScheduledReason reason;
    bool saved;  // Windows was asked for the target's copy
  };
  const std::vector<Row> rows = {
      // SAM saves first: the second save is SYSTEM's.
      {"Windows will not save it",
       [](CompactionMachine& machine) {
         machine.fake.faults.Fail("RegSaveKeyExW", platform::kErrorAccessDenied, 1, 1);
       },
       NotScheduledReason::kNotSaved, false},
      {"its file cannot be read",
       [target](CompactionMachine& machine) {
         machine.fake.files.Remove(machine.Hive(target).file);
       },
       NotScheduledReason::kNotSaved, false},
      // SAM's copy is read twice (its check, then its subtrees), two reads each.
      {"the copy cannot be read back",
       [](CompactionMachine& machine) {
         machine.fake.faults.Fail("ReadFile", platform::kErrorAccessDenied, 1, 4);
       },
       NotScheduledReason::kRefused, true},
      {"the live key gained a key the copy lacks",
       [](CompactionMachine& machine) {
         machine.fake.faults.beforeCall = [&machine](const std::string& operation) {
           if (operation == "CreateFileW" &&
               machine.fake.files.Exists(CompactionMachine::CompactCopy(L"SYSTEM"))) {
             machine.fake.registry.EnsureKey(platform::kHKeyLocalMachine, L"SYSTEM\\Late");
           }
         };
       },
       NotScheduledReason::kRefused, true},
      {"the hive lives on another volume",
       [target](CompactionMachine& machine) { MoveToOtherVolume(machine, target); },
       NotScheduledReason::kOtherVolume, false},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string label = "row " + std::to_string(i) + ": " + rows[i].what;
    CompactionMachine machine;
    rows[i].prepare(machine);
    const auto before = machine.Files();
    AnalysisOutcome outcome = AnalyzeHives(machine.Rows({L"HKLM\\SAM", target, L"HKU\\.DEFAULT"}));
    machine.fake.faults.beforeCall = nullptr;
    ASSERT_EQ(outcome.hives.size(), 3u) << label;
    const AnalyzedHive& refused = outcome.hives[1];
    EXPECT_EQ(refused.refusal, rows[i].reason) << label;
    EXPECT_EQ(refused.compactSize, 0u) << label;
    EXPECT_EQ(refused.gain(), 0) << label;
    EXPECT_TRUE(refused.largestSubtrees.empty()) << label;
    const bool askedToSave =
        std::find(machine.fake.registry.savedFiles.begin(), machine.fake.registry.savedFiles.end(),
                  CompactionMachine::CompactCopy(L"SYSTEM")) !=
        machine.fake.registry.savedFiles.end();
    EXPECT_EQ(askedToSave, rows[i].saved) << label;
    // The hives around it are measured as ever.
    for (std::size_t other : {0u, 2u}) {
      const AnalyzedHive& hive = outcome.hives[other];
      EXPECT_FALSE(hive.refusal.has_value()) << label << " " << Narrow(hive.name.str());
      EXPECT_EQ(hive.compactSize, machine.SavedSize(hive.name.str())) << label;
      EXPECT_FALSE(hive.largestSubtrees.empty()) << label;
    }
    ExpectUntouched(machine, before, label);
  }
}

// The copy passed its check; reading it again for its subtrees fails: the
// hive is measured all the same, with no subtrees, and nothing is left open.
TEST(HiveAnalysisTest, ACopyUnreadableForItsSubtreesIsStillMeasured) {
  CompactionMachine machine;
  const auto before = machine.Files();
  machine.fake.faults.Fail("ReadFile", platform::kErrorAccessDenied, 1, 2);
  AnalysisOutcome outcome = AnalyzeHives(machine.Rows({L"HKLM\\SAM"}));
  ASSERT_EQ(outcome.hives.size(), 1u);
  EXPECT_FALSE(outcome.hives[0].refusal.has_value());
  EXPECT_EQ(outcome.hives[0].compactSize, machine.SavedSize(L"HKLM\\SAM"));
  EXPECT_TRUE(outcome.hives[0].largestSubtrees.empty());
  EXPECT_EQ(machine.fake.faults.CallCount("ReadFile"), 3)
      << "the check's two reads, then the failed one";
  ExpectUntouched(machine, before, "subtrees unread");
}

TEST(HiveAnalysisTest, AFolderProblemStopsItBeforeAnySave) {
  struct Row {
    const char* what;
    std::function<void(CompactionMachine&)> prepare;
    FolderProblem problem;
  };
  const std::vector<Row> rows = {
      {"Kelvaro folder a junction",
       [](CompactionMachine& machine) {
         machine.fake.files.AddJunction(L"C:\\Windows\\Kelvaro", kTempFolder);
       },
       FolderProblem::kLink},
      {"Kelvaro folder owned by the user",
       [](CompactionMachine& machine) {
         machine.fake.files.AddFolder(L"C:\\Windows\\Kelvaro");
         machine.fake.files.SetSecurity(L"C:\\Windows\\Kelvaro",
                                        platform::fake::UserFolderDescriptor());
       },
       FolderProblem::kForeignOwner},
      {"no system Windows folder",
       [](CompactionMachine& machine) {
         machine.fake.faults.Fail("GetSystemWindowsDirectoryW", platform::kErrorAccessDenied);
       },
       FolderProblem::kNoWindowsFolder},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    CompactionMachine machine;
    rows[i].prepare(machine);
    AnalysisOutcome outcome = AnalyzeHives(machine.Rows(kAllHives));
    EXPECT_EQ(outcome.stoppedAt, StoppedAt::kRunFolder) << "row " << i << ": " << rows[i].what;
    EXPECT_EQ(outcome.folderProblem, rows[i].problem) << "row " << i;
    EXPECT_TRUE(outcome.hives.empty()) << "row " << i;
    EXPECT_TRUE(machine.fake.registry.savedFiles.empty()) << "row " << i;
  }
}

TEST(HiveAnalysisTest, PlansTheRowsAsTheRunDoes) {
  CompactionMachine machine;
  machine.AddRecord(L"HKLM\\bad:name", L"C:\\Hives\\bad", 10 * kKiB);
  machine.AddRecord(L"HKCU\\Software", L"C:\\Hives\\user", 10 * kKiB);
  machine.Mount(HiveSetUp{platform::kHKeyUsers, L"HKU\\SAM", L"C:\\Hives\\SAM2", 64 * kKiB, 0});
  const std::vector<std::wstring> display = {L"HKU\\S-1-5-20", L"HKLM\\bad:name", L"-HKLM\\SYSTEM",
                                             L"HKLM\\SAM",     L"HKCU\\Software", L"HKU\\SAM"};
  AnalysisOutcome analysis = AnalyzeHives(machine.Rows(display));
  std::vector<std::wstring> analysed;
  for (const AnalyzedHive& hive : analysis.hives) analysed.push_back(hive.name.str());
  EXPECT_EQ(analysis.hives.size(), 2u);
  CompactionOutcome run = machine.Run(display);
  // The hives that have a key, by their live file.
  std::vector<std::wstring> scheduled;
  for (const auto& replacement : machine.fake.registry.scheduledReplacements) {
    for (const wchar_t* name : {L"HKU\\S-1-5-20", L"HKLM\\SYSTEM", L"HKLM\\SAM", L"HKU\\SAM"}) {
      if (machine.Hive(name).file == replacement.hiveFile) scheduled.push_back(name);
    }
  }
  EXPECT_EQ(analysed, (std::vector<std::wstring>{L"HKU\\S-1-5-20", L"HKLM\\SAM"}));
  EXPECT_EQ(scheduled, analysed);
  EXPECT_EQ(run.scheduled, 2);
}

}  // namespace
}  // namespace compaction_test
