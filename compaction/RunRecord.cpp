#include "compaction/RunRecord.h"

#include <charconv>
#include <string_view>

namespace {

constexpr char kHeading[] = "Kelvaro run record 1";
constexpr char kNewLine[] = "\r\n";
constexpr char kTab = '\t';
constexpr std::size_t kHiveFields = 11;  // "hive" and ten more
// A record written before backups were hashed ends at the reason.
constexpr std::size_t kUnhashedHiveFields = 9;

constexpr std::string_view kStateWords[] = {"planned",       "swapping",     "scheduled",
                                            "not scheduled", "swapping now", "swapped now"};

void AppendUtf8(std::string& out, const std::wstring& text) {
  for (wchar_t character : text) {
    const auto unit = static_cast<std::uint32_t>(character);
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      // Names and paths are code units of the Basic Multilingual Plane.
      out.push_back(static_cast<char>(0xE0 | ((unit >> 12) & 0x0F)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
}

// The inverse of AppendUtf8; nothing for bytes it would not have written.
std::optional<std::wstring> FromUtf8(std::string_view text) {
  std::wstring out;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    std::size_t length = lead < 0x80             ? 1
                         : (lead & 0xE0) == 0xC0 ? 2
                         : (lead & 0xF0) == 0xE0 ? 3
                                                 : 0;
    if (length == 0 || at + length > text.size()) return std::nullopt;
    std::uint32_t unit = length == 1 ? lead : length == 2 ? (lead & 0x1Fu) : (lead & 0x0Fu);
    for (std::size_t next = 1; next < length; ++next) {
      const auto follow = static_cast<std::uint8_t>(text[at + next]);
      if ((follow & 0xC0) != 0x80) return std::nullopt;
      unit = (unit << 6) | (follow & 0x3Fu);
    }
    out.push_back(static_cast<wchar_t>(unit));
    at += length;
  }
  return out;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t end = line.find(separator);
    fields.push_back(line.substr(0, end));
    if (end == std::string_view::npos) return fields;
    line.remove_prefix(end + 1);
  }
}

template <typename Number>
std::optional<Number> NumberOf(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<SwapState> StateOf(std::string_view word) {
  for (std::size_t index = 0; index < std::size(kStateWords); ++index) {
    if (kStateWords[index] == word) return static_cast<SwapState>(index);
  }
  return std::nullopt;
}

std::optional<RecordedHive> HiveOf(const std::vector<std::string_view>& fields) {
  if (fields.size() != kHiveFields && fields.size() != kUnhashedHiveFields) return std::nullopt;
  RecordedHive hive;
  const std::optional<SwapState> state = StateOf(fields[1]);
  const std::optional<std::wstring> name = FromUtf8(fields[2]);
  const std::optional<std::wstring> liveFile = FromUtf8(fields[3]);
  const std::optional<std::uint64_t> liveSize = NumberOf<std::uint64_t>(fields[4]);
  const std::optional<std::uint64_t> copySize = NumberOf<std::uint64_t>(fields[5]);
  const std::optional<std::wstring> backup = FromUtf8(fields[7]);
  if (!state || !name || !liveFile || !liveSize || !copySize || !backup) return std::nullopt;
  hive.state = *state;
  hive.name = *name;
  hive.liveFile = *liveFile;
  hive.liveSize = *liveSize;
  hive.copySize = *copySize;
  hive.copySha256 = std::string(fields[6]);
  hive.backupFile = *backup;
  hive.reason = std::string(fields[8]);
  if (fields.size() == kHiveFields) {
    const std::optional<std::uint64_t> backupSize = NumberOf<std::uint64_t>(fields[9]);
    if (!backupSize) return std::nullopt;
    hive.backupSize = *backupSize;
    hive.backupSha256 = std::string(fields[10]);
  }
  return hive;
}

}  // namespace

std::vector<std::uint8_t> RunRecordText(const RunRecord& record) {
  std::string text = kHeading;
  text += kNewLine;
  text += "run\t" + std::to_string(record.number) + kNewLine;
  text += "started\t" + record.started + kNewLine;
  text += "version\t" + record.version + kNewLine;
  for (const RecordedHive& hive : record.hives) {
    text += "hive\t";
    text += kStateWords[static_cast<std::size_t>(hive.state)];
    text += kTab;
    AppendUtf8(text, hive.name);
    text += kTab;
    AppendUtf8(text, hive.liveFile);
    text += kTab + std::to_string(hive.liveSize) + kTab + std::to_string(hive.copySize) + kTab;
    text += hive.copySha256 + kTab;
    AppendUtf8(text, hive.backupFile);
    text += kTab + hive.reason + kTab + std::to_string(hive.backupSize) + kTab;
    text += hive.backupSha256 + kNewLine;
  }
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::optional<RunRecord> ParseRunRecord(const std::vector<std::uint8_t>& bytes) {
  const std::string text(bytes.begin(), bytes.end());
  std::vector<std::string_view> lines = Split(text, '\n');
  // The text ends with a line break: the last piece is empty.
  if (lines.size() < 2 || !lines.back().empty()) return std::nullopt;
  lines.pop_back();
  RunRecord record;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    std::string_view line = lines[index];
    if (line.empty() || line.back() != '\r') return std::nullopt;
    line.remove_suffix(1);
    if (index == 0) {
      if (line != kHeading) return std::nullopt;
      continue;
    }
    const std::vector<std::string_view> fields = Split(line, kTab);
    if (fields[0] == "hive") {
      std::optional<RecordedHive> hive = HiveOf(fields);
      if (!hive) return std::nullopt;
      record.hives.push_back(*hive);
      continue;
    }
    if (fields.size() != 2) return std::nullopt;
    if (fields[0] == "run") {
      const std::optional<int> number = NumberOf<int>(fields[1]);
      if (!number) return std::nullopt;
      record.number = *number;
    } else if (fields[0] == "started") {
      record.started = std::string(fields[1]);
    } else if (fields[0] == "version") {
      record.version = std::string(fields[1]);
    } else {
      return std::nullopt;
    }
  }
  return record;
}
