// info and check: one read of the hive (its logs replayed in memory), shown
// two ways.
#include "hive/FileBytes.h"
#include "hive/FileView.h"
#include "hive/HiveCheck.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWriter.h"
#include "cli/ExitCodes.h"
#include "cli/FileCommands.h"
#include "cli/HiveLogs.h"
#include "cli/JsonWriter.h"
#include "cli/ToolReport.h"

#include <string>

using namespace hive;

namespace {

int Unreadable(const ParsedCommand& command, const ToolContext& context, const std::string& file,
               const std::string& reason) {
  if (command.Has("--json")) {
    CJsonWriter json(context.out);
    json.BeginObject();
    json.String("file", file);
    json.String("command", command.command->name);
    json.String("verdict", "unreadable");
    json.Number("exitCode", kExitCannotRead);
    json.String("refusal", reason);
    json.EndObject();
  }
  context.err << "kelvaro-hive: " << file << ": " << reason << '\n';
  return kExitCannotRead;
}

int Inspect(const ParsedCommand& command, const ToolContext& context, bool info) {
  const std::filesystem::path& path = command.positionals.front();
  const std::string file = PathText(path);
  // Mapped, not copied: a check only reads, unless a log is replayed into it.
  CFileView view;
  std::string error;
  if (!view.Open(path, error)) {
    const std::string prefix = file + ": ";
    if (error.compare(0, prefix.size(), prefix) == 0) error.erase(0, prefix.size());
    return Unreadable(command, context, file, error);
  }
  HiveLogs logs;
  if (!command.Has("--no-logs") && !LoadHiveLogs(path, command.Values("--log"), logs, error)) {
    context.err << "kelvaro-hive: " << error << '\n';
    return kExitCannotRead;
  }
  CheckResult result;
  if (info) {
    // The compacted size is what `compact` would write, when the content reads whole.
    TreeReadResult read =
        ReadHiveTree(std::vector<std::uint8_t>(view.View().begin(), view.View().end()), logs.logs);
    result = std::move(read.check);
    if ((result.verdict == Verdict::Sound || result.verdict == Verdict::Warnings) &&
        read.unrepresentable.empty())
      result.statistics.compactedSize = CompactedSize(read.tree, WriteOptions{});
  } else if (logs.logs.empty()) {
    result = CheckHiveView(view.View());
  } else {
    result = CheckHiveBytes(std::vector<std::uint8_t>(view.View().begin(), view.View().end()),
                            logs.logs);
  }
  result.logsLookedFor = std::move(logs.lookedFor);
  if (result.verdict == Verdict::Unreadable)
    return Unreadable(command, context, file, result.refusal);
  if (command.Has("--json"))
    PrintJson(context.out, std::string(command.command->name), file, result);
  else if (info)
    PrintInfoText(context.out, file, result);
  else
    PrintCheckText(context.out, file, result, command.Has("--verbose"));
  return ExitCodeFor(result.verdict);
}

}  // namespace

int RunInfo(const ParsedCommand& command, const ToolContext& context) {
  return Inspect(command, context, true);
}

int RunCheck(const ParsedCommand& command, const ToolContext& context) {
  return Inspect(command, context, false);
}
