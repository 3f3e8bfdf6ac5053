#include "ui/logic/RunReport.h"

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
    addLine(FillPlaceholders(loadString(IDS_ANOTHER_RUN), {outcome.runHolder}));
    return text;
  }
  if (outcome.interrupted) addLine(loadString(IDS_RUN_FAILED));
  if (stopped) {
    addLine(loadString(outcome.stoppedAt == StoppedAt::kBackupFolder ? IDS_BACKUP_FOLDER_UNSAFE
                                                                     : IDS_RUN_FOLDER_UNSAFE));
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

}  // namespace uilogic
