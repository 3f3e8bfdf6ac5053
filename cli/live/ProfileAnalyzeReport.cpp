#include "cli/live/ProfileAnalyzeReport.h"

#include "cli/ExitCodes.h"
#include "cli/live/Commands.h"
#include "profiles/ProfileHiveAnalysis.h"

namespace {

struct ResultWords {
  const char* code;
  const char* text;
};

ResultWords WordsFor(ProfileHiveResult result) {
  switch (result) {
    case ProfileHiveResult::kAnalysed: return {"analysed", ""};
    case ProfileHiveResult::kInUse:
      return {"in-use", "the file is in use: the user may be signing in"};
    case ProfileHiveResult::kUnreadable:
      return {"unreadable", "the file or its logs could not be read as they stand"};
    case ProfileHiveResult::kNotSaved: return {"not-saved", "Windows did not load or save it"};
    case ProfileHiveResult::kRefused: return {"refused", "the saved copy failed the check"};
    case ProfileHiveResult::kContentDiffers:
      return {"content-differs", "the saved copy does not hold what the file held"};
  }
  return {"", ""};
}

// HKU\<SID> for NTUSER.DAT and HKU\<SID>_Classes for UsrClass.dat: the names
// the hives have when the user is signed in.
CString HiveName(const std::wstring& sid, bool classes) {
  return CString(L"HKU\\" + sid + (classes ? L"_Classes" : L""));
}

}  // namespace

LiveReport AnalyzeProfilesReport() {
  LiveReport report;
  report.command = "analyze";
  const profiles::ProfileListing listing = profiles::FindProfiles();
  for (const profiles::UserProfile& profile : listing.profiles) {
    if (profile.judgement.verdict == profiles::ProfileVerdict::kWouldCompact) continue;
    LiveHiveLine line;
    line.name = HiveName(profile.sid, false);
    line.file = CString(profile.userHive.path);
    line.size = profile.userHive.size.value_or(0);
    const profiles::VerdictWords words = profiles::WordsFor(profile.judgement.verdict);
    line.verdict = std::string(words.code);
    line.reason = std::string(words.text);
    report.hives.push_back(std::move(line));
  }
  const ProfileAnalysisOutcome outcome = AnalyzeProfileHives(listing.profiles);
  int analysed = 0;
  std::int64_t totalGain = 0;
  for (const AnalyzedProfileHive& hive : outcome.hives) {
    LiveHiveLine line;
    const bool classes = hive.file.size() >= 12 &&
                         hive.file.compare(hive.file.size() - 12, 12, L"UsrClass.dat") == 0;
    line.name = HiveName(hive.sid, classes);
    line.file = CString(hive.file);
    line.size = hive.size;
    const ResultWords words = WordsFor(hive.result);
    line.verdict = words.code;
    line.reason = words.text;
    if (hive.leftLoaded) {
      line.reason += "; Windows did not unload HKU\\Kelvaro-" + Utf8(CString(hive.sid)) +
                     " (it answered " + std::to_string(hive.unloadStatus) + ")";
    }
    if (hive.result == ProfileHiveResult::kAnalysed) {
      line.compactSize = hive.compactSize;
      ++analysed;
      totalGain +=
          static_cast<std::int64_t>(hive.size) - static_cast<std::int64_t>(hive.compactSize);
    }
    report.hives.push_back(std::move(line));
  }
  if (!listing.listRead) {
    report.summary = "The profile list could not be read.";
    report.exitCode = kExitFailed;
  } else if (outcome.stoppedAt != StoppedAt::kNothing) {
    SetStop(report, "analysed", outcome.stoppedAt, outcome.folderProblem);
    report.summary = "Nothing was analysed: the analysis stopped at an unsafe folder.";
    report.exitCode = kExitFailed;
  } else if (analysed == 0) {
    report.summary = "No profile hive could be analysed.";
    report.exitCode = kExitNothingDone;
  } else {
    report.summary = std::to_string(analysed) +
                     " profile hives analysed, nothing swapped; total gain " +
                     std::to_string(totalGain) + " bytes.";
    report.exitCode = kExitDone;
  }
  return report;
}
