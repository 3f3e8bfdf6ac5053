#include "compaction/RestoreRun.h"
#include "tools/kelvaro-hive/live/Commands.h"
#include "tools/kelvaro-hive/live/ReasonWords.h"

namespace {
constexpr char kPlanned[] = "restored";
}

LiveReport RunRestore(const HiveSelection& selection, const LiveOptions& options) {
  LiveReport report;
  report.command = "restore";
  report.hives = PlannedHiveLines(selection, kPlanned);
  const RestoreOutcome outcome =
      RestoreBackups(selection.rows, !options.noRestart, CString(kRestartMessage));
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
