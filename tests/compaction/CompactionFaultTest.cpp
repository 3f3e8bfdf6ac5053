// Every platform call the run makes fails in turn. The list of calls comes from
// a clean run on the same machine, so a call the run gains later is covered
// without touching this test. Whatever fails, the run ends without a crash;
// every scheduled replacement names a file in the run's protected folder whose
// bytes pass the hive check and that only SYSTEM and Administrators may
// change; after the restart each live file gets its own descriptor back; it
// deletes nothing of an earlier run, and leaves no start-up value and no
// restart request when nothing was scheduled; every hive boots at the next start;
// and the run's record names exactly the swaps waiting for that start. Some
// calls also throw instead (out of memory): the run then ends as interrupted.
#include <gtest/gtest.h>

#include <iostream>
#include <new>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "compaction/CompactionRun.h"
#include "compaction/HiveAnalysis.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/ProgramCopy.h"
#include "compaction/RunRecord.h"
#include "hive/Sha256.h"
#include "hive/HiveCheck.h"
#include "platform/SecurityDescriptor.h"
#include "tests/compaction/CompactionMachine.h"
#include "tests/support/FaultSweep.h"

namespace compaction_test {
namespace {

using platform::fake::FaultPlan;
using test_support::Fault;
using test_support::FaultsInTurn;

// A machine that reaches every call site: both roots, a hive without a file, a
// shared key name and an unusable one, a volatile key no save writes; either
// an earlier run's folders with backup leftovers (read-only ones too) and
// files in the temporary folder, or every folder still to be made.
struct Scenario {
  CompactionMachine machine;
  std::vector<std::wstring> display = {L"HKU\\S-1-5-20",  L"HKLM\\SYSTEM",  L"-HKLM\\SAM",
                                       L"HKLM\\SOFTWARE", L"HKU\\.DEFAULT", L"HKLM\\BCD",
                                       L"HKU\\SOFTWARE",  L"HKLM\\bad:name"};
  std::set<std::wstring> leftovers;
  // Each candidate's live file's descriptor before the run.
  std::map<std::wstring, platform::DescriptorBytes> liveDescriptors;

  explicit Scenario(bool withLeftovers) {
    for (const std::wstring& name : Candidates()) {
      liveDescriptors[name] = machine.fake.files.SecurityOf(machine.Hive(name).file);
    }
    machine.Mount(HiveSetUp{platform::kHKeyLocalMachine, L"HKLM\\BCD", L"C:\\Boot\\BCD", 0, kKiB});
    machine.fake.files.Remove(L"C:\\Boot\\BCD");
    machine.Mount(HiveSetUp{platform::kHKeyUsers, L"HKU\\SOFTWARE", L"C:\\Users\\u\\SOFTWARE",
                            300 * kKiB, 200 * kKiB});
    machine.AddRecord(L"HKLM\\bad:name", L"C:\\Hives\\bad", 10 * kKiB);
    machine.fake.registry.EnsureKey(platform::kHKeyLocalMachine, L"SYSTEM\\CurrentControlSet")
        .isVolatile = true;
    if (!withLeftovers) return;
    auto& files = machine.fake.files;
    for (const wchar_t* folder : {L"C:\\Windows\\Kelvaro", L"C:\\Windows\\Kelvaro\\Run-1",
                                  L"C:\\Windows\\Kelvaro Backup"}) {
      files.MakeDirectoryWithSecurity(folder, platform::ProtectedDescriptor());
    }
    machine.AddLeftover(CompactionMachine::CompactCopy(L"SYSTEM"), true);
    machine.AddLeftover(CompactionMachine::TempFile(L"SYSTEM"), true);
    machine.AddLeftover(CompactionMachine::TempFile(L".DEFAULT"), false);
    // Backups of an earlier run, beside where this run's go.
    AddLeftover(kBackupFolder + L"\\SYSTEM", true);
    AddLeftover(kBackupFolder + L"\\S-1-5-20", false);
  }

  void AddLeftover(const std::wstring& path, bool readOnly) {
    machine.AddLeftover(path, readOnly);
    leftovers.insert(Lower(path));
  }

  // The hives the rows above may change: ticked, with a file, first of their name.
  std::vector<std::wstring> Candidates() const {
    return {L"HKU\\S-1-5-20", L"HKLM\\SYSTEM", L"HKLM\\SOFTWARE", L"HKU\\.DEFAULT"};
  }
};

// Calls at which an allocation failure is tried: around each swap and its
// record, and in the note and the registration after it.
const std::set<std::string> kThrowingCalls = {"RegReplaceKeyW", "MoveFileExW(replace)",
                                              "CreateFileW(new)"};

// The run's record names exactly the swaps waiting for the next start: each
// swap Windows took is on record with the copy's hash and the backup's place,
// as scheduled (or as swapping when the run was interrupted at that very
// swap), and each hive on record as scheduled is waiting.
void CheckRecord(const CompactionMachine& machine, bool interrupted, const std::string& label) {
  const auto& fake = machine.fake;
  std::vector<RunRecord> records;
  for (const auto& [path, size] : machine.Files()) {
    // A rename cut short leaves the next text beside the record: not a record.
    if (path.rfind(L"c:\\windows\\kelvaro\\records\\", 0) != 0 || !path.ends_with(L".record")) {
      continue;
    }
    std::optional<RunRecord> record = ParseRunRecord(*fake.files.ReadFile(path));
    ASSERT_TRUE(record.has_value()) << label << ": not a whole record " << Narrow(path);
    records.push_back(*record);
  }
  const auto& scheduled = fake.registry.scheduledReplacements;
  if (scheduled.empty() && records.empty()) return;
  ASSERT_EQ(records.size(), 1u) << label << ": swaps without their record";
  std::map<std::wstring, const RecordedHive*> byFile;
  for (const RecordedHive& hive : records[0].hives) byFile[Lower(hive.liveFile)] = &hive;
  std::set<std::wstring> waiting;
  for (const auto& replacement : scheduled) {
    waiting.insert(Lower(replacement.hiveFile));
    const RecordedHive* hive = byFile[Lower(replacement.hiveFile)];
    ASSERT_NE(hive, nullptr) << label << ": not on record " << Narrow(replacement.hiveFile);
    EXPECT_TRUE(hive->state == SwapState::kScheduled ||
                (interrupted && hive->state == SwapState::kSwapping))
        << label << ": " << Narrow(hive->name) << " not on record as scheduled";
    EXPECT_EQ(hive->copySha256, hive::Sha256Hex(*fake.files.ReadFile(replacement.newFile)))
        << label;
    EXPECT_EQ(Lower(hive->backupFile), Lower(replacement.oldFile)) << label;
  }
  for (const RecordedHive& hive : records[0].hives) {
    if (hive.state == SwapState::kScheduled) {
      EXPECT_EQ(waiting.count(Lower(hive.liveFile)), 1u)
          << label << ": " << Narrow(hive.name) << " on record as scheduled, not waiting";
    }
    EXPECT_TRUE(interrupted || hive.state != SwapState::kSwapping) << label;
  }
}

bool IsClose(const std::string& operation) {
  return operation == "RegCloseKey" || operation == "CloseHandle" || operation == "FindClose";
}

// `failing`: the operation made to fail; a handle whose close failed stays open.
void CheckInvariants(Scenario& scenario, const CompactionOutcome& outcome,
                     const std::map<std::wstring, std::uint64_t>& before,
                     const std::string& failing, bool thrown, const std::string& label) {
  auto& fake = scenario.machine.fake;
  const auto& scheduled = fake.registry.scheduledReplacements;
  EXPECT_EQ(outcome.scheduled, static_cast<int>(scheduled.size())) << label;
  EXPECT_EQ(outcome.closeWindow, !scheduled.empty()) << label;
  EXPECT_EQ(outcome.interrupted, thrown) << label;
  CheckRecord(scenario.machine, thrown, label);

  // Every scheduled copy was written by a save that reported success, in a
  // run folder; its bytes are a sound hive and it carries the live descriptor.
  const auto& saved = fake.registry.savedFiles;
  for (const auto& replacement : scheduled) {
    EXPECT_NE(std::find(saved.begin(), saved.end(), replacement.newFile), saved.end())
        << label << ": scheduled an unsaved copy " << Narrow(replacement.newFile);
    EXPECT_EQ(Lower(replacement.newFile).rfind(L"c:\\windows\\kelvaro\\run-", 0), 0u)
        << label << ": " << Narrow(replacement.newFile);
    std::optional<std::vector<std::uint8_t>> bytes = fake.files.ReadFile(replacement.newFile);
    ASSERT_TRUE(bytes.has_value()) << label;
    EXPECT_EQ(hive::CheckHiveBytes(*bytes, {}).verdict, hive::Verdict::Sound) << label;
    EXPECT_EQ(fake.files.SecurityOf(replacement.newFile), platform::ProtectedDescriptor())
        << label << ": " << Narrow(replacement.newFile);
    // So is the live file, which becomes the backup.
    EXPECT_EQ(fake.files.SecurityOf(replacement.hiveFile), platform::ProtectedDescriptor())
        << label << ": " << Narrow(replacement.hiveFile);
  }
  if (scheduled.empty()) {
    EXPECT_FALSE(scenario.machine.HasStartupValue()) << label << ": start-up value left";
    EXPECT_TRUE(fake.system.shutdownRequests.empty()) << label << ": restart without replacements";
  }

  // Nothing vanished, earlier runs' backups included; no hive file changed.
  auto after = scenario.machine.Files();
  for (const auto& [path, size] : before) {
    EXPECT_EQ(after.count(path), 1u) << label << ": deleted " << Narrow(path);
  }
  for (const std::wstring& name : scenario.Candidates()) {
    const HiveSetUp& hive = scenario.machine.Hive(name);
    EXPECT_EQ(fake.files.SizeOf(hive.file), hive.size) << label << ": " << Narrow(name);
  }
  if (!IsClose(failing)) {
    EXPECT_EQ(fake.registry.OpenHandleCount(), 0u) << label;
    EXPECT_EQ(fake.security.OpenTokenCount(), 0u) << label;
    EXPECT_EQ(fake.files.OpenSearchCount(), 0u) << label;
    EXPECT_EQ(fake.files.OpenFileCount(), 0u) << label;
    EXPECT_EQ(fake.system.OpenMutexCount(), 0u) << label << ": the run lock stays held";
  }
  std::map<std::wstring, std::uint64_t> savedSizes;
  for (const std::wstring& name : scenario.Candidates()) {
    savedSizes[name] = scenario.machine.SavedSize(name);
  }

  // At the next start every hive has a file: the compact one when it was scheduled.
  std::set<std::wstring> replacedFiles;
  for (const auto& replacement : scheduled) replacedFiles.insert(Lower(replacement.hiveFile));
  fake.faults.Clear();
  fake.Restart();
  for (const std::wstring& name : scenario.Candidates()) {
    const HiveSetUp& hive = scenario.machine.Hive(name);
    bool replaced = replacedFiles.count(Lower(hive.file)) == 1;
    EXPECT_EQ(fake.files.SizeOf(hive.file), replaced ? savedSizes[name] : hive.size)
        << label << ": " << Narrow(name);
  }
  EXPECT_TRUE(fake.unbootableHives.empty()) << label;

  // Once Kelvaro starts again each live file has its own descriptor back; one
  // whose copy still stands unswapped (the run cut short at its swap) waits
  // for the copy to go.
  SettleLiveDescriptors(CompactionMachine::WindowsFolder());
  for (const std::wstring& name : scenario.Candidates()) {
    const HiveSetUp& hive = scenario.machine.Hive(name);
    const platform::DescriptorBytes now = fake.files.SecurityOf(hive.file);
    bool copyWaits = false;
    const std::wstring leaf = L"\\" + Lower(HiveLeafName(name.c_str()).str());
    for (const auto& [path, size] : scenario.machine.Files()) {
      copyWaits =
          copyWaits || (path.rfind(L"c:\\windows\\kelvaro\\run-", 0) == 0 && path.ends_with(leaf));
    }
    EXPECT_TRUE(now == scenario.liveDescriptors[name] ||
                (copyWaits && now == platform::ProtectedDescriptor()))
        << label << ": " << Narrow(name) << " keeps another descriptor";
  }
}

CompactionOutcome RunScenario(Scenario& scenario) {
  // As the program does at its start.
  ResultsProgramHold program(ResultsProgram::kRunningProgram);
  return RunCompaction(scenario.machine.Rows(scenario.display), true,
                       CString(compaction_test::kShutdownMessage));
}

TEST(CompactionFaultTest, EveryCallFailingInTurnLeavesASafeMachine) {
  std::size_t scenarios = 0;
  std::set<std::string> seen;
  for (bool withLeftovers : {true, false}) {
    const std::string variant = withLeftovers ? "leftovers: " : "fresh folders: ";
    std::vector<Fault> faults;
    std::size_t kinds = 0;
    {
      Scenario clean(withLeftovers);
      clean.machine.fake.faults.Clear();
      auto before = clean.machine.Files();
      CompactionOutcome outcome = RunScenario(clean);
      ASSERT_EQ(outcome.scheduled, 4) << variant;
      const FaultPlan& calls = clean.machine.fake.faults;
      seen.insert(calls.OperationsSeen().begin(), calls.OperationsSeen().end());
      kinds = calls.OperationsSeen().size();
      faults = FaultsInTurn(calls, {platform::kErrorAccessDenied, platform::kErrorNotEnoughMemory},
                            kThrowingCalls);
      CheckInvariants(clean, outcome, before, "", false, variant + "clean run");
    }

    for (const Fault& fault : faults) {
      Scenario scenario(withLeftovers);
      scenario.machine.fake.faults.Clear();
      auto before = scenario.machine.Files();
      bool thrown = false;
      if (fault.throws) {
        scenario.machine.fake.faults.beforeCall =
            [&fault, &thrown, calls = 0](const std::string& operation) mutable {
              if (operation != fault.operation || calls++ != fault.skip) return;
              thrown = true;
              throw std::bad_alloc();
            };
      } else {
        scenario.machine.fake.faults.Fail(fault.operation, fault.error, fault.times, fault.skip);
      }
      CompactionOutcome outcome;
      ASSERT_NO_THROW(outcome = RunScenario(scenario)) << variant << Describe(fault);
      scenario.machine.fake.faults.beforeCall = nullptr;
      CheckInvariants(scenario, outcome, before, fault.throws ? "" : fault.operation, thrown,
                      variant + Describe(fault));
    }
    scenarios += faults.size();
    std::cout << variant << faults.size() << " fault scenarios over " << kinds
              << " kinds of call\n";
  }
  // Together the machines reach every kind of call the run makes.
  for (const char* expected : {"GetSystemWindowsDirectoryW",
                               "GetFileAttributesW",
                               "CreateDirectoryW",
                               "DeleteFileW",
                               "OpenProcessToken",
                               "LookupPrivilegeValueW",
                               "GetTokenInformation",
                               "AdjustTokenPrivileges",
                               "CloseHandle",
                               "CompareStringW",
                               "RegCreateKeyExW",
                               "RegFlushKey",
                               "RegSaveKeyExW",
                               "RegCloseKey",
                               "RegReplaceKeyW",
                               "RegOpenKeyExW",
                               "GetModuleFileNameW",
                               "RegSetValueExW",
                               "InitiateSystemShutdownW",
                               "GetKernelObjectSecurity",
                               "GetFileInformationByHandle(path)",
                               "CreateFileW",
                               "GetFileInformationByHandle",
                               "ReadFile",
                               "RegEnumKeyExW",
                               "NtQueryKey",
                               "CreateFileW(new)",
                               "MoveFileExW(replace)",
                               "SetKernelObjectSecurity",
                               "SetFilePointerEx",
                               "CreateMutexW"}) {
    EXPECT_EQ(seen.count(expected), 1u) << expected << " was never called";
  }
  std::cout << "fault scenarios in all: " << scenarios << "\n";
  ::testing::Test::RecordProperty("fault_scenarios", static_cast<int>(scenarios));
}

// The analysis under the same faults: it never schedules, registers or
// restarts anything, never deletes a file, leaves no copy but one the platform
// will delete at the next start, and reports no size but the one Windows saves.
void CheckAnalysisInvariants(Scenario& scenario, const AnalysisOutcome& outcome,
                             const std::map<std::wstring, std::uint64_t>& before,
                             const std::string& failing, const std::string& label) {
  auto& fake = scenario.machine.fake;
  EXPECT_TRUE(fake.registry.scheduledReplacements.empty()) << label;
  EXPECT_FALSE(scenario.machine.HasStartupValue()) << label;
  EXPECT_TRUE(fake.system.shutdownRequests.empty()) << label;

  std::set<std::wstring> pendingDeletion;
  for (const std::wstring& path : fake.files.deletionsAtRestart)
    pendingDeletion.insert(Lower(path));
  auto after = scenario.machine.Files();
  for (const auto& [path, size] : before) {
    EXPECT_EQ(after.count(path), 1u) << label << ": deleted " << Narrow(path);
  }
  for (const auto& [path, size] : after) {
    if (before.count(path) == 1) continue;
    EXPECT_EQ(pendingDeletion.count(path), 1u) << label << ": left " << Narrow(path);
  }
  // An earlier run's folder stands in the way of the first name.
  const std::wstring runFolder =
      scenario.leftovers.empty() ? kRunFolder : L"C:\\Windows\\Kelvaro\\Run-2";
  // A copy still open (its close failed) or not deleted waits for the restart.
  if (failing != "DeleteFileW" && failing != "RemoveDirectoryW" && failing != "CloseHandle") {
    EXPECT_FALSE(fake.files.Exists(runFolder)) << label << ": run folder left";
  }
  if (!IsClose(failing)) {
    EXPECT_EQ(fake.registry.OpenHandleCount(), 0u) << label;
    EXPECT_EQ(fake.security.OpenTokenCount(), 0u) << label;
    EXPECT_EQ(fake.files.OpenFileCount(), 0u) << label;
  }

  if (outcome.stoppedAt != StoppedAt::kNothing) {
    EXPECT_TRUE(outcome.hives.empty()) << label;
    EXPECT_TRUE(fake.registry.savedFiles.empty()) << label;
    return;
  }
  std::vector<std::wstring> names;
  for (const AnalyzedHive& hive : outcome.hives) {
    names.push_back(hive.name.str());
    if (hive.refusal) {
      EXPECT_NE(*hive.refusal, NotScheduledReason::kStopped) << label;
      EXPECT_EQ(hive.compactSize, 0u) << label;
      continue;
    }
    EXPECT_EQ(hive.liveSize, scenario.machine.Hive(hive.name.str()).size) << label;
    EXPECT_EQ(hive.compactSize, scenario.machine.SavedSize(hive.name.str()))
        << label << ": " << Narrow(hive.name.str());
  }
  // A failed name comparison plans other rows, as it does for the run.
  if (failing != "CompareStringW") {
    EXPECT_EQ(names, scenario.Candidates()) << label;
  }
}

TEST(CompactionFaultTest, EveryCallFailingInTurnLeavesTheAnalysisHarmless) {
  std::size_t scenarios = 0;
  for (bool withLeftovers : {true, false}) {
    const std::string variant = withLeftovers ? "analysis, leftovers: " : "analysis, fresh: ";
    std::vector<Fault> faults;
    {
      Scenario clean(withLeftovers);
      clean.machine.fake.faults.Clear();
      auto before = clean.machine.Files();
      AnalysisOutcome outcome = AnalyzeHives(clean.machine.Rows(clean.display));
      ASSERT_EQ(outcome.hives.size(), 4u) << variant;
      for (const AnalyzedHive& hive : outcome.hives) {
        EXPECT_FALSE(hive.refusal.has_value()) << variant << Narrow(hive.name.str());
      }
      faults = FaultsInTurn(clean.machine.fake.faults, {platform::kErrorAccessDenied});
      CheckAnalysisInvariants(clean, outcome, before, "", variant + "clean");
    }
    for (const Fault& fault : faults) {
      Scenario scenario(withLeftovers);
      scenario.machine.fake.faults.Clear();
      auto before = scenario.machine.Files();
      scenario.machine.fake.faults.Fail(fault.operation, fault.error, fault.times, fault.skip);
      AnalysisOutcome outcome;
      ASSERT_NO_THROW(outcome = AnalyzeHives(scenario.machine.Rows(scenario.display)))
          << variant << Describe(fault);
      scenario.machine.fake.faults.Clear();
      CheckAnalysisInvariants(scenario, outcome, before, fault.operation,
                              variant + Describe(fault));
      ++scenarios;
    }
  }
  std::cout << "analysis fault scenarios: " << scenarios << "\n";
}

}  // namespace
}  // namespace compaction_test
