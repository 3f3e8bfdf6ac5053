#include "cli/CommandLine.h"

#include <algorithm>

#include "hive/FileBytes.h"

namespace {

bool IsOption(const std::string& text) { return text.size() > 1 && text[0] == '-'; }

// "a", "a and b", "a, b and c".
std::string Listed(const std::vector<std::string_view>& words, std::string_view last,
                   std::string_view between = ", ") {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i != 0) text += i + 1 == words.size() ? last : between;
    text += words[i];
  }
  return text;
}

const OptionSpec* FindOption(const CommandSpec& command, std::string_view name) {
  for (const OptionSpec& option : command.options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

std::string UnknownOption(const std::string& text, const std::vector<CommandSpec>& commands) {
  std::vector<std::string_view> takers;
  for (const CommandSpec& command : commands) {
    if (FindOption(command, text)) takers.push_back(command.name);
  }
  return takers.empty() ? "unknown option " + text : text + " goes with " + Listed(takers, " and ");
}

std::string MissingPositional(const CommandSpec& command, std::size_t given) {
  const std::string_view missing = command.positionals[given].missing;
  if (!missing.empty()) return std::string(missing);
  std::vector<std::string_view> names;
  for (std::size_t i = given; i < command.positionals.size(); ++i) {
    if (!command.positionals[i].anyNumber) names.push_back(command.positionals[i].name);
  }
  return std::string(command.name) + " needs " + Listed(names, " and ");
}

// Reads the option at `arguments[i]` (and its value); false with `error` set.
bool TakeOption(const std::vector<std::filesystem::path>& arguments, std::size_t& i,
                const OptionSpec& option, ParsedCommand& parsed, std::string& error) {
  const std::string name(option.name);
  if (option.kind == OptionKind::kFlag) {
    parsed.flags.push_back(option.name);
    return true;
  }
  if (i + 1 == arguments.size()) {
    error = name + " needs " + std::string(option.needs);
    return false;
  }
  const std::filesystem::path& value = arguments[++i];
  const std::string text = hive::PathText(value);
  if (!option.choices.empty() &&
      std::find(option.choices.begin(), option.choices.end(), text) == option.choices.end()) {
    error = name + " takes " + Listed(option.choices, " or ") + ", not " + text;
    return false;
  }
  if (option.belongsToPrevious && parsed.positionals.empty()) {
    error = name + " comes after the hive it belongs to";
    return false;
  }
  parsed.values.push_back(OptionValue{option.name, value, parsed.positionals.size()});
  return true;
}

bool TakePositional(const std::filesystem::path& argument, const CommandSpec& command,
                    ParsedCommand& parsed, std::string& error) {
  const std::vector<PositionalSpec>& specs = command.positionals;
  const bool room =
      parsed.positionals.size() < specs.size() || (!specs.empty() && specs.back().anyNumber);
  if (!room) {
    error = (command.surplus.empty() ? std::string(command.name) + " takes no more arguments"
                                     : std::string(command.surplus)) +
            ": " + hive::PathText(argument);
    return false;
  }
  parsed.positionals.push_back(argument);
  return true;
}

}  // namespace

bool ParsedCommand::Has(std::string_view flag) const {
  return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::vector<std::filesystem::path> ParsedCommand::Values(std::string_view option) const {
  std::vector<std::filesystem::path> found;
  for (const OptionValue& given : values) {
    if (given.option == option) found.push_back(given.value);
  }
  return found;
}

std::vector<std::filesystem::path> ParsedCommand::ValuesOf(std::string_view option,
                                                           std::size_t index) const {
  std::vector<std::filesystem::path> found;
  for (const OptionValue& given : values) {
    if (given.option == option && given.positionalsBefore == index + 1)
      found.push_back(given.value);
  }
  return found;
}

std::optional<std::string> ParsedCommand::Value(std::string_view option) const {
  std::optional<std::string> last;
  for (const OptionValue& given : values) {
    if (given.option == option) last = hive::PathText(given.value);
  }
  return last;
}

ParseOutcome ParseCommandLine(const std::vector<std::filesystem::path>& arguments,
                              const std::vector<CommandSpec>& commands) {
  ParseOutcome outcome;
  std::size_t at = arguments.size();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string text = hive::PathText(arguments[i]);
    if (text == "--help" || text == "-h") {
      outcome.help = true;
      return outcome;
    }
    if (at == arguments.size() && !IsOption(text)) at = i;
  }
  if (at == arguments.size()) {
    outcome.error = "no command given";
    return outcome;
  }
  const std::string name = hive::PathText(arguments[at]);
  for (const CommandSpec& command : commands) {
    if (command.name == name) outcome.command = &command;
  }
  if (!outcome.command) {
    outcome.error = "unknown command " + name;
    return outcome;
  }
  const CommandSpec& command = *outcome.command;
  ParsedCommand& parsed = outcome.parsed;
  parsed.command = &command;
  parsed.arguments.push_back(arguments[at]);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i != at) parsed.arguments.push_back(arguments[i]);
  }
  for (std::size_t i = 1; i < parsed.arguments.size(); ++i) {
    const std::string text = hive::PathText(parsed.arguments[i]);
    bool taken = false;
    if (!IsOption(text)) {
      taken = TakePositional(parsed.arguments[i], command, parsed, outcome.error);
    } else if (const OptionSpec* option = FindOption(command, text)) {
      taken = TakeOption(parsed.arguments, i, *option, parsed, outcome.error);
    } else {
      outcome.error = UnknownOption(text, commands);
    }
    if (!taken) return outcome;
  }
  std::size_t required = 0;
  for (const PositionalSpec& positional : command.positionals) required += !positional.anyNumber;
  if (parsed.positionals.size() < required)
    outcome.error = MissingPositional(command, parsed.positionals.size());
  return outcome;
}

std::string Synopsis(const CommandSpec& command) {
  std::string text(command.name);
  auto optionText = [](const OptionSpec& option) {
    std::string word = " [";
    word += option.name;
    if (option.kind != OptionKind::kFlag) {
      word += ' ';
      word +=
          option.choices.empty() ? std::string(option.valueName) : Listed(option.choices, "|", "|");
    }
    word += ']';
    if (option.kind == OptionKind::kRepeated) word += "...";
    return word;
  };
  for (const PositionalSpec& positional : command.positionals) {
    text += positional.anyNumber ? " [" : " ";
    text += positional.name;
    if (positional.anyNumber) text += "]...";
    for (const OptionSpec& option : command.options) {
      if (option.belongsToPrevious) text += optionText(option);
    }
  }
  for (const OptionSpec& option : command.options) {
    if (!option.belongsToPrevious) text += optionText(option);
  }
  return text;
}
