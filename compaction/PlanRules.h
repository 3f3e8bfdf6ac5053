#pragma once
// Why a compaction run leaves a hive out before touching it (HiveTasks.h),
// for callers that show them (the command line's "loaded"): the same rules
// the run applies to its ticked rows, in the same order.
#include <vector>

#include "catalogue/HiveRecords.h"

enum class LeftOutReason {
  kNone,               // the run works on it
  kNoFile,             // its file was not found (size 0) or its path is unusable
  kNotMachineOrUsers,  // its name starts with neither HKLM\ nor HKU\ (or is empty)
  kUnusableName,       // its key name cannot be a file name
  kSameFileName,       // an earlier hive already uses its file name
};

// For each entry in order, as if every one were ticked: why the run would
// leave it out. A later entry loses to an earlier one of the same file name
// only when the earlier one is not left out itself.
std::vector<LeftOutReason> JudgePlan(const std::vector<const HiveEntry*>& entries);
