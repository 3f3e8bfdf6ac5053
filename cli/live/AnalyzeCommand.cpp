#include "compaction/HiveAnalysis.h"
#include "cli/live/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/live/ProfileAnalyzeReport.h"
#include "cli/live/ReasonWords.h"

namespace {
constexpr char kPlanned[] = "analysed";
}

LiveReport RunAnalyze(const HiveSelection& selection, const ParsedCommand&,
                      std::ostream& progress) {
  if (selection.profiles) return AnalyzeProfilesReport(*selection.profiles);
  LiveReport report;
  report.command = "analyze";
  report.hives = PlannedHiveLines(selection, kPlanned);
  const AnalysisOutcome outcome = AnalyzeHives(selection.rows, ProgressTo(progress));

  int analysed = 0;
  std::int64_t totalGain = 0;
  for (const AnalyzedHive& hive : outcome.hives) {
    LiveHiveLine* line = FindPlannedLine(report.hives, hive.name, kPlanned);
    if (line == nullptr) continue;
    if (hive.refusal) {
      line->verdict = WordsFor(*hive.refusal).code;
      line->reason = WordsFor(*hive.refusal).text;
      continue;
    }
    // Marked so that a second hive of the same name finds its own line.
    line->verdict = "measured";
    line->compactSize = hive.compactSize;
    ++analysed;
    totalGain += hive.gain();
  }
  for (LiveHiveLine& line : report.hives) {
    if (line.verdict == "measured") line.verdict = kPlanned;
  }
  SetStop(report, kPlanned, outcome.stoppedAt, outcome.folderProblem);

  if (outcome.stoppedAt != StoppedAt::kNothing) {
    report.summary = "Nothing was analysed: the analysis stopped at an unsafe folder.";
    report.exitCode = kExitFailed;
  } else if (analysed == 0) {
    report.summary = "No hive could be analysed.";
    report.exitCode = kExitNothingDone;
  } else {
    report.summary = std::to_string(analysed) + " of " + std::to_string(report.hives.size()) +
                     " hives analysed; total gain " + std::to_string(totalGain) + " bytes.";
    report.exitCode = kExitDone;
  }
  return report;
}
