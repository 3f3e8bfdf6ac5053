#include "ui/logic/AfterRun.h"

#include <string>

#include "ui/logic/AnalysisColumn.h"
#include "ui/logic/RunReport.h"
#include "ui/res/resource.h"

namespace uilogic {

AfterRun AfterDefragment(const CompactionOutcome& outcome, bool closeRequested,
                         const std::function<CString(unsigned)>& loadString) {
  if (outcome.closeWindow) {
    if (outcome.restartRequested) {
      return {AfterRun::End::kEndOk, CString(), AfterRun::Icon::kNone, true};
    }
    CString message;
    if (outcome.interrupted) {
      message = FillPlaceholders(loadString(IDS_RUN_INTERRUPTED),
                                 {CString(std::to_wstring(outcome.scheduled).c_str())}) +
                L"\r\n\r\n";
    } else if (outcome.stopped) {
      message = loadString(IDS_STOPPED_WITH_SCHEDULED) + L"\r\n\r\n";
    }
    return {AfterRun::End::kEndOk, message + loadString(IDS_SWAPS_WAIT),
            AfterRun::Icon::kInformation};
  }
  // A failure says so even when the window was being closed.
  if (closeRequested && !outcome.interrupted) {
    return {AfterRun::End::kEndCancel, CString(), AfterRun::Icon::kNone};
  }
  return {closeRequested ? AfterRun::End::kEndCancel : AfterRun::End::kStayOpen,
          RunReportText(outcome, loadString), AfterRun::Icon::kError};
}

AfterRun AfterProfileDefragment(const ProfileSwapOutcome& profiles, const CompactionOutcome* loaded,
                                bool loadedTicked, bool closeRequested,
                                const std::function<CString(unsigned)>& loadString) {
  const CString report = ProfileSwapReportText(profiles, loadString);
  const auto joined = [&report](const CString& more) {
    return report.IsEmpty() ? more : more.IsEmpty() ? report : report + L"\r\n\r\n" + more;
  };
  if (loaded != nullptr) {
    AfterRun after = AfterDefragment(*loaded, closeRequested, loadString);
    if (!after.message.IsEmpty()) after.message = joined(after.message);
    return after;
  }
  const bool stopped = profiles.Stopped();
  if (closeRequested && !profiles.interrupted) {
    return {AfterRun::End::kEndCancel, CString(), AfterRun::Icon::kNone};
  }
  CString more;
  if (!loadedTicked) {
    more = loadString(IDS_NO_RESTART_NEEDED);
  } else if (stopped) {
    more = loadString(IDS_LOADED_NOT_SCHEDULED);
  }
  const bool failed = stopped || profiles.Swapped() == 0;
  return {closeRequested ? AfterRun::End::kEndCancel : AfterRun::End::kStayOpen, joined(more),
          failed ? AfterRun::Icon::kError : AfterRun::Icon::kInformation};
}

AfterRun AfterAnalysis(const AnalysisOutcome& outcome, bool closeRequested,
                       const std::function<CString(unsigned)>& loadString) {
  if (closeRequested) return {AfterRun::End::kEndCancel, CString(), AfterRun::Icon::kNone};
  if (outcome.stoppedAt == StoppedAt::kNothing) return {};
  return {AfterRun::End::kStayOpen,
          loadString(outcome.stoppedAt == StoppedAt::kBackupFolder ? IDS_BACKUP_FOLDER_UNSAFE
                                                                   : IDS_RUN_FOLDER_UNSAFE),
          AfterRun::Icon::kError};
}

}  // namespace uilogic
