#pragma once
// The kelvaro-hive command line: every command of the table in
// cli/CommandTable.cpp, "--help", and the usage errors. Returns the process
// exit code (cli/ExitCodes.h).
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/ToolContext.h"

int RunHiveTool(const std::vector<std::filesystem::path>& arguments, const ToolContext& context);

// The commands on files, where no running Windows is at hand. `errIsTerminal`
// turns on compact's progress line for large inputs.
int RunHiveTool(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                std::ostream& err, bool errIsTerminal = false);

// Prints `error` and the usage of `command` (every command's when null);
// returns the exit code for a wrong command line.
int ReportBadUsage(const CommandSpec* command, const std::string& error, std::ostream& err);
