#include "app/EnvironmentChecks.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/StartupDecision.h"
#include "tests/support/FakeMachine.h"

namespace {

struct ArchitectureRow {
  std::optional<std::uint16_t> architecture;
  bool is64Bit;
};

TEST(IsWindows64Bit, AnswersByTheNativeProcessorArchitecture) {
  const ArchitectureRow rows[] = {
      {std::nullopt, false},  // no GetNativeSystemInfo
      {0, false},             // x86
      {5, false},             // ARM
      {6, true},              // Itanium
      {9, true},              // x64
      {12, true},             // ARM64: the x86 build runs emulated with redirection
      {0xFFFF, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    test_support::FakeMachine fake;
    fake.system.architecture = rows[i].architecture;
    EXPECT_EQ(IsWindows64Bit(), rows[i].is64Bit) << "row " << i;
  }
}

std::vector<std::uint8_t> UsersSid() {
  return platform::fake::MakeSid(platform::kSecurityNtAuthority, {32, 545});
}

TEST(IsAdministrator, CountsMembershipUnlessTheEntryIsDenyOnly) {
  struct Row {
    const char* label;
    std::vector<platform::fake::FakeGroup> groups;
    bool expected;
  };
  const std::uint32_t denyOnly = platform::kSeGroupUseForDenyOnly;
  std::vector<Row> rows = {
      {"administrator", {{UsersSid(), 4}, {platform::fake::AdministratorsSid(), 4}}, true},
      {"deny-only administrators entry", {{platform::fake::AdministratorsSid(), denyOnly}}, false},
      {"administrators entry with no attributes", {{platform::fake::AdministratorsSid(), 0}}, true},
      {"ordinary user", {{UsersSid(), 4}}, false},
      {"no groups", {}, false},
      {"a similar identifier with another RID",
       {{platform::fake::MakeSid(platform::kSecurityNtAuthority, {32, 545, 544}), 4}},
       false},
  };
  for (const Row& row : rows) {
    test_support::FakeMachine fake;
    fake.security.processToken.groups = row.groups;
    EXPECT_EQ(IsAdministrator(), row.expected) << row.label;
    EXPECT_EQ(fake.security.OpenTokenCount(), 0u) << row.label << ": token left open";
    EXPECT_EQ(fake.security.LiveSidCount(), 0u) << row.label << ": identifier not freed";
  }
}

TEST(IsAdministrator, AnyFailureOnTheWayMeansNo) {
  struct Row {
    const char* operation;
    int skip;
  };
  const Row rows[] = {
      {"OpenProcessToken", 0},
      {"GetTokenInformation", 0},  // the size query
      {"GetTokenInformation", 1},  // the read into the buffer
      {"AllocateAndInitializeSid", 0},
  };
  for (const Row& row : rows) {
    test_support::FakeMachine fake;
    fake.faults.Fail(row.operation, platform::kErrorAccessDenied, 1, row.skip);
    EXPECT_FALSE(IsAdministrator()) << row.operation << " skip " << row.skip;
    EXPECT_EQ(fake.security.OpenTokenCount(), 0u) << row.operation;
    EXPECT_EQ(fake.security.LiveSidCount(), 0u) << row.operation;
  }
}

TEST(DecideStartup, RefusesIn64BitWindowsFirstThenChecksTheAdministratorThenTheSwitch) {
  struct Row {
    std::uint16_t architecture;
    bool administrator;
    bool refusesWindows64;
    const wchar_t* tail;
    StartupOutcome expected;
    bool tokenOpened;
  };
  const Row rows[] = {
      {9, true, true, L"", StartupOutcome::RefuseWindows64, false},
      {9, false, true, L"/results", StartupOutcome::RefuseWindows64, false},
      {12, true, true, L"", StartupOutcome::RefuseWindows64, false},
      {9, true, false, L"", StartupOutcome::NormalMode, true},  // the 64-bit build
      {9, false, false, L"", StartupOutcome::RefuseNotAdministrator, true},
      {0, false, true, L"/results", StartupOutcome::RefuseNotAdministrator, true},
      {0, true, true, L"", StartupOutcome::NormalMode, true},
      {0, true, true, L"/results", StartupOutcome::ResultsMode, true},
      {0, true, true, L"-RESULTS", StartupOutcome::ResultsMode, true},
      {9, true, false, L"/Results", StartupOutcome::ResultsMode, true},
      {0, true, true, L"/results x", StartupOutcome::NormalMode, true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    test_support::FakeMachine fake;
    fake.system.architecture = row.architecture;
    if (!row.administrator) fake.security.processToken.groups = {{UsersSid(), 4}};
    EXPECT_EQ(DecideStartup(row.tail, row.refusesWindows64), row.expected) << "row " << i;
    EXPECT_EQ(fake.faults.CallCount("OpenProcessToken") > 0, row.tokenOpened) << "row " << i;
  }
}

}  // namespace
