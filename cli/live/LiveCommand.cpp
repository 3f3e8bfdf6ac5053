#include "cli/live/LiveCommand.h"

#include "app/EnvironmentChecks.h"
#include "app/StartupDecision.h"
#include "catalogue/HiveList.h"
#include "cli/ExitCodes.h"
#include "cli/HiveTool.h"
#include "cli/live/Elevation.h"
#include "cli/live/LiveLog.h"
#include "compaction/ProgramCopy.h"

namespace {

std::string CommandLineText(const ParsedCommand& command) {
  std::string text;
  for (const std::filesystem::path& argument : command.arguments) {
    if (!text.empty()) text += ' ';
    text += Utf8(argument.wstring());
  }
  return text;
}

}  // namespace

int RunLiveCommand(const ParsedCommand& command, const ToolContext& context,
                   LiveReportFunction run) {
  // Checked before anything is read or made: without the full token the
  // saves fail one by one and the log folder could not be checked.
  if (!ElevatedOrSaid(command.command->name, context.err)) return kExitNotElevated;
  // File-system redirection would show a 32-bit program SysWOW64 where it
  // asks for System32\config: it would read and replace the wrong files.
  if (kBuildRefusesWindows64 && IsWindows64Bit()) {
    context.err << "kelvaro-hive: this 32-bit kelvaro-hive.exe cannot run " << command.command->name
                << " on 64-bit Windows: use the 64-bit kelvaro-hive.exe. The commands on hive "
                   "files work here.\n";
    return kExitFailed;
  }
  // The console tool has no results window: the window program beside it
  // shows them, started from a copy of the file held open since the start.
  if (command.Has("--show-results") && !ResultsProgramHeld()) {
    context.err << "kelvaro-hive: --show-results needs " << Utf8(CString(kWindowProgramName))
                << " (the results window) beside kelvaro-hive.exe, and it is not there: nothing "
                   "was done. Put it there, or run without --show-results.\n";
    return kExitFailed;
  }
  std::vector<std::unique_ptr<HiveEntry>> entries = CollectHives();
  // The profiles' hives need no loaded hive.
  if (entries.empty() && !AsksForProfiles(command)) {
    context.err << "kelvaro-hive: no loaded hive is listed (the hive list is empty or could not be "
                   "read).\n";
    return kExitFailed;
  }
  std::vector<std::wstring> names;
  for (const std::filesystem::path& name : command.positionals) names.push_back(name.wstring());
  HiveSelection selection = SelectHives(std::move(entries), names);
  if (!selection.ok()) {
    return ReportBadUsage(command.command,
                          "no loaded hive is named " + Utf8(selection.unmatched) +
                              " (kelvaro-hive loaded lists them)",
                          context.err);
  }
  if (AsksForProfiles(command)) {
    selection.profiles = SelectProfiles(command);
    if (!selection.profiles->listing.listRead) {
      context.err << "kelvaro-hive: " << selection.profiles->error << ".\n";
      return kExitFailed;
    }
    if (!selection.profiles->ok()) {
      return ReportBadUsage(command.command, selection.profiles->error, context.err);
    }
    // Profiles alone unless loaded hives are named too.
    if (names.empty()) {
      for (CompactionRow& row : selection.rows) row.ticked = false;
    }
  }

  return PrintAndLog(run(selection, command, context.err), command, context);
}

int PrintAndLog(const LiveReport& report, const ParsedCommand& command,
                const ToolContext& context) {
  if (command.Has("--json")) {
    PrintReportJson(context.out, report);
  } else {
    PrintReportText(context.out, report);
  }
  if (!AppendToLiveLog(LogText(report, context.time, CommandLineText(command)))) {
    context.err << "kelvaro-hive: the log in the Kelvaro folder of the Windows folder was not "
                   "written (the folder or the file failed its checks).\n";
  }
  return report.exitCode;
}
