// results: what the last run's swaps left out. For each hive the run
// scheduled, the writes made after its copy was saved (LostWrites.h), the
// copy's size at the save and the live file's now.
#include <ostream>
#include <string>

#include "cli/ExitCodes.h"
#include "cli/FileCommands.h"
#include "cli/JsonWriter.h"
#include "cli/live/Elevation.h"
#include "cli/live/LiveReport.h"
#include "compaction/LostWrites.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecordFile.h"

namespace {

std::string CheckWord(LostWriteCheck check) {
  switch (check) {
    case LostWriteCheck::kCompared: return "compared";
    case LostWriteCheck::kRestartPending: return "restart pending";
    case LostWriteCheck::kNoReference: return "no copy kept";
    case LostWriteCheck::kReferenceRefused: return "kept copy refused";
    case LostWriteCheck::kNoBackup: return "no backup";
    case LostWriteCheck::kUnreadable: return "unreadable";
  }
  return "unknown";
}

// What a person reads when the writes could not be counted.
std::string CheckSentence(const HiveLostWrites& hive) {
  switch (hive.check) {
    case LostWriteCheck::kCompared: return {};
    case LostWriteCheck::kRestartPending:
      return "the swap waits for a restart; changes made until then will be lost";
    case LostWriteCheck::kNoReference:
      return "no copy of the saved content was kept: changes cannot be counted";
    case LostWriteCheck::kReferenceRefused:
      return "the kept copy is not the one on record (SHA-256): changes cannot be counted";
    case LostWriteCheck::kNoBackup: return "the previous file is gone: changes cannot be counted";
    case LostWriteCheck::kUnreadable: return "changes cannot be counted: " + hive.error;
  }
  return {};
}

std::string Wide8(const std::wstring& text) { return Utf8(CString(text.c_str())); }

void PrintText(std::ostream& out, const LostWriteReport& report) {
  out << "run " << report.run << " (" << report.started << ")\n";
  for (const HiveLostWrites& hive : report.hives) {
    out << Wide8(hive.name) << ": ";
    if (hive.check == LostWriteCheck::kCompared) {
      out << Wide8(LostWritesSentence(hive.writes.size())) << '\n';
    } else {
      out << CheckSentence(hive) << '\n';
    }
    out << "  copy at the save " << hive.copySize << " bytes, live file now " << hive.liveSizeNow
        << " bytes\n";
    for (const LostWrite& write : hive.writes) out << "  " << LostWriteLine(write) << '\n';
  }
  out << (report.LostCount() == 0 ? std::string("nothing lost")
                                  : std::to_string(report.LostCount()) + " changes lost")
      << '\n';
}

void PrintJson(std::ostream& out, const LostWriteReport* report, int exit) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("command", "results");
  json.Number("exitCode", static_cast<std::uint64_t>(exit));
  if (report == nullptr) {
    json.String("refusal", "no run");
    json.EndObject();
    return;
  }
  json.Number("run", static_cast<std::uint64_t>(report->run));
  json.String("started", report->started);
  json.Number("lost", report->LostCount());
  json.BeginArray("hives");
  for (const HiveLostWrites& hive : report->hives) {
    json.BeginObject();
    json.String("name", Wide8(hive.name));
    json.String("check", CheckWord(hive.check));
    json.Number("copySize", hive.copySize);
    json.Number("liveSizeNow", hive.liveSizeNow);
    json.Number("lost", hive.writes.size());
    json.BeginArray("changes");
    for (const LostWrite& write : hive.writes) {
      json.BeginObject();
      json.String("text", LostWriteLine(write));
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

}  // namespace

int RunResults(const ParsedCommand& command, const ToolContext& context) {
  if (!ElevatedOrSaid("results", context.err)) return kExitNotElevated;
  std::optional<LostWriteReport> report;
  if (std::optional<CPathName> windows = SystemWindowsFolder()) {
    if (std::optional<int> run = RunToReview(*windows)) {
      report = ReportLostWrites(RunRecordPath(*windows, *run));
    }
  }
  const int exit = !report                    ? kExitNoRun
                   : report->LostCount() == 0 ? kExitNothingLost
                                              : kExitWritesLost;
  if (command.Has("--json")) {
    PrintJson(context.out, report ? &*report : nullptr, exit);
  } else if (report) {
    PrintText(context.out, *report);
  }
  if (!report) context.err << "kelvaro-hive: no run on record\n";
  return exit;
}
