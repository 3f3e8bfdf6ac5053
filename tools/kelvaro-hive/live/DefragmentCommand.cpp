#include <memory>

#include "platform/Platform.h"
#include "tools/kelvaro-hive/live/Commands.h"
#include "tools/kelvaro-hive/live/NoRestartPlatform.h"
#include "tools/kelvaro-hive/live/ReasonWords.h"

namespace {
constexpr char kPlanned[] = "scheduled";
}

LiveReport RunDefragment(const HiveSelection& selection, const LiveOptions& options,
                         std::ostream& progress) {
  LiveReport report;
  report.command = "defragment";
  report.hives = PlannedHiveLines(selection, kPlanned);

  CompactionOutcome outcome;
  {
    // --no-restart: the run's restart request is declined before it reaches Windows.
    CNoRestartPlatform declining(platform::Current());
    std::unique_ptr<platform::ScopedPlatform> installed;
    if (options.noRestart) installed = std::make_unique<platform::ScopedPlatform>(declining);
    outcome = RunCompaction(selection.rows, options.showResults, CString(kRestartMessage), {},
                            ProgressTo(progress));
  }
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
