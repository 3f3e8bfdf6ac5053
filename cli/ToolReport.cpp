#include "cli/ToolReport.h"

#include "hive/Hive.h"
#include "cli/ExitCodes.h"
#include "cli/JsonWriter.h"

#include <cstdio>
#include <map>

using namespace hive;

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day) {
  days += 719468;
  std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  unsigned shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::string Percent(std::uint64_t part, std::uint64_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return text;
}

void Line(std::ostream& out, const char* label, const std::string& value) {
  char padded[32];
  std::snprintf(padded, sizeof padded, "%-22s", label);
  out << padded << value << '\n';
}

std::string Counted(std::uint64_t count, std::uint64_t bytes) {
  return std::to_string(count) + " (" + std::to_string(bytes) + " bytes)";
}

// The low bits of the last-reorganized time say what the reorganization did.
std::string ReorganizationText(std::uint64_t stamp) {
  switch (stamp & 3) {
    case 1: return " (defragmented)";
    case 2: return " (access history cleared)";
    case 3: return " (defragmented, access history cleared)";
  }
  return "";
}

}  // namespace

std::string FileTimeText(std::uint64_t fileTime) {
  if (fileTime == 0) return "never";
  std::int64_t seconds = static_cast<std::int64_t>(fileTime / 10000000) - 11644473600LL;
  std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  std::int64_t rest = seconds - days * 86400;
  int year;
  unsigned month, day;
  CivilFromDays(days, year, month, day);
  // Room for the widest text the format can give (49 bytes), not only for
  // real dates, so the compiler can prove nothing is cut.
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", year, month, day,
                static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                static_cast<int>(rest % 60));
  return text;
}

void PrintInfoText(std::ostream& out, const std::string& file, const CheckResult& result) {
  const BaseBlock& base = result.base;
  const HiveStatistics& stats = result.statistics;
  Line(out, "File:", file);
  Line(out, "Format:",
       "regf " + std::to_string(base.majorVersion) + "." + std::to_string(base.minorVersion));
  Line(out, "Sequence numbers:",
       std::to_string(base.primarySequence) + " / " + std::to_string(base.secondarySequence) +
           (base.SequencesAgree() ? "" : " (differ: dirty)"));
  Line(out,
       "Checksum:", Hex(base.checksum) + (base.ChecksumOk() ? " (correct)" : " (wrong: dirty)"));
  Line(out, "Last written:", FileTimeText(base.lastWritten));
  Line(out, "Root cell:", Hex(CHive::FileOffset(base.rootCell)));
  if (base.lastReorganized != 0)
    Line(out, "Last reorganized:",
         FileTimeText(base.lastReorganized & ~std::uint64_t{3}) +
             ReorganizationText(base.lastReorganized));
  if (base.offlineLibrary)
    Line(out, "Offline library:",
         "saved by the offline registry library (\"OfRg\", flags " + Hex(base.offlineFlags) + ")" +
             (base.offlineSaved ? " at " + FileTimeText(base.offlineSaved) : ""));
  Line(out, "File size:", std::to_string(stats.fileSize) + " bytes");
  Line(out, "Hive bins data:",
       std::to_string(stats.binsSize) + " bytes in " + std::to_string(stats.bins) + " bins");
  Line(out, "Keys:", std::to_string(stats.keys));
  Line(out, "Values:", std::to_string(stats.values));
  Line(out, "Security records:", std::to_string(stats.securityDescriptors));
  Line(out, "Big-data values:", std::to_string(stats.bigDataValues));
  Line(out, "Depth:", std::to_string(stats.depth));
  Line(out, "Allocated cells:", Counted(stats.allocatedCells, stats.allocatedBytes));
  Line(out, "Free cells:",
       Counted(stats.freeCells, stats.freeBytes) + ", " + Percent(stats.freeBytes, stats.binsSize) +
           " of the bins");
  Line(out, "Unreferenced cells:", Counted(stats.unreferencedCells, stats.unreferencedBytes));
  std::string runs;
  for (const FreeRun& run : stats.largestFreeRuns)
    runs += (runs.empty() ? "" : ", ") + std::to_string(run.size) + " at " + Hex(run.fileOffset);
  Line(out, "Largest free runs:", runs.empty() ? "none" : runs);
  for (const auto& [label, counts] : {std::pair{"Deleted (free cells):", stats.remnantsInFreeCells},
                                      std::pair{"Deleted (after bins):", stats.remnantsAfterBins}})
    Line(out, label,
         std::to_string(counts.keys) + " keys (" + std::to_string(counts.keyBytes) + " bytes), " +
             std::to_string(counts.values) + " values (" + std::to_string(counts.valueBytes) +
             " bytes); compaction removes them");
  Line(out, "Compacted size:",
       std::to_string(stats.compactedSize) + " bytes (" +
           Percent(stats.compactedSize, stats.fileSize) + " of the file)");
  Line(out, "Verdict:", VerdictName(result.verdict));
}

void PrintCheckText(std::ostream& out, const std::string& file, const CheckResult& result,
                    bool verbose) {
  for (const std::string& line : result.replay.applied)
    out << file << ": replayed " << line << '\n';
  // Warnings and errors always, notes only when asked; past the first
  // kListedPerCode of one code the rest is counted, not listed.
  constexpr std::size_t kListedPerCode = 20;
  std::map<std::string, std::size_t> listed;
  for (const Finding& finding : result.findings.Kept()) {
    if (finding.severity == Severity::Note && !verbose) continue;
    if (++listed[finding.code] > kListedPerCode) continue;
    out << file << ": " << SeverityName(finding.severity) << " at " << Hex(finding.offset) << ": "
        << finding.message << " [" << finding.code << "]\n";
  }
  for (const auto& [code, count] : result.findings.CountsByCode()) {
    auto shown = listed.find(code);
    if (shown == listed.end() || count <= kListedPerCode) continue;
    out << file << ": " << (count - kListedPerCode) << " more " << code << " findings not listed\n";
  }
  if (result.verdict == Verdict::Dirty && !result.logsLookedFor.empty()) {
    std::string names;
    for (const std::string& name : result.logsLookedFor)
      names += (names.empty() ? "" : ", ") + name;
    out << file << ": transaction logs looked for and not usable: " << names << '\n';
  }
  std::string notes;
  for (const auto& [code, count] : result.findings.CountsByCode()) {
    const FindingCodeInfo* info = FindFindingCode(code);
    if (info && info->level == Severity::Note)
      notes += (notes.empty() ? ": " : ", ") + std::to_string(count) + " " + code;
  }
  out << file << ": " << VerdictName(result.verdict) << " ("
      << result.findings.Count(Severity::Error) << " errors, "
      << result.findings.Count(Severity::Warning) << " warnings, "
      << result.findings.Count(Severity::Note) << " notes" << notes << ")\n";
}

void PrintJson(std::ostream& out, const std::string& command, const std::string& file,
               const CheckResult& result) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("file", file);
  json.String("command", command);
  json.String("verdict", VerdictName(result.verdict));
  json.Number("exitCode", static_cast<std::uint64_t>(ExitCodeFor(result.verdict)));
  if (result.verdict == Verdict::Unreadable) {
    json.String("refusal", result.refusal);
    json.EndObject();
    return;
  }
  const BaseBlock& base = result.base;
  json.BeginObject("baseBlock");
  json.Number("majorVersion", base.majorVersion);
  json.Number("minorVersion", base.minorVersion);
  json.Number("primarySequence", base.primarySequence);
  json.Number("secondarySequence", base.secondarySequence);
  json.Bool("checksumCorrect", base.ChecksumOk());
  json.Bool("dirty", base.Dirty());
  json.String("lastWritten", FileTimeText(base.lastWritten));
  json.Number("rootCell", CHive::FileOffset(base.rootCell));
  json.Number("binsSize", base.binsSize);
  json.String("lastReorganized", FileTimeText(base.lastReorganized & ~std::uint64_t{3}));
  json.Number("reorganizationBits", base.lastReorganized & 3);
  json.Bool("offlineLibrary", base.offlineLibrary);
  json.Number("offlineFlags", base.offlineFlags);
  json.EndObject();
  const HiveStatistics& stats = result.statistics;
  json.BeginObject("statistics");
  json.Number("fileSize", stats.fileSize);
  json.Number("bins", stats.bins);
  json.Number("keys", stats.keys);
  json.Number("values", stats.values);
  json.Number("securityRecords", stats.securityDescriptors);
  json.Number("bigDataValues", stats.bigDataValues);
  json.Number("depth", stats.depth);
  json.Number("allocatedCells", stats.allocatedCells);
  json.Number("allocatedBytes", stats.allocatedBytes);
  json.Number("freeCells", stats.freeCells);
  json.Number("freeBytes", stats.freeBytes);
  json.Number("unreferencedCells", stats.unreferencedCells);
  json.Number("unreferencedBytes", stats.unreferencedBytes);
  json.BeginArray("largestFreeRuns");
  for (const FreeRun& run : stats.largestFreeRuns) {
    json.BeginObject();
    json.Number("offset", run.fileOffset);
    json.Number("size", run.size);
    json.EndObject();
  }
  json.EndArray();
  json.Number("compactedSize", stats.compactedSize);
  for (const auto& [key, counts] : {std::pair{"remnantsInFreeCells", stats.remnantsInFreeCells},
                                    std::pair{"remnantsAfterBins", stats.remnantsAfterBins}}) {
    json.BeginObject(key);
    json.Number("keys", counts.keys);
    json.Number("keyBytes", counts.keyBytes);
    json.Number("values", counts.values);
    json.Number("valueBytes", counts.valueBytes);
    json.EndObject();
  }
  json.EndObject();
  json.BeginObject("replay");
  json.Bool("hiveWasDirty", result.replay.hiveWasDirty);
  json.Number("entriesApplied", result.replay.entriesApplied);
  json.Number("pagesWritten", result.replay.pagesWritten);
  json.BeginArray("applied");
  for (const std::string& line : result.replay.applied) {
    json.BeginObject();
    json.String("entry", line);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Number("errors", result.findings.Count(Severity::Error));
  json.Number("warnings", result.findings.Count(Severity::Warning));
  json.Number("notes", result.findings.Count(Severity::Note));
  if (result.verdict == Verdict::Dirty) {
    json.BeginArray("logsLookedFor");
    for (const std::string& log : result.logsLookedFor) {
      json.BeginObject();
      json.String("log", log);
      json.EndObject();
    }
    json.EndArray();
  }
  json.BeginObject("countsByCode");
  for (const auto& [code, count] : result.findings.CountsByCode()) json.Number(code, count);
  json.EndObject();
  if (command == "check") {
    json.BeginArray("findings");
    for (const Finding& finding : result.findings.Kept()) {
      json.BeginObject();
      json.String("severity", SeverityName(finding.severity));
      json.Number("offset", finding.offset);
      json.String("code", finding.code);
      json.String("message", finding.message);
      json.EndObject();
    }
    json.EndArray();
    json.Number("findingsNotShown", result.findings.Dropped());
  }
  json.EndObject();
}
