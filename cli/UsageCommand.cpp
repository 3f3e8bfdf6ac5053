#include "cli/UsageCommand.h"

#include "hive/BaseBlock.h"
#include "hive/FileBytes.h"
#include "hive/HiveCompaction.h"
#include "hive/HiveWalk.h"
#include "hive/LogFiles.h"
#include "hive/Names.h"
#include "hive/SpaceAccount.h"
#include "cli/CommandLine.h"
#include "cli/ExitCodes.h"
#include "cli/FileCommands.h"
#include "cli/HiveLogs.h"
#include "cli/JsonWriter.h"
#include "cli/SpaceTreemap.h"

#include <cstdio>
#include <optional>
#include <string_view>

using namespace hive;

namespace {

constexpr int kDoneExit = 0;
constexpr int kFailedExit = 3;
constexpr std::size_t kMostShown = 100000;

bool ParseCount(const std::string& option, const std::string& text, std::size_t most,
                std::size_t& value, std::string& error) {
  bool digits = !text.empty() && text.size() <= 9 &&
                text.find_first_not_of("0123456789") == std::string::npos;
  if (digits) value = std::stoul(text);
  if (!digits || value > most) {
    error = option + " takes a number from 0 to " + std::to_string(most) + ", not " + text;
    return false;
  }
  return true;
}

std::string Percent(std::uint64_t part, std::uint64_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return text;
}

// A key path for a terminal: control characters (names may hold them, even NUL) as "?".
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

std::uint64_t AfterBins(const SpaceAccount& account) {
  std::uint64_t end = kBaseBlockSize + account.binsSize;
  return account.fileSize > end ? account.fileSize - end : 0;
}

bool ReadInputs(const UsageOptions& options, std::vector<std::uint8_t>& bytes,
                std::vector<LogInput>& logs, std::string& error) {
  HiveLogs found;
  if (!ReadFileBytes(options.file, bytes, error) ||
      !LoadHiveLogs(options.file, options.logs, found, error))
    return false;
  logs = std::move(found.logs);
  return true;
}

void TextPart(std::ostream& out, const char* label, std::uint64_t bytes, std::uint64_t fileSize,
              const std::string& detail) {
  char line[96];
  std::snprintf(line, sizeof line, "%-13s %13llu  %6s  ", label,
                static_cast<unsigned long long>(bytes), Percent(bytes, fileSize).c_str());
  out << line << detail << '\n';
}

void PrintText(std::ostream& out, const UsageOptions& options, const SpaceAccountResult& result,
               const std::vector<std::uint32_t>& shown) {
  const SpaceAccount& account = result.account;
  std::uint64_t size = account.fileSize;
  out << "File:         " << PathText(options.file) << '\n';
  out << "File size:    " << size << " bytes: base block " << kBaseBlockSize << ", hive bins "
      << account.binsSize << ", after the bins " << AfterBins(account) << '\n';
  if (result.replay.entriesApplied != 0)
    out << "Logs:         " << result.replay.entriesApplied << " entries applied\n";
  if (result.dirty) out << "Dirty:        the latest changes, kept only in the logs, are missing\n";
  out << "\nLargest subtrees (down to depth " << options.depth
      << ", each at least a tenth of its parent; shares of the file):\n";
  out << "        bytes   share      keys    values  largest value  key\n";
  for (std::uint32_t index : shown) {
    const SpaceNode& node = account.nodes[index];
    char line[96];
    std::snprintf(line, sizeof line, "%13llu  %6s  %8llu  %8llu  %13llu  ",
                  static_cast<unsigned long long>(node.bytes), Percent(node.bytes, size).c_str(),
                  static_cast<unsigned long long>(node.keys),
                  static_cast<unsigned long long>(node.values),
                  static_cast<unsigned long long>(node.largestValue));
    out << line << std::string(2 * node.depth, ' ')
        << Printable(ToUtf8(SpaceNodePath(account, index))) << '\n';
  }
  out << '\n';
  TextPart(out, "Subtrees", account.Subtrees(), size, "every key's records, values and data");
  TextPart(out, "Security", account.security, size,
           std::to_string(account.securityRecords) + " records, each counted once");
  TextPart(out, "Free", account.free, size,
           "deleted but readable in it: " + std::to_string(account.remnants.keys) + " keys, " +
               std::to_string(account.remnants.values) + " values (" +
               std::to_string(account.remnants.keyBytes + account.remnants.valueBytes) + " bytes)");
  TextPart(out, "Unreachable", account.unreachable, size, "allocated, reached from no key");
  TextPart(out, "Overhead", account.Overhead(), size,
           "bin headers " + std::to_string(account.binHeaders) + ", slack " +
               std::to_string(account.slack));
  TextPart(out, "Total", account.Total(), size, "the hive bins");
}

void JsonPart(CJsonWriter& json, const char* key, std::uint64_t bytes, std::uint64_t fileSize) {
  json.BeginObject(key);
  json.Number("bytes", bytes);
  json.String("share", Percent(bytes, fileSize));
}

// The head every JSON answer of the command starts with, the one of a refusal too.
void BeginJson(CJsonWriter& json, const UsageOptions& options, int exit) {
  json.BeginObject();
  json.String("command", "usage");
  json.String("file", PathText(options.file));
  json.Number("exitCode", static_cast<std::uint64_t>(exit));
}

void PrintJson(std::ostream& out, const UsageOptions& options, const SpaceAccountResult& result,
               const std::vector<std::uint32_t>& shown) {
  const SpaceAccount& account = result.account;
  std::uint64_t size = account.fileSize;
  CJsonWriter json(out);
  BeginJson(json, options, kDoneExit);
  json.Number("fileSize", size);
  json.Number("baseBlock", kBaseBlockSize);
  json.Number("binsSize", account.binsSize);
  json.Number("afterBins", AfterBins(account));
  json.Number("logEntriesApplied", result.replay.entriesApplied);
  json.Bool("dirty", result.dirty);
  json.Number("depth", options.depth);
  json.Number("top", options.top);
  json.BeginArray("subtrees");
  for (std::uint32_t index : shown) {
    const SpaceNode& node = account.nodes[index];
    json.BeginObject();
    json.String("path", ToUtf8(SpaceNodePath(account, index)));
    json.Number("depth", node.depth);
    json.Number("bytes", node.bytes);
    json.String("share", Percent(node.bytes, size));
    json.Number("keys", node.keys);
    json.Number("values", node.values);
    json.Number("largestValue", node.largestValue);
    json.EndObject();
  }
  json.EndArray();
  JsonPart(json, "subtreesTotal", account.Subtrees(), size);
  json.EndObject();
  JsonPart(json, "security", account.security, size);
  json.Number("records", account.securityRecords);
  json.EndObject();
  JsonPart(json, "free", account.free, size);
  json.Number("remnantKeys", account.remnants.keys);
  json.Number("remnantValues", account.remnants.values);
  json.Number("remnantBytes", account.remnants.keyBytes + account.remnants.valueBytes);
  json.EndObject();
  JsonPart(json, "unreachable", account.unreachable, size);
  json.EndObject();
  JsonPart(json, "overhead", account.Overhead(), size);
  json.Number("binHeaders", account.binHeaders);
  json.Number("slack", account.slack);
  json.EndObject();
  JsonPart(json, "total", account.Total(), size);
  json.EndObject();
  json.EndObject();
}

// Beside the destination first, then renamed over it: a failed write leaves
// any earlier picture as it was.
bool WritePicture(const UsageOptions& options, const std::string& svg, IOutputFiles& files,
                  std::string& error) {
  if (files.SameFile(options.file, options.svg)) {
    error = "--svg names the hive itself";
    return false;
  }
  std::filesystem::path temporary = TemporaryBeside(options.svg);
  Bytes bytes(reinterpret_cast<const std::uint8_t*>(svg.data()), svg.size());
  if (files.Create(temporary, error) && files.Append(bytes, error) && files.Finish(error) &&
      files.Rename(temporary, options.svg, error))
    return true;
  files.Remove(temporary);
  return false;
}

}  // namespace

int RunUsage(const ParsedCommand& command, const ToolContext& context) {
  UsageOptions options;
  options.file = command.positionals[0];
  options.logs = command.Values("--log");
  options.json = command.Has("--json");
  if (std::optional<std::string> svg = command.Value("--svg")) options.svg = *svg;
  std::string error;
  for (const char* option : {"--depth", "--top"}) {
    std::optional<std::string> text = command.Value(option);
    bool depth = std::string_view(option) == "--depth";
    if (text && !ParseCount(option, *text, depth ? kMaximumDepth : kMostShown,
                            depth ? options.depth : options.top, error)) {
      context.err << "kelvaro-hive: " << error << '\n';
      return kExitCannotRead;
    }
  }
  CDiskFiles disk;
  return RunUsageCommand(options, context.out, context.err, context.files ? *context.files : disk);
}

int RunUsageCommand(const UsageOptions& options, std::ostream& out, std::ostream& err,
                    IOutputFiles& files) {
  std::vector<std::uint8_t> bytes;
  std::vector<LogInput> logs;
  std::string error;
  SpaceAccountResult result;
  if (ReadInputs(options, bytes, logs, error)) {
    result = AccountHiveBytes(std::move(bytes), logs, options.depth);
    error = result.refusal.empty() ? "" : PathText(options.file) + ": " + result.refusal;
  }
  if (error.empty() && !options.svg.empty()) {
    std::string caption = "Where the space goes: " + PathText(options.file.filename()) + ", " +
                          ShortSize(result.account.binsSize) + " of hive bins in " +
                          ShortSize(result.account.fileSize);
    if (!WritePicture(options, SpaceTreemapSvg(result.account, caption, options.depth), files,
                      error))
      error = PathText(options.svg) + ": " + error;
  }
  if (!error.empty()) {
    if (options.json) {
      CJsonWriter json(out);
      BeginJson(json, options, kFailedExit);
      json.String("refusal", error);
      json.EndObject();
    }
    err << "kelvaro-hive: " << error << '\n';
    return kFailedExit;
  }
  std::vector<std::uint32_t> shown = LargestSubtrees(result.account, options.top, options.depth);
  if (options.json)
    PrintJson(out, options, result, shown);
  else
    PrintText(out, options, result, shown);
  return kDoneExit;
}
