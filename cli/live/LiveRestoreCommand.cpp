#include <algorithm>
#include <charconv>
#include <iostream>
#include <string>
#include <vector>

#include "catalogue/HiveList.h"
#include "cli/ExitCodes.h"
#include "cli/HiveTool.h"
#include "cli/live/Commands.h"
#include "cli/live/Elevation.h"
#include "cli/live/LiveCommand.h"
#include "cli/live/LiveReport.h"
#include "cli/live/ProfileSwapReport.h"
#include "cli/live/RunCommands.h"
#include "compaction/CompareNoCaseN.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecordFile.h"

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
  const int length = static_cast<int>(std::max(a.size(), b.size()));
  return CompareNoCaseN(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size()), length) == 0;
}

const RecordedHive* SwapNamed(const RunRecord& record, const std::wstring& name) {
  for (const RecordedHive& hive : record.hives) {
    if ((hive.MaySwap() || hive.MayBeSwappedNow()) && SameName(hive.name, name)) return &hive;
  }
  return nullptr;
}

bool Loaded(const std::vector<std::unique_ptr<HiveEntry>>& entries, const std::wstring& name) {
  return std::any_of(entries.begin(), entries.end(), [&name](const auto& entry) {
    return SameName(std::wstring(entry->name.GetString()), name);
  });
}

std::string NamesText(const std::vector<std::wstring>& names) {
  std::string text;
  for (const std::wstring& name : names) {
    text += (text.empty() ? "" : ", ") + Utf8(CString(name.c_str()));
  }
  return text;
}

// Someone at the console says yes.
bool Confirmed(const RunRecord& record, const std::vector<std::wstring>& names,
               const ToolContext& context) {
  const std::string what = "run " + std::to_string(record.number) + " of " + record.started + " (" +
                           NamesText(names) + ")";
  if (!context.in || !context.inIsTerminal) {
    context.err << "kelvaro-hive: restore puts back the hives of " << what
                << "; every change made to them since that run is lost with it. Give --yes to "
                   "go ahead without a console.\n";
    return false;
  }
  context.err << "Restore " << what << "?\nEvery change made to these hives since that run is "
              << "lost with it. [y/N] " << std::flush;
  std::string answer;
  std::getline(*context.in, answer);
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES";
}

}  // namespace

int RunLiveRestoreCommand(const ParsedCommand& command, const ToolContext& context) {
  // Without elevation the records cannot be read: the live command says why.
  if (!ProcessIsElevated()) return RunLive<RunRestore>(command, context);
  const std::optional<CPathName> windowsFolder = SystemWindowsFolder();
  const std::vector<int> runs = windowsFolder ? RunsOnRecord(*windowsFolder) : std::vector<int>();
  if (runs.empty()) {
    context.err << "kelvaro-hive: no run is on record (the Kelvaro\\Records folder of the Windows "
                   "folder): no backup is restored without its run's record.\n";
    return kExitNothingDone;
  }
  int run = runs.back();
  if (const std::optional<std::string> text = command.Value("--run")) {
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), run);
    if (error != std::errc() || end != text->data() + text->size() || text->empty() || run < 1) {
      return ReportBadUsage(command.command, "--run needs a number", context.err);
    }
  }
  const std::optional<RunRecord> record = ReadRunRecord(*windowsFolder, run);
  if (!record) {
    context.err << "kelvaro-hive: run " << run << " is not on record (kelvaro-hive runs lists "
                << "them).\n";
    return kExitNothingDone;
  }

  std::vector<std::wstring> names;
  // Hives of profiles the run swapped at once: they go back at once too.
  std::vector<std::wstring> profileNames;
  for (const std::filesystem::path& given : command.positionals) {
    const RecordedHive* hive = SwapNamed(*record, given.wstring());
    if (hive == nullptr) {
      return ReportBadUsage(command.command,
                            "run " + std::to_string(run) + " swapped no hive named " +
                                Utf8(CString(given.wstring().c_str())) +
                                " (kelvaro-hive runs lists its hives)",
                            context.err);
    }
    (hive->MayBeSwappedNow() ? profileNames : names).push_back(hive->name);
  }
  if (names.empty() && profileNames.empty()) {
    // Only a loaded hive can be scheduled back; the others wait for their user.
    const std::vector<std::unique_ptr<HiveEntry>> loaded = CollectHives();
    for (const RecordedHive& hive : record->hives) {
      if (hive.MayBeSwappedNow()) profileNames.push_back(hive.name);
      if (!hive.MaySwap()) continue;
      if (Loaded(loaded, hive.name)) {
        names.push_back(hive.name);
      } else {
        context.err << "kelvaro-hive: " << Utf8(CString(hive.name.c_str()))
                    << " is not loaded now: it is left for a later restore.\n";
      }
    }
  }
  if (names.empty() && profileNames.empty()) {
    context.err << "kelvaro-hive: run " << run << " has no hive to restore.\n";
    return kExitNothingDone;
  }
  std::vector<std::wstring> everyName = profileNames;
  everyName.insert(everyName.end(), names.begin(), names.end());
  if (!command.Has("--yes") && !Confirmed(*record, everyName, context)) return kExitNothingDone;
  if (!profileNames.empty()) {
    const int profilesExit =
        PrintAndLog(ProfileRestoreReport(RestoreProfileHives(run, profileNames)), command, context);
    if (names.empty()) return profilesExit;
  }

  // The live command restores exactly these hives of exactly this run.
  ParsedCommand chosen = command;
  chosen.positionals.assign(names.begin(), names.end());
  chosen.values.erase(
      std::remove_if(chosen.values.begin(), chosen.values.end(),
                     [](const OptionValue& value) { return value.option == "--run"; }),
      chosen.values.end());
  chosen.values.push_back(OptionValue{"--run", std::to_string(run), chosen.positionals.size()});
  return RunLive<RunRestore>(chosen, context);
}
