#pragma once
// What a kelvaro-hive command runs with besides its command line: where it
// writes, and what the entry point knows about the machine.
#include <istream>
#include <ostream>
#include <string>

#include "hive/OutputFiles.h"

struct ToolContext {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // a progress line on `err` helps for long work
  // The installed platform reaches the registry of a running Windows.
  bool onRunningWindows = false;
  std::string time{};                   // when the command started, for the live commands' log
  hive::IOutputFiles* files = nullptr;  // what compact reads and writes through; null: the disk
  std::istream* in = nullptr;           // where a confirmation is read; null: none can be asked
  bool inIsTerminal = false;            // someone is there to answer
};
