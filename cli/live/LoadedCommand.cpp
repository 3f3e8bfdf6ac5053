#include "compaction/PlanRules.h"
#include "cli/live/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/live/ReasonWords.h"

LiveReport RunLoaded(const HiveSelection& selection, const ParsedCommand&, std::ostream&) {
  LiveReport report;
  report.command = "loaded";
  std::vector<const HiveEntry*> entries;
  for (const auto& entry : selection.entries) entries.push_back(entry.get());
  const std::vector<LeftOutReason> reasons = JudgePlan(entries);
  int wouldCompact = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    LiveHiveLine line;
    line.name = entries[i]->name;
    line.file = entries[i]->path.GetText().GetBuffer();
    line.size = entries[i]->size;
    line.ticked = StartsTicked(*entries[i]);
    line.verdict = "would-compact";
    if (reasons[i] != LeftOutReason::kNone) {
      line.verdict = WordsFor(reasons[i]).code;
      line.reason = WordsFor(reasons[i]).text;
    } else {
      ++wouldCompact;
    }
    report.hives.push_back(std::move(line));
  }
  report.summary = std::to_string(entries.size()) + " hives loaded, " +
                   std::to_string(wouldCompact) + " Kelvaro would compact.";
  report.exitCode = kExitDone;
  return report;
}
