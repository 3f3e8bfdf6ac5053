// The swap of a profile's hives while nobody is signed in to it: a user
// signing in at any moment, and every platform call failing in turn, never
// leave a profile that does not load, a file missing, or a record that says
// other than what stands on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "compaction/BackupFolder.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecordFile.h"
#include "hive/ContentDiff.h"
#include "hive/Sha256.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/SecurityDescriptor.h"
#include "profiles/ProfileHiveRestore.h"
#include "profiles/ProfileHiveSwap.h"
#include "profiles/ProfileList.h"
#include "tests/support/BloatedHive.h"
#include "tests/support/FakeMachine.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/Narrow.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::fake::FakeWindows;
using platform::fake::FaultPlan;
using test_support::Fault;
using test_support::FaultsInTurn;

constexpr wchar_t kAlice[] = L"S-1-5-21-1-2-3-1001";
constexpr wchar_t kUserFile[] = L"C:\\Users\\alice\\NTUSER.DAT";
constexpr wchar_t kClassesFile[] =
    L"C:\\Users\\alice\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
const FakeWindows::Profile kAliceProfile{kAlice, L"C:\\Users\\alice", {}, 0, {}, L"PC\\alice"};

struct SwapMachine {
  test_support::FakeMachine fake;
  Bytes user = test_support::BloatedHive(L"User");
  Bytes classes = test_support::BloatedHive(L"Classes");
  platform::DescriptorBytes descriptor;  // the hive files' own, before any run
  SwapMachine() {
    fake.AddProfile(kAliceProfile, user, classes);
    descriptor = fake.files.SecurityOf(kUserFile);
  }

  ProfileSwapOutcome Run() {
    const profiles::ProfileListing listing = profiles::FindProfiles();
    std::vector<const profiles::UserProfile*> chosen;
    for (const profiles::UserProfile& profile : listing.profiles) chosen.push_back(&profile);
    return SwapProfileHives(chosen);
  }
};

// What every run must leave, whatever happened during it: each file at its
// name, holding its old content or the checked copy; the record naming
// exactly the swaps that stand, with the previous file at its backup name;
// no private load, handle or hold left; and a user who can sign in.
// `handleKept`: Windows refused every close, so a private load or an open
// file lasts until the program ends; the files must then be untouched.
void CheckInvariants(SwapMachine& machine, const ProfileSwapOutcome& outcome,
                     const std::string& what, bool handleKept = false) {
  FakeWindows& fake = machine.fake;
  if (handleKept) {
    EXPECT_EQ(outcome.Swapped(), 0) << what;
    EXPECT_EQ(fake.files.ReadFile(kUserFile), machine.user) << what;
    return;
  }
  EXPECT_EQ(fake.registry.PrivateHiveCount(), 0u) << what;
  std::optional<RunRecord> record;
  if (outcome.runNumber != 0) {
    record = ReadRunRecord(*SystemWindowsFolder(), outcome.runNumber);
    ASSERT_TRUE(record.has_value()) << what;
  }
  const std::pair<const wchar_t*, const Bytes*> files[] = {{kUserFile, &machine.user},
                                                           {kClassesFile, &machine.classes}};
  for (const auto& [file, before] : files) {
    const std::optional<Bytes> now = fake.files.ReadFile(file);
    ASSERT_TRUE(now.has_value()) << what << ": " << test_support::Narrow(file) << " is missing";
    const hive::ContentDiffResult diff = hive::DiffHiveContent(*before, *now, 1);
    EXPECT_TRUE(diff.readable && diff.total == 0)
        << what << ": " << test_support::Narrow(file) << " does not hold the profile";
    const bool swapped = *now != *before;
    const bool reported =
        std::any_of(outcome.hives.begin(), outcome.hives.end(), [&](const SwappedProfileHive& h) {
          return h.file == file && h.result == ProfileSwapResult::kSwapped;
        });
    EXPECT_EQ(reported, swapped) << what << ": " << test_support::Narrow(file);
    const auto recorded =
        record ? std::find_if(record->hives.begin(), record->hives.end(),
                              [&](const RecordedHive& h) { return h.liveFile == file; })
               : std::vector<RecordedHive>::const_iterator{};
    if (!record || recorded == record->hives.end()) {
      EXPECT_FALSE(swapped) << what << ": swapped with no record";
      continue;
    }
    EXPECT_EQ(recorded->state == SwapState::kSwappedNow, swapped)
        << what << ": " << test_support::Narrow(file) << " recorded as state "
        << static_cast<int>(recorded->state);
    if (!swapped) continue;
    EXPECT_EQ(hive::Sha256Hex(*now), recorded->copySha256) << what;
    EXPECT_EQ(fake.files.ReadFile(recorded->backupFile), *before) << what << ": backup";
    // The new file has the previous one's owner and permissions; the backup is
    // no longer its user's to rewrite.
    EXPECT_EQ(fake.files.SecurityOf(file), machine.descriptor) << what;
    if (std::any_of(outcome.hives.begin(), outcome.hives.end(), [&](const SwappedProfileHive& h) {
          return h.file == file && h.descriptorSet;
        })) {
      EXPECT_EQ(fake.files.SecurityOf(recorded->backupFile), platform::ProtectedDescriptor())
          << what;
    }
    EXPECT_EQ(recorded->backupSha256, hive::Sha256Hex(*before)) << what;
  }
  EXPECT_TRUE(fake.SignIn(kAliceProfile)) << what << ": the user cannot sign in";
}

// The user signs in on entry to the chosen call; a sign-in that finds the
// file held is tried again at every later call, as the user would wait.
struct SignInMoment {
  std::string operation;
  int call;
};

TEST(ProfileHiveSwapTest, ASignInAtAnyMomentLeavesAProfileThatLoads) {
  std::vector<SignInMoment> moments;
  {
    SwapMachine clean;
    const ProfileSwapOutcome outcome = clean.Run();
    ASSERT_EQ(outcome.Swapped(), 2) << "clean run";
    for (const std::string& operation : clean.fake.faults.OperationsSeen()) {
      for (int call = 0; call < clean.fake.faults.CallCount(operation); ++call) {
        moments.push_back({operation, call});
      }
    }
    CheckInvariants(clean, outcome, "clean run");
  }
  int waited = 0;
  for (std::size_t row = 0; row < moments.size(); ++row) {
    const SignInMoment& moment = moments[row];
    const std::string what = "row " + std::to_string(row) + ": sign-in at " + moment.operation +
                             " call " + std::to_string(moment.call + 1);
    SwapMachine machine;
    bool wanted = false;
    bool signedIn = false;
    int calls = 0;
    machine.fake.faults.beforeCall = [&](const std::string& operation) {
      if (operation == moment.operation && calls++ == moment.call) wanted = true;
      if (wanted && !signedIn) {
        signedIn = machine.fake.SignIn(kAliceProfile);
        if (!signedIn) ++waited;
      }
    };
    const ProfileSwapOutcome outcome = machine.Run();
    machine.fake.faults.beforeCall = nullptr;
    CheckInvariants(machine, outcome, what);
  }
  // Some moments find the file held (the private load, the last look): the
  // sign-in waits for it rather than failing.
  EXPECT_GT(waited, 0);
}

// What happens to the user's file meanwhile: on entry to the first chosen
// call from the swap's private load on.
struct MeanwhileRow {
  const char* scenario;
  std::string operation;
  std::function<void(SwapMachine&)> meanwhile;
  ProfileSwapResult result;  // of NTUSER.DAT
};

TEST(ProfileHiveSwapTest, AFileIsSwappedOnlyWhileItStillHoldsWhatWasCopied) {
  const std::vector<MeanwhileRow> rows = {
      {"another program rewrote it during the save", "RegSaveKeyExW",
       [](SwapMachine& m) {
         m.user = test_support::BloatedHive(L"Rewritten");
         m.fake.files.WriteFile(kUserFile, m.user);
       },
       ProfileSwapResult::kChanged},
      {"Windows wrote the same content while the copy was checked", "RegCloseKey",
       [](SwapMachine& m) { m.fake.files.WriteFile(kUserFile, m.user); },
       ProfileSwapResult::kSwapped},
      {"another program holds it for writing at the last look", "MoveFileExW(replace)",
       [](SwapMachine& m) {
         m.fake.files.hostileWriters.insert(m.fake.files.FileIndexOf(kUserFile));
       },
       ProfileSwapResult::kInUse},
      {"the user signed in before the copy was made", "RegLoadAppKeyW",
       [](SwapMachine& m) { m.fake.SignIn(kAliceProfile); }, ProfileSwapResult::kSignedIn},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const MeanwhileRow& row = rows[i];
    SwapMachine machine;
    bool armed = false;
    bool done = false;
    machine.fake.faults.beforeCall = [&](const std::string& operation) {
      armed = armed || operation == "RegLoadAppKeyW";
      if (!armed || done || operation != row.operation) return;
      done = true;
      row.meanwhile(machine);
    };
    const ProfileSwapOutcome outcome = machine.Run();
    machine.fake.faults.beforeCall = nullptr;
    machine.fake.files.hostileWriters.clear();
    EXPECT_TRUE(done) << "row " << i << ": " << row.scenario;
    ASSERT_FALSE(outcome.hives.empty()) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(outcome.hives[0].result, row.result) << "row " << i << ": " << row.scenario;
    if (row.result != ProfileSwapResult::kSwapped) {
      EXPECT_EQ(machine.fake.files.ReadFile(kUserFile), machine.user)
          << "row " << i << ": " << row.scenario;
    }
    CheckInvariants(machine, outcome, "row " + std::to_string(i) + ": " + row.scenario);
  }
}

TEST(ProfileHiveSwapTest, RestoreByRunPutsBackTheExactBytesUnlessTheUserIsSignedIn) {
  const struct {
    const char* scenario;
    bool signedIn;
    ProfileRestoreResult result;
  } rows[] = {{"nobody signed in", false, ProfileRestoreResult::kRestored},
              {"the user signed in since", true, ProfileRestoreResult::kSignedIn}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SwapMachine machine;
    const Bytes log = {'l', 'o', 'g', '1'};
    machine.fake.files.WriteFile(std::wstring(kUserFile) + L".LOG1", log);
    const ProfileSwapOutcome swapped = machine.Run();
    ASSERT_EQ(swapped.Swapped(), 2) << "row " << i;
    EXPECT_FALSE(machine.fake.files.Exists(std::wstring(kUserFile) + L".LOG1")) << "row " << i;
    const Bytes compacted = *machine.fake.files.ReadFile(kUserFile);
    if (rows[i].signedIn) {
      ASSERT_TRUE(machine.fake.SignIn(kAliceProfile)) << "row " << i;
    }

    const ProfileRestoreOutcome restored = RestoreProfileHives(
        swapped.runNumber,
        {L"HKU\\" + std::wstring(kAlice), L"hku\\" + std::wstring(kAlice) + L"_classes"});
    ASSERT_EQ(restored.hives.size(), 2u) << "row " << i;
    for (const RestoredProfileHive& hive : restored.hives) {
      EXPECT_EQ(hive.result, rows[i].result) << "row " << i << ": " << rows[i].scenario;
    }
    const bool back = rows[i].result == ProfileRestoreResult::kRestored;
    EXPECT_EQ(machine.fake.files.ReadFile(kUserFile), back ? machine.user : compacted)
        << "row " << i << ": " << rows[i].scenario;
    EXPECT_EQ(machine.fake.files.ReadFile(kClassesFile) == machine.classes, back)
        << "row " << i << ": " << rows[i].scenario;
    EXPECT_EQ(machine.fake.files.ReadFile(std::wstring(kUserFile) + L".LOG1") == log, back)
        << "row " << i << ": " << rows[i].scenario;
    // The backup stays: a second restore still finds it.
    EXPECT_EQ(RestoreProfileHives(swapped.runNumber, {L"HKU\\" + std::wstring(kAlice)})
                  .hives.at(0)
                  .result,
              rows[i].result)
        << "row " << i << ": " << rows[i].scenario;
  }
}

TEST(ProfileHiveSwapTest, EveryCallFailingInTurnLosesNoFileAndKeepsTheRecordTrue) {
  std::vector<Fault> faults;
  {
    SwapMachine clean;
    const ProfileSwapOutcome outcome = clean.Run();
    faults = FaultsInTurn(clean.fake.faults,
                          {platform::kErrorAccessDenied, platform::kErrorUnableToMoveReplacement2},
                          {"ReplaceFileW", "RegSaveKeyExW", "MoveFileExW(replace)"});
  }
  for (std::size_t row = 0; row < faults.size(); ++row) {
    const Fault& fault = faults[row];
    const std::string what = "row " + std::to_string(row) + ": " + test_support::Describe(fault);
    SwapMachine machine;
    if (fault.throws) {
      machine.fake.faults.beforeCall = [&fault, calls = 0](const std::string& operation) mutable {
        if (operation == fault.operation && calls++ == fault.skip) throw std::bad_alloc();
      };
    } else {
      machine.fake.faults.Fail(fault.operation, fault.error, fault.times, fault.skip);
    }
    ProfileSwapOutcome outcome;
    ASSERT_NO_THROW(outcome = machine.Run()) << what;
    machine.fake.faults.Clear();
    machine.fake.faults.beforeCall = nullptr;
    CheckInvariants(machine, outcome, what,
                    (fault.operation == "RegCloseKey" || fault.operation == "CloseHandle") &&
                        fault.times == FaultPlan::kAlways);
  }
}

TEST(ProfileHiveSwapTest, EveryCallOfARestoreFailingInTurnLeavesOneOfTheTwoFiles) {
  const std::vector<std::wstring> names = {L"HKU\\" + std::wstring(kAlice)};
  std::vector<Fault> faults;
  {
    SwapMachine clean;
    const int run = clean.Run().runNumber;
    clean.fake.faults.Clear();
    ASSERT_EQ(RestoreProfileHives(run, names).Restored(), 1);
    faults = FaultsInTurn(clean.fake.faults,
                          {platform::kErrorAccessDenied, platform::kErrorUnableToMoveReplacement2});
  }
  for (std::size_t row = 0; row < faults.size(); ++row) {
    const Fault& fault = faults[row];
    const std::string what = "row " + std::to_string(row) + ": " + test_support::Describe(fault);
    SwapMachine machine;
    const int run = machine.Run().runNumber;
    const Bytes compacted = *machine.fake.files.ReadFile(kUserFile);
    machine.fake.faults.Clear();
    machine.fake.faults.Fail(fault.operation, fault.error, fault.times, fault.skip);
    ProfileRestoreOutcome outcome;
    ASSERT_NO_THROW(outcome = RestoreProfileHives(run, names)) << what;
    machine.fake.faults.Clear();
    const std::optional<Bytes> now = machine.fake.files.ReadFile(kUserFile);
    ASSERT_TRUE(now.has_value()) << what << ": NTUSER.DAT is missing";
    EXPECT_TRUE(*now == machine.user || *now == compacted) << what;
    EXPECT_EQ(outcome.Restored() == 1, *now == machine.user) << what;
    if (fault.operation != "CloseHandle" || fault.times != FaultPlan::kAlways) {
      EXPECT_TRUE(machine.fake.SignIn(kAliceProfile)) << what << ": the user cannot sign in";
    }
  }
}

}  // namespace
