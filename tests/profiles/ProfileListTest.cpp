// The profiles the profile list names: the SID and folder texts it stores,
// and what the discovery makes of each kind of profile on a fake machine.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/fake/FakeHiveBytes.h"
#include "platform/fake/FakeRegistry.h"
#include "profiles/ProfileFolderText.h"
#include "profiles/ProfileHiveAnalysis.h"
#include "profiles/ProfileList.h"
#include "profiles/SidText.h"
#include "tests/support/FakeMachine.h"
#include "tests/support/Narrow.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::fake::FakeWindows;
using test_support::Narrow;

TEST(SidTextTest, TextsReadAsTheBinaryFormOrNotAtAll) {
  const struct {
    const wchar_t* text;
    std::optional<Bytes> sid;
  } rows[] = {
      {L"S-1-5-18", Bytes{1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}},
      {L"S-1-5-21-1-4294967295",
       Bytes{1, 3, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
      {L"S-1-281474976710655-7", Bytes{1, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0}},
      {L"S-1-5-21-1-2-3-1001.bak", std::nullopt},
      {L"S-1-5-21-1-4294967296", std::nullopt},
      {L"S-1-281474976710656-7", std::nullopt},
      {L"S-2-5-18", std::nullopt},
      {L"S-1-5", std::nullopt},
      {L"S-1-5--18", std::nullopt},
      {L"S-1-5-18-", std::nullopt},
      {L"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", std::nullopt},
      {L"X-1-5-18", std::nullopt},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(profiles::ParseSidText(rows[i].text), rows[i].sid)
        << "row " << i << ": " << Narrow(rows[i].text);
  }
}

TEST(ProfileFolderTextTest, OnlyTheMachinesOwnVariablesExpand) {
  const struct {
    const wchar_t* stored;
    const wchar_t* path;
    const wchar_t* problem;
  } rows[] = {
      {L"%SystemDrive%\\Users\\alice", L"D:\\Users\\alice", L""},
      {L"%systemroot%\\ServiceProfiles\\LocalService", L"D:\\Win\\ServiceProfiles\\LocalService",
       L""},
      {L"%WINDIR%\\x\\", L"D:\\Win\\x", L""},
      {L"C:\\Users\\bob", L"C:\\Users\\bob", L""},
      {L"%USERPROFILE%\\x", L"", L"uses %USERPROFILE%, which Kelvaro does not expand"},
      {L"100% sure", L"", L"is not a full path on a local drive"},
      {L"Users\\alice", L"", L"is not a full path on a local drive"},
      {L"\\\\server\\share\\alice", L"", L"is not a full path on a local drive"},
      {L"", L"", L"is not a full path on a local drive"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const profiles::ExpandedFolder folder =
        profiles::ExpandProfileFolder(rows[i].stored, L"D:\\Win");
    EXPECT_EQ(folder.path, rows[i].path) << "row " << i << ": " << Narrow(rows[i].stored);
    EXPECT_EQ(folder.problem, rows[i].problem) << "row " << i << ": " << Narrow(rows[i].stored);
  }
}

// A small hive file, as the fake's save writes one.
Bytes HiveBytes(const wchar_t* valueName) {
  platform::fake::FakeKey content;
  content.name = L"ROOT";
  content.values.push_back({valueName, platform::kRegDword, {1, 0, 0, 0}});
  return platform::fake::SavedHiveBytes(content, platform::kRegLatestFormat);
}

constexpr wchar_t kAlice[] = L"S-1-5-21-1-2-3-1001";

struct DiscoveryRow {
  const char* scenario;
  FakeWindows::Profile profile;
  bool userHive = true;
  bool classesHive = true;
  bool signedIn = false;
  std::string kind;
  std::string verdict;
  std::wstring account;  // what the listing names
};

TEST(ProfileListTest, EachKindOfProfileIsFoundNamedAndJudged) {
  const std::vector<DiscoveryRow> rows = {
      {"not signed in",
       {kAlice, L"C:\\Users\\alice", L"%SystemDrive%\\Users\\alice", 0, {}, L"PC\\alice"},
       true,
       true,
       false,
       "not signed in",
       "would-compact",
       L"PC\\alice"},
      {"no UsrClass.dat yet",
       {kAlice, L"C:\\Users\\alice", {}, 0, {}, L"PC\\alice"},
       true,
       false,
       false,
       "not signed in",
       "would-compact",
       L"PC\\alice"},
      {"signed in",
       {kAlice, L"C:\\Users\\alice", {}, 0, {}, L"PC\\alice"},
       true,
       true,
       true,
       "signed in",
       "signed-in",
       L"PC\\alice"},
      {"folder missing",
       {kAlice, L"", L"C:\\Users\\gone", 0, {}, L"PC\\alice"},
       false,
       false,
       false,
       "not signed in",
       "no-hive-file",
       L"PC\\alice"},
      {"folder in a variable Kelvaro does not expand",
       {kAlice, L"", L"%HOMEDRIVE%\\alice", 0, {}, L"PC\\alice"},
       false,
       false,
       false,
       "not signed in",
       "bad-folder",
       L"PC\\alice"},
      {"temporary by its State bit",
       {kAlice, L"C:\\Users\\alice", {}, 0x0800, {}, L"PC\\alice"},
       true,
       true,
       false,
       "temporary",
       "temporary",
       L"PC\\alice"},
      {"temporary by its folder",
       {kAlice, L"C:\\Users\\TEMP.PC.000", {}, 0, {}, L"PC\\alice"},
       true,
       true,
       false,
       "temporary",
       "temporary",
       L"PC\\alice"},
      {"the key Windows set aside for a temporary profile",
       {L"S-1-5-21-1-2-3-1001.bak", L"C:\\Users\\alice", {}, 0, {}, L""},
       true,
       true,
       false,
       "temporary",
       "temporary",
       L""},
      {"mandatory by NTUSER.MAN",
       {kAlice, L"C:\\Users\\alice", {}, 0, {}, L"PC\\alice", L"NTUSER.MAN"},
       true,
       true,
       false,
       "mandatory",
       "mandatory",
       L"PC\\alice"},
      {"super-mandatory by its folder",
       {kAlice, L"C:\\Users\\alice.man", {}, 0, {}, L"PC\\alice"},
       true,
       true,
       false,
       "mandatory",
       "mandatory",
       L"PC\\alice"},
      {"roaming",
       {kAlice, L"C:\\Users\\alice", {}, 0, L"\\\\server\\profiles$\\alice", L"DOM\\alice"},
       true,
       true,
       false,
       "roaming",
       "roaming",
       L"DOM\\alice"},
      {"a deleted account",
       {kAlice, L"C:\\Users\\alice", {}, 0, {}, L""},
       true,
       true,
       false,
       "not signed in",
       "would-compact",
       L""},
      {"a service account",
       {L"S-1-5-19",
        L"C:\\Windows\\ServiceProfiles\\LocalService",
        L"%systemroot%\\ServiceProfiles\\LocalService",
        0,
        {},
        L"NT AUTHORITY\\LOCAL SERVICE"},
       true,
       false,
       false,
       "service",
       "service-account",
       L"NT AUTHORITY\\LOCAL SERVICE"},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const DiscoveryRow& row = rows[i];
    test_support::FakeMachine machine;
    machine.AddProfile(row.profile, row.userHive ? HiveBytes(L"User") : Bytes{},
                       row.classesHive ? HiveBytes(L"Classes") : Bytes{});
    if (row.signedIn) machine.SignIn(row.profile);

    const profiles::ProfileListing listing = profiles::FindProfiles();
    ASSERT_TRUE(listing.listRead) << "row " << i << ": " << row.scenario;
    ASSERT_EQ(listing.profiles.size(), 1u) << "row " << i << ": " << row.scenario;
    const profiles::UserProfile& found = listing.profiles[0];
    EXPECT_EQ(found.sid, row.profile.sid) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(found.account, row.account) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(profiles::KindText(found.judgement.kind), row.kind)
        << "row " << i << ": " << row.scenario;
    EXPECT_EQ(profiles::WordsFor(found.judgement.verdict).code, row.verdict)
        << "row " << i << ": " << row.scenario;
    const std::wstring userFile = row.profile.folder + L"\\" + row.profile.userHiveName;
    if (row.userHive) {
      EXPECT_EQ(found.userHive.path, userFile) << "row " << i << ": " << row.scenario;
      EXPECT_EQ(found.userHive.size, machine.files.SizeOf(userFile))
          << "row " << i << ": " << row.scenario;
    } else {
      EXPECT_FALSE(found.userHive.size) << "row " << i << ": " << row.scenario;
    }
    EXPECT_EQ(found.classesHive.size.has_value(), row.classesHive)
        << "row " << i << ": " << row.scenario;
  }
}

TEST(ProfileListTest, AFolderThatIsALinkIsLeftAlone) {
  test_support::FakeMachine machine;
  machine.files.AddFolder(L"C:\\Elsewhere");
  machine.files.WriteFile(L"C:\\Elsewhere\\NTUSER.DAT", HiveBytes(L"User"));
  machine.AddProfile({kAlice, L"C:\\Users\\alice", {}, 0, {}, {}}, {});
  machine.files.Remove(L"C:\\Users\\alice");
  machine.files.AddJunction(L"C:\\Users\\alice", L"C:\\Elsewhere");

  const profiles::ProfileListing listing = profiles::FindProfiles();
  ASSERT_EQ(listing.profiles.size(), 1u);
  EXPECT_EQ(profiles::WordsFor(listing.profiles[0].judgement.verdict).code, "link");
}

TEST(ProfileListTest, AnUnreadableListIsSaidSo) {
  test_support::FakeMachine machine;
  machine.AddProfile({kAlice, L"C:\\Users\\alice", {}, 0, {}, {}}, HiveBytes(L"User"));
  machine.faults.Fail("RegOpenKeyExW", platform::kErrorAccessDenied);
  EXPECT_FALSE(profiles::FindProfiles().listRead);
}

struct AnalysisRow {
  const char* scenario;
  std::function<void(test_support::FakeMachine&)> meanwhile;
  ProfileHiveResult result;
  bool loadedUnderUsers;
};

TEST(ProfileHiveAnalysisTest, EachFileIsSavedCheckedAndComparedWithNothingLeftBehind) {
  const std::vector<AnalysisRow> rows = {
      {"analysed through a private load", [](test_support::FakeMachine&) {},
       ProfileHiveResult::kAnalysed, false},
      {"the private load's save refused: loaded under HKU instead",
       [](test_support::FakeMachine& m) { m.faults.Fail("RegSaveKeyExW", 5); },
       ProfileHiveResult::kAnalysed, true},
      {"neither load's save goes through",
       [](test_support::FakeMachine& m) { m.faults.Fail("RegSaveKeyExW", 5, 2); },
       ProfileHiveResult::kNotSaved, true},
      {"another program holds the file",
       [](test_support::FakeMachine& m) {
         m.files.hostileWriters.insert(m.files.FileIndexOf(L"C:\\Users\\alice\\NTUSER.DAT"));
       },
       ProfileHiveResult::kInUse, false},
      {"the private load finds the file in use",
       [](test_support::FakeMachine& m) { m.faults.Fail("RegLoadAppKeyW", 32); },
       ProfileHiveResult::kInUse, false},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const AnalysisRow& row = rows[i];
    test_support::FakeMachine machine;
    const FakeWindows::Profile alice{kAlice, L"C:\\Users\\alice", {}, 0, {}, {}};
    machine.AddProfile(alice, HiveBytes(L"User"));
    const Bytes before = *machine.files.ReadFile(L"C:\\Users\\alice\\NTUSER.DAT");
    const profiles::ProfileListing listing = profiles::FindProfiles();
    row.meanwhile(machine);

    const ProfileAnalysisOutcome outcome = AnalyzeProfileHives(listing.profiles);
    ASSERT_EQ(outcome.hives.size(), 1u) << "row " << i << ": " << row.scenario;
    const AnalyzedProfileHive& hive = outcome.hives[0];
    EXPECT_EQ(hive.result, row.result) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(hive.loadedUnderUsers, row.loadedUnderUsers) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(hive.compactSize != 0, row.result == ProfileHiveResult::kAnalysed)
        << "row " << i << ": " << row.scenario;
    EXPECT_EQ(machine.files.ReadFile(L"C:\\Users\\alice\\NTUSER.DAT"), before)
        << "row " << i << ": " << row.scenario;
    EXPECT_EQ(machine.registry.PrivateHiveCount(), 0u) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(machine.registry.FindKey(platform::kHKeyUsers, L"Kelvaro-" + std::wstring(kAlice)),
              nullptr)
        << "row " << i << ": " << row.scenario;
    EXPECT_FALSE(hive.leftLoaded) << "row " << i << ": " << row.scenario;
    EXPECT_EQ(machine.registry.OpenHandleCount(), 0u) << "row " << i << ": " << row.scenario;
    EXPECT_TRUE(machine.files.heldBySystem.empty()) << "row " << i << ": " << row.scenario;
  }
}

}  // namespace
