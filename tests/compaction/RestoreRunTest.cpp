// The way back on a fake machine with real hive bytes: a compaction, a
// restart, a restore and another restart bring back each hive's previous
// content and permissions; a backup that is missing, damaged, another hive's
// or no plain file is refused for its hive alone; a backup folder someone else
// could have planted stops everything.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compaction/CompactionRun.h"
#include "compaction/BackupHashes.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/RestoreRun.h"
#include "compaction/RunRecordFile.h"
#include "hive/ContentDiff.h"
#include "hive/HiveCheck.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/FakeHiveBytes.h"
#include "tests/compaction/CompactionMachine.h"

namespace compaction_test {
namespace {

struct RealHive {
  platform::KeyHandle root;
  std::wstring name;
  std::wstring file;
  std::vector<std::wstring> topLevel;  // each hive its own, so one is foreign to the other
};

const RealHive kComponents{platform::kHKeyLocalMachine,
                           L"HKLM\\COMPONENTS",
                           L"C:\\Windows\\System32\\config\\COMPONENTS",
                           {L"CanonicalData", L"DerivedData"}};
const RealHive kUser{platform::kHKeyUsers,
                     L"HKU\\S-1-5-21-7",
                     L"C:\\Users\\u\\NTUSER.DAT",
                     {L"Console", L"Software"}};
const std::wstring kMessage = L"Kelvaro puts the previous hives back.";

std::wstring Leaf(const std::wstring& name) { return name.substr(name.rfind(L'\\') + 1); }
CPathName WindowsFolder() {
  CPathName folder;
  folder.SetPath(L"C:\\Windows");
  return folder;
}

std::wstring Backup(const RealHive& hive) { return CompactionMachine::BackupFile(Leaf(hive.name)); }

void MountReal(CompactionMachine& machine, const RealHive& hive) {
  machine.MountRealHive(hive.root, hive.name, hive.file, hive.topLevel);
}

std::vector<std::string> ContentDifferences(const std::vector<std::uint8_t>& first,
                                            const std::vector<std::uint8_t>& second) {
  hive::ContentDiffResult diff = hive::DiffHiveContent(first, second, 0);
  if (!diff.readable) return {"unreadable: " + diff.error};
  std::vector<std::string> lines;
  for (const hive::ContentDifference& difference : diff.differences) {
    lines.push_back(difference.path + ": " + difference.what);
  }
  return lines;
}

// Both hives mounted, their files given their own permissions, compacted and
// restarted: the backups hold the previous files.
struct Compacted {
  CompactionMachine machine;
  std::map<std::wstring, std::vector<std::uint8_t>> previousBytes;
  std::map<std::wstring, platform::DescriptorBytes> previousDescriptor;

  Compacted() {
    for (const RealHive* hive : {&kComponents, &kUser}) {
      MountReal(machine, *hive);
      previousBytes[hive->name] = *machine.fake.files.ReadFile(hive->file);
    }
    machine.fake.files.SetSecurity(kComponents.file, platform::ProtectedDescriptor());
    for (const RealHive* hive : {&kComponents, &kUser}) {
      previousDescriptor[hive->name] = machine.fake.files.SecurityOf(hive->file);
    }
    CompactionOutcome run = machine.Run({kComponents.name, kUser.name}, false);
    EXPECT_EQ(run.scheduled, 2);
    machine.fake.Restart();
    // The administrator changed the permissions of the compact files since.
    for (const RealHive* hive : {&kComponents, &kUser}) {
      EXPECT_LT(*machine.fake.files.SizeOf(hive->file), previousBytes[hive->name].size());
      machine.fake.files.SetSecurity(hive->file, platform::fake::UserFolderDescriptor());
    }
  }

  RestoreOutcome Restore(bool restart = true) {
    return RestoreRunBackups(1, machine.Rows({kComponents.name, kUser.name}), restart,
                             CString(kMessage));
  }
};

TEST(RestoreRunTest, BringsBackThePreviousContentAndPermissionsAgainAndAgain) {
  for (bool restart : {true, false}) {
    const std::string label = restart ? "restart" : "no restart";
    Compacted compacted;
    auto& fake = compacted.machine.fake;
    for (int round = 1; round <= 2; ++round) {
      const std::string where = label + ", round " + std::to_string(round);
      RestoreOutcome outcome = compacted.Restore(restart);
      EXPECT_EQ(outcome.stoppedAt, StoppedAt::kNothing) << where;
      EXPECT_EQ(outcome.scheduled, 2) << where;
      EXPECT_TRUE(outcome.notScheduled.empty()) << where;
      EXPECT_EQ(outcome.restoredHives,
                (std::vector<CString>{CString(kComponents.name), CString(kUser.name)}))
          << where;
      EXPECT_EQ(outcome.restartRequested, restart) << where;
      ASSERT_EQ(fake.system.shutdownRequests.size(), restart ? 1u : 0u) << where;
      if (restart) {
        EXPECT_EQ(fake.system.shutdownRequests[0].message, kMessage) << where;
      }
      ASSERT_EQ(fake.registry.scheduledReplacements.size(), 2u) << where;
      for (const auto& replacement : fake.registry.scheduledReplacements) {
        // Each run of the restore gets its own folder; the replaced file goes there too.
        EXPECT_EQ(Lower(replacement.newFile).rfind(L"c:\\windows\\kelvaro\\run-", 0), 0u) << where;
        EXPECT_NE(Lower(replacement.oldFile).find(L"\\replaced\\"), std::wstring::npos) << where;
      }
      for (const wchar_t* privilege : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
        EXPECT_FALSE(compacted.machine.PrivilegeOn(privilege)) << where;
      }
      EXPECT_EQ(fake.registry.OpenHandleCount(), 0u) << where;
      EXPECT_EQ(fake.files.OpenFileCount(), 0u) << where;

      fake.Restart();
      EXPECT_TRUE(fake.unbootableHives.empty()) << where;
      // As the program does first at its next start.
      SettleLiveDescriptors(CompactionMachine::WindowsFolder());
      for (const RealHive* hive : {&kComponents, &kUser}) {
        const std::vector<std::uint8_t>& previous = compacted.previousBytes[hive->name];
        const auto live = fake.files.ReadFile(hive->file);
        ASSERT_TRUE(live.has_value()) << where;
        EXPECT_EQ(ContentDifferences(previous, *live), std::vector<std::string>{})
            << where << " " << Narrow(hive->name);
        EXPECT_EQ(live->size(), previous.size()) << where;
        EXPECT_EQ(fake.files.SecurityOf(hive->file), compacted.previousDescriptor[hive->name])
            << where << " " << Narrow(hive->name);
        // The backup stays for another time.
        EXPECT_EQ(fake.files.ReadFile(Backup(*hive)), previous) << where;
      }
    }
  }
}

std::vector<std::uint8_t> Flipped(std::vector<std::uint8_t> bytes) {
  // The first cells of the first bin: the root key's record.
  for (std::size_t at = 4096 + 32; at < 4096 + 96 && at < bytes.size(); ++at) bytes[at] ^= 0xFF;
  return bytes;
}

TEST(RestoreRunTest, ABackupThatIsNotTheHivesOwnIsRefusedForThatHiveAlone) {
  struct Row {
    const char* what;
    std::function<void(CompactionMachine&)> prepare;
    NotScheduledReason reason;
  };
  const std::wstring planted = kTempFolder + L"\\COMPONENTS";
  const std::vector<Row> rows = {
      {"missing",
       [](CompactionMachine& machine) { machine.fake.files.Remove(Backup(kComponents)); },
       NotScheduledReason::kNoBackup},
      {"damaged",
       [](CompactionMachine& machine) {
         auto bytes = Flipped(*machine.fake.files.ReadFile(Backup(kComponents)));
         ASSERT_NE(hive::CheckHiveBytes(bytes, {}).verdict, hive::Verdict::Sound);
         machine.fake.files.WriteFile(Backup(kComponents), bytes);
       },
       NotScheduledReason::kRefused},
      {"another hive's backup under its name",
       [](CompactionMachine& machine) {
         machine.fake.files.WriteFile(Backup(kComponents),
                                      *machine.fake.files.ReadFile(Backup(kUser)));
       },
       NotScheduledReason::kRefused},
      {"a link to a sound copy of its own previous file",
       [planted](CompactionMachine& machine) {
         machine.fake.files.WriteFile(planted, *machine.fake.files.ReadFile(Backup(kComponents)));
         machine.fake.files.Remove(Backup(kComponents));
         machine.fake.files.AddSymbolicLink(Backup(kComponents), planted);
       },
       NotScheduledReason::kRefused},
      {"a second name elsewhere",
       [](CompactionMachine& machine) { machine.fake.files.SetLinkCount(Backup(kComponents), 2); },
       NotScheduledReason::kRefused},
      {"its own compacted file put at its name once the backup's hash was on record",
       [](CompactionMachine& machine) {
         ASSERT_TRUE(RecordBackupHashes(WindowsFolder(), 1).has_value());
         machine.fake.files.WriteFile(Backup(kComponents),
                                      *machine.fake.files.ReadFile(kComponents.file));
       },
       NotScheduledReason::kRefused},
      {"a hive the run's record does not have as swapped",
       [](CompactionMachine&) {
         RunRecord record = *ReadRunRecord(WindowsFolder(), 1);
         record.hives.at(0).state = SwapState::kNotScheduled;
         ASSERT_TRUE(UpdateRunRecord(RunRecordPath(WindowsFolder(), 1), record));
       },
       NotScheduledReason::kNoBackup},
      {"its backup moved to where an earlier version kept backups",
       [](CompactionMachine& machine) {
         machine.fake.files.Move(Backup(kComponents), kBackupFolder + L"\\COMPONENTS");
       },
       NotScheduledReason::kNoBackup},
      {"held open for writing by another program",
       [](CompactionMachine& machine) {
         machine.fake.files.hostileWriters.insert(
             machine.fake.files.FileIndexOf(Backup(kComponents)));
       },
       NotScheduledReason::kRefused},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string label = "row " + std::to_string(i) + ": " + rows[i].what;
    Compacted compacted;
    auto& fake = compacted.machine.fake;
    rows[i].prepare(compacted.machine);
    const std::vector<std::uint8_t> compact = *fake.files.ReadFile(kComponents.file);
    RestoreOutcome outcome = compacted.Restore();
    ASSERT_EQ(outcome.notScheduled.size(), 1u) << label;
    EXPECT_EQ(outcome.notScheduled[0].name, kComponents.name.c_str()) << label;
    EXPECT_EQ(outcome.notScheduled[0].reason, rows[i].reason) << label;
    EXPECT_EQ(outcome.restoredHives, std::vector<CString>{CString(kUser.name)}) << label;
    ASSERT_EQ(fake.registry.scheduledReplacements.size(), 1u) << label;
    EXPECT_EQ(fake.registry.scheduledReplacements[0].hiveFile, kUser.file) << label;
    EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-2\\COMPONENTS"))
        << label << ": refused copy left";
    EXPECT_EQ(fake.files.OpenFileCount(), 0u) << label;
    fake.Restart();
    EXPECT_EQ(fake.files.ReadFile(kComponents.file), compact) << label;
    EXPECT_EQ(fake.files.ReadFile(kUser.file), compacted.previousBytes[kUser.name]) << label;
  }
}

TEST(RestoreRunTest, ABackupFolderSomeoneElseCouldHavePlantedOrAnotherRunStopsEverything) {
  const std::wstring folder = kBackupFolder;
  struct Row {
    const char* what;
    std::function<void(CompactionMachine&)> prepare;
    StoppedAt stoppedAt;
    FolderProblem problem;
  };
  // Each planted folder holds the real backups: only the folder itself gives it away.
  auto replaceFolder = [folder](CompactionMachine& machine, const std::wstring& planted) {
    machine.fake.files.Move(folder, planted);
  };
  const std::vector<Row> rows = {
      {"a junction to the user's copy of the backups",
       [=](CompactionMachine& machine) {
         replaceFolder(machine, kTempFolder + L"\\Backups");
         machine.fake.files.AddJunction(folder, kTempFolder + L"\\Backups");
       },
       StoppedAt::kBackupFolder, FolderProblem::kLink},
      {"a folder the user owns",
       [=](CompactionMachine& machine) {
         machine.fake.files.SetSecurity(folder, platform::fake::UserFolderDescriptor());
       },
       StoppedAt::kBackupFolder, FolderProblem::kForeignOwner},
      {"a file at its name",
       [=](CompactionMachine& machine) {
         replaceFolder(machine, L"C:\\Windows\\Old Backup");
         machine.fake.files.AddFile(folder, 10);
       },
       StoppedAt::kBackupFolder, FolderProblem::kNotAFolder},
      {"the run's own folder a junction to the user's copy",
       [=](CompactionMachine& machine) {
         machine.fake.files.Move(kRunBackupFolder, kTempFolder + L"\\Run-1");
         machine.fake.files.AddJunction(kRunBackupFolder, kTempFolder + L"\\Run-1");
       },
       StoppedAt::kBackupFolder, FolderProblem::kLink},
      {"the console tool is running",
       [](CompactionMachine& machine) {
         machine.fake.system.mutexesHeldElsewhere = {L"Global\\Kelvaro.Run",
                                                     L"Global\\Kelvaro.Run.kelvaro-hive.exe"};
       },
       StoppedAt::kAnotherRun, FolderProblem::kNone},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string label = "row " + std::to_string(i) + ": " + rows[i].what;
    Compacted compacted;
    auto& fake = compacted.machine.fake;
    rows[i].prepare(compacted.machine);
    const auto before = compacted.machine.Files();
    RestoreOutcome outcome = compacted.Restore();
    EXPECT_EQ(outcome.stoppedAt, rows[i].stoppedAt) << label;
    EXPECT_EQ(outcome.folderProblem, rows[i].problem) << label;
    EXPECT_EQ(outcome.scheduled, 0) << label;
    EXPECT_TRUE(outcome.restoredHives.empty()) << label;
    EXPECT_TRUE(fake.registry.scheduledReplacements.empty()) << label;
    EXPECT_TRUE(fake.system.shutdownRequests.empty()) << label;
    EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-2")) << label;
    EXPECT_EQ(compacted.machine.Files(), before) << label;
  }
}

TEST(RestoreRunTest, WithoutTheRunsRecordOrFolderEveryHiveHasNoBackup) {
  struct Row {
    const char* what;
    std::function<void(CompactionMachine&)> prepare;
    int run;
  };
  const Row rows[] = {
      {"no backup folder",
       [](CompactionMachine& machine) { machine.fake.files.Remove(kBackupFolder); }, 1},
      {"no run's folder",
       [](CompactionMachine& machine) { machine.fake.files.Remove(kRunBackupFolder); }, 1},
      {"no record, the backups all there",
       [](CompactionMachine& machine) {
         machine.fake.files.Remove(L"C:\\Windows\\Kelvaro\\Records\\Run-1.record");
       },
       1},
      {"a run never on record", [](CompactionMachine&) {}, 2},
      {"records in a folder the user owns",
       [](CompactionMachine& machine) {
         machine.fake.files.SetSecurity(L"C:\\Windows\\Kelvaro\\Records",
                                        platform::fake::UserFolderDescriptor());
       },
       1},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string label = "row " + std::to_string(i) + ": " + rows[i].what;
    Compacted compacted;
    auto& fake = compacted.machine.fake;
    rows[i].prepare(compacted.machine);
    RestoreOutcome outcome =
        RestoreRunBackups(rows[i].run, compacted.machine.Rows({kComponents.name, kUser.name}), true,
                          CString(kMessage));
    EXPECT_EQ(outcome.stoppedAt, StoppedAt::kNothing) << label;
    ASSERT_EQ(outcome.notScheduled.size(), 2u) << label;
    for (const NotScheduledHive& hive : outcome.notScheduled) {
      EXPECT_EQ(hive.reason, NotScheduledReason::kNoBackup) << label << Narrow(hive.name.str());
    }
    EXPECT_TRUE(fake.registry.scheduledReplacements.empty()) << label;
    EXPECT_TRUE(fake.system.shutdownRequests.empty()) << label;
    EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-2")) << label;
  }
}

}  // namespace
}  // namespace compaction_test
