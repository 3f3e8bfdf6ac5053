#include "cli/live/ProfileSwapReport.h"

#include "cli/ExitCodes.h"
#include "cli/live/Commands.h"
#include "cli/live/ReasonWords.h"

namespace {

// What went wrong after a swap that stands.
std::string AfterSwapText(const SwappedProfileHive& hive) {
  std::string text;
  const auto add = [&text](const char* words) {
    text += (text.empty() ? "" : "; ") + std::string(words);
  };
  if (!hive.descriptorSet) {
    add("its previous owner and permissions, or the backup's protected ones, could not be set");
  }
  if (!hive.readBack) add("it could not be read back (the user may have signed in at once)");
  if (!hive.logsMoved) add("its previous .LOG1/.LOG2 stayed beside it");
  return text;
}

}  // namespace

void AddProfileSwapLines(LiveReport& report, const ProfileSwapOutcome& outcome) {
  for (const SwappedProfileHive& hive : outcome.hives) {
    LiveHiveLine line;
    line.name = CString(hive.name.c_str());
    line.file = CString(hive.file.c_str());
    line.size = hive.size;
    const ReasonWords words = WordsFor(hive.result);
    line.verdict = words.code;
    line.reason = words.text;
    if (hive.result == ProfileSwapResult::kSwapped) {
      line.compactSize = hive.compactSize;
      line.reason = AfterSwapText(hive);
    }
    if (hive.leftAtBackup) {
      line.reason +=
          "; Windows left the previous file at its backup name and it could not be "
          "put back: the run's record names it";
    }
    report.hives.push_back(std::move(line));
  }
}

std::string SwappedProfileNames(const ProfileSwapOutcome& outcome) {
  std::string names;
  for (const SwappedProfileHive& hive : outcome.hives) {
    if (hive.result != ProfileSwapResult::kSwapped) continue;
    names += (names.empty() ? "" : ", ") + Utf8(CString(hive.name.c_str()));
  }
  return names;
}

LiveReport ProfileRestoreReport(const ProfileRestoreOutcome& outcome) {
  LiveReport report;
  report.command = "restore";
  for (const RestoredProfileHive& hive : outcome.hives) {
    LiveHiveLine line;
    line.name = CString(hive.name.c_str());
    line.file = CString(hive.file.c_str());
    const ReasonWords words = WordsFor(hive.result);
    line.verdict = words.code;
    line.reason = words.text;
    report.hives.push_back(std::move(line));
  }
  FinishNow(report,
            {outcome.stoppedAt, outcome.folderProblem, outcome.runHolder, false, outcome.Restored(),
             " of " + std::to_string(outcome.hives.size()) +
                 " profile hives restored now; no restart is needed.",
             "No profile hive was restored."});
  return report;
}

void FinishNow(LiveReport& report, const DoneNow& work) {
  SetStop(report, "not-started", work.stoppedAt, work.problem);
  if (work.stoppedAt == StoppedAt::kAnotherRun) {
    report.summary = "Nothing was changed: another Kelvaro program is changing hives (" +
                     Utf8(work.runHolder) + ").";
    report.exitCode = kExitFailed;
  } else if (work.stoppedAt != StoppedAt::kNothing) {
    report.summary = "Nothing was changed: a Kelvaro folder failed its checks.";
    report.exitCode = kExitFailed;
  } else if (work.interrupted) {
    report.summary = "The run stopped on an error; " + std::to_string(work.done) + work.doneText;
    report.exitCode = kExitFailed;
  } else if (work.done == 0) {
    report.summary = work.noneText;
    report.exitCode = kExitNothingDone;
  } else {
    report.summary = std::to_string(work.done) + work.doneText;
    report.exitCode = kExitDone;
  }
}
