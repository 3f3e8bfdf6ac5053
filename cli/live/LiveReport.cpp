#include "cli/live/LiveReport.h"

#include <cstdio>

#include "hive/Names.h"
#include "cli/JsonWriter.h"

namespace {

bool LeftAlone(const LiveHiveLine& hive) { return !hive.reason.empty(); }

// A hive-list value whose kernel name had neither root has no user-form name.
std::string DisplayName(const LiveHiveLine& hive) {
  return hive.name.IsEmpty() ? std::string("(no name)") : Utf8(hive.name);
}

std::string Gain(const LiveHiveLine& hive) {
  const auto gain =
      static_cast<std::int64_t>(hive.size) - static_cast<std::int64_t>(*hive.compactSize);
  return std::to_string(gain);
}

// One hive in a sentence, for the console and the log alike.
std::string HiveText(const LiveHiveLine& hive) {
  std::string text = DisplayName(hive) + ": " + std::to_string(hive.size) + " bytes";
  if (hive.compactSize) {
    text += ", compact " + std::to_string(*hive.compactSize) + " bytes, gain " + Gain(hive);
  }
  text += ": ";
  text += LeftAlone(hive) ? "left as it is: " + hive.reason : hive.verdict;
  return text;
}

}  // namespace

std::string Utf8(const CString& text) { return hive::ToUtf8(hive::FromWide(text.str())); }

std::string UtcTimeText(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto seconds = floor<std::chrono::seconds>(when);
  const auto day = floor<days>(seconds);
  const year_month_day date{day};
  const hh_mm_ss<std::chrono::seconds> time{seconds - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

void PrintReportText(std::ostream& out, const LiveReport& report) {
  if (report.command == "loaded") {
    for (const LiveHiveLine& hive : report.hives) {
      out << DisplayName(hive) << '\t' << Utf8(hive.file) << '\t' << hive.size << " bytes\t"
          << (hive.ticked.value_or(false) ? "ticked" : "not ticked") << '\t'
          << (LeftAlone(hive) ? "left out: " + hive.reason : "would compact") << '\n';
    }
  } else {
    for (const LiveHiveLine& hive : report.hives) out << HiveText(hive) << '\n';
  }
  if (!report.stopText.empty()) {
    out << "Stopped: " << report.stopText << " (" << report.stopProblem << ")\n";
  }
  out << report.summary << '\n';
}

void PrintReportJson(std::ostream& out, const LiveReport& report) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("command", report.command);
  json.BeginArray("hives");
  for (const LiveHiveLine& hive : report.hives) {
    json.BeginObject();
    json.String("name", Utf8(hive.name));
    json.String("file", Utf8(hive.file));
    json.Number("size", hive.size);
    if (hive.ticked) json.Bool("ticked", *hive.ticked);
    if (hive.compactSize) {
      json.Number("compactSize", *hive.compactSize);
      json.Number("gain", hive.size > *hive.compactSize ? hive.size - *hive.compactSize : 0);
    }
    json.String("verdict", hive.verdict);
    if (LeftAlone(hive)) json.String("reason", hive.reason);
    json.EndObject();
  }
  json.EndArray();
  if (!report.stopCode.empty()) {
    json.String("stopped", report.stopCode);
    json.String("stopReason", report.stopText);
    json.String("folderProblem", report.stopProblem);
  }
  json.String("summary", report.summary);
  json.Number("exitCode", static_cast<std::uint64_t>(report.exitCode));
  json.EndObject();
}

std::string LogText(const LiveReport& report, const std::string& time,
                    const std::string& commandLine) {
  std::string text = time + " kelvaro-hive " + commandLine + "\r\n";
  for (const LiveHiveLine& hive : report.hives) text += "  " + HiveText(hive) + "\r\n";
  if (!report.stopText.empty()) {
    text += "  stopped: " + report.stopText + " (" + report.stopProblem + ")\r\n";
  }
  text += "  " + report.summary + " (exit " + std::to_string(report.exitCode) + ")\r\n";
  return text;
}
