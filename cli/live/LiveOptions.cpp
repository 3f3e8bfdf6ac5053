#include "cli/live/LiveOptions.h"

#include "cli/live/LiveReport.h"
#include "cli/LiveCommands.h"

namespace {

struct Accepts {
  bool hives, json, noRestart, showResults;
};

Accepts AcceptsOf(const std::string& command) {
  if (command == "loaded") return {false, true, false, false};
  if (command == "analyze") return {true, true, false, false};
  if (command == "defragment") return {true, true, true, true};
  return {false, false, true, false};  // restore
}

}  // namespace

bool ParseLiveOptions(const std::vector<std::wstring>& arguments, LiveOptions& options,
                      std::string& error) {
  if (arguments.empty() || !IsLiveCommandName(Utf8(arguments.front()))) {
    error = arguments.empty() ? "no command given" : "unknown command " + Utf8(arguments.front());
    return false;
  }
  options.command = Utf8(arguments.front());
  const Accepts accepts = AcceptsOf(options.command);
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    bool taken = false;
    if (argument == L"--json") {
      options.json = taken = accepts.json;
    } else if (argument == L"--no-restart") {
      options.noRestart = taken = accepts.noRestart;
    } else if (argument == L"--show-results") {
      options.showResults = taken = accepts.showResults;
    } else if (argument.size() > 1 && argument[0] == L'-') {
      error = "unknown option " + Utf8(argument);
      return false;
    } else if (accepts.hives) {
      options.hives.push_back(argument);
      taken = true;
    } else {
      error = options.command + " takes no HIVE: " + Utf8(argument);
      return false;
    }
    if (!taken) {
      error = options.command + " does not take " + Utf8(argument);
      return false;
    }
  }
  return true;
}
