#include <memory>

#include "platform/Platform.h"
#include "tools/kelvaro-hive/live/Commands.h"
#include "tools/kelvaro-hive/live/LiveExitCodes.h"
#include "tools/kelvaro-hive/live/NoRestartPlatform.h"
#include "tools/kelvaro-hive/live/ReasonWords.h"

namespace {
constexpr char kPlanned[] = "scheduled";
}

LiveReport RunDefragment(const HiveSelection& selection, const LiveOptions& options,
                         std::ostream& progress) {
  LiveReport report;
  report.command = "defragment";
  report.hives = PlannedHiveLines(selection, kPlanned);

  CompactionOutcome outcome;
  {
    // --no-restart: the run's restart request is declined before it reaches Windows.
    CNoRestartPlatform declining(platform::Current());
    std::unique_ptr<platform::ScopedPlatform> installed;
    if (options.noRestart) installed = std::make_unique<platform::ScopedPlatform>(declining);
    outcome = RunCompaction(selection.rows, options.showResults, CString(kRestartMessage), {},
                            ProgressTo(progress));
  }
  for (const NotScheduledHive& hive : outcome.notScheduled) {
    if (LiveHiveLine* line = FindPlannedLine(report.hives, hive.name, kPlanned)) {
      line->verdict = WordsFor(hive.reason).code;
      line->reason = WordsFor(hive.reason).text;
    }
  }
  const ReasonWords stop = WordsFor(outcome.stoppedAt, outcome.folderProblem);
  report.stopCode = stop.code;
  report.stopText = stop.text;
  report.stopProblem = ProblemCode(outcome.folderProblem);

  const std::string scheduled = std::to_string(outcome.scheduled) + " of " +
                                std::to_string(report.hives.size()) + " hives scheduled";
  if (outcome.stoppedAt != StoppedAt::kNothing) {
    report.summary = "Nothing was scheduled: the run stopped at an unsafe folder.";
    report.exitCode = kExitFailed;
  } else if (outcome.scheduled == 0) {
    report.summary = "Nothing was scheduled; Windows was not restarted.";
    report.exitCode = kExitNothingDone;
  } else if (outcome.restartRequested) {
    report.summary = scheduled + "; Windows restarts in 10 seconds to swap them in.";
    report.exitCode = kExitRestartStarted;
  } else {
    report.summary = scheduled + "; they take effect at the next restart.";
    report.exitCode = kExitRestartNeeded;
  }
  return report;
}
