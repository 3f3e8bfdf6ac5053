#include "cli/live/LiveCommand.h"

#include "catalogue/HiveList.h"
#include "cli/live/Commands.h"
#include "cli/live/Elevation.h"
#include "cli/live/LiveExitCodes.h"
#include "cli/live/LiveLog.h"
#include "cli/LiveCommands.h"

namespace {

std::string CommandLineText(const std::vector<std::wstring>& arguments) {
  std::string text;
  for (const std::wstring& argument : arguments) {
    if (!text.empty()) text += ' ';
    text += Utf8(argument);
  }
  return text;
}

int BadUsage(std::ostream& err, const std::string& error) {
  err << "kelvaro-hive: " << error << "\n\n" << kLiveHelp;
  return kExitBadUsage;
}

LiveReport Dispatch(const HiveSelection& selection, const LiveOptions& options, std::ostream& err) {
  if (options.command == "loaded") return RunLoaded(selection);
  if (options.command == "defragment") return RunDefragment(selection, options, err);
  if (options.command == "analyze") return RunAnalyze(selection, err);
  return RunRestore(selection, options);
}

}  // namespace

int RunLiveCommand(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                   std::ostream& err, const std::string& time) {
  std::vector<std::wstring> words;
  for (const std::filesystem::path& argument : arguments) words.push_back(argument.wstring());
  LiveOptions options;
  std::string error;
  if (!ParseLiveOptions(words, options, error)) return BadUsage(err, error);
  // Checked before anything is read or made: without the full token the
  // saves fail one by one and the log folder could not be checked.
  if (!ProcessIsElevated()) {
    err << "kelvaro-hive: " << options.command
        << " needs administrator rights: run it from an elevated prompt (Run as administrator).\n";
    return kExitNotElevated;
  }
  std::vector<std::unique_ptr<HiveEntry>> entries = CollectHives();
  if (entries.empty()) {
    err << "kelvaro-hive: no loaded hive is listed (the hive list is empty or could not be "
           "read).\n";
    return kExitFailed;
  }
  HiveSelection selection = SelectHives(std::move(entries), options.hives);
  if (!selection.ok()) {
    return BadUsage(err, "no loaded hive is named " + Utf8(selection.unmatched) +
                             " (kelvaro-hive loaded lists them)");
  }

  LiveReport report = Dispatch(selection, options, err);
  if (options.json) {
    PrintReportJson(out, report);
  } else {
    PrintReportText(out, report);
  }
  if (!AppendToLiveLog(LogText(report, time, CommandLineText(words)))) {
    err << "kelvaro-hive: the log in the Kelvaro folder of the Windows folder was not written"
           " (the folder or the file failed its checks).\n";
  }
  return report.exitCode;
}
