#include "cli/live/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/live/ReasonWords.h"

void SetStop(LiveReport& report, const std::string& planned, StoppedAt stoppedAt,
             FolderProblem problem) {
  if (stoppedAt == StoppedAt::kNothing) return;
  const ReasonWords stop = WordsFor(stoppedAt, problem);
  report.stopCode = stop.code;
  report.stopText = stop.text;
  report.stopProblem = ProblemCode(problem);
  for (LiveHiveLine& line : report.hives) {
    if (line.verdict != planned) continue;
    line.verdict = "not-started";
    line.reason = stoppedAt == StoppedAt::kAnotherRun
                      ? "another Kelvaro program was changing hives"
                      : "a Kelvaro folder failed its checks before any hive was touched";
  }
}

void FinishScheduling(LiveReport& report, const std::string& planned,
                      const std::vector<NotScheduledHive>& notScheduled, StoppedAt stoppedAt,
                      FolderProblem problem, int scheduled, bool restartRequested,
                      const CString& runHolder, bool interrupted) {
  for (const NotScheduledHive& hive : notScheduled) {
    if (LiveHiveLine* line = FindPlannedLine(report.hives, hive.name, planned)) {
      line->verdict = WordsFor(hive.reason).code;
      line->reason = WordsFor(hive.reason).text;
    }
  }
  SetStop(report, planned, stoppedAt, problem);
  const std::string count =
      std::to_string(scheduled) + " of " + std::to_string(report.hives.size()) + " hives scheduled";
  if (stoppedAt == StoppedAt::kAnotherRun) {
    report.summary =
        "Nothing was changed: another Kelvaro program is changing hives (" + Utf8(runHolder) + ").";
    report.exitCode = kExitFailed;
  } else if (stoppedAt != StoppedAt::kNothing) {
    report.summary = "Nothing was scheduled: a Kelvaro folder failed its checks.";
    report.exitCode = kExitFailed;
  } else if (interrupted && scheduled == 0) {
    report.summary = "The run stopped on an error; nothing was scheduled.";
    report.exitCode = kExitFailed;
  } else if (interrupted) {
    // The swaps stand: said as plainly as the way back.
    report.summary = "The run stopped on an error: " + std::to_string(scheduled) +
                     " hives are already scheduled and will be swapped at the next start; "
                     "after it, \"kelvaro-hive restore\" puts their previous files back.";
    report.exitCode = kExitRestartNeeded;
  } else if (scheduled == 0) {
    report.summary = "Nothing was scheduled; Windows was not restarted.";
    report.exitCode = kExitNothingDone;
  } else if (restartRequested) {
    report.summary = count + "; Windows restarts in 10 seconds to swap them in.";
    report.exitCode = kExitRestartStarted;
  } else {
    report.summary = count + "; they take effect at the next restart.";
    report.exitCode = kExitRestartNeeded;
  }
}
