#include "cli/OfflineCommands.h"

#include "cli/ExitCodes.h"
#include "cli/HiveTool.h"
#include "cli/JsonWriter.h"
#include "cli/live/Commands.h"
#include "cli/live/LiveCommand.h"
#include "cli/live/RunCommands.h"
#include "hive/FileBytes.h"
#include "offline/OfflineRestore.h"
#include "offline/OfflineRun.h"

#include <cstdio>
#include <string>

using namespace offline;

namespace {

const char* ResultName(HiveResult result) {
  switch (result) {
    case HiveResult::Compacted: return "compacted";
    case HiveResult::WouldCompact: return "would compact";
    case HiveResult::NothingToGain: return "nothing to gain";
    case HiveResult::Refused: return "refused";
    case HiveResult::Failed: return "failed";
    case HiveResult::NotReached: return "not reached";
  }
  return "failed";
}

const char* RestoreName(RestoreResult result) {
  switch (result) {
    case RestoreResult::Restored: return "restored";
    case RestoreResult::AlreadyOld: return "already the old file";
    case RestoreResult::Refused: return "refused";
    case RestoreResult::Failed: return "failed";
  }
  return "failed";
}

bool Shrinks(const HiveOutcome& hive) {
  return hive.result == HiveResult::Compacted || hive.result == HiveResult::WouldCompact;
}

std::uint64_t Saved(const HiveOutcome& hive) {
  return Shrinks(hive) && hive.before > hive.after ? hive.before - hive.after : 0;
}

std::string Percent(std::uint64_t part, std::uint64_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%",
                whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return text;
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

void PrintLine(std::ostream& out, const HiveOutcome& hive) {
  out << "  " << Padded(hive.hive.name, 28) << ' ';
  if (Shrinks(hive)) {
    out << hive.before << " -> " << hive.after << " bytes, saved " << Saved(hive) << " ("
        << Percent(Saved(hive), hive.before) << ")";
    if (hive.result == HiveResult::WouldCompact) out << " (dry run)";
  } else if (hive.result == HiveResult::NothingToGain) {
    out << hive.before << " bytes, nothing to gain";
  } else {
    out << ResultName(hive.result);
  }
  if (!hive.message.empty()) out << ": " << hive.message;
  out << '\n';
}

struct Totals {
  std::uint64_t before = 0, after = 0, compacted = 0;
};

Totals Sum(const OfflineRun& run) {
  Totals totals;
  for (const HiveOutcome& hive : run.hives) {
    if (!Shrinks(hive)) continue;
    totals.before += hive.before;
    totals.after += hive.after;
    ++totals.compacted;
  }
  return totals;
}

int ExitCodeOf(const OfflineRun& run) {
  for (const HiveOutcome& hive : run.hives)
    if (!Shrinks(hive) && hive.result != HiveResult::NothingToGain) return kExitOfflineSomeLeft;
  return kExitOfflineDone;
}

void PrintSkipped(std::ostream& out, const Installation& installation) {
  for (const SkippedProfile& profile : installation.skippedProfiles)
    out << "Skipped profile " << profile.sid << " (" << profile.imagePath << "): " << profile.reason
        << '\n';
  if (!installation.profileListProblem.empty())
    out << "Users' hives: " << installation.profileListProblem << '\n';
}

void PrintJson(std::ostream& out, const OfflineRun& run, bool dryRun, int exitCode) {
  CJsonWriter json(out);
  json.BeginObject();
  json.String("command", "offline");
  json.String("root", hive::PathText(run.installation.root));
  json.Bool("dryRun", dryRun);
  json.Number("run", run.run);
  json.String("backup", hive::PathText(run.runFolder));
  json.String("refusal", run.refusal);
  json.Number("exitCode", static_cast<std::uint64_t>(exitCode));
  json.BeginArray("hives");
  for (const HiveOutcome& hive : run.hives) {
    json.BeginObject();
    json.String("name", hive.hive.name);
    json.String("file", hive::PathText(hive.hive.file));
    json.String("result", ResultName(hive.result));
    json.Number("sizeBefore", hive.before);
    json.Number("sizeAfter", hive.after);
    json.Number("saved", Saved(hive));
    json.String("message", hive.message);
    json.EndObject();
  }
  json.EndArray();
  json.BeginArray("skippedProfiles");
  for (const SkippedProfile& profile : run.installation.skippedProfiles) {
    json.BeginObject();
    json.String("sid", profile.sid);
    json.String("profileImagePath", profile.imagePath);
    json.String("reason", profile.reason);
    json.EndObject();
  }
  json.EndArray();
  Totals totals = Sum(run);
  json.Number("totalBefore", totals.before);
  json.Number("totalAfter", totals.after);
  json.Number("totalSaved", totals.before - totals.after);
  json.EndObject();
  out << '\n';
}

// Someone at a terminal says yes; without one the run needs --yes.
bool Confirmed(const OfflineRun& run, const ToolContext& context) {
  if (!context.in || !context.inIsTerminal) {
    context.err << "kelvaro-hive: offline replaces the hive files under "
                << hive::PathText(run.installation.root)
                << "; give --yes to go ahead without a terminal (or --dry-run to see the gain)\n";
    return false;
  }
  context.err << "Compact " << run.hives.size() << " hive" << (run.hives.size() == 1 ? "" : "s")
              << " under " << hive::PathText(run.installation.root) << " in place (old files to "
              << hive::PathText(run.runFolder) << ")? [y/N] " << std::flush;
  std::string answer;
  std::getline(*context.in, answer);
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES";
}

}  // namespace

int RunOffline(const ParsedCommand& command, const ToolContext& context) {
  OfflineRequest request;
  request.root = command.positionals[0];
  request.dryRun = command.Has("--dry-run");
  for (const std::filesystem::path& name : command.Values("--hive"))
    request.only.push_back(hive::PathText(name));
  const bool json = command.Has("--json");
  CDiskOfflineFiles disk;
  OfflineRun run = PrepareOfflineRun(request, disk);
  if (!run.unknownHive.empty()) {
    std::string names;
    for (const FoundHive& hive : run.installation.hives)
      names += (names.empty() ? "" : ", ") + hive.name;
    return ReportBadUsage(command.command,
                          "no hive named " + run.unknownHive + " (found: " + names + ")",
                          context.err);
  }
  if (!run.refusal.empty()) {
    if (json) PrintJson(context.out, run, request.dryRun, kExitOfflineNothingDone);
    context.err << "kelvaro-hive: refused, nothing changed: " << run.refusal << '\n';
    return kExitOfflineNothingDone;
  }
  if (!request.dryRun && !command.Has("--yes") && !Confirmed(run, context))
    return kExitOfflineNothingDone;

  if (!json)
    context.out << (request.dryRun ? "Dry run, nothing changes: " : "") << "Windows at "
                << hive::PathText(request.root) << ", run " << run.run << '\n';
  CarryOutOfflineRun(run, request, disk, [&](const HiveOutcome& hive) {
    if (!json) PrintLine(context.out, hive);
  });
  const int exitCode = ExitCodeOf(run);
  if (json) {
    PrintJson(context.out, run, request.dryRun, exitCode);
    return exitCode;
  }
  PrintSkipped(context.out, run.installation);
  Totals totals = Sum(run);
  context.out << "Total: " << totals.before << " -> " << totals.after << " bytes, saved "
              << totals.before - totals.after << " ("
              << Percent(totals.before - totals.after, totals.before) << ") in " << totals.compacted
              << " of " << run.hives.size() << " hives\n";
  if (!request.dryRun && totals.compacted != 0)
    context.out << "Old files: " << hive::PathText(run.runFolder)
                << " (kelvaro-hive restore --offline ROOT --run " << run.run
                << " puts them back)\n";
  return exitCode;
}

int RunRestoreCommand(const ParsedCommand& command, const ToolContext& context) {
  std::optional<std::string> root = command.Value("--offline");
  std::optional<std::string> runText = command.Value("--run");
  if (!root) return RunLiveRestoreCommand(command, context);
  if (!command.positionals.empty()) {
    return ReportBadUsage(command.command, "restore --offline takes no HIVE", context.err);
  }
  std::optional<std::uint32_t> run;
  if (runText) {
    if (runText->empty() || runText->size() > 9 ||
        runText->find_first_not_of("0123456789") != std::string::npos)
      return ReportBadUsage(command.command, "--run needs a number", context.err);
    run = static_cast<std::uint32_t>(std::stoul(*runText));
  }
  CDiskOfflineFiles disk;
  OfflineRestore restore = RestoreOfflineRun(*root, run, disk);
  if (!restore.problem.empty()) {
    context.err << "kelvaro-hive: " << restore.problem << '\n';
    return kExitOfflineNothingDone;
  }
  context.out << "Restoring run " << restore.run << " from " << hive::PathText(restore.runFolder)
              << '\n';
  int exitCode = kExitOfflineDone;
  for (const RestoredHive& hive : restore.hives) {
    context.out << "  " << Padded(hive.name, 28) << ' ' << RestoreName(hive.result);
    if (!hive.message.empty()) context.out << ": " << hive.message;
    context.out << '\n';
    if (hive.result == RestoreResult::Refused || hive.result == RestoreResult::Failed)
      exitCode = kExitOfflineSomeLeft;
  }
  return exitCode;
}
