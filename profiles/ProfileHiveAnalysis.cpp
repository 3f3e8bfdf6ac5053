#include "profiles/ProfileHiveAnalysis.h"

#include <optional>

#include "catalogue/RegistryKey.h"
#include "compaction/CheckedCopy.h"
#include "compaction/CopyCheck.h"
#include "compaction/ExclusiveFile.h"
#include "compaction/PrivilegeGuard.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunFolder.h"
#include "hive/ContentDiff.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

namespace {

CPathName PathOf(const std::wstring& text) {
  CPathName path;
  path.SetPath(text.c_str());
  return path;
}

// The file's bytes as they stand, through one handle; nothing when it cannot be read.
// `descriptor`, when given, gets the file's own through the same handle (empty
// when it cannot be read).
std::optional<std::vector<std::uint8_t>> ReadAsItStands(
    const std::wstring& file, platform::FileFacts* read = nullptr,
    std::vector<std::uint8_t>* descriptor = nullptr) {
  platform::IFileSystem& files = platform::Current().Files();
  CExclusiveFile open(PathOf(file));
  platform::FileFacts facts;
  if (!open.IsOpen() || !files.QueryOpenFileFacts(open.Get(), &facts) || !IsPlainFile(facts)) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadWhole(open.Get(), facts.size, bytes)) return std::nullopt;
  if (read != nullptr) *read = facts;
  if (descriptor != nullptr && !files.ReadOpenFileSecurity(open.Get(), descriptor)) {
    descriptor->clear();
  }
  return bytes;
}

// .LOG1 and .LOG2 beside the file: Windows replays them when it loads a dirty hive.
std::vector<hive::LogInput> LogsOf(const std::wstring& file) {
  std::vector<hive::LogInput> logs;
  for (const wchar_t* suffix : {L".LOG1", L".LOG2"}) {
    const std::wstring log = file + suffix;
    if (platform::Current().Files().QueryFileAttributes(log.c_str()) ==
        platform::kInvalidFileAttributes) {
      continue;
    }
    if (auto bytes = ReadAsItStands(log)) logs.push_back({"log", std::move(*bytes)});
  }
  return logs;
}

// Saves the open key into `copy` and checks it while the hive is still loaded.
ProfileHiveResult SaveAndCheck(platform::KeyHandle key, const CPathName& copy,
                               const std::vector<std::uint8_t>& descriptor, const RunFolder& run,
                               platform::Status* saveStatus, std::uint64_t* compactSize) {
  {
    PrivilegeGuard backup(kBackupPrivilege);
    *saveStatus = backup.Enabled()
                      ? platform::Current().Registry().SaveKeyWithSecurity(
                            key, copy.GetText().GetBuffer(), descriptor, platform::kRegLatestFormat)
                      : platform::kErrorPrivilegeNotHeld;
  }
  if (*saveStatus != platform::kErrorSuccess) {
    DropCopy(copy);
    return ProfileHiveResult::kNotSaved;
  }
  const CopyVerdict verdict = CheckCompactCopy(copy, key, run.volumeSerialNumber);
  if (!verdict.accepted()) {
    DropCopy(copy);
    return ProfileHiveResult::kRefused;
  }
  *compactSize = verdict.size;
  return ProfileHiveResult::kAnalysed;
}

ProfileHiveResult LoadSaveCheck(const std::wstring& file, const CPathName& copy,
                                const RunFolder& run, const std::vector<std::uint8_t>& descriptor,
                                AnalyzedProfileHive& hive) {
  platform::IRegistry& registry = platform::Current().Registry();
  platform::KeyHandle opened = 0;
  platform::Status status = registry.LoadAppKey(file.c_str(), platform::kKeyRead, &opened);
  if (status == platform::kErrorSharingViolation) return ProfileHiveResult::kInUse;
  platform::Status saveStatus = status;
  if (status == platform::kErrorSuccess) {
    ProfileHiveResult result = ProfileHiveResult::kNotSaved;
    {
      // The last handle: when it closes, however the save ends, the private
      // hive unloads and the profile service can load the file again.
      platform::ScopedKey key(registry, opened);
      result = SaveAndCheck(key.Get(), copy, descriptor, run, &saveStatus, &hive.compactSize);
    }
    if (result != ProfileHiveResult::kNotSaved) return result;
  }
  // The private load or its save refused: the same file under HKU, for as
  // long as the save and the check take.
  const std::wstring name = L"Kelvaro-" + hive.sid;
  PrivilegeGuard backup(kBackupPrivilege);
  PrivilegeGuard restore(kRestorePrivilege);
  if (!backup.Enabled() || !restore.Enabled()) return ProfileHiveResult::kNotSaved;
  status = registry.LoadKey(platform::kHKeyUsers, name.c_str(), file.c_str());
  ProfileHiveResult result = status == platform::kErrorSharingViolation
                                 ? ProfileHiveResult::kInUse
                                 : ProfileHiveResult::kNotSaved;
  CRegistryKey probe;
  const bool present = probe.Open(platform::kHKeyUsers, name.c_str(), platform::kKeyQueryValue) ==
                       platform::kErrorSuccess;
  probe.Close();
  // A failed load may still have left the key (Wine's does): unload whatever stands there.
  if (status != platform::kErrorSuccess && !present) return result;
  hive.loadedUnderUsers = status == platform::kErrorSuccess;
  if (hive.loadedUnderUsers) {
    try {
      CRegistryKey loaded;
      if (loaded.Open(platform::kHKeyUsers, name.c_str(), platform::kKeyRead) ==
          platform::kErrorSuccess) {
        result = SaveAndCheck(loaded.Get(), copy, descriptor, run, &saveStatus, &hive.compactSize);
      }
    } catch (...) {
      // Out of memory, say: the hive goes before the failure does, or its
      // user could not sign in.
      registry.UnloadKey(platform::kHKeyUsers, name.c_str());
      throw;
    }
  }
  hive.unloadStatus = registry.UnloadKey(platform::kHKeyUsers, name.c_str());
  // Read back: an unload that reported success must have taken the key away.
  CRegistryKey stillThere;
  hive.leftLoaded = stillThere.Open(platform::kHKeyUsers, name.c_str(), platform::kKeyQueryValue) ==
                    platform::kErrorSuccess;
  return result;
}

}  // namespace

AnalyzedProfileHive CopyProfileHive(const std::wstring& sid, const std::wstring& file,
                                    const CPathName& copy, const RunFolder& run,
                                    ProfileHiveAsRead* read) {
  AnalyzedProfileHive hive;
  hive.sid = sid;
  hive.file = file;
  // Read before the load: while loaded, Windows holds the file for itself.
  platform::FileFacts facts;
  std::vector<std::uint8_t> own;
  std::optional<std::vector<std::uint8_t>> original = ReadAsItStands(file, &facts, &own);
  if (!original) {
    const bool held =
        platform::Current().System().GetLastError() == platform::kErrorSharingViolation;
    hive.result = held ? ProfileHiveResult::kInUse : ProfileHiveResult::kUnreadable;
    return hive;
  }
  hive.size = original->size();
  const std::vector<hive::LogInput> logs = LogsOf(file);
  // The file's own descriptor: the copy is saved with it, and a swap puts it
  // back. Unread, the copy gets SYSTEM's and Administrators' alone, which
  // must never reach a user's profile: the swap then leaves the file alone.
  const std::vector<std::uint8_t> descriptor = own.empty() ? DescriptorForCopy(PathOf(file)) : own;
  hive.result = LoadSaveCheck(file, copy, run, descriptor, hive);
  if (hive.result != ProfileHiveResult::kAnalysed) {
    hive.compactSize = 0;
    return hive;
  }
  // Nothing else could write the file while it was loaded: the copy must
  // hold exactly what the file (with its logs) held.
  const std::optional<std::vector<std::uint8_t>> saved = ReadAsItStands(copy.GetText().GetBuffer());
  const hive::ContentDiffResult diff =
      saved ? hive::DiffHiveContent(*original, logs, *saved, {}, 1) : hive::ContentDiffResult{};
  if (!diff.readable || diff.total != 0) {
    hive.result = ProfileHiveResult::kContentDiffers;
    hive.compactSize = 0;
    DropCopy(copy);
    return hive;
  }
  if (read == nullptr) return hive;
  // Windows may write the file as it loads or unloads it (a replayed log, the
  // base block's sequence numbers): what the swap checks and backs up is the
  // file as it stands now, provided it still holds what the copy holds.
  platform::FileFacts after;
  std::vector<std::uint8_t> ownAfter;
  std::optional<std::vector<std::uint8_t>> now = ReadAsItStands(file, &after, &ownAfter);
  const bool held =
      !now && platform::Current().System().GetLastError() == platform::kErrorSharingViolation;
  if (now && (after.lastWriteTime != facts.lastWriteTime || *now != *original)) {
    const hive::ContentDiffResult same = hive::DiffHiveContent(*now, LogsOf(file), *saved, {}, 1);
    if (!same.readable || same.total != 0) now.reset();
  }
  if (!now) {
    hive.result = held ? ProfileHiveResult::kInUse : ProfileHiveResult::kChanged;
    hive.compactSize = 0;
    DropCopy(copy);
    return hive;
  }
  *read = ProfileHiveAsRead{std::move(*now), after, ownAfter};
  return hive;
}

namespace {

AnalyzedProfileHive Analyze(const std::wstring& sid, const std::wstring& file,
                            const std::wstring& copyName, const RunFolder& run) {
  const CPathName copy = Combine(run.path, CPathComponent(copyName.c_str()));
  AnalyzedProfileHive hive = CopyProfileHive(sid, file, copy, run, nullptr);
  if (hive.result == ProfileHiveResult::kAnalysed) DropCopy(copy);
  return hive;
}

}  // namespace

ProfileAnalysisOutcome AnalyzeProfileHives(const std::vector<profiles::UserProfile>& profiles) {
  ProfileAnalysisOutcome outcome;
  std::vector<const profiles::UserProfile*> chosen;
  for (const profiles::UserProfile& profile : profiles) {
    if (profile.judgement.verdict == profiles::ProfileVerdict::kWouldCompact) {
      chosen.push_back(&profile);
    }
  }
  if (chosen.empty()) return outcome;
  RunFolder run = MakeRunFolder();
  if (!run.ok()) {
    outcome.stoppedAt = run.stoppedAt;
    outcome.folderProblem = run.problem;
    return outcome;
  }
  for (const profiles::UserProfile* profile : chosen) {
    outcome.hives.push_back(
        Analyze(profile->sid, profile->userHive.path, profile->sid + L"-NTUSER.DAT", run));
    if (profile->classesHive.size) {
      outcome.hives.push_back(
          Analyze(profile->sid, profile->classesHive.path, profile->sid + L"-UsrClass.dat", run));
    }
  }
  RemoveRunFolder(run.path);
  return outcome;
}
