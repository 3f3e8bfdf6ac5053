#pragma once
// The compaction run behind the main window's Defragment button, from the
// moment the user confirmed. For each ticked hive it has Windows write a compact
// copy into the temporary folder (save pass), then schedules each copy to
// replace the live hive file at the next start, the live file moving into the
// backup folder (replace pass). When anything was scheduled it registers the
// results window (if asked) and requests a restart.
//
// The window keeps what only it can do: the confirmation, the wait cursor,
// reading its check box, ending itself or showing the "nothing compacted"
// message, as the outcome says.
#include <vector>

#include "catalogue/HiveRecords.h"
#include "platform/CString.h"

// One row of the main list, in display order.
struct CompactionRow {
  const HiveEntry* entry;  // the row's record; null for a row without one
  bool ticked;
};

struct CompactionOutcome {
  int saved = 0;                  // hives written to their compact copies
  int scheduled = 0;              // replacements the platform accepted
  bool restartRequested = false;  // the platform accepted the restart request
  // True when at least one replacement is scheduled: the window ends (the
  // program exits while the restart counts down, or the replacements wait for
  // the user's next restart when the request failed). False when nothing was
  // scheduled: no restart was requested and no start-up value written; the
  // window stays open with its rows and says so (string 111).
  bool closeWindow = false;
};

// Processes the ticked rows that carry an entry, in the given order, in both
// passes. A row is left out entirely when its hive's file was not found (size
// 0), its name starts with neither "HKLM\" nor "HKU\", its key name is not
// usable as a file name, or an earlier row already uses the same key name. A
// hive is replaced only when its save reported success and left a file. No
// platform failure stops the run and no exception of the path library leaves it.
CompactionOutcome RunCompaction(const std::vector<CompactionRow>& rows, bool showResults,
                                const CString& shutdownMessage);
