// diff: each hive read with its own logs, then their content compared.
#include "hive/ContentDiff.h"
#include "hive/FileBytes.h"
#include "cli/ExitCodes.h"
#include "cli/FileCommands.h"
#include "cli/HiveLogs.h"
#include "cli/JsonWriter.h"

#include <string>

using namespace hive;

namespace {

constexpr std::size_t kShownByDefault = 50;

bool ReadSide(const ParsedCommand& command, std::size_t side, std::vector<std::uint8_t>& bytes,
              HiveLogs& logs, std::string& error) {
  const std::filesystem::path& file = command.positionals[side];
  if (!ReadFileBytes(file, bytes, error)) return false;
  return command.Has("--no-logs") ||
         LoadHiveLogs(file, command.ValuesOf("--log", side), logs, error);
}

void PrintJson(std::ostream& out, const ParsedCommand& command, const ContentDiffResult& result,
               int exit) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("command", "diff");
  json.String("first", PathText(command.positionals[0]));
  json.String("second", PathText(command.positionals[1]));
  json.Bool("same", result.readable && result.total == 0);
  json.Number("exitCode", static_cast<std::uint64_t>(exit));
  if (!result.readable) {
    json.String("refusal", result.error);
    json.EndObject();
    return;
  }
  json.Number("differences", result.total);
  json.BeginArray("listed");
  for (const ContentDifference& difference : result.differences) {
    json.BeginObject();
    json.String("path", difference.path);
    json.String("what", difference.what);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

}  // namespace

int RunDiff(const ParsedCommand& command, const ToolContext& context) {
  std::ostream& out = context.out;
  std::vector<std::uint8_t> bytes[2];
  HiveLogs logs[2];
  ContentDiffResult result;
  std::string error;
  for (std::size_t side = 0; side < 2; ++side) {
    if (!ReadSide(command, side, bytes[side], logs[side], error)) {
      result.error = error;
      break;
    }
  }
  if (result.error.empty())
    result = DiffHiveContent(bytes[0], logs[0].logs, bytes[1], logs[1].logs,
                             command.Has("--all") ? 0 : kShownByDefault);
  int exit = !result.readable    ? kExitCannotRead
             : result.total == 0 ? kExitSameContent
                                 : kExitDifferent;
  if (command.Has("--json")) {
    PrintJson(out, command, result, exit);
  } else if (result.readable) {
    for (const ContentDifference& difference : result.differences)
      out << difference.path << ": " << difference.what << '\n';
    if (result.total > result.differences.size())
      out << (result.total - result.differences.size()) << " more differences not shown (--all)\n";
    out << (result.total == 0 ? std::string("same content")
                              : std::to_string(result.total) + " differences")
        << '\n';
  }
  if (!result.readable) context.err << "kelvaro-hive: " << result.error << '\n';
  return exit;
}
