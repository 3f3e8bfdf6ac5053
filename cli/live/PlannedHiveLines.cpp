#include "compaction/PlanRules.h"
#include "cli/live/Commands.h"
#include "cli/live/ReasonWords.h"

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
