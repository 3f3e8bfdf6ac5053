#include "cli/HiveTool.h"

#include "hive/FileBytes.h"
#include "hive/HiveCheck.h"
#include "hive/LogFiles.h"
#include "hive/HiveTreeReader.h"
#include "hive/HiveWriter.h"
#include "cli/CompactCommand.h"
#include "cli/DiffCommand.h"
#include "cli/JsonWriter.h"
#include "cli/LiveCommands.h"
#include "cli/ToolReport.h"
#include "cli/UsageCommand.h"

#include <algorithm>
#include <cctype>
#include <string>

using namespace hive;

namespace {

constexpr int kUsageExit = 3;

const char* const kHelp =
    "Usage: kelvaro-hive info FILE [--log LOG]... [--no-logs] [--json]\n"
    "       kelvaro-hive check FILE [--log LOG]... [--no-logs] [--verbose] [--json]\n"
    "       kelvaro-hive compact IN OUT [--log LOG]... [--format keep|latest] [--json]\n"
    "       kelvaro-hive diff A [--log LOG]... B [--log LOG]... [--no-logs] [--all] [--json]\n"
    "       kelvaro-hive usage FILE [--log LOG]... [--depth N] [--top N] [--json] [--svg FILE]\n"
    "\n"
    "Reads a registry hive file (formats 1.3 to 1.6) without changing it.\n"
    "  info    base block, key and value counts, depth, allocated and free space,\n"
    "          the largest free runs and the size the hive would compact to\n"
    "          and what deleted keys and values are still recoverable\n"
    "  check   validates every bin and cell and the whole key tree; each finding\n"
    "          names the file offset. Errors and warnings are listed, notes (what\n"
    "          Windows leaves in healthy files) counted by code (--verbose: listed).\n"
    "  Both recover a dirty hive first, in memory, from its transaction logs:\n"
    "  those given with --log, otherwise FILE.LOG1, FILE.LOG2 and FILE.LOG beside\n"
    "  it (--no-logs: none, to see the primary file alone).\n"
    "  compact writes IN's content afresh into OUT in the fewest bytes (a dirty IN\n"
    "          is first recovered from its logs); OUT is written beside, checked\n"
    "          and compared with IN before it replaces any file of that name.\n"
    "          --format latest writes a 1.3 or 1.4 hive as 1.5.\n"
    "  diff    compares the content of two hives, ignoring layout: keys by path\n"
    "          (name, class name, flags, last-written time, security descriptor)\n"
    "          and values (name, type, data); each --log belongs to the hive\n"
    "          before it. Lists the first 50 differences (--all: every one).\n"
    "          Exit 0 same content, 1 different, 3 cannot read.\n"
    "  usage   where the bytes go: the largest subtrees (default the 20 largest down\n"
    "          to depth 4, each at least a tenth of its parent) with their share of\n"
    "          the file, keys, values and largest value; then security records, free\n"
    "          space, unreachable cells, overhead and the total. --svg FILE also\n"
    "          draws it as a treemap. Exit 0 done, 3 cannot read or write.\n"
    "  --json  machine-readable output\n"
    "\n"
    "Exit codes: 0 sound, 1 warnings only, 2 errors, 3 cannot read or usage,\n"
    "4 dirty (a write never finished and no log brought the hive up to date).\n"
    "compact: 0 written, 2 refused (nothing written), 3 cannot read or usage.\n";

struct Options {
  std::string command;
  std::filesystem::path file;
  bool haveFile = false;
  std::vector<std::filesystem::path> logs;
  bool json = false;
  bool noLogs = false;
  bool verbose = false;
  bool help = false;
};

bool ParseArguments(const std::vector<std::filesystem::path>& arguments, Options& options,
                    std::string& error) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string text = PathText(arguments[i]);
    if (text == "--help" || text == "-h") {
      options.help = true;
    } else if (text == "--json") {
      options.json = true;
    } else if (text == "--no-logs") {
      options.noLogs = true;
    } else if (text == "--verbose") {
      options.verbose = true;
    } else if (text == "--log") {
      if (i + 1 == arguments.size()) {
        error = "--log needs a file";
        return false;
      }
      options.logs.push_back(arguments[++i]);
    } else if (text.size() > 1 && text[0] == '-') {
      error = "unknown option " + text;
      return false;
    } else if (options.command.empty()) {
      options.command = text;
    } else if (!options.haveFile) {
      options.file = arguments[i];
      options.haveFile = true;
    } else {
      error = "more than one FILE: " + text;
      return false;
    }
  }
  if (options.help) return true;
  if (options.command != "info" && options.command != "check") {
    error = options.command.empty() ? "no command given" : "unknown command " + options.command;
    return false;
  }
  if (!options.haveFile) {
    error = "no FILE given";
    return false;
  }
  if (options.command == "info" && options.verbose) {
    error = "--verbose goes with check";
    return false;
  }
  return true;
}

// Windows file names compare without regard to (ASCII) case.
bool SameFileName(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::string x = PathText(a.filename());
  std::string y = PathText(b.filename());
  return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
    return std::toupper(static_cast<unsigned char>(p)) ==
           std::toupper(static_cast<unsigned char>(q));
  });
}

int Unreadable(const Options& options, const std::string& file, const std::string& reason,
               std::ostream& out, std::ostream& err) {
  if (options.json) {
    CJsonWriter json(out);
    json.BeginObject();
    json.String("file", file);
    json.String("command", options.command);
    json.String("verdict", "unreadable");
    json.Number("exitCode", kUsageExit);
    json.String("refusal", reason);
    json.EndObject();
  }
  err << "kelvaro-hive: " << file << ": " << reason << '\n';
  return kUsageExit;
}

}  // namespace

int RunHiveTool(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                std::ostream& err, bool errIsTerminal) {
  if (!arguments.empty() && PathText(arguments.front()) == "compact") {
    CDiskFiles files;
    return RunCompactCommand({arguments.begin() + 1, arguments.end()}, out, err, errIsTerminal,
                             files);
  }
  if (!arguments.empty() && PathText(arguments.front()) == "diff")
    return RunDiffCommand({arguments.begin() + 1, arguments.end()}, out, err);
  if (!arguments.empty() && PathText(arguments.front()) == "usage") {
    UsageOptions usage;
    std::string error;
    if (!ParseUsageArguments({arguments.begin() + 1, arguments.end()}, usage, error)) {
      err << "kelvaro-hive: " << error << "\n(see kelvaro-hive --help)\n";
      return kUsageExit;
    }
    CDiskFiles files;
    return RunUsageCommand(usage, out, err, files);
  }
  Options options;
  std::string error;
  if (!ParseArguments(arguments, options, error)) {
    err << "kelvaro-hive: " << error << "\n\n" << kHelp;
    return kUsageExit;
  }
  if (options.help) {
    out << kHelp << '\n' << kLiveHelp << "\nFinding codes (level, meaning):\n";
    for (const FindingCodeInfo& info : AllFindingCodes())
      out << "  " << info.name << " (" << SeverityName(info.level) << "): " << info.meaning << '\n';
    return 0;
  }
  std::string file = PathText(options.file);
  std::vector<std::uint8_t> bytes;
  if (!ReadFileBytes(options.file, bytes, error)) {
    std::string prefix = file + ": ";
    if (error.compare(0, prefix.size(), prefix) == 0) error.erase(0, prefix.size());
    return Unreadable(options, file, error, out, err);
  }

  std::vector<LogInput> logs;
  std::vector<std::string> logsLookedFor;
  if (!options.noLogs) {
    std::vector<std::filesystem::path> logFiles =
        options.logs.empty() ? FindLogsBeside(options.file) : options.logs;
    for (const std::filesystem::path& name :
         options.logs.empty() ? LogNamesFor(options.file) : options.logs) {
      bool found =
          std::any_of(logFiles.begin(), logFiles.end(),
                      [&](const std::filesystem::path& f) { return SameFileName(f, name); });
      logsLookedFor.push_back(PathText(name) + (found ? " (found, not usable)" : " (not found)"));
    }
    for (const std::filesystem::path& logFile : logFiles) {
      LogInput log{PathText(logFile), {}};
      if (!ReadFileBytes(logFile, log.bytes, error)) {
        err << "kelvaro-hive: " << error << '\n';
        return kUsageExit;
      }
      logs.push_back(std::move(log));
    }
  }
  CheckResult result;
  if (options.command == "info") {
    // The compacted size is what `compact` would write, when the content reads whole.
    TreeReadResult read = ReadHiveTree(std::move(bytes), logs);
    result = std::move(read.check);
    if ((result.verdict == Verdict::Sound || result.verdict == Verdict::Warnings) &&
        read.unrepresentable.empty())
      result.statistics.compactedSize = CompactedSize(read.tree, WriteOptions{});
  } else {
    result = CheckHiveBytes(std::move(bytes), logs);
  }
  result.logsLookedFor = std::move(logsLookedFor);
  if (result.verdict == Verdict::Unreadable)
    return Unreadable(options, file, result.refusal, out, err);
  if (options.json)
    PrintJson(out, options.command, file, result);
  else if (options.command == "info")
    PrintInfoText(out, file, result);
  else
    PrintCheckText(out, file, result, options.verbose);
  return ExitCode(result.verdict);
}
