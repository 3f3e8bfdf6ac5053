#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "cli/HiveTool.h"
#include "cli/JsonWriter.h"
#include "cli/live/Elevation.h"
#include "cli/live/LiveReport.h"
#include "cli/live/RunCommands.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecordFile.h"
#include "compaction/RunState.h"

namespace {

std::vector<std::string> SwappedNames(const RunRecord& record) {
  std::vector<std::string> names;
  for (const RecordedHive& hive : record.hives) {
    if (hive.MaySwap() || hive.MayBeSwappedNow()) names.push_back(Utf8(CString(hive.name.c_str())));
  }
  return names;
}

void PrintJson(std::ostream& out, const std::vector<RunRecord>& records) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("command", "runs");
  json.BeginArray("runs");
  for (const RunRecord& record : records) {
    json.BeginObject();
    json.Number("run", static_cast<std::uint64_t>(record.number));
    json.String("started", record.started);
    json.String("version", record.version);
    json.String("state", RunStateWords(StateOfRun(record)));
    json.BeginArray("hives");
    for (const RecordedHive& hive : record.hives) {
      json.BeginObject();
      json.String("name", Utf8(CString(hive.name.c_str())));
      json.String("file", Utf8(CString(hive.liveFile.c_str())));
      json.String("state", hive.MaySwap()           ? "swap"
                           : hive.MayBeSwappedNow() ? "swapped now"
                                                    : "left alone");
      json.String("reason", hive.reason);
      json.String("backup", Utf8(CString(hive.backupFile.c_str())));
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

void PrintText(std::ostream& out, const std::vector<RunRecord>& records) {
  if (records.empty()) {
    out << "No run on record.\n";
    return;
  }
  for (const RunRecord& record : records) {
    out << "Run " << record.number << "  " << record.started << "  "
        << RunStateWords(StateOfRun(record)) << '\n';
    const std::vector<std::string> names = SwappedNames(record);
    for (const std::string& name : names) out << "  " << name << '\n';
    if (names.empty()) out << "  (no hive swapped)\n";
  }
}

}  // namespace

int RunRunsCommand(const ParsedCommand& command, const ToolContext& context) {
  // The records are readable by administrators alone.
  if (!ElevatedOrSaid("runs", context.err)) return kExitNotElevated;
  std::vector<RunRecord> records;
  if (const std::optional<CPathName> windowsFolder = SystemWindowsFolder()) {
    for (int number : RunsOnRecord(*windowsFolder)) {
      if (std::optional<RunRecord> record = ReadRunRecord(*windowsFolder, number)) {
        records.push_back(*record);
      } else {
        context.err << "kelvaro-hive: the record of run " << number << " could not be read.\n";
      }
    }
  }
  if (command.Has("--json")) {
    PrintJson(context.out, records);
  } else {
    PrintText(context.out, records);
  }
  return kExitDone;
}
