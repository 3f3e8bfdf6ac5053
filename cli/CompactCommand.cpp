#include "cli/CompactCommand.h"

#include "hive/FileBytes.h"
#include "hive/HiveCompaction.h"
#include "cli/ExitCodes.h"
#include "cli/FileCommands.h"
#include "cli/HiveLogs.h"
#include "cli/HiveTool.h"
#include "cli/JsonWriter.h"

#include <cstdio>
#include <string>

using namespace hive;

namespace {

constexpr std::uint64_t kProgressThreshold = 64ull << 20;

std::string Version(std::uint32_t minor) { return "1." + std::to_string(minor); }

std::string Percent(std::uint64_t part, std::uint64_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return text;
}

const char* StatusName(CompactStatus status) {
  switch (status) {
    case CompactStatus::Written: return "written";
    case CompactStatus::Refused: return "refused";
    case CompactStatus::Unreadable: return "unreadable";
  }
  return "unreadable";
}

void PrintJson(std::ostream& out, const CompactRequest& request, const CompactOutcome& outcome) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("command", "compact");
  json.String("input", PathText(request.input));
  json.String("output", PathText(request.output));
  json.String("status", StatusName(outcome.status));
  json.Number("exitCode", static_cast<std::uint64_t>(ExitCodeFor(outcome.status)));
  if (outcome.status == CompactStatus::Written) {
    json.Number("sizeBefore", outcome.sizeBefore);
    json.Number("sizeAfter", outcome.sizeAfter);
    json.Number("saved", outcome.sizeBefore > outcome.sizeAfter
                             ? outcome.sizeBefore - outcome.sizeAfter
                             : 0);
    json.String("formatBefore", Version(outcome.minorBefore));
    json.String("formatAfter", Version(outcome.minorAfter));
    json.Number("logEntriesApplied", outcome.logEntriesApplied);
    json.Bool("partialReplay", outcome.partialReplay);
    json.BeginArray("warnings");
    for (const std::string& warning : outcome.warnings) json.String({}, warning);
    json.EndArray();
  } else {
    json.String("message", outcome.message);
  }
  json.EndObject();
  out << '\n';
}

void PrintText(std::ostream& out, const CompactRequest& request, const CompactOutcome& outcome) {
  std::uint64_t saved =
      outcome.sizeBefore > outcome.sizeAfter ? outcome.sizeBefore - outcome.sizeAfter : 0;
  out << PathText(request.input) << " -> " << PathText(request.output) << '\n';
  if (outcome.logEntriesApplied != 0)
    out << "Replayed:  " << outcome.logEntriesApplied << " log entries\n";
  out << "Before:    " << outcome.sizeBefore << " bytes (regf " << Version(outcome.minorBefore)
      << ")\n";
  out << "After:     " << outcome.sizeAfter << " bytes (regf " << Version(outcome.minorAfter)
      << ")\n";
  out << "Saved:     " << saved << " bytes (" << Percent(saved, outcome.sizeBefore) << ")\n";
}

}  // namespace

int RunCompact(const ParsedCommand& command, const ToolContext& context) {
  CompactRequest request;
  request.input = command.positionals[0];
  request.output = command.positionals[1];
  request.logs = LogFilesFor(request.input, command.Values("--log"));
  if (command.Value("--format") == "latest") request.options.format = HiveFormat::Latest;
  request.acceptPartialReplay = command.Has("--accept-partial-replay");
  CDiskFiles disk;
  IOutputFiles& files = context.files ? *context.files : disk;
  std::optional<std::uintmax_t> size = files.Size(request.input);
  std::ostream& err = context.err;
  if (context.errIsTerminal && size && *size > kProgressThreshold) {
    request.progress = [&err](double done) {
      err << "\rcompacting: " << static_cast<int>(done * 100) << "%" << std::flush;
    };
  }
  CompactOutcome outcome = CompactHiveFile(request, files);
  if (request.progress) err << "\r" << std::string(20, ' ') << "\r" << std::flush;
  if (command.Has("--json"))
    PrintJson(context.out, request, outcome);
  else if (outcome.status == CompactStatus::Written)
    PrintText(context.out, request, outcome);
  for (const std::string& warning : outcome.warnings)
    err << "kelvaro-hive: warning: " << warning << '\n';
  if (outcome.status != CompactStatus::Written) err << "kelvaro-hive: " << outcome.message << '\n';
  return ExitCodeFor(outcome.status);
}

int RunCompactCommand(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                      std::ostream& err, bool errIsTerminal, IOutputFiles& files) {
  std::vector<std::filesystem::path> words = {"compact"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  return RunHiveTool(
      words, ToolContext{.out = out, .err = err, .errIsTerminal = errIsTerminal, .files = &files});
}
