#pragma once
// One whole check of a hive: replay its logs when it is dirty, open it, walk
// and validate it, analyse its space, and judge it.

#include "hive/BaseBlock.h"
#include "hive/FindingLog.h"
#include "hive/HiveStatistics.h"
#include "hive/HiveVisitor.h"
#include "hive/LogReplay.h"

#include <string>
#include <vector>

namespace hive {

class CHive;

enum class Verdict {
  Sound,       // no warnings, no errors (notes allowed)
  Warnings,    // only warnings
  Errors,      // content lost or unreadable, or the structure contradicts itself
  Dirty,       // no errors, but a write never finished and no log brought it up to date
  Unreadable,  // not a hive this reader takes
};

const char* VerdictName(Verdict verdict);
// 0 sound, 1 warnings only, 2 errors, 3 unreadable, 4 dirty.
int ExitCode(Verdict verdict);

struct CheckResult {
  Verdict verdict = Verdict::Unreadable;
  std::string refusal;  // why the file is unreadable
  CFindingLog findings;
  BaseBlock base;  // after any replay
  HiveStatistics statistics;
  ReplayOutcome replay;
  std::vector<std::string> logsLookedFor;  // filled by the caller, for the dirty verdict's message
};

CheckResult CheckHiveBytes(std::vector<std::uint8_t> bytes, const std::vector<LogInput>& logs,
                           IHiveVisitor* visitor = nullptr);

// The same for a file's bytes held elsewhere (a mapping), no log replayed.
CheckResult CheckHiveView(Bytes file, IHiveVisitor* visitor = nullptr);

enum class CheckScope {
  Everything,   // the walk, the compacted size, the space and its remnants
  ContentOnly,  // the walk and its verdict: all a compaction needs
};

// The check of a hive already opened (and replayed) into `result`.
void CheckOpenedHive(const CHive& hive, CheckResult& result, IHiveVisitor* visitor,
                     CheckScope scope);

}  // namespace hive
