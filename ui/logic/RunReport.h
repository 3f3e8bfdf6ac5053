#pragma once
// The message the main window shows after a run that left ticked hives as
// they were: string 111 first when nothing was scheduled, then why the run
// stopped, or each hive left alone with its reason, one line each.
#include <functional>

#include "compaction/CompactionRun.h"
#include "platform/CString.h"
#include "profiles/ProfileHiveSwap.h"

namespace uilogic {

// The string-table id of the sentence that says why a hive was left alone.
unsigned ReasonString(NotScheduledReason reason);

// Why a run stopped before doing anything: another run holds the lock (named),
// or a Kelvaro folder failed its checks. Empty when it did not stop so.
CString StopText(StoppedAt stoppedAt, const CString& runHolder,
                 const std::function<CString(unsigned)>& loadString);

// Empty when everything ticked was scheduled. `loadString` reads the string
// table.
CString RunReportText(const CompactionOutcome& outcome,
                      const std::function<CString(unsigned)>& loadString);

// The string-table id of the sentence that says why a profile's hive was left alone.
unsigned ProfileReasonString(ProfileSwapResult result);

// The hives of users not signed in that were compacted now (how many, which),
// or that none was; then why the run stopped, or each hive left alone with its
// reason. Empty when the run had no profile to swap.
CString ProfileSwapReportText(const ProfileSwapOutcome& outcome,
                              const std::function<CString(unsigned)>& loadString);

}  // namespace uilogic
