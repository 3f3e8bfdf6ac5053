// The after-run message: nothing when all went, string 111 first when nothing
// went, the stopping folder alone, or one line per hive left with its reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/logic/RunReport.h"

namespace {

CString Load(unsigned id) { return CString((L"<" + std::to_wstring(id) + L">").c_str()); }

TEST(RunReportTest, OneLinePerHiveLeftAndWhy) {
  struct Row {
    int scheduled;
    StoppedAt stoppedAt;
    std::vector<NotScheduledHive> left;
    std::wstring expected;
  };
  const NotScheduledHive system{CString(L"HKLM\\SYSTEM"), NotScheduledReason::kRefused};
  const NotScheduledHive sam{CString(L"HKLM\\SAM"), NotScheduledReason::kNoGain};
  const std::vector<Row> rows = {
      {3, StoppedAt::kNothing, {}, L""},
      {2, StoppedAt::kNothing, {system}, L"<112>\r\nHKLM\\SYSTEM: <114>"},
      {0,
       StoppedAt::kNothing,
       {system, sam},
       L"<111>\r\n\r\n<112>\r\nHKLM\\SYSTEM: <114>\r\nHKLM\\SAM: <115>"},
      {0, StoppedAt::kNothing, {}, L"<111>"},
      {0, StoppedAt::kRunFolder, {}, L"<111>\r\n<118>"},
      {0, StoppedAt::kBackupFolder, {}, L"<111>\r\n<119>"},
      {1,
       StoppedAt::kNothing,
       {{CString(L"A"), NotScheduledReason::kNotSaved},
        {CString(L"B"), NotScheduledReason::kOtherVolume},
        {CString(L"C"), NotScheduledReason::kNotAccepted}},
       L"<112>\r\nA: <113>\r\nB: <116>\r\nC: <117>"},
      // A stopped run names the hives it did not reach; a restore those without a backup.
      {2,
       StoppedAt::kNothing,
       {{CString(L"D"), NotScheduledReason::kStopped},
        {CString(L"E"), NotScheduledReason::kNoBackup}},
       L"<112>\r\nD: <120>\r\nE: <121>"},
  };
  for (std::size_t index = 0; index < rows.size(); ++index) {
    CompactionOutcome outcome;
    outcome.scheduled = rows[index].scheduled;
    outcome.stoppedAt = rows[index].stoppedAt;
    outcome.notScheduled = rows[index].left;
    EXPECT_EQ(uilogic::RunReportText(outcome, Load).str(), rows[index].expected) << "row " << index;
  }
}

TEST(RunReportTest, AnotherRunIsNamedAndAFailureSaid) {
  // Patterns that show what was filled in.
  auto load = [](unsigned id) { return CString((L"<" + std::to_wstring(id) + L" %1>").c_str()); };
  CompactionOutcome another;
  another.stoppedAt = StoppedAt::kAnotherRun;
  another.runHolder = CString(L"kelvaro-hive.exe (process 4242)");
  EXPECT_EQ(uilogic::RunReportText(another, load).str(),
            L"<111 %1>\r\n<166 kelvaro-hive.exe (process 4242)>");
  CompactionOutcome failed;
  failed.stopped = true;
  failed.interrupted = true;
  failed.notScheduled = {{CString(L"HKLM\\SAM"), NotScheduledReason::kStopped}};
  EXPECT_EQ(uilogic::RunReportText(failed, load).str(),
            L"<111 %1>\r\n<168 %1>\r\n\r\n<112 %1>\r\nHKLM\\SAM: <120 %1>");
}

TEST(RunReportTest, ProfilesDoneNowAreCountedAndNamedAndThoseLeftSaidWhy) {
  auto load = [](unsigned id) {
    return CString((L"<" + std::to_wstring(id) + L" %1 %2>").c_str());
  };
  using Result = ProfileSwapResult;
  const std::wstring alice = L"HKU\\S-1-5-21-1-1001";
  const std::wstring aliceClasses = alice + L"_Classes";
  const std::wstring bob = L"HKU\\S-1-5-21-1-1002";
  struct Row {
    std::vector<std::pair<std::wstring, Result>> hives;
    StoppedAt stoppedAt;
    bool interrupted;
    std::wstring expected;
  };
  const std::vector<Row> rows = {
      {{}, StoppedAt::kNothing, false, L""},
      {{{alice, Result::kSwapped}, {aliceClasses, Result::kSwapped}},
       StoppedAt::kNothing,
       false,
       L"<171 2 " + alice + L", " + aliceClasses + L">"},
      {{{alice, Result::kSwapped}, {bob, Result::kSignedIn}},
       StoppedAt::kNothing,
       false,
       L"<171 1 " + alice + L">\r\n\r\n<172 %1 %2>\r\n" + bob + L": <177 %1 %2>"},
      {{{alice, Result::kInUse}, {aliceClasses, Result::kChanged}, {bob, Result::kRefused}},
       StoppedAt::kNothing,
       false,
       L"<173 %1 %2>\r\n\r\n<172 %1 %2>\r\n" + alice + L": <178 %1 %2>\r\n" + aliceClasses +
           L": <179 %1 %2>\r\n" + bob + L": <114 %1 %2>"},
      {{{alice, Result::kUnreadable}, {bob, Result::kContentDiffers}},
       StoppedAt::kNothing,
       false,
       L"<173 %1 %2>\r\n\r\n<172 %1 %2>\r\n" + alice + L": <180 %1 %2>\r\n" + bob +
           L": <181 %1 %2>"},
      // A stop is worded as the loaded hives' run words it.
      {{}, StoppedAt::kBackupFolder, false, L"<173 %1 %2>\r\n<119 %1 %2>"},
      {{}, StoppedAt::kAnotherRun, false, L"<173 %1 %2>\r\n<166 kelvaro-hive.exe %2>"},
      {{{alice, Result::kSwapped}, {bob, Result::kStopped}},
       StoppedAt::kNothing,
       true,
       L"<171 1 " + alice + L">\r\n<176 %1 %2>\r\n\r\n<172 %1 %2>\r\n" + bob + L": <120 %1 %2>"},
  };
  for (std::size_t index = 0; index < rows.size(); ++index) {
    ProfileSwapOutcome outcome;
    outcome.stoppedAt = rows[index].stoppedAt;
    outcome.interrupted = rows[index].interrupted;
    outcome.runHolder = CString(L"kelvaro-hive.exe");
    for (const auto& [name, result] : rows[index].hives) {
      SwappedProfileHive hive;
      hive.name = name;
      hive.result = result;
      outcome.hives.push_back(hive);
    }
    EXPECT_EQ(uilogic::ProfileSwapReportText(outcome, load).str(), rows[index].expected)
        << "row " << index;
  }
}

}  // namespace
