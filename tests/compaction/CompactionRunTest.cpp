// The compaction run on a fake machine: both passes in display order, the
// leftovers, the start-up value, the restart request, and the next start.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/HiveList.h"
#include "compaction/CompactionRun.h"
#include "compaction/ProgramCopy.h"
#include "compaction/ResumeRegistration.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/ForwardingRegistry.h"
#include "tests/compaction/CompactionMachine.h"

namespace compaction_test {
namespace {

using platform::kHKeyLocalMachine;
using platform::kHKeyUsers;

const std::vector<std::wstring> kAllHives = {L"HKLM\\SOFTWARE", L"HKLM\\SYSTEM", L"HKLM\\SAM",
                                             L"HKU\\.DEFAULT", L"HKU\\S-1-5-20"};

std::wstring Leaf(const std::wstring& name) { return name.substr(name.rfind(L'\\') + 1); }

// The leaves whose copies were saved, in order.
std::vector<std::wstring> SavedLeaves(const CompactionMachine& machine) {
  std::vector<std::wstring> leaves;
  for (const std::wstring& file : machine.fake.registry.savedFiles) leaves.push_back(Leaf(file));
  return leaves;
}

std::vector<std::wstring> ScheduledLeaves(const CompactionMachine& machine) {
  std::vector<std::wstring> leaves;
  for (const auto& replacement : machine.fake.registry.scheduledReplacements) {
    leaves.push_back(Leaf(replacement.newFile));
  }
  return leaves;
}

std::vector<std::wstring> Leaves(const std::vector<std::wstring>& names) {
  std::vector<std::wstring> leaves;
  for (const std::wstring& name : names) leaves.push_back(Leaf(name));
  return leaves;
}

TEST(CompactionRunTest, SavesSchedulesRegistersAndRestartsThenTheNextStartSwapsTheFiles) {
  CompactionMachine machine;
  CompactionOutcome outcome = machine.Run(kAllHives, true);

  EXPECT_EQ(outcome.saved, 5);
  EXPECT_EQ(outcome.scheduled, 5);
  EXPECT_TRUE(outcome.restartRequested);
  EXPECT_TRUE(outcome.closeWindow);
  auto& fake = machine.fake;
  ASSERT_EQ(fake.registry.scheduledReplacements.size(), 5u);
  for (std::size_t i = 0; i < kAllHives.size(); ++i) {
    const HiveSetUp& hive = machine.Hive(kAllHives[i]);
    const auto& replacement = fake.registry.scheduledReplacements[i];
    const std::wstring leaf = Leaf(hive.name);
    EXPECT_EQ(replacement.hiveFile, hive.file) << Narrow(hive.name);
    EXPECT_EQ(replacement.newFile, CompactionMachine::CompactCopy(leaf)) << Narrow(hive.name);
    EXPECT_EQ(replacement.oldFile, CompactionMachine::BackupFile(leaf)) << Narrow(hive.name);
    EXPECT_EQ(fake.files.SizeOf(replacement.newFile), machine.SavedSize(hive.name))
        << Narrow(hive.name);
    // The copy carries the live hive's own permissions into the swap.
    EXPECT_EQ(fake.files.SecurityOf(replacement.newFile), fake.files.SecurityOf(hive.file))
        << Narrow(hive.name);
  }
  EXPECT_EQ(fake.files.AttributesOf(kBackupFolder) & platform::kFileAttributeDirectory,
            platform::kFileAttributeDirectory);
  ASSERT_EQ(fake.system.shutdownRequests.size(), 1u);
  const auto& restart = fake.system.shutdownRequests.front();
  EXPECT_EQ(restart.message, kShutdownMessage);
  EXPECT_EQ(restart.timeoutSeconds, 10u);
  EXPECT_TRUE(restart.forceAppsClosed);
  EXPECT_TRUE(restart.rebootAfterShutdown);
  auto value = fake.registry.GetValue(kHKeyLocalMachine, kStartupKey, kStartupValueName);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(platform::fake::TextOfBytes(value->data),
            L"\"C:\\Windows\\Kelvaro\\Kelvaro.exe\" /results");
  for (const wchar_t* privilege :
       {L"SeBackupPrivilege", L"SeRestorePrivilege", L"SeShutdownPrivilege"}) {
    EXPECT_FALSE(machine.PrivilegeOn(privilege)) << Narrow(privilege) << " left on";
  }
  EXPECT_EQ(fake.registry.OpenHandleCount(), 0u);
  EXPECT_EQ(fake.security.OpenTokenCount(), 0u);
  EXPECT_EQ(fake.files.OpenSearchCount(), 0u);

  fake.Restart();
  for (const std::wstring& name : kAllHives) {
    const HiveSetUp& hive = machine.Hive(name);
    EXPECT_EQ(fake.files.SizeOf(hive.file), machine.SavedSize(name)) << Narrow(name);
    EXPECT_EQ(fake.files.SizeOf(CompactionMachine::BackupFile(Leaf(name))), hive.size)
        << Narrow(name);
    EXPECT_FALSE(fake.files.Exists(CompactionMachine::CompactCopy(Leaf(name)))) << Narrow(name);
  }
  // The catalogue sees the compact files where the hives were.
  for (const auto& entry : CollectHives()) {
    EXPECT_EQ(entry->size, machine.SavedSize(entry->name.str())) << Narrow(entry->name.str());
  }
}

TEST(CompactionRunTest, TheCataloguesRecordsDriveTheRunEndToEnd) {
  CompactionMachine machine;
  std::vector<std::unique_ptr<HiveEntry>> hives = CollectHives();
  ASSERT_EQ(hives.size(), 5u);
  std::vector<CompactionRow> rows;
  for (const auto& hive : hives) rows.push_back(CompactionRow{hive.get(), StartsTicked(*hive)});
  CompactionOutcome outcome = RunCompaction(rows, false, CString(L"restart"));
  EXPECT_EQ(outcome.scheduled, 5);
  machine.fake.Restart();
  for (const auto& hive : CollectHives()) {
    EXPECT_EQ(hive->size, machine.SavedSize(hive->name.str())) << Narrow(hive->name.str());
  }
}

TEST(CompactionRunTest, FollowsTheDisplayOrderAndLeavesUntickedRowsAlone) {
  struct Row {
    std::vector<std::wstring> display;  // '-' marks an unticked row
    std::vector<std::wstring> processed;
  };
  const Row rows[] = {
      // Re-sorted: the users' hives first, by name descending.
      {{L"HKU\\S-1-5-20", L"HKU\\.DEFAULT", L"HKLM\\SYSTEM", L"HKLM\\SOFTWARE", L"HKLM\\SAM"},
       {L"HKU\\S-1-5-20", L"HKU\\.DEFAULT", L"HKLM\\SYSTEM", L"HKLM\\SOFTWARE", L"HKLM\\SAM"}},
      {{L"HKLM\\SAM", L"-HKU\\.DEFAULT", L"HKU\\S-1-5-20", L"-HKLM\\SOFTWARE", L"HKLM\\SYSTEM"},
       {L"HKLM\\SAM", L"HKU\\S-1-5-20", L"HKLM\\SYSTEM"}},
      {{L"-HKLM\\SAM", L"HKU\\.DEFAULT"}, {L"HKU\\.DEFAULT"}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CompactionMachine machine;
    auto before = machine.Files();
    CompactionOutcome outcome = machine.Run(rows[i].display);
    EXPECT_EQ(SavedLeaves(machine), Leaves(rows[i].processed)) << "row " << i;
    EXPECT_EQ(ScheduledLeaves(machine), Leaves(rows[i].processed)) << "row " << i;
    EXPECT_EQ(outcome.scheduled, static_cast<int>(rows[i].processed.size())) << "row " << i;
    machine.fake.Restart();
    auto after = machine.Files();
    for (const std::wstring& name : kAllHives) {
      bool processed = std::find(rows[i].processed.begin(), rows[i].processed.end(), name) !=
                       rows[i].processed.end();
      const HiveSetUp& hive = machine.Hive(name);
      EXPECT_EQ(after[Lower(hive.file)], processed ? machine.SavedSize(name) : hive.size)
          << "row " << i << " " << Narrow(name);
    }
  }
}

TEST(CompactionRunTest, TheBoxDecidesTheStartUpValueAlone) {
  for (bool showResults : {true, false}) {
    CompactionMachine machine;
    CompactionOutcome outcome = machine.Run(kAllHives, showResults);
    EXPECT_EQ(machine.HasStartupValue(), showResults) << "box " << showResults;
    EXPECT_EQ(outcome.scheduled, 5) << "box " << showResults;
    EXPECT_EQ(machine.fake.system.shutdownRequests.size(), 1u) << "box " << showResults;
    EXPECT_TRUE(outcome.closeWindow) << "box " << showResults;
  }
}

TEST(CompactionRunTest, EarlierRunsBackupsAndFoldersStayAndAFolderAtTheRunsNumberStopsIt) {
  struct Row {
    const char* what;
    std::wstring planted;  // a leftover file; its folders are made protected
    bool afterTheLook;     // planted once the run chose its number
    int scheduled;
    std::wstring backups;  // the run's backup folder
  };
  const std::wstring backups = compaction_test::kBackupFolder;
  const Row rows[] = {
      {"an earlier version's backups, loose in the backup folder", backups + L"\\SYSTEM", false, 2,
       backups + L"\\Run-1"},
      {"another run's backup folder", backups + L"\\Run-7\\SAM", false, 2, backups + L"\\Run-8"},
      {"a run's backup folder whose record is gone", CompactionMachine::BackupFile(L"SAM"), false,
       2, backups + L"\\Run-2"},
      {"a folder made at this run's number after it looked", CompactionMachine::BackupFile(L"SAM"),
       true, 0, L""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string label = "row " + std::to_string(i) + ": " + rows[i].what;
    CompactionMachine machine;
    auto& files = machine.fake.files;
    const std::wstring plantedFolder = rows[i].planted.substr(0, rows[i].planted.rfind(L'\\'));
    auto plant = [&] {
      for (const std::wstring& folder :
           {compaction_test::kBackupFolder, plantedFolder, std::wstring(L"C:\\Windows\\Kelvaro"),
            compaction_test::kRunFolder}) {
        files.MakeDirectoryWithSecurity(folder.c_str(), platform::ProtectedDescriptor());
      }
      machine.AddLeftover(rows[i].planted, true);
    };
    if (rows[i].afterTheLook) {
      files.MakeDirectoryWithSecurity(compaction_test::kBackupFolder.c_str(),
                                      platform::ProtectedDescriptor());
      // The run's record is the last new file before its backup folder.
      machine.fake.faults.beforeCall = [&, planted = false](const std::string& call) mutable {
        if (call != "CreateFileW(new)" || planted) return;
        planted = true;
        plant();
      };
    } else {
      plant();
    }
    // An earlier run's staging folder is never reused nor emptied.
    if (!rows[i].afterTheLook) machine.AddLeftover(CompactionMachine::CompactCopy(L"SYSTEM"), true);

    CompactionOutcome outcome = machine.Run({L"HKLM\\SYSTEM", L"HKLM\\SAM", L"-HKLM\\SOFTWARE"});
    machine.fake.faults.beforeCall = nullptr;
    EXPECT_EQ(outcome.scheduled, rows[i].scheduled) << label;
    EXPECT_EQ(outcome.stoppedAt,
              rows[i].scheduled == 0 ? StoppedAt::kBackupFolder : StoppedAt::kNothing)
        << label;
    EXPECT_EQ(files.SizeOf(rows[i].planted), 7u) << label;
    if (rows[i].scheduled == 0) {
      EXPECT_TRUE(machine.fake.registry.scheduledReplacements.empty()) << label;
      continue;
    }
    EXPECT_EQ(files.SizeOf(CompactionMachine::CompactCopy(L"SYSTEM")), 7u) << label;
    EXPECT_EQ(ScheduledLeaves(machine), (std::vector<std::wstring>{L"SYSTEM", L"SAM"})) << label;
    for (const auto& replacement : machine.fake.registry.scheduledReplacements) {
      EXPECT_EQ(replacement.newFile.rfind(L"C:\\Windows\\Kelvaro\\Run-2\\", 0), 0u) << label;
      EXPECT_EQ(replacement.oldFile.rfind(rows[i].backups + L"\\", 0), 0u) << label;
    }
    const std::uint64_t saved = machine.SavedSize(L"HKLM\\SYSTEM");
    machine.fake.Restart();
    EXPECT_EQ(files.SizeOf(rows[i].backups + L"\\SYSTEM"), machine.Hive(L"HKLM\\SYSTEM").size)
        << label;
    EXPECT_EQ(files.SizeOf(machine.Hive(L"HKLM\\SYSTEM").file), saved) << label;
  }
}

TEST(CompactionRunTest, TheRootPrefixIgnoresCaseAndOtherNamesAreSkipped) {
  struct Row {
    std::wstring name;
    platform::KeyHandle root;  // 0: skipped
  };
  const Row rows[] = {
      {L"hklm\\COMPONENTS", kHKeyLocalMachine},
      {L"Hku\\S-1-5-19", kHKeyUsers},
      {L"HKCU\\Software", 0},
      {L"HKLM", 0},
      {L"HKLMX\\BCD", 0},
      {L"", 0},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CompactionMachine machine;
    const std::wstring leaf = Leaf(rows[i].name);
    if (rows[i].root != 0) {
      machine.Mount(
          HiveSetUp{rows[i].root, rows[i].name, L"C:\\Hives\\" + leaf, 100 * kKiB, 50 * kKiB});
    } else {
      machine.AddRecord(rows[i].name, L"C:\\Hives\\" + (leaf.empty() ? L"x" : leaf), 100 * kKiB);
      // A leftover of that name stays: the row is not the run's to touch.
      if (!leaf.empty()) machine.AddLeftover(CompactionMachine::TempFile(leaf), false);
    }
    CompactionOutcome outcome = machine.Run({rows[i].name, L"HKLM\\SAM"});
    const int expected = rows[i].root != 0 ? 2 : 1;
    EXPECT_EQ(outcome.scheduled, expected) << "row " << i << " " << Narrow(rows[i].name);
    if (rows[i].root == 0 && !leaf.empty()) {
      EXPECT_EQ(machine.fake.files.SizeOf(CompactionMachine::TempFile(leaf)), 7u) << "row " << i;
    }
    if (rows[i].root != 0) {
      machine.fake.Restart();
      EXPECT_EQ(machine.fake.files.SizeOf(L"C:\\Hives\\" + leaf), machine.SavedSize(rows[i].name))
          << "row " << i;
    }
  }
}

TEST(CompactionRunTest, NothingTickedMeansNoRestartAndNoStartUpValue) {
  for (const std::vector<std::wstring>& display :
       {std::vector<std::wstring>{}, std::vector<std::wstring>{L"-HKLM\\SAM", L"-HKU\\.DEFAULT"}}) {
    CompactionMachine machine;
    CompactionOutcome outcome = machine.Run(display, true);
    EXPECT_EQ(outcome.scheduled, 0);
    EXPECT_FALSE(outcome.closeWindow);
    EXPECT_FALSE(outcome.restartRequested);
    EXPECT_FALSE(machine.HasStartupValue());
    EXPECT_TRUE(machine.fake.system.shutdownRequests.empty());
  }
}

TEST(CompactionRunTest, RowsWithoutARecordAreSkipped) {
  CompactionMachine machine;
  std::vector<CompactionRow> rows = machine.Rows({L"HKLM\\SAM"});
  rows.insert(rows.begin(), CompactionRow{nullptr, true});
  CompactionOutcome outcome = RunCompaction(rows, false, CString(L"x"));
  EXPECT_EQ(outcome.scheduled, 1);
}

// A hive whose save failed is not replaced, whether the call
// said so or no file stands at the copy afterwards.
class SaveOutcomeRegistry : public platform::fake::ForwardingRegistry {
 public:
  enum class Lie { none, successWithoutFile, failureAfterWriting };
  SaveOutcomeRegistry(platform::IRegistry& inner, std::wstring target, Lie lie)
      : ForwardingRegistry(inner), m_target(std::move(target)), m_lie(lie) {}

  platform::Status SaveKey(platform::KeyHandle key, const wchar_t* file) override {
    if (file != nullptr && Lower(file) == Lower(m_target)) {
      if (m_lie == Lie::successWithoutFile) return 0;
      if (m_lie == Lie::failureAfterWriting) {
        Inner().SaveKey(key, file);
        return 1450;  // ERROR_NO_SYSTEM_RESOURCES
      }
    }
    return Inner().SaveKey(key, file);
  }
  platform::Status SaveKeyWithSecurity(platform::KeyHandle key, const wchar_t* file,
                                       const std::vector<std::uint8_t>& descriptor,
                                       std::uint32_t flags) override {
    if (file != nullptr && Lower(file) == Lower(m_target)) {
      if (m_lie == Lie::successWithoutFile) return 0;
      if (m_lie == Lie::failureAfterWriting) {
        Inner().SaveKeyWithSecurity(key, file, descriptor, flags);
        return 1450;  // ERROR_NO_SYSTEM_RESOURCES
      }
    }
    return Inner().SaveKeyWithSecurity(key, file, descriptor, flags);
  }
  platform::Status ReplaceKey(platform::KeyHandle k, const wchar_t* s, const wchar_t* n,
                              const wchar_t* o) override {
    replaceRequests.push_back(n != nullptr ? n : L"");
    return Inner().ReplaceKey(k, s, n, o);
  }

  // The new files of every replacement asked for, accepted or not.
  std::vector<std::wstring> replaceRequests;

 private:
  std::wstring m_target;
  Lie m_lie;
};

TEST(CompactionRunTest, AFailedSaveIsNeverReplaced) {
  using Lie = SaveOutcomeRegistry::Lie;
  struct Row {
    const char* what;
    Lie lie;
    const char* failing;  // an operation of the fake that fails once, or null
    int saved;            // saves reported as done
  };
  const Row rows[] = {
      {"the call reports success but writes nothing", Lie::successWithoutFile, nullptr, 3},
      {"the call writes a file but reports failure", Lie::failureAfterWriting, nullptr, 2},
      {"the call fails", Lie::none, "RegSaveKeyExW", 2},
  };
  for (const Row& row : rows) {
    CompactionMachine machine;
    SaveOutcomeRegistry registry(machine.fake.registry, CompactionMachine::CompactCopy(L"SYSTEM"),
                                 row.lie);
    platform::fake::PlatformWithRegistry lying(machine.fake, registry);
    platform::ScopedPlatform installed(lying);
    // SOFTWARE saves first, so a failing call hits SYSTEM.
    if (row.failing != nullptr) machine.fake.faults.Fail(row.failing, 1450, 1, 1);
    CompactionOutcome outcome = machine.Run({L"HKLM\\SOFTWARE", L"HKLM\\SYSTEM", L"HKLM\\SAM"});
    // Not even asked for: the platform is not left to refuse it.
    EXPECT_EQ(registry.replaceRequests,
              (std::vector<std::wstring>{CompactionMachine::CompactCopy(L"SOFTWARE"),
                                         CompactionMachine::CompactCopy(L"SAM")}))
        << row.what;
    EXPECT_EQ(ScheduledLeaves(machine), (std::vector<std::wstring>{L"SOFTWARE", L"SAM"}))
        << row.what;
    EXPECT_EQ(outcome.saved, row.saved) << row.what;
    EXPECT_EQ(outcome.scheduled, 2) << row.what;
    // Whatever the failed save left is gone with it.
    EXPECT_FALSE(machine.fake.files.Exists(CompactionMachine::CompactCopy(L"SYSTEM"))) << row.what;
    machine.fake.Restart();
    EXPECT_EQ(machine.fake.files.SizeOf(machine.Hive(L"HKLM\\SYSTEM").file),
              machine.Hive(L"HKLM\\SYSTEM").size)
        << row.what;
  }
}

TEST(CompactionRunTest, AHiveWhoseFileWasNotFoundIsNeverSavedOrReplacedEvenTicked) {
  CompactionMachine machine;
  machine.Mount(HiveSetUp{kHKeyLocalMachine, L"HKLM\\BCD00000000", L"C:\\Boot\\BCD", 0, 8 * kKiB});
  machine.fake.files.Remove(L"C:\\Boot\\BCD");
  machine.AddLeftover(CompactionMachine::TempFile(L"BCD00000000"), false);
  machine.AddLeftover(compaction_test::kBackupFolder + L"\\BCD00000000", false);
  CompactionOutcome outcome = machine.Run({L"HKLM\\BCD00000000", L"HKLM\\SAM"});
  EXPECT_EQ(SavedLeaves(machine), std::vector<std::wstring>{L"SAM"});
  EXPECT_EQ(ScheduledLeaves(machine), std::vector<std::wstring>{L"SAM"});
  EXPECT_EQ(outcome.scheduled, 1);
  EXPECT_EQ(machine.fake.files.SizeOf(CompactionMachine::TempFile(L"BCD00000000")), 7u);
  EXPECT_EQ(machine.fake.files.SizeOf(compaction_test::kBackupFolder + L"\\BCD00000000"), 7u);
}

TEST(CompactionRunTest, NothingScheduledMeansNoRestartNoStartUpValueAndTheWindowStays) {
  struct Row {
    const char* what;
    const char* failing;  // fails always
  };
  const Row rows[] = {
      {"every save fails", "RegSaveKeyExW"},
      {"every replacement fails", "RegReplaceKeyW"},
      {"no key opens", "RegCreateKeyExW"},
      {"no folder can be made", "CreateDirectoryW"},
      {"no copy can be opened", "CreateFileW"},
      {"no copy can be read", "ReadFile"},
      {"no live subkey can be listed", "RegEnumKeyExW"},
      {"no system Windows folder", "GetSystemWindowsDirectoryW"},
  };
  for (const Row& row : rows) {
    CompactionMachine machine;
    machine.fake.faults.Fail(row.failing, platform::kErrorAccessDenied,
                             platform::fake::FaultPlan::kAlways);
    CompactionOutcome outcome = machine.Run(kAllHives, true);
    EXPECT_FALSE(machine.fake.files.Exists(compaction_test::kRunFolder)) << row.what;
    EXPECT_EQ(outcome.scheduled, 0) << row.what;
    EXPECT_FALSE(outcome.closeWindow) << row.what;
    EXPECT_FALSE(outcome.restartRequested) << row.what;
    EXPECT_TRUE(machine.fake.system.shutdownRequests.empty()) << row.what;
    EXPECT_FALSE(machine.HasStartupValue()) << row.what;
    EXPECT_TRUE(machine.fake.registry.scheduledReplacements.empty()) << row.what;
  }
}

TEST(CompactionRunTest, AFailedRestartRequestStillEndsTheWindowWithTheReplacementsScheduled) {
  CompactionMachine machine;
  machine.fake.faults.Fail("InitiateSystemShutdownW", platform::kErrorAccessDenied);
  CompactionOutcome outcome = machine.Run(kAllHives, true);
  EXPECT_FALSE(outcome.restartRequested);
  EXPECT_TRUE(outcome.closeWindow);
  EXPECT_EQ(machine.fake.registry.scheduledReplacements.size(), 5u);
  EXPECT_TRUE(machine.HasStartupValue());
  EXPECT_FALSE(machine.PrivilegeOn(L"SeShutdownPrivilege"));
}

TEST(CompactionRunTest, LeavingTheRestartToTheUserSchedulesEverythingButAsksForNoRestart) {
  CompactionMachine machine;
  std::vector<std::unique_ptr<HiveEntry>> hives = CollectHives();
  std::vector<CompactionRow> rows;
  for (const auto& hive : hives) rows.push_back(CompactionRow{hive.get(), true});
  ResultsProgramHold program(ResultsProgram::kRunningProgram);
  CompactionOutcome outcome =
      RunCompaction(rows, true, CString(L"restart"), {}, {}, AfterScheduling::kLeaveRestartToUser);
  EXPECT_EQ(outcome.scheduled, 5);
  EXPECT_FALSE(outcome.restartRequested);
  EXPECT_TRUE(machine.fake.system.shutdownRequests.empty());
  EXPECT_FALSE(machine.PrivilegeOn(L"SeShutdownPrivilege"));
  EXPECT_TRUE(machine.HasStartupValue());
  machine.fake.Restart();
  for (const auto& hive : CollectHives()) {
    EXPECT_EQ(hive->size, machine.SavedSize(hive->name.str())) << Narrow(hive->name.str());
  }
}

TEST(CompactionRunTest, OfTwoRowsWithOneKeyNameOnlyTheFirstIsProcessed) {
  for (bool machineFirst : {true, false}) {
    CompactionMachine machine;
    machine.Mount(HiveSetUp{kHKeyLocalMachine, L"HKLM\\SHARED", L"C:\\Hives\\machine", 100 * kKiB,
                            60 * kKiB});
    machine.Mount(HiveSetUp{kHKeyUsers, L"HKU\\shared", L"C:\\Hives\\user", 200 * kKiB, 90 * kKiB});
    std::vector<std::wstring> display = {L"HKLM\\SHARED", L"HKU\\shared"};
    if (!machineFirst) std::swap(display[0], display[1]);
    const HiveSetUp& first = machine.Hive(display[0]);
    const HiveSetUp& second = machine.Hive(display[1]);
    CompactionOutcome outcome = machine.Run(display);
    EXPECT_EQ(outcome.scheduled, 1) << "machine first " << machineFirst;
    ASSERT_EQ(machine.fake.registry.scheduledReplacements.size(), 1u);
    EXPECT_EQ(machine.fake.registry.scheduledReplacements[0].hiveFile, first.file);
    // The first one's copy survived the second row.
    const std::uint64_t firstSaved = machine.SavedSize(first.name);
    EXPECT_EQ(machine.fake.files.SizeOf(CompactionMachine::CompactCopy(Leaf(first.name))),
              firstSaved);
    machine.fake.Restart();
    EXPECT_EQ(machine.fake.files.SizeOf(first.file), firstSaved);
    EXPECT_EQ(machine.fake.files.SizeOf(second.file), second.size);
  }
}

TEST(CompactionRunTest, AKeyNameThatIsNoUsableFileNameSkipsTheRowWithoutAnException) {
  const std::wstring names[] = {
      L"HKLM\\a:b",
      L"HKLM\\C:",
      L"HKU\\x|y",
      L"HKU\\<z>",
      L"HKLM\\q\"t",
      L"HKLM\\.",
      L"HKLM\\..",
      L"HKU\\*",
      L"HKU\\da?",
      L"HKLM\\",
      L"HKLM\\" + std::wstring(261, L'n'),
      std::wstring(L"HKLM\\tab\there"),
  };
  for (std::size_t i = 0; i < std::size(names); ++i) {
    CompactionMachine machine;
    machine.AddRecord(names[i], L"C:\\Hives\\odd", 100 * kKiB);
    CompactionOutcome outcome;
    EXPECT_NO_THROW(outcome = machine.Run({names[i], L"HKLM\\SAM"})) << "row " << i;
    EXPECT_EQ(SavedLeaves(machine), std::vector<std::wstring>{L"SAM"})
        << "row " << i << " " << Narrow(names[i]);
    EXPECT_EQ(outcome.scheduled, 1) << "row " << i;
    // The folders themselves are untouched.
    EXPECT_TRUE(machine.fake.files.Exists(compaction_test::kTempFolder)) << "row " << i;
    EXPECT_TRUE(machine.fake.files.Exists(L"C:\\Windows")) << "row " << i;
  }
}

TEST(CompactionRunTest, TheTemporaryFolderIsNeverUsedWhereverItPoints) {
  const std::wstring rows[] = {
      L"C:\\Users\\Admin\\New\\Temp\\",
      L"C:\\..\\Tmp\\",
      L"Temp\\",
      L"C:\\Windows\\System32\\config\\",
      L"C:\\Windows\\Kelvaro Backup\\",
      L"\\\\server\\share\\",
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CompactionMachine machine;
    machine.fake.files.AddFolder(L"C:\\Tmp");
    machine.fake.files.AddShare(L"server", L"share");
    machine.fake.files.tempPath = rows[i];
    const auto before = machine.Files();
    CompactionOutcome outcome = machine.Run({L"HKLM\\SAM"});
    EXPECT_EQ(outcome.scheduled, 1) << "row " << i << " " << Narrow(rows[i]);
    EXPECT_EQ(machine.fake.faults.CallCount("GetTempPathW"), 0) << "row " << i;
    ASSERT_EQ(machine.fake.registry.scheduledReplacements.size(), 1u) << "row " << i;
    EXPECT_EQ(machine.fake.registry.scheduledReplacements[0].newFile,
              CompactionMachine::CompactCopy(L"SAM"))
        << "row " << i;
    // Only the run's own copy, its record and the copy's content kept beside
    // it, its recovery note and script, the live files' descriptors kept over
    // the swap and the program's copy for the start-up value are new; nothing
    // else appeared or went.
    auto after = machine.Files();
    EXPECT_EQ(after.erase(Lower(L"C:\\Windows\\Kelvaro\\Records\\Run-1.record")), 1u)
        << "row " << i;
    EXPECT_EQ(after.erase(Lower(L"C:\\Windows\\Kelvaro\\Records\\Run-1\\SAM")), 1u) << "row " << i;
    after.erase(Lower(CompactionMachine::CompactCopy(L"SAM")));
    after.erase(Lower(compaction_test::kRunBackupFolder + L"\\How to restore.txt"));
    after.erase(Lower(compaction_test::kRunBackupFolder + L"\\Restore previous hives.cmd"));
    after.erase(Lower(L"C:\\Windows\\Kelvaro\\Kelvaro.exe"));
    after.erase(Lower(L"C:\\Windows\\Kelvaro\\Live descriptors"));
    EXPECT_EQ(after, before) << "row " << i;
  }
}

TEST(CompactionRunTest, ACopyNotSmallerThanTheLiveFileIsNotScheduled) {
  struct Row {
    std::uint64_t liveSize;  // 0: exactly the saved size
    bool scheduled;
  };
  const Row rows[] = {{1 * kKiB, false}, {0, false}, {300 * kKiB, true}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CompactionMachine machine;
    machine.Mount(HiveSetUp{kHKeyLocalMachine, L"HKLM\\TIGHT", L"C:\\Hives\\TIGHT", 100 * kKiB, 0});
    const std::uint64_t saved = machine.SavedSize(L"HKLM\\TIGHT");
    const std::uint64_t live = rows[i].liveSize != 0 ? rows[i].liveSize : saved;
    machine.fake.files.AddFile(L"C:\\Hives\\TIGHT", live);
    CompactionOutcome outcome = machine.Run({L"HKLM\\TIGHT", L"HKLM\\SAM"});
    EXPECT_EQ(outcome.scheduled, rows[i].scheduled ? 2 : 1) << "row " << i;
    if (!rows[i].scheduled) {
      ASSERT_EQ(outcome.notScheduled.size(), 1u) << "row " << i;
      EXPECT_EQ(outcome.notScheduled[0].reason, NotScheduledReason::kNoGain) << "row " << i;
      EXPECT_FALSE(machine.fake.files.Exists(CompactionMachine::CompactCopy(L"TIGHT")))
          << "row " << i << ": the copy stays behind";
    }
  }
}

}  // namespace
}  // namespace compaction_test
