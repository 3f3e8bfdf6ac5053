#include "cli/ExitCodes.h"
#include "cli/live/Commands.h"
#include "cli/live/ProfileSwapReport.h"
#include "compaction/RestartRequest.h"

namespace {

constexpr char kPlanned[] = "scheduled";

LiveReport ScheduleLoaded(const HiveSelection& selection, const ParsedCommand& command,
                          std::ostream& progress, const std::wstring& shutdownMessage) {
  LiveReport report;
  report.command = "defragment";
  report.hives = PlannedHiveLines(selection, kPlanned);
  const CompactionOutcome outcome =
      RunCompaction(selection.rows, command.Has("--show-results"), CString(shutdownMessage), {},
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

}  // namespace

LiveReport RunDefragment(const HiveSelection& selection, const ParsedCommand& command,
                         std::ostream& progress) {
  if (!selection.profiles) return ScheduleLoaded(selection, command, progress, kRestartMessage);

  // The profiles first: their files are swapped at once, before any loaded
  // hive is scheduled for the restart.
  LiveReport report;
  report.command = "defragment";
  report.hives = LeftAloneLines(*selection.profiles);
  const ProfileSwapOutcome swapped = SwapProfileHives(selection.profiles->chosen);
  AddProfileSwapLines(report, swapped);
  // Done at once: no restart is asked for.
  FinishNow(report, {swapped.stoppedAt, swapped.folderProblem, swapped.runHolder,
                     swapped.interrupted, swapped.Swapped(),
                     " profile hives compacted and swapped now (run " +
                         std::to_string(swapped.runNumber) + "); no restart is needed.",
                     "No profile hive was swapped; nothing needs a restart."});
  if (SelectedEntries(selection).empty()) return report;
  if (swapped.Stopped()) {
    // As the window does: a run that failed part-way schedules nothing more.
    for (LiveHiveLine line : PlannedHiveLines(selection, "not-started")) {
      if (line.reason.empty()) line.reason = "the profiles' run stopped first";
      report.hives.push_back(std::move(line));
    }
    report.summary += " No loaded hive was scheduled.";
    return report;
  }

  std::wstring message = kRestartMessage;
  const std::string done = SwappedProfileNames(swapped);
  if (!done.empty()) {
    progress << "kelvaro-hive: already done, without a restart: " << done << '\n';
    message += L" " + std::to_wstring(swapped.Swapped()) +
               L" profile hives were compacted already, without a restart.";
  }
  LiveReport loaded = ScheduleLoaded(selection, command, progress, message);
  for (LiveHiveLine& line : loaded.hives) report.hives.push_back(std::move(line));
  const bool profilesDone = report.exitCode == kExitDone;
  report.summary = (done.empty() ? "Profiles: " + report.summary
                                 : "Already done, without a restart: " + done + ".") +
                   " Loaded hives: " + loaded.summary;
  // The restart the loaded hives need decides, unless they changed nothing
  // while the profiles were done.
  report.exitCode =
      loaded.exitCode == kExitNothingDone && profilesDone ? kExitDone : loaded.exitCode;
  return report;
}
