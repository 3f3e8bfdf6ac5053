#include "hive/HiveCheck.h"

#include "hive/Analysis.h"
#include "hive/CompactedSizeCounter.h"
#include "hive/Hive.h"
#include "hive/HiveWriter.h"
#include "hive/HiveWalk.h"
#include "hive/Remnants.h"

namespace hive {

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::Sound: return "sound";
    case Verdict::Warnings: return "warnings";
    case Verdict::Errors: return "errors";
    case Verdict::Dirty: return "dirty";
    case Verdict::Unreadable: return "unreadable";
  }
  return "unreadable";
}

int ExitCode(Verdict verdict) {
  switch (verdict) {
    case Verdict::Sound: return 0;
    case Verdict::Warnings: return 1;
    case Verdict::Errors: return 2;
    case Verdict::Unreadable: return 3;
    case Verdict::Dirty: return 4;
  }
  return 3;
}

CheckResult CheckHiveBytes(std::vector<std::uint8_t> bytes, const std::vector<LogInput>& logs,
                           IHiveVisitor* visitor) {
  CheckResult result;
  if (!logs.empty()) result.replay = ReplayLogs(bytes, logs, result.findings);
  std::unique_ptr<CHive> hive = CHive::Open(std::move(bytes), result.findings, result.refusal);
  if (hive) CheckOpenedHive(*hive, result, visitor, CheckScope::Everything);
  return result;
}

CheckResult CheckHiveView(Bytes file, IHiveVisitor* visitor) {
  CheckResult result;
  std::unique_ptr<CHive> hive = CHive::OpenView(file, result.findings, result.refusal);
  if (hive) CheckOpenedHive(*hive, result, visitor, CheckScope::Everything);
  return result;
}

void CheckOpenedHive(const CHive& hive, CheckResult& result, IHiveVisitor* visitor,
                     CheckScope scope) {
  bool everything = scope == CheckScope::Everything;
  result.base = hive.Base();
  // The compacted size is the writer's own packing of what the walk reads.
  CCompactedSizeCounter compacted(WrittenMinorVersion(result.base.minorVersion, WriteOptions{}),
                                  visitor);
  CHiveWalk walk(hive, result.findings, everything ? &compacted : visitor);
  walk.Run(result.statistics);
  if (everything) {
    AnalyseSpace(hive, result.statistics);
    result.statistics.compactedSize = compacted.Finish();
    FindRemnants(hive, result.statistics);
  }
  // Damage outranks a missing last write: it is the graver news.
  if (result.findings.Count(Severity::Error) != 0)
    result.verdict = Verdict::Errors;
  else if (result.base.Dirty())
    result.verdict = Verdict::Dirty;
  else if (result.findings.Count(Severity::Warning) != 0)
    result.verdict = Verdict::Warnings;
  else
    result.verdict = Verdict::Sound;
}

}  // namespace hive
