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

}  // namespace
