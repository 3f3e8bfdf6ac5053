#include "cli/HiveTool.h"

#include "hive/Finding.h"
#include "hive/FindingCodes.h"
#include "cli/CommandTable.h"
#include "cli/ExitCodes.h"

#include <new>

using namespace hive;

namespace {

const char* const kFileIntro =
    "\nReads a registry hive file (formats 1.3 to 1.6) without changing it.\n";
const char* const kFileNotes = "  --json  machine-readable output\n";
const char* const kLiveIntro =
    "\nLive commands (Windows only, from an elevated prompt; they work on the hives\n"
    "Windows has loaded, as the Kelvaro window does):\n";
const char* const kLiveNotes =
    "  HIVE        a registry name as listed (HKLM\\SYSTEM, HKU\\.DEFAULT), any case;\n"
    "              none: every hive the window ticks (those whose file was found)\n"
    "  Each live command appends what it did to <Windows>\\Kelvaro\\kelvaro-hive.log.\n";
const char* const kUsagePrefix = "Usage: ";
const char* const kUsageIndent = "       ";

// The usage lines of the file commands, or of the live ones.
void PrintSynopses(std::ostream& out, bool live, const char* firstIndent) {
  const char* indent = firstIndent;
  for (const CommandSpec& command : Commands()) {
    if (command.needsRunningWindows != live) continue;
    out << indent << "kelvaro-hive " << Synopsis(command) << '\n';
    indent = kUsageIndent;
  }
}

void PrintParagraphs(std::ostream& out, bool live) {
  for (const CommandSpec& command : Commands()) {
    if (command.needsRunningWindows == live) out << command.help;
  }
}

void PrintExitCodes(std::ostream& out) {
  out << "\nExit codes:\n";
  std::string_view commands;
  for (const ExitCodeMeaning& row : kExitCodeMeanings) {
    std::string first(row.commands == commands ? "" : row.commands);
    first.resize(16, ' ');
    out << "  " << first << row.code << ' ' << row.meaning << '\n';
    commands = row.commands;
  }
}

void PrintHelp(std::ostream& out) {
  PrintSynopses(out, false, kUsagePrefix);
  out << kFileIntro;
  PrintParagraphs(out, false);
  out << kFileNotes << kLiveIntro;
  PrintSynopses(out, true, kUsageIndent);
  PrintParagraphs(out, true);
  out << kLiveNotes;
  PrintExitCodes(out);
  out << "\nFinding codes (level, meaning):\n";
  for (const FindingCodeInfo& info : AllFindingCodes())
    out << "  " << info.name << " (" << SeverityName(info.level) << "): " << info.meaning << '\n';
}

}  // namespace

int ReportBadUsage(const CommandSpec* command, const std::string& error, std::ostream& err) {
  err << "kelvaro-hive: " << error << "\n\n";
  if (command) {
    err << kUsagePrefix << "kelvaro-hive " << Synopsis(*command) << '\n';
  } else {
    PrintSynopses(err, false, kUsagePrefix);
    PrintSynopses(err, true, kUsageIndent);
  }
  err << "(kelvaro-hive --help: what each command does, and the exit codes)\n";
  return command && command->needsRunningWindows ? kExitLiveBadUsage : kExitCannotRead;
}

int RunHiveTool(const std::vector<std::filesystem::path>& arguments, const ToolContext& context) {
  const ParseOutcome outcome = ParseCommandLine(arguments, Commands());
  if (outcome.help) {
    PrintHelp(context.out);
    return 0;
  }
  const bool offline = outcome.command && !outcome.command->offlineOption.empty() &&
                       outcome.parsed.Value(outcome.command->offlineOption).has_value();
  if (outcome.command && outcome.command->needsRunningWindows && !context.onRunningWindows &&
      !offline) {
    context.err << "kelvaro-hive: " << outcome.command->name
                << " works on the registry of a running Windows: use kelvaro-hive.exe there.\n";
    return kExitLiveBadUsage;
  }
  if (!outcome.error.empty()) return ReportBadUsage(outcome.command, outcome.error, context.err);
  try {
    return outcome.command->run(outcome.parsed, context);
  } catch (const std::bad_alloc&) {
    // A 32-bit build runs out of address space on a hive of a few hundred MB.
    context.err << "kelvaro-hive " << outcome.command->name
                << ": not enough memory to hold this hive and the work on it; no file was "
                   "changed, nothing written\n";
    return kExitErrors;
  }
}

int RunHiveTool(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                std::ostream& err, bool errIsTerminal) {
  return RunHiveTool(arguments,
                     ToolContext{.out = out, .err = err, .errIsTerminal = errIsTerminal});
}
