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

enum class Verdict {
    Sound,      // no warnings, no errors
    Warnings,   // only warnings
    Errors,     // structural errors
    Dirty,      // sequence numbers or checksum say a write never finished
    Unreadable, // not a hive this reader takes
};

const char* VerdictName(Verdict verdict);
// 0 sound, 1 warnings only, 2 errors or dirty, 3 unreadable.
int ExitCode(Verdict verdict);

struct CheckResult {
    Verdict verdict = Verdict::Unreadable;
    std::string refusal;           // why the file is unreadable
    CFindingLog findings;
    BaseBlock base;                // after any replay
    HiveStatistics statistics;
    ReplayOutcome replay;
};

CheckResult CheckHiveBytes(std::vector<std::uint8_t> bytes, const std::vector<LogInput>& logs,
                           IHiveVisitor* visitor = nullptr);

} // namespace hive
