#pragma once
// Each live command's work on the selected hives, as a report; RunLive prints
// and logs it. `progress` takes the lines that say how far the work is.
#include <ostream>
#include <string>

#include "compaction/CompactionRun.h"
#include "compaction/RunProgress.h"
#include "cli/live/HiveSelection.h"
#include "cli/CommandLine.h"
#include "cli/ToolContext.h"
#include "cli/live/LiveReport.h"

// The message Windows shows during the restart's countdown.
inline constexpr wchar_t kRestartMessage[] =
    L"Windows restarts to finish compacting the registry (kelvaro-hive).";

LiveReport RunLoaded(const HiveSelection& selection, const ParsedCommand& command,
                     std::ostream& progress);
LiveReport RunDefragment(const HiveSelection& selection, const ParsedCommand& command,
                         std::ostream& progress);
LiveReport RunAnalyze(const HiveSelection& selection, const ParsedCommand& command,
                      std::ostream& progress);
LiveReport RunRestore(const HiveSelection& selection, const ParsedCommand& command,
                      std::ostream& progress);

// results: the last run's lost writes, printed; a command of its own, since
// it reads the run's record rather than the selected hives.
int RunResults(const ParsedCommand& command, const ToolContext& context);

// The outcome of a command that schedules replacements: each hive left as it
// is gets its reason, then the stop, summary and exit code: 2 stopped at a
// folder, by another run (`runHolder`) or by a failure before anything was
// scheduled, 1 nothing scheduled, 1641 restart started, 3010 scheduled and a
// restart still needed (an `interrupted` run's summary says how many swaps
// stand). Lines still carrying `planned` are marked as never started when a
// folder or another run stopped it all.
void FinishScheduling(LiveReport& report, const std::string& planned,
                      const std::vector<NotScheduledHive>& notScheduled, StoppedAt stoppedAt,
                      FolderProblem problem, int scheduled, bool restartRequested,
                      const CString& runHolder, bool interrupted);
// Sets the report's stop; a stopped report's lines still carrying `planned`
// become "not-started".
void SetStop(LiveReport& report, const std::string& planned, StoppedAt stoppedAt,
             FolderProblem problem);

// Tells `out` which hive of how many starts: "[2/5] HKLM\SYSTEM".
RunProgress ProgressTo(std::ostream& out);

// One line per selected hive, in order: those the run leaves out before
// touching anything with their reason, the others with `verdict`.
std::vector<LiveHiveLine> PlannedHiveLines(const HiveSelection& selection,
                                           const std::string& verdict);
// The first line of that name still carrying `verdict`; null when none.
LiveHiveLine* FindPlannedLine(std::vector<LiveHiveLine>& lines, const CString& name,
                              const std::string& verdict);
