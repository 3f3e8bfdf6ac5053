#include "cli/live/Commands.h"

namespace {
constexpr char kPlanned[] = "scheduled";
}

LiveReport RunDefragment(const HiveSelection& selection, const LiveOptions& options,
                         std::ostream& progress) {
  LiveReport report;
  report.command = "defragment";
  report.hives = PlannedHiveLines(selection, kPlanned);

  const CompactionOutcome outcome = RunCompaction(
      selection.rows, options.showResults, CString(kRestartMessage), {}, ProgressTo(progress),
      options.noRestart ? AfterScheduling::kLeaveRestartToUser : AfterScheduling::kRestart);
  FinishScheduling(report, kPlanned, outcome.notScheduled, outcome.stoppedAt, outcome.folderProblem,
                   outcome.scheduled, outcome.restartRequested);
  return report;
}
