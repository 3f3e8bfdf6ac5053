#pragma once
// What the caller of a run or an analysis learns and decides while it works:
// which hive starts, and whether to go on. Both are called on the thread that
// runs the work, between two hives, never during one.
#include <functional>

#include "platform/CString.h"

struct RunProgress {
  // Before each hive's save: 1-based position, the number of hives planned, the hive's name
  // (HKLM\SYSTEM).
  std::function<void(int position, int count, const CString& name)> hiveStarting;
  // Asked before each hive: true stops the run there (every hive is finished or not started).
  std::function<bool()> stopRequested;
};

// True when the caller asked to stop; never without a callback.
inline bool StopRequested(const RunProgress& progress) {
  return progress.stopRequested && progress.stopRequested();
}

inline void ReportHiveStarting(const RunProgress& progress, int position, int count,
                               const CString& name) {
  if (progress.hiveStarting) progress.hiveStarting(position, count, name);
}
