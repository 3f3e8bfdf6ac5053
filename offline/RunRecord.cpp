#include "offline/RunRecord.h"

#include "hive/FileBytes.h"
#include "offline/JsonText.h"

#include <array>
#include <system_error>

namespace offline {

namespace {

constexpr std::array kStates = {
    std::pair{HiveState::Staged, "staged"},       std::pair{HiveState::Keeping, "keeping"},
    std::pair{HiveState::Swapping, "swapping"},   std::pair{HiveState::Clearing, "clearing"},
    std::pair{HiveState::Done, "done"},           std::pair{HiveState::Undone, "undone"},
    std::pair{HiveState::Restoring, "restoring"}, std::pair{HiveState::Restored, "restored"},
};
constexpr char kKind[] = "kelvaro offline run";

std::string FileText(const RecordedFile& file) {
  return "{\"name\": " + Quoted(file.name) + ", \"size\": " + std::to_string(file.size) +
         ", \"sha256\": " + Quoted(file.sha256) + "}";
}

bool ReadFile(const JsonValue* value, RecordedFile& file) {
  if (!value || value->kind != JsonValue::Kind::Object) return false;
  file.name = value->TextOf("name");
  file.size = value->NumberOf("size");
  file.sha256 = value->TextOf("sha256");
  return !file.name.empty() && file.sha256.size() == 64;
}

}  // namespace

std::string_view StateName(HiveState state) {
  for (const auto& [value, name] : kStates)
    if (value == state) return name;
  return "staged";
}

std::string RecordText(const RunRecord& record) {
  std::string text = "{\n  \"kind\": " + Quoted(kKind) +
                     ",\n  \"run\": " + std::to_string(record.run) +
                     ",\n  \"root\": " + Quoted(record.root) + ",\n  \"hives\": [";
  for (std::size_t i = 0; i < record.hives.size(); ++i) {
    const RecordedHive& hive = record.hives[i];
    text += i ? ",\n    {" : "\n    {";
    text += "\"name\": " + Quoted(hive.name) + ", \"live\": " + Quoted(hive.live) +
            ", \"folder\": " + Quoted(hive.folder) + ", \"staged\": " + Quoted(hive.staged) +
            ",\n     \"state\": " + Quoted(StateName(hive.state)) +
            ", \"message\": " + Quoted(hive.message) + ",\n     \"old\": " + FileText(hive.old) +
            ",\n     \"compact\": " + FileText(hive.compact) + ",\n     \"logs\": [";
    for (std::size_t j = 0; j < hive.logs.size(); ++j)
      text += (j ? ", " : "") + FileText(hive.logs[j]);
    text += "]}";
  }
  return text + "\n  ]\n}\n";
}

std::optional<RunRecord> ParseRecord(std::string_view text, std::string& error) {
  std::optional<JsonValue> json = ParseJson(text);
  const JsonValue* hives = json ? json->Member("hives") : nullptr;
  if (!json || json->TextOf("kind") != kKind || !hives || hives->kind != JsonValue::Kind::Array) {
    error = "not a record of an off-line run";
    return std::nullopt;
  }
  RunRecord record;
  record.run = static_cast<std::uint32_t>(json->NumberOf("run"));
  record.root = json->TextOf("root");
  for (const JsonValue& item : hives->items) {
    RecordedHive hive;
    hive.name = item.TextOf("name");
    hive.live = item.TextOf("live");
    hive.folder = item.TextOf("folder");
    hive.staged = item.TextOf("staged");
    hive.message = item.TextOf("message");
    const std::string state = item.TextOf("state");
    bool known = false;
    for (const auto& [value, name] : kStates) {
      if (state == name) {
        hive.state = value;
        known = true;
      }
    }
    const JsonValue* logs = item.Member("logs");
    bool whole = known && !hive.live.empty() && !hive.folder.empty() && !hive.staged.empty() &&
                 ReadFile(item.Member("old"), hive.old) &&
                 ReadFile(item.Member("compact"), hive.compact) && logs &&
                 logs->kind == JsonValue::Kind::Array;
    for (std::size_t i = 0; whole && i < logs->items.size(); ++i) {
      hive.logs.emplace_back();
      whole = ReadFile(&logs->items[i], hive.logs.back());
    }
    if (!whole) {
      error = "the record of hive " + std::to_string(record.hives.size() + 1) + " is not whole";
      return std::nullopt;
    }
    record.hives.push_back(std::move(hive));
  }
  return record;
}

bool SaveRecord(IOfflineFiles& files, const std::filesystem::path& runFolder,
                const RunRecord& record, std::string& error) {
  const std::filesystem::path file = runFolder / kRecordName;
  std::filesystem::path next = file;
  next += ".new";
  std::error_code code;
  std::string ignored;
  if (std::filesystem::exists(next, code)) files.Remove(next, ignored);
  const std::string text = RecordText(record);
  if (!files.WriteNew(
          next, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error))
    return false;
  if (files.Rename(next, file, error)) return true;
  files.Remove(next, ignored);
  return false;
}

std::optional<RunRecord> LoadRecord(const std::filesystem::path& runFolder, std::string& error) {
  std::vector<std::uint8_t> bytes;
  if (!hive::ReadFileBytes(runFolder / kRecordName, bytes, error)) return std::nullopt;
  std::optional<RunRecord> record = ParseRecord(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
  if (!record) error = hive::PathText(runFolder / kRecordName) + ": " + error;
  return record;
}

}  // namespace offline
