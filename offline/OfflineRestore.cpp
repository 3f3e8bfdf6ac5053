#include "offline/OfflineRestore.h"

#include "hive/FileBytes.h"
#include "hive/LogFiles.h"
#include "offline/NameMatch.h"
#include "offline/OfflineRun.h"
#include "offline/RunRecord.h"
#include "hive/Sha256.h"

#include <system_error>

namespace offline {

namespace {

constexpr char kRestoreSuffix[] = ".kelvaro-restore";

// The SHA-256 of a file, or "" when it cannot be read.
std::string HashOf(IOfflineFiles& files, const std::filesystem::path& file) {
  std::error_code code;
  if (!std::filesystem::exists(std::filesystem::symlink_status(file, code))) return {};
  std::vector<std::uint8_t> bytes;
  std::string error;
  return files.Read(file, bytes, error) ? hive::Sha256Hex(bytes) : std::string();
}

bool Exists(const std::filesystem::path& file) {
  std::error_code code;
  return std::filesystem::exists(std::filesystem::symlink_status(file, code));
}

class CRestorer {
 public:
  CRestorer(OfflineRestore& restore, RunRecord& record, const std::filesystem::path& root,
            IOfflineFiles& files)
      : m_restore(restore), m_record(record), m_root(root), m_files(files) {}

  void Run() {
    for (RecordedHive& hive : m_record.hives) {
      RestoredHive outcome;
      outcome.name = hive.name;
      if (!m_stopped.empty()) {
        outcome.message = m_stopped;
      } else {
        Restore(hive, outcome);
      }
      m_restore.hives.push_back(outcome);
    }
  }

 private:
  bool Save(std::string& error) {
    return SaveRecord(m_files, m_restore.runFolder, m_record, error);
  }

  // The hive's old logs beside it again, each one that is not there already.
  bool PutLogsBack(const RecordedHive& hive, const std::filesystem::path& folder,
                   const std::filesystem::path& kept, std::vector<std::filesystem::path>& placed,
                   std::string& error) {
    for (const RecordedFile& log : hive.logs) {
      std::filesystem::path target = folder / PathFromUtf8(log.name);
      if (HashOf(m_files, target) == log.sha256) continue;
      if (!m_files.Copy(kept / PathFromUtf8(log.name), target, error) ||
          !m_files.CopyPermissions(kept / PathFromUtf8(log.name), target, error))
        return false;
      placed.push_back(target);
      if (HashOf(m_files, target) != log.sha256) {
        error = hive::PathText(target) + " does not read back as its backup";
        return false;
      }
    }
    return true;
  }

  void Restore(RecordedHive& hive, RestoredHive& outcome) {
    const std::filesystem::path live = m_root / PathFromUtf8(hive.live);
    const std::filesystem::path folder = live.parent_path();
    const std::filesystem::path kept = m_restore.runFolder / PathFromUtf8(hive.folder);
    std::string error;

    // Files of this run's own making left beside the hive by an interruption.
    std::filesystem::path staged = folder / PathFromUtf8(hive.staged);
    if (Exists(staged) && HashOf(m_files, staged) == hive.compact.sha256)
      m_files.Remove(staged, error);

    // A run that stopped before this hive's swap left nothing to put back.
    const bool oldInPlace = HashOf(m_files, live) == hive.old.sha256;
    if (oldInPlace) {
      bool logsInPlace = true;
      for (const RecordedFile& log : hive.logs)
        logsInPlace = logsInPlace && HashOf(m_files, folder / PathFromUtf8(log.name)) == log.sha256;
      if (logsInPlace) {
        outcome.result = RestoreResult::AlreadyOld;
        return;
      }
    }

    // Only what the record vouches for is put back.
    if (HashOf(m_files, kept / PathFromUtf8(hive.old.name)) != hive.old.sha256) {
      outcome.result = RestoreResult::Refused;
      outcome.message = "its backup is missing or not the file the run took away";
      return;
    }
    for (const RecordedFile& log : hive.logs) {
      if (HashOf(m_files, kept / PathFromUtf8(log.name)) != log.sha256) {
        outcome.result = RestoreResult::Refused;
        outcome.message = "the backup of " + log.name + " is missing or changed";
        return;
      }
    }

    std::vector<std::filesystem::path> placed;
    hive.state = HiveState::Restoring;
    if (!Save(error)) return Stop(outcome, error);

    // What lies there now is kept, in a folder of its own.
    std::filesystem::path replaced;
    for (int i = 1; replaced.empty() || Exists(replaced); ++i)
      replaced = kept / ("replaced-" + std::to_string(i));
    if (!m_files.MakeFolder(replaced, error)) return Fail(outcome, error, {}, {});
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> displaced;
    for (const std::filesystem::path& log : hive::FindLogsBeside(live)) {
      bool isOld = false;
      for (const RecordedFile& old : hive.logs)
        isOld = isOld || (SameNameNoCase(hive::PathText(log.filename()), old.name) &&
                          HashOf(m_files, log) == old.sha256);
      if (isOld) continue;
      std::filesystem::path to = replaced / log.filename();
      if (!m_files.Rename(log, to, error)) return Fail(outcome, error, displaced, placed);
      displaced.emplace_back(log, to);
    }
    if (!PutLogsBack(hive, folder, kept, placed, error))
      return Fail(outcome, error, displaced, placed);

    if (!oldInPlace) {
      std::filesystem::path restoring = live;
      restoring += kRestoreSuffix;
      if (Exists(restoring)) m_files.Remove(restoring, error);
      const std::filesystem::path backup = kept / PathFromUtf8(hive.old.name);
      // A copy, not a second link: Windows writes into a hive file in place,
      // and the backup must stay as it is.
      if (!m_files.Copy(backup, restoring, error) ||
          !m_files.CopyPermissions(backup, restoring, error) ||
          HashOf(m_files, restoring) != hive.old.sha256) {
        if (error.empty()) error = hive::PathText(restoring) + " does not read back as its backup";
        placed.push_back(restoring);
        return Fail(outcome, error, displaced, placed);
      }
      std::string linkError;
      if (Exists(live) && !m_files.Link(live, replaced / live.filename(), linkError) &&
          !m_files.Copy(live, replaced / live.filename(), error)) {
        placed.push_back(restoring);
        return Fail(outcome, error, displaced, placed);
      }
      if (!m_files.Rename(restoring, live, error)) {
        placed.push_back(restoring);
        return Fail(outcome, error, displaced, placed);
      }
    }
    outcome.result = RestoreResult::Restored;
    hive.state = HiveState::Restored;
    if (!Save(error)) Stop(outcome, error);
  }

  // Undoes the restore's steps for this hive, last first: the hive stays as it was.
  void Fail(RestoredHive& outcome, const std::string& error,
            const std::vector<std::pair<std::filesystem::path, std::filesystem::path>>& displaced,
            const std::vector<std::filesystem::path>& placed) {
    std::string ignored;
    for (auto file = placed.rbegin(); file != placed.rend(); ++file) m_files.Remove(*file, ignored);
    for (auto move = displaced.rbegin(); move != displaced.rend(); ++move)
      m_files.Rename(move->second, move->first, ignored);
    outcome.result = RestoreResult::Failed;
    outcome.message = error;
  }

  void Stop(RestoredHive& outcome, const std::string& error) {
    m_stopped = "not done: the record could not be written (" + error + ")";
    if (outcome.result != RestoreResult::Restored) outcome.result = RestoreResult::Failed;
    outcome.message = m_stopped;
  }

  OfflineRestore& m_restore;
  RunRecord& m_record;
  std::filesystem::path m_root;
  IOfflineFiles& m_files;
  std::string m_stopped;
};

}  // namespace

OfflineRestore RestoreOfflineRun(const std::filesystem::path& root,
                                 std::optional<std::uint32_t> run, IOfflineFiles& files) {
  OfflineRestore restore;
  std::optional<std::filesystem::path> windows = FindEntryNoCase(root, "Windows");
  if (!windows) {
    restore.problem = hive::PathText(root) + " holds no Windows folder";
    return restore;
  }
  std::vector<std::uint32_t> runs = ExistingRuns(*windows);
  if (!run && runs.empty()) {
    restore.problem =
        "no off-line run is on record in " + hive::PathText(*windows / kBackupFolderName);
    return restore;
  }
  restore.run = run ? *run : runs.back();
  restore.runFolder = RunFolderOf(*windows, restore.run);
  std::string error;
  std::optional<RunRecord> record = LoadRecord(restore.runFolder, error);
  if (!record) {
    restore.problem = "run " + std::to_string(restore.run) + ": " + error;
    return restore;
  }
  CRestorer(restore, *record, root, files).Run();
  return restore;
}

}  // namespace offline
