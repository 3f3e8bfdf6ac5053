#include "compaction/RestoreRun.h"
#include "cli/live/Commands.h"

namespace {
constexpr char kPlanned[] = "restored";
}

LiveReport RunRestore(const HiveSelection& selection, const ParsedCommand& command, std::ostream&) {
  LiveReport report;
  report.command = "restore";
  report.hives = PlannedHiveLines(selection, kPlanned);
  const RestoreOutcome outcome =
      RestoreBackups(selection.rows, !command.Has("--no-restart"), CString(kRestartMessage));
  FinishScheduling(report, kPlanned, outcome.notScheduled, outcome.stoppedAt, outcome.folderProblem,
                   outcome.scheduled, outcome.restartRequested);
  return report;
}
