#include "compaction/RestoreRun.h"
#include <string>

#include "cli/live/Commands.h"

namespace {
constexpr char kPlanned[] = "restored";
}

LiveReport RunRestore(const HiveSelection& selection, const ParsedCommand& command, std::ostream&) {
  LiveReport report;
  report.command = "restore";
  report.hives = PlannedHiveLines(selection, kPlanned);
  // Chosen, and confirmed, by RunLiveRestoreCommand.
  const std::optional<std::string> runText = command.Value("--run");
  const int run = runText ? std::stoi(*runText) : 0;
  const RestoreOutcome outcome = RestoreRunBackups(
      run, selection.rows, !command.Has("--no-restart"), CString(kRestartMessage));
  FinishScheduling(report, kPlanned, outcome.notScheduled, outcome.stoppedAt, outcome.folderProblem,
                   outcome.scheduled, outcome.restartRequested, outcome.runHolder, false);
  return report;
}
