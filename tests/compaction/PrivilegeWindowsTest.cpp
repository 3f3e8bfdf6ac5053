// The run, the analysis and the restore switch each privilege on for the one
// call that needs it: SeBackupPrivilege around opening a hive's key and its
// save, SeRestorePrivilege around one replacement, SeShutdownPrivilege around
// the restart request. At every other platform call all three are off, so a
// program the run touches (a planted folder, a file it opens) never meets a
// privileged token.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "compaction/CompactionRun.h"
#include "compaction/HiveAnalysis.h"
#include "compaction/RestoreRun.h"
#include "tests/compaction/CompactionMachine.h"

namespace compaction_test {
namespace {

const std::wstring kComponents = L"HKLM\\COMPONENTS";
const std::wstring kUser = L"HKU\\S-1-5-21-7";

// One platform call and the privileges switched on when it was made.
struct Call {
  std::string operation;
  bool backup;
  bool restore;
  bool shutdown;
  bool togglingPrivilege;  // a token is open: the call switches a privilege
};

// Calls that switch a privilege on or off; they run with it in either state.
const std::set<std::string> kTokenCalls = {"OpenProcessToken",      "OpenThreadToken",
                                           "LookupPrivilegeValueW", "GetTokenInformation",
                                           "AdjustTokenPrivileges", "CloseHandle"};

std::vector<Call> Trace(CompactionMachine& machine, const std::function<void()>& work) {
  std::vector<Call> calls;
  machine.fake.faults.beforeCall = [&](const std::string& operation) {
    const bool tokenOpen = machine.fake.security.OpenTokenCount() > 0;
    calls.push_back(Call{operation, machine.PrivilegeOn(L"SeBackupPrivilege"),
                         machine.PrivilegeOn(L"SeRestorePrivilege"),
                         machine.PrivilegeOn(L"SeShutdownPrivilege"),
                         operation == "OpenProcessToken" || operation == "OpenThreadToken" ||
                             (tokenOpen && kTokenCalls.count(operation) == 1)});
  };
  work();
  machine.fake.faults.beforeCall = nullptr;
  return calls;
}

struct Window {
  std::vector<std::string> operations;  // the calls made while the privilege was on
};

// The stretches of calls made with the privilege on, the switching left out.
std::vector<Window> Windows(const std::vector<Call>& calls, bool Call::*privilege) {
  std::vector<Window> windows;
  bool open = false;
  for (const Call& call : calls) {
    if (call.togglingPrivilege) continue;
    if (call.*privilege) {
      if (!open) windows.emplace_back();
      windows.back().operations.push_back(call.operation);
    }
    open = call.*privilege;
  }
  return windows;
}

int Count(const std::vector<Call>& calls, const std::string& operation) {
  int count = 0;
  for (const Call& call : calls) count += call.operation == operation ? 1 : 0;
  return count;
}

TEST(PrivilegeWindowsTest, EachPrivilegeIsOnForItsOneCallAlone) {
  struct Row {
    const char* what;
    std::function<void(CompactionMachine&)> work;
    int saves;
    int replacements;
    int restarts;
  };
  const std::vector<Row> rows = {
      {"run",
       [](CompactionMachine& machine) {
         machine.Run({kComponents, kUser}, true);
       },
       2, 2, 1},
      {"analysis",
       [](CompactionMachine& machine) {
         AnalyzeHives(machine.Rows({kComponents, kUser}));
       },
       2, 0, 0},
      {"restore",
       [](CompactionMachine& machine) {
         RestoreRunBackups(1, machine.Rows({kComponents, kUser}), true, CString(kShutdownMessage));
       },
       0, 2, 1},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string label = "row " + std::to_string(i) + ": " + rows[i].what;
    CompactionMachine machine;
    machine.MountRealHive(platform::kHKeyLocalMachine, kComponents,
                          L"C:\\Windows\\System32\\config\\COMPONENTS",
                          {L"CanonicalData", L"DerivedData"});
    machine.MountRealHive(platform::kHKeyUsers, kUser, L"C:\\Users\\u\\NTUSER.DAT",
                          {L"Console", L"Software"});
    // The restore needs backups: a compaction and a restart first.
    if (std::string(rows[i].what) == "restore") {
      ASSERT_EQ(machine.Run({kComponents, kUser}, false).scheduled, 2) << label;
      machine.fake.Restart();
    }
    const std::vector<Call> calls = Trace(machine, [&] { rows[i].work(machine); });
    // The traced work made the calls that need the privileges.
    EXPECT_EQ(Count(calls, "RegSaveKeyExW"), rows[i].saves) << label;
    EXPECT_EQ(Count(calls, "RegReplaceKeyW"), rows[i].replacements) << label;
    EXPECT_EQ(Count(calls, "InitiateSystemShutdownW"), rows[i].restarts) << label;

    for (std::size_t at = 0; at < calls.size(); ++at) {
      const Call& call = calls[at];
      const std::string where = label + ", call " + std::to_string(at) + " " + call.operation;
      // The call that needs a privilege has it.
      EXPECT_TRUE(call.operation != "RegSaveKeyExW" || call.backup) << where;
      EXPECT_TRUE(call.operation != "RegReplaceKeyW" || call.restore) << where;
      EXPECT_TRUE(call.operation != "InitiateSystemShutdownW" || call.shutdown) << where;
      // Never two at once.
      EXPECT_LE(call.backup + call.restore + call.shutdown, 1) << where;
    }
    // Backup: the key's open, its flush and at most one save; the restore
    // opens the key alone.
    for (const Window& window : Windows(calls, &Call::backup)) {
      std::vector<std::string> expected = {"RegCreateKeyExW"};
      if (window.operations.size() > 1)
        expected = {"RegCreateKeyExW", "RegFlushKey", "RegSaveKeyExW"};
      EXPECT_EQ(window.operations, expected) << label << ": backup on";
    }
    // Restore: one replacement, or one file's descriptor with its owner set.
    std::size_t replacementWindows = 0;
    for (const Window& window : Windows(calls, &Call::restore)) {
      const bool replaces = window.operations == std::vector<std::string>{"RegReplaceKeyW"};
      replacementWindows += replaces ? 1 : 0;
      EXPECT_TRUE(replaces ||
                  window.operations == std::vector<std::string>{"SetKernelObjectSecurity"})
          << label << ": restore on";
    }
    for (const Window& window : Windows(calls, &Call::shutdown)) {
      EXPECT_EQ(window.operations, std::vector<std::string>{"InitiateSystemShutdownW"})
          << label << ": shutdown on";
    }
    EXPECT_EQ(replacementWindows, static_cast<std::size_t>(rows[i].replacements)) << label;
    for (const wchar_t* privilege :
         {L"SeBackupPrivilege", L"SeRestorePrivilege", L"SeShutdownPrivilege"}) {
      EXPECT_FALSE(machine.PrivilegeOn(privilege))
          << label << ": " << Narrow(privilege) << " left on";
    }
  }
}

}  // namespace
}  // namespace compaction_test
