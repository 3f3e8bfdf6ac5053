#pragma once
// The message the main window shows after a run that left ticked hives as
// they were: string 111 first when nothing was scheduled, then why the run
// stopped, or each hive left alone with its reason, one line each.
#include <functional>

#include "compaction/CompactionRun.h"
#include "platform/CString.h"

namespace uilogic {

// The string-table id of the sentence that says why a hive was left alone.
unsigned ReasonString(NotScheduledReason reason);

// Empty when everything ticked was scheduled. `loadString` reads the string
// table.
CString RunReportText(const CompactionOutcome& outcome,
                      const std::function<CString(unsigned)>& loadString);

}  // namespace uilogic
