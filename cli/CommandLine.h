#pragma once
// kelvaro-hive's command line: each command declared once, as data, and one
// parser for all of them. The usage lines, --help and every usage error follow
// from the declarations.
//
// Adding a command: one row in the table in cli/CommandTable.cpp (its name,
// positional arguments, options, help paragraph) and the one function the row
// names. A command on files takes (const ParsedCommand&, const ToolContext&),
// reads its options with Has/Value/Values and is declared in
// cli/FileCommands.h. A command on the running Windows' registry sets
// needsRunningWindows, returns a LiveReport for the selected hives (declared in
// cli/live/Commands.h) and goes in the row as RunLive<TheFunction>, which does
// the elevation check, the selection, the printing and the log. An option
// several commands share is an OptionSpec named once in the table's file; a new
// exit code is a constant and a row in cli/ExitCodes.h. Its command lines go
// in the table of tests/hive/HiveToolTest.cpp.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ParsedCommand;
struct ToolContext;

enum class OptionKind {
  kFlag,      // --json
  kValue,     // --format keep: the last one given counts
  kRepeated,  // --log LOG, as often as wanted, each kept
};

struct OptionSpec {
  std::string_view name{};
  OptionKind kind = OptionKind::kFlag;
  std::string_view valueName{};  // the usage line's word for the value: LOG
  std::string_view needs{};      // the error for a missing value says "--log needs a file"
  std::vector<std::string_view> choices{};  // the values it takes; empty: any
  // The value belongs to the positional argument before it (diff's --log).
  bool belongsToPrevious = false;
};

struct PositionalSpec {
  std::string_view name{};  // FILE, IN, HIVE
  // The error when it is missing; empty: "COMMAND needs NAME and NAME", the missing ones.
  std::string_view missing{};
  bool anyNumber = false;  // zero or more (the last one only): [HIVE]...
};

struct CommandSpec {
  std::string_view name{};
  std::vector<PositionalSpec> positionals{};
  std::vector<OptionSpec> options{};  // in the order the usage line shows them
  std::string_view surplus{};         // the error for one argument too many, before ": ARG"
  // Works on the registry of a running Windows (and answers in installer conventions).
  bool needsRunningWindows = false;
  // The option that makes such a command work on an installation that is not
  // running instead (restore --offline ROOT), anywhere.
  std::string_view offlineOption{};
  std::string_view help{};  // its paragraph in --help
  int (*run)(const ParsedCommand&, const ToolContext&) = nullptr;
};

struct OptionValue {
  std::string_view option;
  std::filesystem::path value;
  std::size_t positionalsBefore = 0;
};

struct ParsedCommand {
  const CommandSpec* command = nullptr;
  std::vector<std::filesystem::path> arguments;  // as given, the command's name first
  std::vector<std::filesystem::path> positionals;
  std::vector<std::string_view> flags;
  std::vector<OptionValue> values;

  bool Has(std::string_view flag) const;
  // Every value given with a repeated option, in order.
  std::vector<std::filesystem::path> Values(std::string_view option) const;
  // The values given with `option` after positional argument `index` and before the next.
  std::vector<std::filesystem::path> ValuesOf(std::string_view option, std::size_t index) const;
  // The last value given with `option`.
  std::optional<std::string> Value(std::string_view option) const;
};

struct ParseOutcome {
  bool help = false;                     // --help or -h anywhere
  const CommandSpec* command = nullptr;  // once the command is known, even when `error` is set
  std::string error;                     // empty: `parsed` is whole
  ParsedCommand parsed;
};

// The command is the first argument that is not an option; the others are its
// arguments, options and positional ones mixed in any order.
ParseOutcome ParseCommandLine(const std::vector<std::filesystem::path>& arguments,
                              const std::vector<CommandSpec>& commands);

// "info FILE [--log LOG]... [--no-logs] [--json]".
std::string Synopsis(const CommandSpec& command);
