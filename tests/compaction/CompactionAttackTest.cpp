// Another program of the user attacks the run between two of its platform
// calls, or prepares the machine before it starts. Whatever it does, every
// replacement the run schedules names a copy in the run's protected folder
// whose bytes are exactly what Windows saved for that hive, pass the hive
// check and carry the live hive's descriptor; nothing outside the protected
// folders is deleted or changed; and every hive boots at the next start.
//
// The attacker acts as the user (refused where the user may not write) or,
// to prove the check behind the folder's protection, with that protection
// bypassed as a flaw of the system would allow. As the user it opens an
// existing file by its full path, which its own descriptor alone guards
// (every user may traverse folders), and makes new entries where the folder
// lets it. Some attacks come after the restart, before anything of Kelvaro
// runs again.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "compaction/CompactionRun.h"
#include "compaction/LiveDescriptors.h"
#include "hive/HiveCheck.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/FakeHiveBytes.h"
#include "tests/compaction/CompactionMachine.h"

namespace compaction_test {
namespace {

using platform::fake::FakeWindows;

const std::vector<std::wstring> kAllHives = {L"HKLM\\SOFTWARE", L"HKLM\\SYSTEM", L"HKLM\\SAM",
                                             L"HKU\\.DEFAULT", L"HKU\\S-1-5-20"};
const std::wstring kTarget = L"HKLM\\SYSTEM";
const std::wstring kTargetCopy = CompactionMachine::CompactCopy(L"SYSTEM");
// A hive whose file the user owns, as a user's own hive is.
const std::wstring kUserHive = L"HKU\\S-1-5-20";
const std::wstring kUserHiveCopy = CompactionMachine::CompactCopy(L"S-1-5-20");
const std::wstring kUserFolder = L"C:\\Users\\Admin\\AppData\\Local\\Temp";

// The other program. `bypass` lets it write where the user may not.
struct Attacker {
  FakeWindows& fake;
  bool bypass;
  int refused = 0;
  int done = 0;

  static std::wstring Parent(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }
  // An existing entry by its own descriptor, a new one by its folder's; a
  // file held open without write or delete sharing by nobody.
  bool May(const std::wstring& path, std::uint32_t rights = platform::kModifyingRights) {
    const bool userMay = fake.files.Exists(path) ? fake.files.UserMayOpen(path, rights) &&
                                                       !fake.files.IsOpenExclusively(path)
                                                 : fake.files.UserMayChangeFolder(Parent(path));
    if (bypass || userMay) {
      ++done;
      return true;
    }
    ++refused;
    return false;
  }
};

// A sound hive of another key: its top-level keys are not SYSTEM's.
std::vector<std::uint8_t> ForeignHive() {
  platform::fake::FakeKey other;
  auto child = std::make_unique<platform::fake::FakeKey>();
  child->name = L"Planted";
  other.subkeys.push_back(std::move(child));
  return platform::fake::SavedHiveBytes(other, platform::kRegLatestFormat);
}

struct Row {
  using Prepare = std::function<void(CompactionMachine&)>;
  using Act = std::function<void(Attacker&, const std::string& operation)>;
  using AfterRestart = std::function<void(Attacker&, const std::map<std::wstring, std::wstring>&)>;
  Row(const char* what_, Prepare prepare_, Act act_, bool bypass_ = false,
      StoppedAt stoppedAt_ = StoppedAt::kNothing,
      std::optional<NotScheduledReason> targetReason_ = std::nullopt, bool attackRefused_ = false,
      AfterRestart afterRestart_ = nullptr)
      : what(what_),
        prepare(std::move(prepare_)),
        act(std::move(act_)),
        bypass(bypass_),
        stoppedAt(stoppedAt_),
        targetReason(targetReason_),
        attackRefused(attackRefused_),
        afterRestart(std::move(afterRestart_)) {}

  const char* what;
  Prepare prepare;  // before the run
  Act act;          // before every platform call of the run
  bool bypass;      // the attacker may write where the user may not
  StoppedAt stoppedAt;
  std::optional<NotScheduledReason> targetReason;  // SYSTEM left as it is, and why
  bool attackRefused;                              // the user may not do it
  // Right after the restart, given each swapped live file's backup by the
  // live file's lower-case path.
  AfterRestart afterRestart;
};

// Acts once, at the first `operation` that meets the copy standing.
std::function<void(Attacker&, const std::string&)> AtCopy(const std::string& operation,
                                                          std::function<void(Attacker&)> action,
                                                          const std::wstring& copy = kTargetCopy) {
  auto fired = std::make_shared<bool>(false);
  return [=](Attacker& attacker, const std::string& called) {
    if (*fired || called != operation || !attacker.fake.files.Exists(copy)) return;
    *fired = true;
    if (attacker.May(copy)) action(attacker);
  };
}

// The user's own hive file, as the profile's files are.
void UserOwnsTheirHive(CompactionMachine& machine) {
  machine.fake.files.SetSecurity(machine.Hive(kUserHive).file,
                                 platform::fake::UserFolderDescriptor());
}

// After the restart: the user opens the backup of `hive` for `rights`.
Row::AfterRestart AtBackup(const std::wstring& hive, std::uint32_t rights,
                           std::function<void(Attacker&, const std::wstring&)> action) {
  return [=](Attacker& attacker, const std::map<std::wstring, std::wstring>& backups) {
    const std::wstring backup =
        backups.at(Lower(attacker.fake.registry
                             .FindKey(hive.rfind(L"HKU", 0) == 0 ? platform::kHKeyUsers
                                                                 : platform::kHKeyLocalMachine,
                                      hive.substr(hive.find(L'\\') + 1))
                             ->hiveFile));
    if (attacker.May(backup, rights)) action(attacker, backup);
  };
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  auto userOwned = [](const std::wstring& folder) {
    return [folder](CompactionMachine& machine) {
      machine.fake.files.AddFolder(folder);
      machine.fake.files.SetSecurity(folder, platform::fake::UserFolderDescriptor());
    };
  };
  auto junction = [](const std::wstring& folder) {
    return [folder](CompactionMachine& machine) {
      machine.fake.files.AddJunction(folder, kUserFolder);
    };
  };
  // Before the run: folders planted where the run works.
  rows.push_back({"Kelvaro folder made by the user", userOwned(L"C:\\Windows\\Kelvaro"), nullptr,
                  false, StoppedAt::kRunFolder});
  rows.push_back({"Kelvaro folder of Administrators that Users may change",
                  [](CompactionMachine& machine) {
                    const std::wstring folder = L"C:\\Windows\\Kelvaro";
                    machine.fake.files.AddFolder(folder);
                    machine.fake.files.SetSecurity(
                        folder, platform::MakeDescriptor(
                                    platform::AdministratorsSid(), platform::AdministratorsSid(),
                                    {{platform::AdministratorsSid(), platform::kFileAllAccess, 0},
                                     {platform::UsersSid(), platform::kFileAllAccess, 0}},
                                    true));
                  },
                  nullptr, false, StoppedAt::kRunFolder});
  rows.push_back({"Kelvaro folder a junction", junction(L"C:\\Windows\\Kelvaro"), nullptr, false,
                  StoppedAt::kRunFolder});
  rows.push_back(
      {"a file named Kelvaro",
       [](CompactionMachine& machine) { machine.fake.files.AddFile(L"C:\\Windows\\Kelvaro", 1); },
       nullptr, false, StoppedAt::kRunFolder});
  rows.push_back({"backup folder made by the user", userOwned(L"C:\\Windows\\Kelvaro Backup"),
                  nullptr, false, StoppedAt::kBackupFolder});
  rows.push_back({"backup folder a junction", junction(L"C:\\Windows\\Kelvaro Backup"), nullptr,
                  false, StoppedAt::kBackupFolder});
  rows.push_back({"an earlier run folder, a junction",
                  [](CompactionMachine& machine) {
                    machine.fake.files.MakeDirectoryWithSecurity(L"C:\\Windows\\Kelvaro",
                                                                 platform::ProtectedDescriptor());
                    machine.fake.files.AddJunction(compaction_test::kRunFolder, kUserFolder);
                  },
                  nullptr});
  rows.push_back({"session host: the Windows folder is the user's",
                  [](CompactionMachine& machine) {
                    machine.fake.files.AddFolder(L"C:\\Users\\Admin\\WINDOWS");
                    machine.fake.files.SetSecurity(L"C:\\Users\\Admin\\WINDOWS",
                                                   platform::fake::UserFolderDescriptor());
                    machine.fake.system.sessionWindowsDirectory = L"C:\\Users\\Admin\\WINDOWS";
                  },
                  nullptr});
  rows.push_back({"a second instance: the console tool runs",
                  [](CompactionMachine& machine) {
                    machine.fake.system.mutexesHeldElsewhere = {
                        L"Global\\Kelvaro.Run", L"Global\\Kelvaro.Run.kelvaro-hive.exe"};
                  },
                  nullptr, false, StoppedAt::kAnotherRun});
  rows.push_back({"TEMP at the live hives' folder",
                  [](CompactionMachine& machine) {
                    machine.fake.files.tempPath = L"C:\\Windows\\System32\\config\\";
                  },
                  nullptr});
  rows.push_back({"TEMP on a share",
                  [](CompactionMachine& machine) {
                    machine.fake.files.AddShare(L"attacker", L"loot");
                    machine.fake.files.tempPath = L"\\\\attacker\\loot\\";
                  },
                  nullptr});
  // Between two calls, as the user: the protected folder keeps the user out.
  for (const char* operation :
       {"GetFileInformationByHandle(path)", "CreateFileW", "RegReplaceKeyW"}) {
    rows.push_back(
        {"user rewrites the copy", nullptr,
         AtCopy(operation,
                [](Attacker& attacker) { attacker.fake.files.WriteFile(kTargetCopy, {'x'}); }),
         false, StoppedAt::kNothing, std::nullopt, true});
  }
  rows.push_back(
      {"user deletes the copy", nullptr,
       AtCopy("CreateFileW", [](Attacker& attacker) { attacker.fake.files.Remove(kTargetCopy); }),
       false, StoppedAt::kNothing, std::nullopt, true});
  // By full path: the copy's own descriptor keeps the user out, a copy of
  // the user's own hive too, until the restart.
  for (const char* operation : {"CreateFileW", "RegReplaceKeyW", "InitiateSystemShutdownW"}) {
    rows.push_back({"user writes their own hive's copy by full path", UserOwnsTheirHive,
                    AtCopy(
                        operation,
                        [](Attacker& attacker) {
                          attacker.fake.files.WriteFile(kUserHiveCopy, ForeignHive());
                        },
                        kUserHiveCopy),
                    false, StoppedAt::kNothing, std::nullopt, true});
  }
  // After the restart the backups are the old live files: nobody else reads
  // a machine hive's (password hashes), nor rewrites a user's own.
  rows.push_back(
      {"user reads the SAM backup (Users may read the live SAM)",
       [](CompactionMachine& machine) {
         const std::wstring sam = machine.Hive(L"HKLM\\SAM").file;
         machine.fake.files.SetSecurity(sam, platform::fake::WindowsFolderDescriptor());
       },
       nullptr, false, StoppedAt::kNothing, std::nullopt, true,
       AtBackup(L"HKLM\\SAM", platform::kReadingRights, [](Attacker&, const std::wstring&) {})});
  rows.push_back({"user rewrites their own hive's backup", UserOwnsTheirHive, nullptr, false,
                  StoppedAt::kNothing, std::nullopt, true,
                  AtBackup(kUserHive, platform::kModifyingRights,
                           [](Attacker& attacker, const std::wstring& backup) {
                             attacker.fake.files.WriteFile(backup, ForeignHive());
                           })});
  // The user who downloaded the program may rename it while it runs, were it
  // not held open since the start: the copy registered is the program started.
  rows.push_back(
      {"user renames the program away and puts another in its place", nullptr,
       [fired = std::make_shared<bool>(false)](Attacker& attacker, const std::string& operation) {
         if (*fired || operation != "RegSaveKeyExW") return;
         *fired = true;
         const std::wstring program = attacker.fake.system.moduleFileName;
         if (attacker.May(program)) {
           attacker.fake.files.Move(program, program + L".old");
           attacker.fake.files.WriteFile(program, {'E', 'V', 'I', 'L'});
         }
       },
       false, StoppedAt::kNothing, std::nullopt, true});
  rows.push_back(
      {"user plants a run folder junction", nullptr,
       [fired = std::make_shared<bool>(false)](Attacker& attacker, const std::string& operation) {
         if (*fired || operation != "CreateDirectoryW" ||
             !attacker.fake.files.Exists(L"C:\\Windows\\Kelvaro")) {
           return;
         }
         *fired = true;
         if (attacker.May(compaction_test::kRunFolder)) {
           attacker.fake.files.AddJunction(compaction_test::kRunFolder, kUserFolder);
         }
       },
       false, StoppedAt::kNothing, std::nullopt, true});
  // Between the save and the check, with the protection bypassed: the check
  // refuses whatever is not Windows' own save.
  auto bypassed = [&rows](const char* what, std::function<void(Attacker&)> action,
                          NotScheduledReason reason) {
    rows.push_back(
        {what, nullptr, AtCopy("CreateFileW", action), true, StoppedAt::kNothing, reason});
  };
  bypassed(
      "copy rewritten as text",
      [](Attacker& attacker) {
        attacker.fake.files.WriteFile(kTargetCopy, {'R', 'E', 'G', 'E', 'D', 'I', 'T', '4'});
      },
      NotScheduledReason::kRefused);
  bypassed(
      "copy truncated",
      [](Attacker& attacker) {
        std::vector<std::uint8_t> bytes = *attacker.fake.files.ReadFile(kTargetCopy);
        bytes.resize(bytes.size() / 2);
        attacker.fake.files.WriteFile(kTargetCopy, bytes);
      },
      NotScheduledReason::kRefused);
  bypassed(
      "copy swapped for another sound hive",
      [](Attacker& attacker) { attacker.fake.files.WriteFile(kTargetCopy, ForeignHive()); },
      NotScheduledReason::kRefused);
  bypassed(
      "copy replaced by a link to a sound hive",
      [](Attacker& attacker) {
        attacker.fake.files.WriteFile(kUserFolder + L"\\hive", ForeignHive());
        attacker.fake.files.Remove(kTargetCopy);
        attacker.fake.files.AddSymbolicLink(kTargetCopy, kUserFolder + L"\\hive");
      },
      NotScheduledReason::kRefused);
  bypassed(
      "copy given a second name",
      [](Attacker& attacker) { attacker.fake.files.SetLinkCount(kTargetCopy, 2); },
      NotScheduledReason::kRefused);
  bypassed(
      "copy held open for writing",
      [](Attacker& attacker) {
        attacker.fake.files.hostileWriters.insert(attacker.fake.files.FileIndexOf(kTargetCopy));
      },
      NotScheduledReason::kRefused);
  bypassed(
      "copy deleted", [](Attacker& attacker) { attacker.fake.files.Remove(kTargetCopy); },
      NotScheduledReason::kRefused);
  // Not an attack on the file: the live hive changed after the save, and the
  // copy would lose the new key.
  rows.push_back({"a key made after the save", nullptr,
                  AtCopy("CreateFileW",
                         [](Attacker& attacker) {
                           attacker.fake.registry.EnsureKey(platform::kHKeyLocalMachine,
                                                            L"SYSTEM\\NewSetting");
                         }),
                  true, StoppedAt::kNothing, NotScheduledReason::kRefused});
  rows.push_back(
      {"the platform cannot tell a volatile key",
       [](CompactionMachine& machine) { machine.fake.registry.keyFlagsAvailable = false; }, nullptr,
       false, StoppedAt::kNothing, NotScheduledReason::kRefused});
  rows.push_back(
      {"the hive lives on another volume",
       [](CompactionMachine& machine) {
         machine.fake.files.AddDrive(L'D');
         machine.fake.files.Move(machine.Hive(kTarget).file, L"C:\\SYSTEM");
         machine.fake.files.AddFile(L"D:\\SYSTEM", machine.Hive(kTarget).size);
         machine.fake.registry.FindKey(platform::kHKeyLocalMachine, L"SYSTEM")->hiveFile =
             L"D:\\SYSTEM";
         const_cast<HiveEntry&>(machine.Entry(kTarget)).path.SetPath(L"D:\\SYSTEM");
       },
       nullptr, false, StoppedAt::kNothing, NotScheduledReason::kOtherVolume});
  return rows;
}

bool InProtectedFolder(const std::wstring& lowerPath) {
  return lowerPath.rfind(L"c:\\windows\\kelvaro\\", 0) == 0 ||
         lowerPath.rfind(L"c:\\windows\\kelvaro backup\\", 0) == 0;
}

// Every file outside the protected folders, with its bytes or size.
std::map<std::wstring, std::pair<std::uint64_t, std::vector<std::uint8_t>>> Outside(
    const CompactionMachine& machine) {
  std::map<std::wstring, std::pair<std::uint64_t, std::vector<std::uint8_t>>> files;
  for (const auto& [path, size] : machine.Files()) {
    if (InProtectedFolder(path)) continue;
    files[path] = {size, machine.fake.files.ReadFile(path).value_or(std::vector<std::uint8_t>{})};
  }
  return files;
}

TEST(CompactionAttackTest, NoAttackGetsAnythingButVerifiedBytesScheduled) {
  const std::vector<Row> rows = Rows();
  for (std::size_t index = 0; index < rows.size(); ++index) {
    const Row& row = rows[index];
    const std::string label = "row " + std::to_string(index) + ": " + row.what;
    CompactionMachine machine;
    FakeWindows& fake = machine.fake;
    if (row.prepare) row.prepare(machine);
    std::map<std::wstring, platform::DescriptorBytes> liveDescriptors;
    for (const std::wstring& name : kAllHives) {
      const std::wstring file =
          fake.registry.FindKey(machine.Hive(name).root, name.substr(name.find(L'\\') + 1))
              ->hiveFile;
      liveDescriptors[Lower(file)] = fake.files.SecurityOf(file);
    }
    const auto before = Outside(machine);
    const auto programBytes = fake.files.ReadFile(fake.system.moduleFileName);
    // What Windows saves for each hive now: the only bytes the run may schedule.
    std::map<std::wstring, std::vector<std::uint8_t>> savedBytes;
    for (const std::wstring& name : kAllHives) {
      const platform::fake::FakeKey* key =
          fake.registry.FindKey(machine.Hive(name).root, name.substr(name.find(L'\\') + 1));
      savedBytes[Lower(key->hiveFile)] =
          platform::fake::SavedHiveBytes(*key, platform::kRegLatestFormat);
    }
    Attacker attacker{fake, row.bypass};
    if (row.act) {
      fake.faults.beforeCall = [&](const std::string& operation) { row.act(attacker, operation); };
    }
    CompactionOutcome outcome = machine.Run(kAllHives, true);
    fake.faults.beforeCall = nullptr;

    EXPECT_EQ(outcome.stoppedAt, row.stoppedAt) << label;
    // The backup each swap makes of its live file, as the restart will.
    std::map<std::wstring, std::wstring> backups;
    for (const auto& replacement : fake.registry.scheduledReplacements) {
      backups[Lower(replacement.hiveFile)] = replacement.oldFile;
    }
    std::optional<NotScheduledReason> targetReason;
    for (const NotScheduledHive& hive : outcome.notScheduled) {
      if (hive.name == kTarget.c_str()) targetReason = hive.reason;
    }
    if (row.stoppedAt == StoppedAt::kNothing) {
      EXPECT_EQ(targetReason, row.targetReason) << label;
      EXPECT_EQ(outcome.scheduled, row.targetReason ? 4 : 5) << label;
    } else {
      EXPECT_EQ(outcome.scheduled, 0) << label;
      EXPECT_TRUE(fake.registry.savedFiles.empty()) << label << ": saved before the folders held";
    }
    // The second one says who holds the run.
    EXPECT_EQ(outcome.runHolder.str(),
              row.stoppedAt == StoppedAt::kAnotherRun ? L"kelvaro-hive.exe" : L"")
        << label;

    // Every scheduled copy is the save's own bytes, checked, in a run folder,
    // and only SYSTEM and Administrators may change it until it is live.
    for (const auto& replacement : fake.registry.scheduledReplacements) {
      const std::wstring where = Lower(replacement.newFile);
      EXPECT_EQ(where.rfind(L"c:\\windows\\kelvaro\\run-", 0), 0u) << label << " " << Narrow(where);
      std::optional<std::vector<std::uint8_t>> bytes = fake.files.ReadFile(replacement.newFile);
      ASSERT_TRUE(bytes.has_value()) << label;
      EXPECT_EQ(hive::CheckHiveBytes(*bytes, {}).verdict, hive::Verdict::Sound) << label;
      EXPECT_EQ(*bytes, savedBytes[Lower(replacement.hiveFile)])
          << label << ": scheduled bytes Windows did not save";
      EXPECT_EQ(fake.files.SecurityOf(replacement.newFile), platform::ProtectedDescriptor())
          << label;
    }
    // Nothing outside the protected folders was deleted or changed; the
    // attacker's own file aside.
    auto after = Outside(machine);
    after.erase(Lower(kUserFolder + L"\\hive"));
    EXPECT_EQ(after, before) << label;
    // The program copy the start-up value names is the program started.
    if (machine.HasStartupValue()) {
      EXPECT_EQ(fake.files.ReadFile(L"C:\\Windows\\Kelvaro\\Kelvaro.exe"), programBytes) << label;
    }
    if (outcome.scheduled == 0) {
      EXPECT_FALSE(machine.HasStartupValue()) << label;
      EXPECT_TRUE(fake.system.shutdownRequests.empty()) << label;
    }
    fake.Restart();
    EXPECT_TRUE(fake.unbootableHives.empty()) << label;
    if (row.afterRestart) row.afterRestart(attacker, backups);
    if (row.act || row.afterRestart) {
      EXPECT_EQ(attacker.done + attacker.refused, 1) << label << ": the attack never ran";
      EXPECT_EQ(attacker.refused, row.attackRefused ? 1 : 0) << label;
    }
    // The backups stay SYSTEM's and Administrators' alone; the new live files
    // get the descriptors the old ones had, once Kelvaro starts again.
    for (const auto& [live, backup] : backups) {
      EXPECT_EQ(fake.files.SecurityOf(backup), platform::ProtectedDescriptor())
          << label << " " << Narrow(backup);
    }
    SettleLiveDescriptors(CompactionMachine::WindowsFolder());
    for (const auto& [live, descriptor] : liveDescriptors) {
      EXPECT_EQ(fake.files.SecurityOf(live), descriptor) << label << " " << Narrow(live);
    }
  }
  std::cout << "attack scenarios: " << rows.size() << "\n";
  ::testing::Test::RecordProperty("attack_scenarios", static_cast<int>(rows.size()));
}

}  // namespace
}  // namespace compaction_test
