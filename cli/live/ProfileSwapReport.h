#pragma once
// defragment --profiles and restore: what the swap of the profiles' hives, and
// their way back, did, as lines of a live report, and the words that say which
// profiles are already done.
#include <string>

#include "cli/live/LiveReport.h"
#include "profiles/ProfileHiveRestore.h"
#include "profiles/ProfileHiveSwap.h"

// One line per file, in order: "swapped" with its compact size, or the reason
// it was left as it is.
void AddProfileSwapLines(LiveReport& report, const ProfileSwapOutcome& outcome);

// "HKU\S-1-5-21-…-1001, HKU\S-1-5-21-…-1001_Classes": the hives swapped.
std::string SwappedProfileNames(const ProfileSwapOutcome& outcome);

// restore: each profile hive put back at once, or why not; exit 0 when every
// one was, 1 when none was, 2 when a folder or another run stopped it.
LiveReport ProfileRestoreReport(const ProfileRestoreOutcome& outcome);

// The stop, summary and exit code of work done at once, with no restart: 2
// stopped by a folder or another run (`runHolder`), or by a failure
// (`interrupted`); 1 nothing done (`noneText`); 0 `done` things done
// (`doneText`, said after their count).
struct DoneNow {
  StoppedAt stoppedAt;
  FolderProblem problem;
  const CString& runHolder;
  bool interrupted;
  int done;
  std::string doneText;
  std::string noneText;
};
void FinishNow(LiveReport& report, const DoneNow& work);
