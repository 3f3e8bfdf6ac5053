#pragma once
// The hives a run, an analysis or a restore works on, planned from the main
// list's rows by one rule so that the three always agree on what they touch.
#include <vector>

#include "catalogue/HiveRecords.h"
#include "compaction/RunOutcome.h"
#include "path/PathName.h"
#include "platform/CString.h"
#include "platform/Types.h"

// One hive: the key directly below its root and the file name its compact copy
// and its backup file share.
struct HiveTask {
  const HiveEntry* entry;
  platform::KeyHandle root;
  CString keyName;
  CPathComponent fileName;
};

// The ticked rows that carry an entry, in display order. A row is left out
// when its hive's file was not found (size 0), its name starts with neither
// "HKLM\" nor "HKU\", its key name is not usable as a file name, or an earlier
// row already uses the same key name (the two would share a copy and a backup).
std::vector<HiveTask> PlanTasks(const std::vector<CompactionRow>& rows);
