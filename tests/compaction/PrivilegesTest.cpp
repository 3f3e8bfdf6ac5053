// Switching privileges on and off in the process and thread tokens of the fake.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "compaction/PrivilegeGuard.h"
#include "compaction/Privileges.h"
#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::FakeToken;

constexpr wchar_t kBackup[] = L"SeBackupPrivilege";
constexpr std::optional<std::uint32_t> kMissing = std::nullopt;

class PrivilegesTest : public ::testing::Test {
 protected:
  void SetAttributes(FakeToken& token, const wchar_t* name, std::optional<std::uint32_t> word) {
    token.privileges.clear();
    token.privileges.push_back({L"SeChangeNotifyPrivilege", 3});
    if (word) token.privileges.push_back({name, *word});
  }

  void ExpectNothingOpen() {
    EXPECT_EQ(fake.security.OpenTokenCount(), 0u) << "a token handle survived the call";
  }

  test_support::FakeMachine fake;
};

// The guard reports what the switch reports, and leaves the word as it found it.
TEST_F(PrivilegesTest, EnableFollowsTheAttributeWordAndTheGuardPutsItBack) {
  struct Row {
    std::optional<std::uint32_t> before;
    int result;
    std::optional<std::uint32_t> after;
    bool guardEnabled;
  };
  const Row rows[] = {
      {0u, 1, 2u, true},                // off: switched on
      {1u, 0, 1u, true},                // on by default only: counts as on, nothing changes
      {2u, 0, 2u, true},                // on: nothing changes
      {3u, 1, 3u, true},                // on and on by default: switched on again
      {kMissing, -1, kMissing, false},  // the token lacks it
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SetAttributes(fake.security.processToken, kBackup, rows[i].before);
    EXPECT_EQ(EnablePrivilege(kBackup, true), rows[i].result) << "row " << i;
    EXPECT_EQ(fake.security.processToken.PrivilegeAttributes(kBackup), rows[i].after)
        << "row " << i;
    ExpectNothingOpen();

    SetAttributes(fake.security.processToken, kBackup, rows[i].before);
    {
      PrivilegeGuard guard(kBackup);
      EXPECT_EQ(guard.Enabled(), rows[i].guardEnabled) << "row " << i;
      EXPECT_EQ(fake.security.processToken.PrivilegeAttributes(kBackup), rows[i].after)
          << "row " << i << ": inside the guard";
    }
    EXPECT_EQ(fake.security.processToken.PrivilegeAttributes(kBackup), rows[i].before)
        << "row " << i << ": after the guard";
    ExpectNothingOpen();
  }
}

TEST_F(PrivilegesTest, DisableAlwaysRequestsTheChange) {
  struct Row {
    std::optional<std::uint32_t> before;
    bool result;
    std::optional<std::uint32_t> after;
  };
  const Row rows[] = {
      {0u, true, 0u},  // never on: still requested and accepted
      {1u, true, 1u}, {2u, true, 0u}, {3u, true, 1u}, {kMissing, false, kMissing},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SetAttributes(fake.security.processToken, kBackup, rows[i].before);
    EXPECT_EQ(DisablePrivilege(kBackup, true), rows[i].result) << "row " << i;
    EXPECT_EQ(fake.security.processToken.PrivilegeAttributes(kBackup), rows[i].after)
        << "row " << i;
    ExpectNothingOpen();
  }
}

TEST_F(PrivilegesTest, OnOffCycleOnAFreshAdministratorToken) {
  EXPECT_EQ(EnablePrivilege(L"SeShutdownPrivilege", true), 1);
  EXPECT_EQ(EnablePrivilege(L"SeShutdownPrivilege", true), 0);
  EXPECT_TRUE(DisablePrivilege(L"SeShutdownPrivilege", true));
  EXPECT_EQ(fake.security.processToken.PrivilegeAttributes(L"SeShutdownPrivilege"), 0u);
  EXPECT_EQ(EnablePrivilege(L"SeShutdownPrivilege", true), 1);
}

TEST_F(PrivilegesTest, UnknownOrAbsentNamesFail) {
  const wchar_t* names[] = {L"SeNoSuchPrivilege", L"", nullptr};
  for (std::size_t i = 0; i < std::size(names); ++i) {
    EXPECT_EQ(EnablePrivilege(names[i], true), -1) << "row " << i;
    EXPECT_FALSE(DisablePrivilege(names[i], true)) << "row " << i;
    ExpectNothingOpen();
  }
}

TEST_F(PrivilegesTest, TheTokenChoiceDecidesWhichTokenChanges) {
  struct Row {
    bool threadHasToken;
    bool useProcessToken;
    bool threadTokenOpenFails;
    bool processChanges;
  };
  const Row rows[] = {
      {true, false, false, false},  // the thread's own token
      {false, false, false, true},  // no thread token: the process token
      {true, true, false, true},    // asked for the process token
      {true, false, true, true},    // the thread token cannot be opened
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    test_support::FakeMachine machine;
    if (rows[i].threadHasToken) machine.security.threadToken = machine.security.processToken;
    if (rows[i].threadTokenOpenFails) {
      machine.faults.Fail("OpenThreadToken", platform::kErrorAccessDenied,
                          platform::fake::FaultPlan::kAlways);
    }
    EXPECT_EQ(EnablePrivilege(kBackup, rows[i].useProcessToken), 1) << "row " << i;
    std::uint32_t process = *machine.security.processToken.PrivilegeAttributes(kBackup);
    EXPECT_EQ(process, rows[i].processChanges ? 2u : 0u) << "row " << i;
    if (machine.security.threadToken) {
      std::uint32_t thread = *machine.security.threadToken->PrivilegeAttributes(kBackup);
      EXPECT_EQ(thread, rows[i].processChanges ? 0u : 2u) << "row " << i;
    }
    EXPECT_TRUE(DisablePrivilege(kBackup, rows[i].useProcessToken)) << "row " << i;
    EXPECT_EQ(*machine.security.processToken.PrivilegeAttributes(kBackup), 0u) << "row " << i;
    EXPECT_EQ(machine.security.OpenTokenCount(), 0u) << "row " << i;
  }
}

TEST_F(PrivilegesTest, PlatformFailuresGiveTheFailureResults) {
  struct Row {
    const char* operation;
    int enableResult;
    bool disableResult;
  };
  const Row rows[] = {
      {"OpenProcessToken", -1, false},
      {"LookupPrivilegeValueW", -1, false},
      {"AdjustTokenPrivileges", -1, false},
      // An unreadable list is one without the privilege: the change is requested.
      {"GetTokenInformation", 1, true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    test_support::FakeMachine machine;
    machine.faults.Fail(rows[i].operation, platform::kErrorAccessDenied,
                        platform::fake::FaultPlan::kAlways);
    EXPECT_EQ(EnablePrivilege(kBackup, true), rows[i].enableResult) << rows[i].operation;
    EXPECT_EQ(DisablePrivilege(kBackup, true), rows[i].disableResult) << rows[i].operation;
    EXPECT_EQ(machine.security.OpenTokenCount(), 0u) << rows[i].operation;
  }
}

TEST_F(PrivilegesTest, AnAlreadyOnPrivilegeIsSwitchedOnAgainWhenTheListCannotBeRead) {
  SetAttributes(fake.security.processToken, kBackup, 2u);
  fake.faults.Fail("GetTokenInformation", platform::kErrorAccessDenied, 1, 1);
  EXPECT_EQ(EnablePrivilege(kBackup, true), 1);
  EXPECT_EQ(fake.security.processToken.PrivilegeAttributes(kBackup), 2u);
}

TEST_F(PrivilegesTest, OnlyTheFirstEntryOfAPrivilegeCounts) {
  fake.security.processToken.privileges = {{kBackup, 0}, {kBackup, 2}};
  EXPECT_EQ(EnablePrivilege(kBackup, true), 1);
  fake.security.processToken.privileges = {{kBackup, 2}, {kBackup, 0}};
  EXPECT_EQ(EnablePrivilege(kBackup, true), 0);
}

TEST_F(PrivilegesTest, AStaleLastErrorDoesNotSpoilASuccess) {
  fake.system.SetLastError(platform::kErrorAccessDenied);
  EXPECT_EQ(EnablePrivilege(kBackup, true), 1);
  fake.system.SetLastError(platform::kErrorAccessDenied);
  EXPECT_TRUE(DisablePrivilege(kBackup, true));
}

}  // namespace
