#include "cli/CompactCommand.h"

#include "hive/FileBytes.h"
#include "hive/HiveCompaction.h"
#include "cli/JsonWriter.h"

#include <cstdio>
#include <string>

using namespace hive;

namespace {

constexpr int kUsageExit = 3;
constexpr std::uint64_t kProgressThreshold = 64ull << 20;

const char* const kUsage =
    "Usage: kelvaro-hive compact IN OUT [--log LOG]... [--format keep|latest] [--json]\n"
    "                            [--accept-partial-replay]\n";

bool ParseCompact(const std::vector<std::filesystem::path>& arguments, CompactRequest& request,
                  bool& json, std::string& error) {
  std::size_t files = 0;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string text = PathText(arguments[i]);
    if (text == "--json") {
      json = true;
    } else if (text == "--accept-partial-replay") {
      request.acceptPartialReplay = true;
    } else if (text == "--log" || text == "--format") {
      if (i + 1 == arguments.size()) {
        error = text + (text == "--log" ? " needs a file" : " needs keep or latest");
        return false;
      }
      std::filesystem::path next = arguments[++i];
      if (text == "--log") {
        request.logs.push_back(next);
      } else if (PathText(next) == "keep") {
        request.options.format = HiveFormat::Keep;
      } else if (PathText(next) == "latest") {
        request.options.format = HiveFormat::Latest;
      } else {
        error = "--format takes keep or latest, not " + PathText(next);
        return false;
      }
    } else if (text.size() > 1 && text[0] == '-') {
      error = "unknown option " + text;
      return false;
    } else if (files == 0) {
      request.input = arguments[i];
      ++files;
    } else if (files == 1) {
      request.output = arguments[i];
      ++files;
    } else {
      error = "more than two files: " + text;
      return false;
    }
  }
  if (files < 2) {
    error = files == 0 ? "compact needs IN and OUT" : "compact needs OUT";
    return false;
  }
  return true;
}

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
  json.Number("exitCode", static_cast<std::uint64_t>(CompactExitCode(outcome.status)));
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

int RunCompactCommand(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                      std::ostream& err, bool errIsTerminal, IOutputFiles& files) {
  CompactRequest request;
  bool json = false;
  std::string error;
  if (!ParseCompact(arguments, request, json, error)) {
    err << "kelvaro-hive: " << error << "\n\n" << kUsage;
    return kUsageExit;
  }
  std::optional<std::uintmax_t> size = files.Size(request.input);
  if (errIsTerminal && size && *size > kProgressThreshold) {
    request.progress = [&err](double done) {
      err << "\rcompacting: " << static_cast<int>(done * 100) << "%" << std::flush;
    };
  }
  CompactOutcome outcome = CompactHiveFile(request, files);
  if (request.progress) err << "\r" << std::string(20, ' ') << "\r" << std::flush;
  if (json)
    PrintJson(out, request, outcome);
  else if (outcome.status == CompactStatus::Written)
    PrintText(out, request, outcome);
  for (const std::string& warning : outcome.warnings)
    err << "kelvaro-hive: warning: " << warning << '\n';
  if (outcome.status != CompactStatus::Written) err << "kelvaro-hive: " << outcome.message << '\n';
  return CompactExitCode(outcome.status);
}
