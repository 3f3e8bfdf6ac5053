// Every platform call the restore makes fails in turn (the list comes from a
// clean restore on the same machine). Whatever fails, the restore ends
// without a crash; it schedules nothing but an exact copy of the hive's own
// backup with the backup's descriptor; it deletes nothing; it leaves no file
// outside its protected folder; and every hive boots at the next start.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "compaction/CompactionRun.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/RestoreRun.h"
#include "platform/SecurityDescriptor.h"
#include "tests/compaction/CompactionMachine.h"
#include "tests/support/FaultSweep.h"

namespace compaction_test {
namespace {

using test_support::Fault;
using test_support::FaultsInTurn;

struct Hive {
  platform::KeyHandle root;
  std::wstring name;
  std::wstring file;
  std::vector<std::wstring> topLevel;
};

const std::vector<Hive> kHives = {
    {platform::kHKeyLocalMachine,
     L"HKLM\\COMPONENTS",
     L"C:\\Windows\\System32\\config\\COMPONENTS",
     {L"CanonicalData", L"DerivedData"}},
    {platform::kHKeyUsers, L"HKU\\S-1-5-21-7", L"C:\\Users\\u\\NTUSER.DAT", {L"Console"}},
    {platform::kHKeyLocalMachine,
     L"HKLM\\DRIVERS",
     L"C:\\Windows\\System32\\config\\DRIVERS",
     {L"DriverDatabase"}},
};

std::vector<std::wstring> Names() {
  std::vector<std::wstring> names;
  for (const Hive& hive : kHives) names.push_back(hive.name);
  return names;
}

// Compacted and restarted: the backup folder holds each hive's previous file.
struct Machine {
  CompactionMachine machine;
  std::map<std::wstring, std::vector<std::uint8_t>> backupBytes;  // by lower-case hive file
  std::map<std::wstring, platform::DescriptorBytes> backupDescriptor;
  std::map<std::wstring, std::vector<std::uint8_t>> compactBytes;

  Machine() {
    for (const Hive& hive : kHives) {
      machine.MountRealHive(hive.root, hive.name, hive.file, hive.topLevel);
    }
    // One hive file with permissions of its own.
    machine.fake.files.SetSecurity(kHives[0].file, platform::ProtectedDescriptor());
    EXPECT_EQ(machine.Run(Names(), false).scheduled, 3);
    machine.fake.Restart();
    SettleLiveDescriptors(CompactionMachine::WindowsFolder());
    for (const Hive& hive : kHives) {
      const std::wstring backup =
          CompactionMachine::BackupFile(hive.name.substr(hive.name.rfind(L'\\') + 1));
      backupBytes[Lower(hive.file)] = *machine.fake.files.ReadFile(backup);
      backupDescriptor[Lower(hive.file)] = machine.fake.files.SecurityOf(backup);
      compactBytes[Lower(hive.file)] = *machine.fake.files.ReadFile(hive.file);
    }
    machine.fake.faults.Clear();
  }

  RestoreOutcome Restore() {
    return RestoreRunBackups(1, machine.Rows(Names()), true, CString(kShutdownMessage));
  }
};

bool IsClose(const std::string& operation) {
  return operation == "RegCloseKey" || operation == "CloseHandle";
}

void CheckInvariants(Machine& setUp, const RestoreOutcome& outcome,
                     const std::map<std::wstring, std::uint64_t>& before,
                     const std::string& failing, const std::string& label) {
  auto& fake = setUp.machine.fake;
  const auto& scheduled = fake.registry.scheduledReplacements;
  EXPECT_EQ(outcome.scheduled, static_cast<int>(scheduled.size())) << label;
  // Every planned hive is accounted for; a failed name comparison plans fewer.
  if (failing != "CompareStringW") {
    EXPECT_EQ(outcome.restoredHives.size() + outcome.notScheduled.size(),
              outcome.stoppedAt == StoppedAt::kNothing ? kHives.size() : 0u)
        << label;
  }
  for (const auto& replacement : scheduled) {
    const std::wstring hive = Lower(replacement.hiveFile);
    EXPECT_EQ(Lower(replacement.newFile).rfind(L"c:\\windows\\kelvaro\\run-", 0), 0u) << label;
    EXPECT_EQ(fake.files.ReadFile(replacement.newFile), setUp.backupBytes[hive])
        << label << ": scheduled bytes that are not the backup's";
    const platform::DescriptorBytes descriptor = fake.files.SecurityOf(replacement.newFile);
    EXPECT_TRUE(
        descriptor == setUp.backupDescriptor[hive] ||
        (failing == "GetKernelObjectSecurity" && descriptor == platform::ProtectedDescriptor()))
        << label << ": " << Narrow(replacement.newFile);
  }
  if (scheduled.empty()) {
    EXPECT_TRUE(fake.system.shutdownRequests.empty()) << label;
  }
  std::set<std::wstring> pending;
  for (const std::wstring& path : fake.files.deletionsAtRestart) pending.insert(Lower(path));
  std::set<std::wstring> copies;
  for (const auto& replacement : scheduled) copies.insert(Lower(replacement.newFile));
  const auto after = setUp.machine.Files();
  for (const auto& [path, size] : before) {
    EXPECT_EQ(after.count(path), 1u) << label << ": deleted " << Narrow(path);
  }
  // The live files' own descriptors stay on record over the swaps.
  copies.insert(L"c:\\windows\\kelvaro\\live descriptors");
  for (const auto& [path, size] : after) {
    if (before.count(path) == 1) continue;
    EXPECT_TRUE(copies.count(path) == 1 || pending.count(path) == 1)
        << label << ": left " << Narrow(path);
  }
  if (!IsClose(failing)) {
    EXPECT_EQ(fake.registry.OpenHandleCount(), 0u) << label;
    EXPECT_EQ(fake.security.OpenTokenCount(), 0u) << label;
    EXPECT_EQ(fake.files.OpenFileCount(), 0u) << label;
  }

  std::set<std::wstring> restored;
  for (const auto& replacement : scheduled) restored.insert(Lower(replacement.hiveFile));
  fake.faults.Clear();
  fake.Restart();
  EXPECT_TRUE(fake.unbootableHives.empty()) << label;
  for (const Hive& hive : kHives) {
    const std::wstring key = Lower(hive.file);
    EXPECT_EQ(fake.files.ReadFile(hive.file),
              restored.count(key) == 1 ? setUp.backupBytes[key] : setUp.compactBytes[key])
        << label << ": " << Narrow(hive.name);
  }
}

TEST(RestoreFaultTest, EveryCallFailingInTurnLeavesASafeMachine) {
  std::vector<Fault> faults;
  std::size_t kinds = 0;
  {
    Machine clean;
    const auto before = clean.machine.Files();
    RestoreOutcome outcome = clean.Restore();
    ASSERT_EQ(outcome.scheduled, 3);
    kinds = clean.machine.fake.faults.OperationsSeen().size();
    faults = FaultsInTurn(clean.machine.fake.faults, {platform::kErrorAccessDenied});
    CheckInvariants(clean, outcome, before, "", "clean");
  }
  for (const Fault& fault : faults) {
    const std::string label = Describe(fault);
    Machine setUp;
    const auto before = setUp.machine.Files();
    setUp.machine.fake.faults.Fail(fault.operation, fault.error, fault.times, fault.skip);
    RestoreOutcome outcome;
    ASSERT_NO_THROW(outcome = setUp.Restore()) << label;
    CheckInvariants(setUp, outcome, before, fault.operation, label);
  }
  std::cout << "restore fault scenarios: " << faults.size() << " over " << kinds
            << " kinds of call\n";
}

}  // namespace
}  // namespace compaction_test
