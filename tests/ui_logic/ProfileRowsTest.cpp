// The main list's rows for profiles nobody is signed in to: which files become
// rows and how they read, how they sort against the loaded hives, their tip,
// their tick, and the cells an analysis gives them.
#include "ui/logic/ProfileRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakeMachine.h"
#include "tests/support/Narrow.h"
#include "ui/res/resource.h"

namespace {

using profiles::ProfileVerdict;
using test_support::Narrow;
using uilogic::AnalysisCell;

CString Load(unsigned id) {
  switch (id) {
    case IDS_PROFILE_ROW_NAME: return CString(L"%1 (not signed in)");
    case IDS_PROFILE_ACCOUNT_UNKNOWN: return CString(L"No account has this SID now");
    default: return CString((L"<" + std::to_wstring(id) + L">").c_str());
  }
}

profiles::UserProfile Profile(const wchar_t* sid, const wchar_t* account, ProfileVerdict verdict,
                              std::optional<std::uint64_t> userSize,
                              std::optional<std::uint64_t> classesSize) {
  profiles::UserProfile profile;
  profile.sid = sid;
  profile.account = account;
  profile.folder = std::wstring(L"C:\\Users\\") + sid;
  profile.userHive = {profile.folder + L"\\NTUSER.DAT", userSize};
  profile.classesHive = {profile.folder + L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
                         classesSize};
  profile.judgement.verdict = verdict;
  return profile;
}

class ProfileRowsTest : public ::testing::Test {
 protected:
  test_support::FakeMachine fake;  // the path library compares through the platform
};

TEST_F(ProfileRowsTest, OneRowPerHiveFileOfEachProfileKelvaroWouldCompact) {
  struct Row {
    const char* what;
    profiles::UserProfile profile;
    std::vector<std::wstring> names;  // the rows it gives, in order
  };
  const std::vector<Row> rows = {
      {"both files",
       Profile(L"S-1-5-21-1-1001", L"PC\\alice", ProfileVerdict::kWouldCompact, 8192, 4096),
       {L"HKU\\S-1-5-21-1-1001 (not signed in)", L"HKU\\S-1-5-21-1-1001_Classes (not signed in)"}},
      {"no UsrClass.dat yet",
       Profile(L"S-1-5-21-1-1002", L"PC\\bob", ProfileVerdict::kWouldCompact, 8192, std::nullopt),
       {L"HKU\\S-1-5-21-1-1002 (not signed in)"}},
      {"an empty file is still a row",
       Profile(L"S-1-5-21-1-1003", L"", ProfileVerdict::kWouldCompact, 0, std::nullopt),
       {L"HKU\\S-1-5-21-1-1003 (not signed in)"}},
      {"signed in: listed with the loaded hives",
       Profile(L"S-1-5-21-1-1004", L"PC\\carol", ProfileVerdict::kSignedIn, 8192, 4096),
       {}},
      {"temporary", Profile(L"S-1-5-21-1-1005", L"", ProfileVerdict::kTemporary, 8192, 4096), {}},
      {"mandatory", Profile(L"S-1-5-21-1-1006", L"", ProfileVerdict::kMandatory, 8192, 4096), {}},
      {"roaming", Profile(L"S-1-5-21-1-1007", L"", ProfileVerdict::kRoaming, 8192, 4096), {}},
      {"a service account",
       Profile(L"S-1-5-19", L"NT AUTHORITY\\LOCAL SERVICE", ProfileVerdict::kServiceAccount, 8192,
               std::nullopt),
       {}},
      {"a link", Profile(L"S-1-5-21-1-1008", L"", ProfileVerdict::kLink, 8192, 4096), {}},
  };
  profiles::ProfileListing listing;
  std::vector<std::wstring> expected;
  for (const Row& row : rows) {
    listing.profiles.push_back(row.profile);
    expected.insert(expected.end(), row.names.begin(), row.names.end());
  }
  const std::vector<uilogic::ProfileHiveRow> found = uilogic::ProfileHiveRows(listing, Load);
  std::vector<std::wstring> names;
  for (const auto& row : found) names.push_back(row.entry.name.str());
  EXPECT_EQ(names, expected);

  for (std::size_t i = 0; i < found.size(); ++i) {
    const profiles::UserProfile& profile = listing.profiles[found[i].profile];
    const bool classes = found[i].entry.name.str().find(L"_Classes") != std::wstring::npos;
    const profiles::ProfileHiveFile& file = classes ? profile.classesHive : profile.userHive;
    EXPECT_EQ(found[i].sid, profile.sid) << "row " << i << ": " << Narrow(names[i]);
    EXPECT_EQ(found[i].file, file.path) << "row " << i << ": " << Narrow(names[i]);
    EXPECT_EQ(std::wstring(found[i].entry.path.GetText().GetBuffer()), file.path)
        << "row " << i << ": " << Narrow(names[i]);
    EXPECT_EQ(found[i].entry.size, *file.size) << "row " << i << ": " << Narrow(names[i]);
    EXPECT_EQ(uilogic::ProfileRowTip(found[i], Load).str(),
              profile.account.empty() ? L"No account has this SID now" : profile.account)
        << "row " << i << ": " << Narrow(names[i]);
  }
}

TEST_F(ProfileRowsTest, StartTickedOnlyOnceTheSwapIsWiredAndTheFileHasBytes) {
  struct Row {
    std::uint64_t size;
    bool wired;
    bool expected;
  };
  const Row rows[] = {{8192, false, false}, {8192, true, true}, {0, true, false}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    uilogic::ProfileHiveRow row;
    row.entry.size = rows[i].size;
    EXPECT_EQ(uilogic::ProfileRowStartsTicked(row, rows[i].wired), rows[i].expected)
        << "row " << i << ": size " << rows[i].size << ", wired " << rows[i].wired;
  }
}

TEST_F(ProfileRowsTest, AnAnalysisGivesEachMeasuredRowItsCell) {
  profiles::ProfileListing listing;
  listing.profiles.push_back(
      Profile(L"S-1-5-21-1-1001", L"PC\\alice", ProfileVerdict::kWouldCompact, 8192, 4096));
  listing.profiles.push_back(
      Profile(L"S-1-5-21-1-1002", L"PC\\bob", ProfileVerdict::kWouldCompact, 12288, std::nullopt));
  const std::vector<uilogic::ProfileHiveRow> rows = uilogic::ProfileHiveRows(listing, Load);
  ASSERT_EQ(rows.size(), 3u);
  struct Row {
    std::size_t row;
    ProfileHiveResult result;
    std::uint64_t compactSize;
    AnalysisCell expected;
  };
  const std::vector<Row> measured = {
      {0,
       ProfileHiveResult::kAnalysed,
       4096,
       {AnalysisCell::Kind::kSized, 4096, 4096, NotScheduledReason::kNotSaved}},
      {1,
       ProfileHiveResult::kContentDiffers,
       0,
       {AnalysisCell::Kind::kRefused, 0, 0, NotScheduledReason::kRefused}},
      {2,
       ProfileHiveResult::kInUse,
       0,
       {AnalysisCell::Kind::kRefused, 0, 0, NotScheduledReason::kNotSaved}},
  };
  ProfileAnalysisOutcome outcome;
  for (const Row& row : measured) {
    AnalyzedProfileHive hive;
    hive.sid = rows[row.row].sid;
    hive.file = rows[row.row].file;
    hive.size = rows[row.row].entry.size;
    hive.compactSize = row.compactSize;
    hive.result = row.result;
    outcome.hives.push_back(hive);
  }
  AnalyzedProfileHive elsewhere;  // a file no row shows gives no cell
  elsewhere.sid = L"S-1-5-21-1-1009";
  elsewhere.file = L"C:\\Users\\x\\NTUSER.DAT";
  outcome.hives.push_back(elsewhere);

  const auto cells = uilogic::ProfileRowCells(rows, outcome);
  ASSERT_EQ(cells.size(), measured.size());
  for (std::size_t i = 0; i < measured.size(); ++i) {
    EXPECT_EQ(cells[i].first, measured[i].row) << "row " << i;
    EXPECT_EQ(cells[i].second.kind, measured[i].expected.kind) << "row " << i;
    EXPECT_EQ(cells[i].second.compactSize, measured[i].expected.compactSize) << "row " << i;
    EXPECT_EQ(cells[i].second.gain, measured[i].expected.gain) << "row " << i;
    EXPECT_EQ(cells[i].second.reason, measured[i].expected.reason) << "row " << i;
  }
}

}  // namespace
