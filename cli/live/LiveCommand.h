#pragma once
// What every command on the running Windows' registry does around its own
// work, over the installed platform: refuse without elevation, list the
// loaded hives, select those named, then print the report and append it to
// the log.
#include <ostream>

#include "cli/CommandLine.h"
#include "cli/ToolContext.h"
#include "cli/live/HiveSelection.h"
#include "cli/live/LiveReport.h"

using LiveReportFunction = LiveReport (*)(const HiveSelection& selection,
                                          const ParsedCommand& command, std::ostream& progress);

int RunLiveCommand(const ParsedCommand& command, const ToolContext& context,
                   LiveReportFunction report);

// Prints the report (text, or JSON with --json) and appends it to the log;
// the report's exit code.
int PrintAndLog(const LiveReport& report, const ParsedCommand& command, const ToolContext& context);

// The command table's entry for a live command: RunLive<RunAnalyze>.
template <LiveReportFunction report>
int RunLive(const ParsedCommand& command, const ToolContext& context) {
  return RunLiveCommand(command, context, report);
}
