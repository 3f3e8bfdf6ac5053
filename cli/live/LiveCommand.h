#pragma once
// The live commands of kelvaro-hive (see cli/LiveCommands.h for
// their usage), over the installed platform. The caller installs the platform
// and hands in the time for the log.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

// `arguments` start with the command's name. Returns the exit code (LiveExitCodes.h).
int RunLiveCommand(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                   std::ostream& err, const std::string& time);
