#include "cli/live/ProfileSwapReport.h"

#include "cli/ExitCodes.h"
#include "cli/live/Commands.h"

namespace {

struct ResultWords {
  const char* code;
  const char* text;
};

ResultWords WordsFor(ProfileSwapResult result) {
  switch (result) {
    case ProfileSwapResult::kSwapped: return {"swapped", ""};
    case ProfileSwapResult::kSignedIn:
      return {"signed-in", "the user signed in: the profile is loaded and was left as it is"};
    case ProfileSwapResult::kInUse: return {"in-use", "another program holds the file"};
    case ProfileSwapResult::kChanged:
      return {"changed", "the file changed after it was read: it was left as it is"};
    case ProfileSwapResult::kUnreadable:
      return {"unreadable", "the file or its logs could not be read as they stand"};
    case ProfileSwapResult::kNotSaved: return {"not-saved", "Windows did not load or save it"};
    case ProfileSwapResult::kRefused: return {"refused", "the saved copy failed the check"};
    case ProfileSwapResult::kContentDiffers:
      return {"content-differs", "the saved copy does not hold what the file held"};
    case ProfileSwapResult::kNoGain: return {"no-gain", "the copy is not smaller"};
    case ProfileSwapResult::kOtherVolume:
      return {"other-volume", "the profile is not on the Windows folder's volume"};
    case ProfileSwapResult::kNotAccepted:
      return {"not-accepted", "Windows did not exchange the files, or the record was not written"};
    case ProfileSwapResult::kStopped: return {"not-started", "the run stopped before this file"};
    case ProfileSwapResult::kRestartPending:
      return {"restart-pending", "an earlier run's swap of it waits for the restart"};
  }
  return {"", ""};
}

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

ResultWords WordsFor(ProfileRestoreResult result) {
  switch (result) {
    case ProfileRestoreResult::kRestored: return {"restored", ""};
    case ProfileRestoreResult::kSignedIn:
      return {"signed-in", "the user is signed in: restore it once the user has signed out"};
    case ProfileRestoreResult::kNoBackup: return {"no-backup", "the run swapped no such hive"};
    case ProfileRestoreResult::kRefused:
      return {"refused", "the backup is not the file the run's record names"};
    case ProfileRestoreResult::kNotSaved: return {"not-saved", "the backup could not be copied"};
    case ProfileRestoreResult::kNotAccepted:
      return {"not-accepted", "Windows did not exchange the files"};
    case ProfileRestoreResult::kNotStarted:
      return {"not-started", "the restore stopped before this file"};
  }
  return {"", ""};
}

}  // namespace

void AddProfileSwapLines(LiveReport& report, const ProfileSwapOutcome& outcome) {
  for (const SwappedProfileHive& hive : outcome.hives) {
    LiveHiveLine line;
    line.name = CString(hive.name.c_str());
    line.file = CString(hive.file.c_str());
    line.size = hive.size;
    const ResultWords words = WordsFor(hive.result);
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
    const ResultWords words = WordsFor(hive.result);
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
