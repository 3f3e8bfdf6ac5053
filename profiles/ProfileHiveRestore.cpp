#include "profiles/ProfileHiveRestore.h"

#include <algorithm>
#include <optional>

#include "compaction/BackupFolder.h"
#include "compaction/CheckedCopy.h"
#include "compaction/CompareNoCaseN.h"
#include "compaction/ExclusiveFile.h"
#include "compaction/RunFolder.h"
#include "compaction/RunLock.h"
#include "compaction/RunRecordFile.h"
#include "hive/Sha256.h"
#include "platform/Platform.h"
#include "profiles/ProfileList.h"
#include "profiles/SwapFileNow.h"

namespace {

std::wstring Text(const CPathName& path) { return path.GetText().GetBuffer(); }

CPathName PathOf(const std::wstring& text) {
  CPathName path;
  path.SetPath(text.c_str());
  return path;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  const int length = static_cast<int>(std::max(a.size(), b.size()));
  return CompareNoCaseN(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size()), length) == 0;
}

// The profile a hive's name (HKU\<SID> or HKU\<SID>_Classes) belongs to is loaded now.
bool ProfileLoaded(const std::wstring& name) {
  std::wstring sid = name.substr(name.find(L'\\') + 1);
  constexpr std::wstring_view kClasses = L"_Classes";
  if (sid.size() > kClasses.size() &&
      sid.compare(sid.size() - kClasses.size(), kClasses.size(), kClasses.data()) == 0) {
    sid.resize(sid.size() - kClasses.size());
  }
  return profiles::ProfileLoaded(sid);
}

std::optional<std::vector<std::uint8_t>> ReadFileAsItStands(const CPathName& path) {
  CExclusiveFile open(path);
  platform::FileFacts facts;
  std::vector<std::uint8_t> bytes;
  if (!open.IsOpen() || !platform::Current().Files().QueryOpenFileFacts(open.Get(), &facts) ||
      !IsPlainFile(facts) || !ReadWhole(open.Get(), facts.size, bytes)) {
    return std::nullopt;
  }
  return bytes;
}

// The logs of the file being replaced go with it; the backup's come back.
void ExchangeLogs(const std::wstring& live, const std::wstring& backup,
                  const std::wstring& replaced, const std::vector<std::uint8_t>& descriptor) {
  platform::IFileSystem& files = platform::Current().Files();
  for (const wchar_t* suffix : {L".LOG1", L".LOG2"}) {
    const std::wstring log = live + suffix;
    if (files.QueryFileAttributes(log.c_str()) != platform::kInvalidFileAttributes) {
      files.MoveReplacing(log.c_str(), (replaced + suffix).c_str());
    }
    if (auto bytes = ReadFileAsItStands(PathOf(backup + suffix))) {
      files.WriteNewFile(log.c_str(), *bytes, descriptor);
    }
  }
}

ProfileRestoreResult RestoreOne(const RecordedHive& recorded, const CPathName& workFolder) {
  if (ProfileLoaded(recorded.name)) return ProfileRestoreResult::kSignedIn;
  const CPathName backup = PathOf(recorded.backupFile);
  const std::optional<std::vector<std::uint8_t>> bytes = ReadFileAsItStands(backup);
  if (!bytes) {
    const platform::Status error = platform::Current().System().GetLastError();
    return error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound
               ? ProfileRestoreResult::kNoBackup
               : ProfileRestoreResult::kRefused;
  }
  const std::string sha256 = hive::Sha256Hex(*bytes);
  if (recorded.backupSha256.empty() || sha256 != recorded.backupSha256 ||
      bytes->size() != recorded.backupSize) {
    return ProfileRestoreResult::kRefused;
  }
  const std::wstring leaf = recorded.backupFile.substr(recorded.backupFile.find_last_of(L'\\') + 1);
  const CPathName copy = Combine(workFolder, CPathComponent(leaf.c_str()));
  const CPathName replaced = Combine(workFolder, CPathComponent((leaf + L".replaced").c_str()));
  // The profile's file keeps its own descriptor; one that cannot be read is
  // not guessed at, for the user must be able to load the hive.
  std::vector<std::uint8_t> descriptor;
  if (!platform::Current().Files().ReadSecurityDescriptor(recorded.liveFile.c_str(), &descriptor) ||
      descriptor.empty() ||
      !platform::Current().Files().WriteNewFile(Text(copy).c_str(), *bytes, descriptor)) {
    return ProfileRestoreResult::kNotSaved;
  }
  // The last look: a user who signed in meanwhile keeps the profile as it is.
  if (ProfileLoaded(recorded.name)) {
    DropCopy(copy);
    return ProfileRestoreResult::kSignedIn;
  }
  const SwapNowOutcome swap =
      SwapFileNow(PathOf(recorded.liveFile), copy, replaced, descriptor, sha256);
  if (!swap.swapped) {
    DropCopy(copy);
    return swap.status == platform::kErrorSharingViolation && ProfileLoaded(recorded.name)
               ? ProfileRestoreResult::kSignedIn
               : ProfileRestoreResult::kNotAccepted;
  }
  ExchangeLogs(recorded.liveFile, recorded.backupFile, Text(replaced), descriptor);
  // The compacted file and its logs are not kept: the backup is the way back to them, too.
  for (const wchar_t* suffix : {L"", L".LOG1", L".LOG2"}) {
    DropCopy(PathOf(Text(replaced) + suffix));
  }
  return ProfileRestoreResult::kRestored;
}

}  // namespace

int ProfileRestoreOutcome::Restored() const {
  return static_cast<int>(std::count_if(hives.begin(), hives.end(), [](const auto& hive) {
    return hive.result == ProfileRestoreResult::kRestored;
  }));
}

ProfileRestoreOutcome RestoreProfileHives(int runNumber, const std::vector<std::wstring>& names) {
  ProfileRestoreOutcome outcome;
  RunLock lock;
  if (!lock.Held()) {
    outcome.stoppedAt = StoppedAt::kAnotherRun;
    outcome.runHolder = CString(lock.Holder().c_str());
    return outcome;
  }
  const std::optional<CPathName> windowsFolder = SystemWindowsFolder();
  if (!windowsFolder) {
    return StoppedBy(outcome, StoppedAt::kRunFolder, FolderProblem::kNoWindowsFolder);
  }
  // Read under the lock: no run changes it meanwhile.
  const std::optional<RunRecord> record = ReadRunRecord(*windowsFolder, runNumber);
  std::vector<RecordedHive> chosen;
  for (const std::wstring& name : names) {
    const auto found =
        record ? std::find_if(record->hives.begin(), record->hives.end(),
                              [&name](const RecordedHive& hive) {
                                return hive.MayBeSwappedNow() && SameName(hive.name, name);
                              })
               : std::vector<RecordedHive>::const_iterator{};
    if (!record || found == record->hives.end()) {
      outcome.hives.push_back({name, L"", ProfileRestoreResult::kNoBackup});
      continue;
    }
    chosen.push_back(*found);
    outcome.hives.push_back({found->name, found->liveFile, ProfileRestoreResult::kNotStarted});
  }
  if (chosen.empty()) return outcome;
  for (const CPathName& folder : {Combine(*windowsFolder, CPathComponent(kBackupFolderName)),
                                  RunBackupFolder(*windowsFolder, runNumber)}) {
    const FolderProblem problem = CheckExistingFolder(folder);
    if (problem != FolderProblem::kNone) {
      return StoppedBy(outcome, StoppedAt::kBackupFolder, problem);
    }
  }
  RunFolder work = MakeRunFolder();
  if (!work.ok()) return StoppedBy(outcome, work.stoppedAt, work.problem);
  std::size_t next = 0;
  for (RestoredProfileHive& hive : outcome.hives) {
    if (hive.file.empty()) continue;
    try {
      hive.result = RestoreOne(chosen.at(next++), work.path);
    } catch (...) {
      // Out of memory, say: the file is the backup or as it was; nothing half-done.
      hive.result = ProfileRestoreResult::kNotAccepted;
    }
  }
  RemoveRunFolder(work.path);
  return outcome;
}
