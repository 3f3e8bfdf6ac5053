// What the main window does once a run has returned: how it ends and what it
// says first.
#include "ui/logic/AfterRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using uilogic::AfterRun;
using End = uilogic::AfterRun::End;
using Icon = uilogic::AfterRun::Icon;

CString Load(unsigned id) { return CString((L"<" + std::to_wstring(id) + L">").c_str()); }

TEST(AfterRunTest, Defragment) {
  struct Row {
    const char* what;
    bool closeWindow;
    bool stopped;
    bool interrupted;
    int scheduled;
    bool restartRequested;
    bool closeRequested;
    End end;
    std::wstring message;
    Icon icon;
    bool watchRestart;
  };
  const std::vector<Row> rows = {
      {"all scheduled, restart asked", true, false, false, 2, true, false, End::kEndOk, L"",
       Icon::kNone, true},
      {"closed too late to stop", true, false, false, 2, true, true, End::kEndOk, L"", Icon::kNone,
       true},
      {"Windows refused the restart", true, false, false, 2, false, false, End::kEndOk, L"<162>",
       Icon::kInformation, false},
      {"stopped with one scheduled", true, true, false, 1, false, true, End::kEndOk,
       L"<147>\r\n\r\n<162>", Icon::kInformation, false},
      {"stopped before anything was scheduled", false, true, false, 0, false, true, End::kEndCancel,
       L"", Icon::kNone, false},
      {"nothing scheduled", false, false, false, 0, false, false, End::kStayOpen, L"<111>",
       Icon::kError, false},
      // The loader here gives no %1, so the count shows as the string alone.
      {"failed after two were scheduled", true, true, true, 2, false, false, End::kEndOk,
       L"<167>\r\n\r\n<162>", Icon::kInformation, false},
      {"failed before anything was scheduled", false, true, true, 0, false, false, End::kStayOpen,
       L"<111>\r\n<168>", Icon::kError, false},
      {"failed while the window was being closed", false, true, true, 0, false, true,
       End::kEndCancel, L"<111>\r\n<168>", Icon::kError, false},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    CompactionOutcome outcome;
    outcome.closeWindow = row.closeWindow;
    outcome.stopped = row.stopped;
    outcome.interrupted = row.interrupted;
    outcome.scheduled = row.scheduled;
    outcome.restartRequested = row.restartRequested;
    const AfterRun after = uilogic::AfterDefragment(outcome, row.closeRequested, Load);
    EXPECT_EQ(after.end, row.end) << "row " << i << ": " << row.what;
    EXPECT_EQ(after.message.str(), row.message) << "row " << i << ": " << row.what;
    EXPECT_EQ(after.icon, row.icon) << "row " << i << ": " << row.what;
    EXPECT_EQ(after.watchRestart, row.watchRestart) << "row " << i << ": " << row.what;
  }
}

TEST(AfterRunTest, DefragmentWithProfilesDoneFirst) {
  enum class Loaded { kNotRun, kRestartAsked, kNothingScheduled };
  struct Row {
    const char* what;
    bool swapped;  // "P" swapped, or left alone while another program holds it
    StoppedAt stoppedAt;
    Loaded loaded;
    bool loadedTicked;
    bool closeRequested;
    End end;
    std::wstring message;
    Icon icon;
    bool watchRestart;
  };
  const std::vector<Row> rows = {
      {"only profiles, done", true, StoppedAt::kNothing, Loaded::kNotRun, false, false,
       End::kStayOpen, L"<171>\r\n\r\n<174>", Icon::kInformation, false},
      {"only profiles, none done", false, StoppedAt::kNothing, Loaded::kNotRun, false, false,
       End::kStayOpen, L"<173>\r\n\r\n<172>\r\nP: <178>\r\n\r\n<174>", Icon::kError, false},
      {"only profiles, closed during the run", true, StoppedAt::kNothing, Loaded::kNotRun, false,
       true, End::kEndCancel, L"", Icon::kNone, false},
      {"a folder stopped the profiles: the loaded hives wait", false, StoppedAt::kRunFolder,
       Loaded::kNotRun, true, false, End::kStayOpen, L"<173>\r\n<118>\r\n\r\n<175>", Icon::kError,
       false},
      {"another run stopped the profiles", false, StoppedAt::kAnotherRun, Loaded::kNotRun, true,
       false, End::kStayOpen, L"<173>\r\n<166>\r\n\r\n<175>", Icon::kError, false},
      {"profiles done, then the restart asked", true, StoppedAt::kNothing, Loaded::kRestartAsked,
       true, false, End::kEndOk, L"", Icon::kNone, true},
      {"profiles done, no loaded hive scheduled", true, StoppedAt::kNothing,
       Loaded::kNothingScheduled, true, false, End::kStayOpen, L"<171>\r\n\r\n<111>", Icon::kError,
       false},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    ProfileSwapOutcome profiles;
    profiles.stoppedAt = row.stoppedAt;
    if (row.stoppedAt == StoppedAt::kNothing) {
      SwappedProfileHive hive;
      hive.name = L"P";
      hive.result = row.swapped ? ProfileSwapResult::kSwapped : ProfileSwapResult::kInUse;
      profiles.hives.push_back(hive);
    }
    CompactionOutcome loaded;
    loaded.scheduled = row.loaded == Loaded::kRestartAsked ? 1 : 0;
    loaded.closeWindow = loaded.restartRequested = row.loaded == Loaded::kRestartAsked;
    const AfterRun after =
        uilogic::AfterProfileDefragment(profiles, row.loaded == Loaded::kNotRun ? nullptr : &loaded,
                                        row.loadedTicked, row.closeRequested, Load);
    EXPECT_EQ(after.end, row.end) << "row " << i << ": " << row.what;
    EXPECT_EQ(after.message.str(), row.message) << "row " << i << ": " << row.what;
    EXPECT_EQ(after.icon, row.icon) << "row " << i << ": " << row.what;
    EXPECT_EQ(after.watchRestart, row.watchRestart) << "row " << i << ": " << row.what;
  }
}

TEST(AfterRunTest, Analysis) {
  struct Row {
    StoppedAt stoppedAt;
    bool stopped;
    bool closeRequested;
    End end;
    std::wstring message;
    Icon icon;
  };
  const std::vector<Row> rows = {
      {StoppedAt::kNothing, false, false, End::kStayOpen, L"", Icon::kNone},
      {StoppedAt::kNothing, true, true, End::kEndCancel, L"", Icon::kNone},
      {StoppedAt::kNothing, false, true, End::kEndCancel, L"", Icon::kNone},
      {StoppedAt::kRunFolder, false, false, End::kStayOpen, L"<118>", Icon::kError},
      {StoppedAt::kBackupFolder, false, false, End::kStayOpen, L"<119>", Icon::kError},
      {StoppedAt::kRunFolder, false, true, End::kEndCancel, L"", Icon::kNone},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    AnalysisOutcome outcome;
    outcome.stoppedAt = row.stoppedAt;
    outcome.stopped = row.stopped;
    const AfterRun after = uilogic::AfterAnalysis(outcome, row.closeRequested, Load);
    EXPECT_EQ(after.end, row.end) << "row " << i;
    EXPECT_EQ(after.message.str(), row.message) << "row " << i;
    EXPECT_EQ(after.icon, row.icon) << "row " << i;
  }
}

}  // namespace
