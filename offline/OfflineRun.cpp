#include "offline/OfflineRun.h"

#include "hive/FileBytes.h"
#include "offline/CompactInMemory.h"
#include "offline/NameMatch.h"
#include "offline/RunRecord.h"
#include "hive/Sha256.h"

#include <algorithm>
#include <random>
#include <system_error>

namespace offline {

namespace {

constexpr char kStagedSuffix[] = ".kelvaro-new";

// "Windows/System32/config/SYSTEM": the same on every system that reads the record.
std::string Relative(const std::filesystem::path& file, const std::filesystem::path& root) {
  const std::u8string text = file.lexically_relative(root).generic_u8string();
  return std::string(text.begin(), text.end());
}

bool Selected(const FoundHive& hive, const std::vector<std::string>& only) {
  return only.empty() || std::any_of(only.begin(), only.end(), [&](const std::string& name) {
           return SameNameNoCase(name, hive.name);
         });
}

std::string WritableRefusal(const std::filesystem::path& windows, IOfflineFiles& files) {
  std::random_device random;
  std::filesystem::path probe = windows / (".kelvaro-probe-" + std::to_string(random()));
  std::string error;
  const std::uint8_t byte = 0;
  if (!files.WriteNew(probe, std::span(&byte, 1), error))
    return "the volume is read-only: " + error;
  if (!files.Remove(probe, error)) return "the volume does not let files be removed: " + error;
  return {};
}

// Keeps `file` under `name` too: a second link where the file system has
// them (nothing copied, the same security descriptor), else a copy. Either
// way the bytes kept are checked against what was compacted.
bool Keep(IOfflineFiles& files, const std::filesystem::path& file,
          const std::filesystem::path& name, const RecordedFile& expected, std::string& error) {
  std::string linkError;
  if (!files.Link(file, name, linkError)) {
    if (!files.Copy(file, name, error) || !files.CopyPermissions(file, name, error)) return false;
  }
  std::vector<std::uint8_t> bytes;
  if (!files.Read(name, bytes, error)) return false;
  if (hive::Sha256Hex(bytes) == expected.sha256) return true;
  error = hive::PathText(file) + " changed since it was compacted";
  return false;
}

class CRunner {
 public:
  CRunner(OfflineRun& run, const OfflineRequest& request, IOfflineFiles& files)
      : m_run(run), m_request(request), m_files(files) {}

  void Run(const std::function<void(const HiveOutcome&)>& done) {
    for (HiveOutcome& outcome : m_run.hives) {
      if (!m_stopped.empty()) {
        outcome.message = m_stopped;
      } else {
        Compact(outcome);
      }
      if (done) done(outcome);
    }
  }

 private:
  void Compact(HiveOutcome& outcome) {
    if (m_files.OpenElsewhere(outcome.hive.file)) {
      outcome.result = HiveResult::Refused;
      outcome.message = "the file is open in another program";
      return;
    }
    CompactedHive compacted = CompactToMemory(outcome.hive.file);
    outcome.before = compacted.outcome.sizeBefore;
    outcome.after = compacted.outcome.sizeAfter;
    if (compacted.outcome.status != hive::CompactStatus::Written) {
      outcome.result = HiveResult::Refused;
      outcome.message = compacted.outcome.message;
      return;
    }
    if (outcome.after >= outcome.before) {
      outcome.result = HiveResult::NothingToGain;
      return;
    }
    if (m_request.dryRun) {
      outcome.result = HiveResult::WouldCompact;
      return;
    }
    Swap(outcome, compacted);
  }

  bool Save(std::string& error) { return SaveRecord(m_files, m_run.runFolder, m_record, error); }

  bool MakeRunFolder(std::string& error) {
    if (m_madeFolder) return true;
    std::optional<std::filesystem::path> backup =
        FindEntryNoCase(m_run.installation.windows, kBackupFolderName);
    if (!backup) {
      backup = m_run.installation.windows / kBackupFolderName;
      if (!m_files.MakeFolder(*backup, error)) return false;
    }
    if (!m_files.MakeFolder(m_run.runFolder, error)) return false;
    m_record.run = m_run.run;
    m_record.root = hive::PathText(m_request.root);
    if (!Save(error)) return false;
    m_madeFolder = true;
    return true;
  }

  // The record could not be brought up to date: nothing more may change. A
  // hive already swapped stays compacted.
  void Stop(HiveOutcome& outcome, const std::string& error) {
    m_stopped = "not done: the run stopped when its record could not be written (" + error + ")";
    if (outcome.result == HiveResult::Compacted) {
      outcome.message = "the run's record could not be brought up to date (" + error + ")";
      return;
    }
    outcome.result = HiveResult::Failed;
    outcome.message = m_stopped;
  }

  void Undo(HiveOutcome& outcome, RecordedHive& recorded, const std::filesystem::path& staged,
            const std::string& error) {
    std::error_code code;
    std::string ignored;
    if (std::filesystem::exists(staged, code)) m_files.Remove(staged, ignored);
    outcome.result = HiveResult::Failed;
    outcome.message = error + "; the hive was left as it was";
    recorded.state = HiveState::Undone;
    recorded.message = error;
    std::string recordError;
    if (!Save(recordError)) Stop(outcome, recordError);
  }

  void Swap(HiveOutcome& outcome, const CompactedHive& compacted) {
    std::string error;
    if (!MakeRunFolder(error)) {
      m_stopped = "not done: no backup folder (" + error + ")";
      outcome.result = HiveResult::Failed;
      outcome.message = m_stopped;
      return;
    }
    const std::filesystem::path live = outcome.hive.file;
    const std::filesystem::path folder = live.parent_path();
    std::filesystem::path staged = live;
    staged += kStagedSuffix;

    m_record.hives.push_back({});
    const std::size_t index = m_record.hives.size() - 1;
    auto recorded = [&]() -> RecordedHive& { return m_record.hives[index]; };
    recorded().name = outcome.hive.name;
    recorded().live = Relative(live, m_request.root);
    recorded().folder = std::to_string(m_record.hives.size());
    recorded().staged = hive::PathText(staged.filename());
    recorded().old = compacted.input;
    recorded().logs = compacted.logs;
    recorded().compact = {hive::PathText(live.filename()), compacted.bytes.size(),
                          hive::Sha256Hex(compacted.bytes)};
    recorded().state = HiveState::Staged;
    if (!Save(error)) return Stop(outcome, error);

    std::error_code code;
    if (std::filesystem::exists(std::filesystem::symlink_status(staged, code)))
      return Undo(outcome, recorded(), staged, hive::PathText(staged) + " is in the way");
    std::vector<std::uint8_t> readBack;
    if (!m_files.WriteNew(staged, compacted.bytes, error) ||
        !m_files.Read(staged, readBack, error) || !m_files.CopyPermissions(live, staged, error))
      return Undo(outcome, recorded(), staged, error);
    if (readBack != compacted.bytes)
      return Undo(outcome, recorded(), staged,
                  hive::PathText(staged) + " does not read back as written");

    recorded().state = HiveState::Keeping;
    if (!Save(error)) {
      Undo(outcome, recorded(), staged, error);
      return Stop(outcome, error);
    }
    const std::filesystem::path kept = m_run.runFolder / recorded().folder;
    if (!m_files.MakeFolder(kept, error) ||
        !Keep(m_files, live, kept / recorded().old.name, recorded().old, error))
      return Undo(outcome, recorded(), staged, error);
    for (const RecordedFile& log : recorded().logs)
      if (!Keep(m_files, folder / PathFromUtf8(log.name), kept / PathFromUtf8(log.name), log,
                error))
        return Undo(outcome, recorded(), staged, error);

    recorded().state = HiveState::Swapping;
    if (!Save(error)) {
      Undo(outcome, recorded(), staged, error);
      return Stop(outcome, error);
    }
    if (!m_files.Rename(staged, live, error)) return Undo(outcome, recorded(), staged, error);
    outcome.result = HiveResult::Compacted;

    recorded().state = HiveState::Clearing;
    if (!Save(error)) return Stop(outcome, error);
    std::vector<std::string> left;
    for (const RecordedFile& log : recorded().logs)
      if (!m_files.Remove(folder / PathFromUtf8(log.name), error)) left.push_back(error);
    if (!left.empty()) {
      outcome.message =
          "old logs left beside the new hive (kept in the backup too; never "
          "replayed, being older than it): " +
          left.front();
      recorded().message = outcome.message;
      if (!Save(error)) Stop(outcome, error);
      return;
    }
    recorded().state = HiveState::Done;
    if (!Save(error)) Stop(outcome, error);
  }

  OfflineRun& m_run;
  const OfflineRequest& m_request;
  IOfflineFiles& m_files;
  RunRecord m_record;
  bool m_madeFolder = false;
  std::string m_stopped;
};

}  // namespace

std::vector<std::uint32_t> ExistingRuns(const std::filesystem::path& windows) {
  std::vector<std::uint32_t> runs;
  std::optional<std::filesystem::path> backup = FindEntryNoCase(windows, kBackupFolderName);
  if (!backup) return runs;
  std::error_code code;
  const std::string prefix = kRunFolderPrefix;
  for (std::filesystem::directory_iterator entry(*backup, code), end; !code && entry != end;
       entry.increment(code)) {
    std::string name = hive::PathText(entry->path().filename());
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 9 ||
        !SameNameNoCase(name.substr(0, prefix.size()), prefix))
      continue;
    std::string digits = name.substr(prefix.size());
    if (digits.find_first_not_of("0123456789") == std::string::npos)
      runs.push_back(static_cast<std::uint32_t>(std::stoul(digits)));
  }
  std::sort(runs.begin(), runs.end());
  return runs;
}

std::filesystem::path RunFolderOf(const std::filesystem::path& windows, std::uint32_t run) {
  std::optional<std::filesystem::path> backup = FindEntryNoCase(windows, kBackupFolderName);
  const std::string name = kRunFolderPrefix + std::to_string(run);
  std::filesystem::path base = backup ? *backup : windows / kBackupFolderName;
  std::optional<std::filesystem::path> existing =
      backup ? FindEntryNoCase(*backup, name) : std::nullopt;
  return existing ? *existing : base / name;
}

OfflineRun PrepareOfflineRun(const OfflineRequest& request, IOfflineFiles& files) {
  OfflineRun run;
  run.installation = FindInstallation(request.root);
  if (run.installation.windows.empty()) {
    run.refusal = hive::PathText(request.root) +
                  " holds no Windows folder: give the root of the Windows volume";
    return run;
  }
  for (const std::string& name : request.only) {
    if (std::none_of(run.installation.hives.begin(), run.installation.hives.end(),
                     [&](const FoundHive& hive) { return SameNameNoCase(hive.name, name); })) {
      run.unknownHive = name;
      return run;
    }
  }
  for (const FoundHive& hive : run.installation.hives) {
    if (!Selected(hive, request.only)) continue;
    run.hives.emplace_back();
    run.hives.back().hive = hive;
  }
  std::vector<std::uint32_t> runs = ExistingRuns(run.installation.windows);
  run.run = runs.empty() ? 1 : runs.back() + 1;
  run.runFolder = RunFolderOf(run.installation.windows, run.run);
  run.refusal = HibernationRefusal(request.root);
  if (run.refusal.empty() && !request.dryRun)
    run.refusal = WritableRefusal(run.installation.windows, files);
  return run;
}

void CarryOutOfflineRun(OfflineRun& run, const OfflineRequest& request, IOfflineFiles& files,
                        const std::function<void(const HiveOutcome&)>& done) {
  if (!run.refusal.empty() || !run.unknownHive.empty()) return;
  CRunner(run, request, files).Run(done);
}

}  // namespace offline
