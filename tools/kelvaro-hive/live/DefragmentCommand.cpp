#include "tools/kelvaro-hive/live/Commands.h"
#include "tools/kelvaro-hive/live/ReasonWords.h"

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
  for (const NotScheduledHive& hive : outcome.notScheduled) {
    if (LiveHiveLine* line = FindPlannedLine(report.hives, hive.name, kPlanned)) {
      line->verdict = WordsFor(hive.reason).code;
      line->reason = WordsFor(hive.reason).text;
    }
  }
  FinishScheduling(report, kPlanned, outcome.stoppedAt, outcome.folderProblem, outcome.scheduled,
                   outcome.restartRequested);
  return report;
}
