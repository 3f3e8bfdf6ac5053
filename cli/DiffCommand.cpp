#include "cli/DiffCommand.h"

#include "hive/ContentDiff.h"
#include "hive/FileBytes.h"
#include "hive/LogFiles.h"
#include "cli/JsonWriter.h"

#include <string>

using namespace hive;

namespace {

constexpr int kSameExit = 0;
constexpr int kDifferentExit = 1;
constexpr int kUnreadableExit = 3;
constexpr std::size_t kShownByDefault = 50;

struct DiffSide {
  std::filesystem::path file;
  std::vector<std::filesystem::path> logs;
};

struct DiffOptions {
  std::vector<DiffSide> sides;
  bool json = false;
  bool all = false;
  bool noLogs = false;
};

// Each --log belongs to the FILE named before it.
bool ParseDiffArguments(const std::vector<std::filesystem::path>& arguments, DiffOptions& options,
                        std::string& error) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string text = PathText(arguments[i]);
    if (text == "--json") {
      options.json = true;
    } else if (text == "--all") {
      options.all = true;
    } else if (text == "--no-logs") {
      options.noLogs = true;
    } else if (text == "--log") {
      if (i + 1 == arguments.size()) {
        error = "--log needs a file";
        return false;
      }
      if (options.sides.empty()) {
        error = "--log comes after the hive it belongs to";
        return false;
      }
      options.sides.back().logs.push_back(arguments[++i]);
    } else if (text.size() > 1 && text[0] == '-') {
      error = "unknown option " + text;
      return false;
    } else if (options.sides.size() < 2) {
      options.sides.push_back(DiffSide{arguments[i], {}});
    } else {
      error = "diff takes two hives, a third was given: " + text;
      return false;
    }
  }
  if (options.sides.size() != 2) {
    error = "diff needs two hives";
    return false;
  }
  return true;
}

bool ReadSide(const DiffSide& side, bool noLogs, std::vector<std::uint8_t>& bytes,
              std::vector<LogInput>& logs, std::string& error) {
  if (!ReadFileBytes(side.file, bytes, error)) return false;
  if (noLogs) return true;
  std::vector<std::filesystem::path> files =
      side.logs.empty() ? FindLogsBeside(side.file) : side.logs;
  for (const std::filesystem::path& file : files) {
    LogInput log{PathText(file), {}};
    if (!ReadFileBytes(file, log.bytes, error)) return false;
    logs.push_back(std::move(log));
  }
  return true;
}

void PrintJson(std::ostream& out, const DiffOptions& options, const ContentDiffResult& result,
               int exit) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("command", "diff");
  json.String("first", PathText(options.sides[0].file));
  json.String("second", PathText(options.sides[1].file));
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

int RunDiffCommand(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                   std::ostream& err) {
  DiffOptions options;
  std::string error;
  if (!ParseDiffArguments(arguments, options, error)) {
    err << "kelvaro-hive: " << error << "\n(see kelvaro-hive --help)\n";
    return kUnreadableExit;
  }
  std::vector<std::uint8_t> bytes[2];
  std::vector<LogInput> logs[2];
  ContentDiffResult result;
  for (int side = 0; side < 2; ++side) {
    if (!ReadSide(options.sides[side], options.noLogs, bytes[side], logs[side], error)) {
      result.error = error;
      break;
    }
  }
  if (result.error.empty())
    result =
        DiffHiveContent(bytes[0], logs[0], bytes[1], logs[1], options.all ? 0 : kShownByDefault);
  int exit = !result.readable ? kUnreadableExit : result.total == 0 ? kSameExit : kDifferentExit;
  if (options.json) {
    PrintJson(out, options, result, exit);
  } else if (result.readable) {
    for (const ContentDifference& difference : result.differences)
      out << difference.path << ": " << difference.what << '\n';
    if (result.total > result.differences.size())
      out << (result.total - result.differences.size()) << " more differences not shown (--all)\n";
    out << (result.total == 0 ? std::string("same content")
                              : std::to_string(result.total) + " differences")
        << '\n';
  }
  if (!result.readable) err << "kelvaro-hive: " << result.error << '\n';
  return exit;
}
