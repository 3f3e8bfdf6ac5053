#include "ui/logic/RunReport.h"

#include <string>

#include "ui/logic/AnalysisColumn.h"
#include "ui/res/resource.h"

namespace uilogic {

unsigned ReasonString(NotScheduledReason reason) {
  switch (reason) {
    case NotScheduledReason::kNotSaved: return IDS_REASON_NOT_SAVED;
    case NotScheduledReason::kRefused: return IDS_REASON_REFUSED;
    case NotScheduledReason::kNoGain: return IDS_REASON_NO_GAIN;
    case NotScheduledReason::kOtherVolume: return IDS_REASON_OTHER_VOLUME;
    case NotScheduledReason::kStopped: return IDS_REASON_STOPPED;
    case NotScheduledReason::kNoBackup: return IDS_REASON_NO_BACKUP;
    case NotScheduledReason::kRestartPending: return IDS_REASON_RESTART_PENDING;
    case NotScheduledReason::kNotAccepted: break;
  }
  return IDS_REASON_NOT_ACCEPTED;
}

CString StopText(StoppedAt stoppedAt, const CString& runHolder,
                 const std::function<CString(unsigned)>& loadString) {
  switch (stoppedAt) {
    case StoppedAt::kNothing: return CString();
    case StoppedAt::kAnotherRun: return FillPlaceholders(loadString(IDS_ANOTHER_RUN), {runHolder});
    case StoppedAt::kBackupFolder: return loadString(IDS_BACKUP_FOLDER_UNSAFE);
    case StoppedAt::kRunFolder: break;
  }
  return loadString(IDS_RUN_FOLDER_UNSAFE);
}

CString RunReportText(const CompactionOutcome& outcome,
                      const std::function<CString(unsigned)>& loadString) {
  const bool stopped = outcome.stoppedAt != StoppedAt::kNothing;
  if (outcome.scheduled > 0 && outcome.notScheduled.empty()) return CString();
  CString text;
  if (outcome.scheduled == 0) text = loadString(IDS_NOTHING_COMPACTED);
  auto addLine = [&text](const CString& line) {
    if (!text.IsEmpty()) text += L"\r\n";
    text += line;
  };
  if (outcome.stoppedAt == StoppedAt::kAnotherRun) {
    addLine(StopText(outcome.stoppedAt, outcome.runHolder, loadString));
    return text;
  }
  if (outcome.interrupted) addLine(loadString(IDS_RUN_FAILED));
  if (stopped) {
    addLine(StopText(outcome.stoppedAt, outcome.runHolder, loadString));
    return text;
  }
  if (outcome.notScheduled.empty()) return text;
  addLine(CString());
  addLine(loadString(IDS_LEFT_AS_THEY_ARE));
  for (const NotScheduledHive& hive : outcome.notScheduled) {
    addLine(hive.name + L": " + loadString(ReasonString(hive.reason)));
  }
  return text;
}

unsigned ProfileReasonString(ProfileSwapResult result) {
  switch (result) {
    case ProfileSwapResult::kSignedIn: return IDS_REASON_SIGNED_IN;
    case ProfileSwapResult::kInUse: return IDS_REASON_IN_USE;
    case ProfileSwapResult::kChanged: return IDS_REASON_CHANGED;
    case ProfileSwapResult::kUnreadable: return IDS_REASON_UNREADABLE;
    case ProfileSwapResult::kNotSaved: return IDS_REASON_NOT_SAVED;
    case ProfileSwapResult::kRefused: return IDS_REASON_REFUSED;
    case ProfileSwapResult::kContentDiffers: return IDS_REASON_CONTENT_DIFFERS;
    case ProfileSwapResult::kNoGain: return IDS_REASON_NO_GAIN;
    case ProfileSwapResult::kOtherVolume: return IDS_REASON_OTHER_VOLUME;
    case ProfileSwapResult::kStopped: return IDS_REASON_STOPPED;
    case ProfileSwapResult::kRestartPending: return IDS_REASON_RESTART_PENDING;
    case ProfileSwapResult::kSwapped:
    case ProfileSwapResult::kNotAccepted: break;
  }
  return IDS_REASON_NOT_ACCEPTED;
}

CString ProfileSwapReportText(const ProfileSwapOutcome& outcome,
                              const std::function<CString(unsigned)>& loadString) {
  if (outcome.hives.empty() && !outcome.Stopped()) return CString();
  CString text;
  auto addLine = [&text](const CString& line) {
    if (!text.IsEmpty()) text += L"\r\n";
    text += line;
  };
  CString names;
  for (const SwappedProfileHive& hive : outcome.hives) {
    if (hive.result != ProfileSwapResult::kSwapped) continue;
    if (!names.IsEmpty()) names += L", ";
    names += CString(hive.name.c_str());
  }
  addLine(names.IsEmpty()
              ? loadString(IDS_PROFILES_NOTHING_COMPACTED)
              : FillPlaceholders(loadString(IDS_PROFILES_DONE),
                                 {CString(std::to_wstring(outcome.Swapped()).c_str()), names}));
  const CString stop = StopText(outcome.stoppedAt, outcome.runHolder, loadString);
  if (!stop.IsEmpty()) {
    addLine(stop);
    return text;
  }
  if (outcome.interrupted) addLine(loadString(IDS_PROFILE_RUN_FAILED));
  bool headed = false;
  for (const SwappedProfileHive& hive : outcome.hives) {
    if (hive.result == ProfileSwapResult::kSwapped) continue;
    if (!headed) {
      addLine(CString());
      addLine(loadString(IDS_PROFILES_LEFT_AS_THEY_ARE));
      headed = true;
    }
    addLine(CString(hive.name.c_str()) + L": " + loadString(ProfileReasonString(hive.result)));
  }
  return text;
}

}  // namespace uilogic
