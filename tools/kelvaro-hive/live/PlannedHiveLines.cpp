#include "compaction/PlanRules.h"
#include "tools/kelvaro-hive/live/Commands.h"
#include "tools/kelvaro-hive/live/LiveExitCodes.h"
#include "tools/kelvaro-hive/live/ReasonWords.h"

std::vector<LiveHiveLine> PlannedHiveLines(const HiveSelection& selection,
                                           const std::string& verdict) {
  const std::vector<const HiveEntry*> entries = SelectedEntries(selection);
  const std::vector<LeftOutReason> reasons = JudgePlan(entries);
  std::vector<LiveHiveLine> lines;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    LiveHiveLine line;
    line.name = entries[i]->name;
    line.file = entries[i]->path.GetText().GetBuffer();
    line.size = entries[i]->size;
    line.verdict = verdict;
    if (reasons[i] != LeftOutReason::kNone) {
      line.verdict = WordsFor(reasons[i]).code;
      line.reason = WordsFor(reasons[i]).text;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

LiveHiveLine* FindPlannedLine(std::vector<LiveHiveLine>& lines, const CString& name,
                              const std::string& verdict) {
  for (LiveHiveLine& line : lines) {
    if (line.name == name && line.verdict == verdict) return &line;
  }
  return nullptr;
}

RunProgress ProgressTo(std::ostream& out) {
  RunProgress progress;
  progress.hiveStarting = [&out](int position, int count, const CString& name) {
    out << '[' << position << '/' << count << "] " << Utf8(name) << std::endl;
  };
  return progress;
}

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
    line.reason = "a Kelvaro folder failed its checks before any hive was touched";
  }
}

void FinishScheduling(LiveReport& report, const std::string& planned, StoppedAt stoppedAt,
                      FolderProblem problem, int scheduled, bool restartRequested) {
  SetStop(report, planned, stoppedAt, problem);
  const std::string count =
      std::to_string(scheduled) + " of " + std::to_string(report.hives.size()) + " hives scheduled";
  if (stoppedAt != StoppedAt::kNothing) {
    report.summary = "Nothing was scheduled: a Kelvaro folder failed its checks.";
    report.exitCode = kExitFailed;
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
