#include "cli/live/ProfileAnalyzeReport.h"

#include "cli/ExitCodes.h"
#include "cli/live/Commands.h"
#include "cli/live/ReasonWords.h"
#include "profiles/ProfileHiveAnalysis.h"

LiveReport AnalyzeProfilesReport(const ProfileSelection& selection) {
  LiveReport report;
  report.command = "analyze";
  report.hives = LeftAloneLines(selection);
  std::vector<profiles::UserProfile> chosen;
  for (const profiles::UserProfile* profile : selection.chosen) chosen.push_back(*profile);
  const ProfileAnalysisOutcome outcome = AnalyzeProfileHives(chosen);
  int analysed = 0;
  std::int64_t totalGain = 0;
  for (const AnalyzedProfileHive& hive : outcome.hives) {
    LiveHiveLine line;
    const bool classes = hive.file.size() >= 12 &&
                         hive.file.compare(hive.file.size() - 12, 12, L"UsrClass.dat") == 0;
    line.name = ProfileHiveName(hive.sid, classes);
    line.file = CString(hive.file);
    line.size = hive.size;
    const ReasonWords words = WordsFor(hive.result);
    line.verdict = words.code;
    line.reason = words.text;
    if (hive.leftLoaded) {
      line.reason += "; Windows did not unload HKU\\Kelvaro-" + Utf8(CString(hive.sid)) +
                     " (it answered " + std::to_string(hive.unloadStatus) + ")";
    }
    if (hive.result == ProfileHiveResult::kAnalysed) {
      line.compactSize = hive.compactSize;
      ++analysed;
      totalGain +=
          static_cast<std::int64_t>(hive.size) - static_cast<std::int64_t>(hive.compactSize);
    }
    report.hives.push_back(std::move(line));
  }
  if (outcome.stoppedAt != StoppedAt::kNothing) {
    SetStop(report, "analysed", outcome.stoppedAt, outcome.folderProblem);
    report.summary = "Nothing was analysed: the analysis stopped at an unsafe folder.";
    report.exitCode = kExitFailed;
  } else if (analysed == 0) {
    report.summary = "No profile hive could be analysed.";
    report.exitCode = kExitNothingDone;
  } else {
    report.summary = std::to_string(analysed) +
                     " profile hives analysed, nothing swapped; total gain " +
                     std::to_string(totalGain) + " bytes.";
    report.exitCode = kExitDone;
  }
  return report;
}
