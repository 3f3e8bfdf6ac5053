#pragma once
// What the main window does once a run on its worker has returned: whether it
// ends and how, and the message it shows first, if any.
#include <functional>

#include "compaction/CompactionRun.h"
#include "compaction/HiveAnalysis.h"
#include "platform/CString.h"
#include "profiles/ProfileHiveSwap.h"

namespace uilogic {

struct AfterRun {
  enum class End { kStayOpen, kEndOk, kEndCancel };
  enum class Icon { kNone, kInformation, kError };
  End end = End::kStayOpen;
  CString message;  // empty: no message
  Icon icon = Icon::kNone;
  // The restart was asked for: the window hides and, should the program still
  // run a minute later (the countdown aborted), says that the swaps wait.
  bool watchRestart = false;
};

// How long after the restart request the swaps are said to wait.
inline constexpr unsigned kRestartWatchMilliseconds = 60 * 1000;

// Something scheduled: the window ends with IDOK, after saying that a stopped
// run left the replacements for the user's own restart, or that Windows
// refused the restart, and that changes made until then will be lost. Nothing scheduled:
// the window ends with IDCANCEL when the user closed it during the run, and
// otherwise stays with the run's report (string 111 first) as an error.
AfterRun AfterDefragment(const CompactionOutcome& outcome, bool closeRequested,
                         const std::function<CString(unsigned)>& loadString);

// Defragment with profile rows ticked: their swap came first; `loaded` is the
// loaded hives' run that followed, or null when none was ticked
// (`loadedTicked` false: no restart is needed, and the window says so) or
// the profiles' run stopped on a failure (the loaded hives were not scheduled
// either). A restart asked for says nothing more: the message before it named
// the profiles done. Otherwise the profiles' report comes first.
AfterRun AfterProfileDefragment(const ProfileSwapOutcome& profiles, const CompactionOutcome* loaded,
                                bool loadedTicked, bool closeRequested,
                                const std::function<CString(unsigned)>& loadString);

// The window ends with IDCANCEL when the user closed it during the analysis;
// otherwise it stays, with an error only when a folder stopped the analysis.
AfterRun AfterAnalysis(const AnalysisOutcome& outcome, bool closeRequested,
                       const std::function<CString(unsigned)>& loadString);

}  // namespace uilogic
