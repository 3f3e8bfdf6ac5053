#include "cli/live/Commands.h"
#include "compaction/RestartRequest.h"

namespace {
constexpr char kPlanned[] = "scheduled";
}

LiveReport RunDefragment(const HiveSelection& selection, const ParsedCommand& command,
                         std::ostream& progress) {
  LiveReport report;
  report.command = "defragment";
  report.hives = PlannedHiveLines(selection, kPlanned);

  const CompactionOutcome outcome =
      RunCompaction(selection.rows, command.Has("--show-results"), CString(kRestartMessage), {},
                    ProgressTo(progress),
                    command.Has("--no-restart") ? AfterScheduling::kLeaveRestartToUser
                                                : AfterScheduling::kRestart);
  if (outcome.scheduled > 0 && !outcome.restartRequested) {
    progress << "kelvaro-hive: " << Utf8(CString(kSwapsWaitWarning)) << '\n';
  }
  FinishScheduling(report, kPlanned, outcome.notScheduled, outcome.stoppedAt, outcome.folderProblem,
                   outcome.scheduled, outcome.restartRequested, outcome.runHolder,
                   outcome.interrupted);
  return report;
}
