#pragma once
// The live commands' command line: which command, which hives, which options.
#include <string>
#include <vector>

struct LiveOptions {
  std::string command;
  std::vector<std::wstring> hives;
  bool json = false;
  bool noRestart = false;
  bool showResults = false;
};

// False with `error` set for an unknown command or option, an option the
// command does not take, or hive names given to a command without any.
bool ParseLiveOptions(const std::vector<std::wstring>& arguments, LiveOptions& options,
                      std::string& error);
