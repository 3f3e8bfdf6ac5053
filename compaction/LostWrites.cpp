#include "compaction/LostWrites.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecordFile.h"
#include "compaction/RunReference.h"
#include "hive/ContentDiff.h"
#include "hive/Names.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"

namespace {

const char* KindWords(LostWriteKind kind) {
  switch (kind) {
    case LostWriteKind::kKeyAdded: return "key added";
    case LostWriteKind::kKeyDeleted: return "key deleted";
    case LostWriteKind::kKeyChanged: return "key's flags changed";
    case LostWriteKind::kClassNameChanged: return "class name changed";
    case LostWriteKind::kSecurityChanged: return "security descriptor changed";
    case LostWriteKind::kValueAdded: return "added";
    case LostWriteKind::kValueDeleted: return "deleted";
    case LostWriteKind::kValueChanged: return "changed";
  }
  return "changed";
}

bool IsValueKind(LostWriteKind kind) {
  return kind == LostWriteKind::kValueAdded || kind == LostWriteKind::kValueDeleted ||
         kind == LostWriteKind::kValueChanged;
}

// The diff's first side is the reference, its second the backup: what only
// the backup has was written after the save.
std::optional<LostWriteKind> KindOf(hive::DifferenceKind kind) {
  using hive::DifferenceKind;
  switch (kind) {
    case DifferenceKind::kBaseBlock:
    case DifferenceKind::kLastWritten: return std::nullopt;
    case DifferenceKind::kKeyFields: return LostWriteKind::kKeyChanged;
    case DifferenceKind::kClassName: return LostWriteKind::kClassNameChanged;
    case DifferenceKind::kSecurity: return LostWriteKind::kSecurityChanged;
    case DifferenceKind::kValueFields: return LostWriteKind::kValueChanged;
    case DifferenceKind::kValueOnlyFirst: return LostWriteKind::kValueDeleted;
    case DifferenceKind::kValueOnlySecond: return LostWriteKind::kValueAdded;
    case DifferenceKind::kKeyOnlyFirst: return LostWriteKind::kKeyDeleted;
    case DifferenceKind::kKeyOnlySecond: return LostWriteKind::kKeyAdded;
  }
  return std::nullopt;
}

// "ROOT\A\B" => "HKLM\SYSTEM\A\B": the saved root key's name is Windows'
// own choice and means nothing to the reader.
std::string UserPath(const std::string& hiveName, const std::string& diffPath) {
  const std::size_t cut = diffPath.find('\\');
  return cut == std::string::npos ? hiveName : hiveName + diffPath.substr(cut);
}

std::string Utf8(const std::wstring& text) { return hive::ToUtf8(hive::FromWide(text)); }

std::optional<CPathName> PathOf(const std::wstring& text) {
  CPathName path;
  if (text.empty() || !path.SetPath(text.c_str())) return std::nullopt;
  return path;
}

std::uint64_t SizeNow(const std::wstring& file) {
  platform::FileFacts facts;
  if (!platform::Current().Files().QueryFileFacts(file.c_str(), &facts)) return 0;
  return facts.size;
}

HiveLostWrites Compare(const CPathName& recordFile, const RecordedHive& recorded) {
  HiveLostWrites hive;
  hive.name = recorded.name;
  hive.copySize = recorded.copySize;
  hive.liveFile = recorded.liveFile;
  hive.backupFile = recorded.backupFile;
  hive.liveSizeNow = SizeNow(recorded.liveFile);

  std::optional<CPathName> backupFile = PathOf(recorded.backupFile);
  if (!backupFile || !FileExists(*backupFile)) {
    // The old file moves to the backup's name only at the swap.
    hive.check = hive.liveSizeNow != recorded.copySize ? LostWriteCheck::kRestartPending
                                                       : LostWriteCheck::kNoBackup;
    return hive;
  }
  ReferenceBytes reference = ReadReference(recordFile, recorded.name, recorded.copySha256);
  switch (reference.state) {
    case ReferenceState::kRead: break;
    case ReferenceState::kMissing: hive.check = LostWriteCheck::kNoReference; return hive;
    case ReferenceState::kMismatch: hive.check = LostWriteCheck::kReferenceRefused; return hive;
    case ReferenceState::kUnreadable:
      hive.check = LostWriteCheck::kUnreadable;
      hive.error = "the copy kept at the save cannot be read";
      return hive;
  }
  std::optional<std::vector<std::uint8_t>> backup = ReadPlainFile(*backupFile);
  if (!backup) {
    hive.check = LostWriteCheck::kUnreadable;
    hive.error = "the previous file cannot be read";
    return hive;
  }
  LostWriteDiff diff = FindLostWrites(recorded.name, reference.bytes, *backup);
  if (!diff.readable) {
    hive.check = LostWriteCheck::kUnreadable;
    hive.error = diff.error;
    return hive;
  }
  hive.writes = std::move(diff.writes);
  return hive;
}

}  // namespace

std::string LostWriteLine(const LostWrite& write) {
  if (IsValueKind(write.kind)) {
    // The unnamed value is the one regedit shows as "(Default)".
    const std::string value = write.value.empty() ? "default value" : "value '" + write.value + "'";
    return write.key + ": " + value + " " + KindWords(write.kind);
  }
  return write.key + ": " + KindWords(write.kind);
}

LostWriteDiff FindLostWrites(const std::wstring& hiveName,
                             const std::vector<std::uint8_t>& reference,
                             const std::vector<std::uint8_t>& backup) {
  LostWriteDiff found;
  hive::ContentDiffResult diff = hive::DiffHiveContent(reference, backup, 0);
  if (!diff.readable) {
    found.error = diff.error;
    return found;
  }
  found.readable = true;
  const std::string name = Utf8(hiveName);
  std::set<std::tuple<std::string, LostWriteKind, std::string>> seen;
  for (const hive::ContentDifference& difference : diff.differences) {
    std::optional<LostWriteKind> kind = KindOf(difference.kind);
    if (!kind) continue;
    LostWrite write{*kind, UserPath(name, difference.path),
                    IsValueKind(*kind) ? difference.value : std::string()};
    if (!seen.insert({write.key, write.kind, write.value}).second) continue;
    found.writes.push_back(std::move(write));
  }
  return found;
}

std::size_t LostWriteReport::LostCount() const {
  std::size_t count = 0;
  for (const HiveLostWrites& hive : hives) count += hive.writes.size();
  return count;
}

namespace {

// The records folder and its parent pass the protected-folder checks, or
// nothing in them is believed.
std::vector<int> BelievedRuns(const CPathName& windowsFolder) {
  const CPathName kelvaro = Combine(windowsFolder, CPathComponent(kKelvaroFolderName));
  if (CheckExistingFolder(kelvaro) != FolderProblem::kNone) return {};
  return RunsOnRecord(windowsFolder);
}

}  // namespace

std::optional<CPathName> NewestRunRecord(const CPathName& windowsFolder) {
  const std::vector<int> runs = BelievedRuns(windowsFolder);
  if (runs.empty()) return std::nullopt;
  return RunRecordPath(windowsFolder, runs.back());
}

std::optional<int> RunToReview(const CPathName& windowsFolder) {
  const std::vector<int> runs = BelievedRuns(windowsFolder);
  if (runs.empty()) return std::nullopt;
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    const std::optional<RunRecord> record = ReadRunRecord(windowsFolder, *run);
    if (record && std::any_of(record->hives.begin(), record->hives.end(),
                              [](const RecordedHive& hive) { return hive.MaySwap(); })) {
      return *run;
    }
  }
  return runs.back();
}

std::optional<LostWriteReport> ReportLostWrites(const CPathName& recordFile) {
  std::optional<std::vector<std::uint8_t>> text = ReadPlainFile(recordFile);
  if (!text) return std::nullopt;
  std::optional<RunRecord> record = ParseRunRecord(*text);
  if (!record) return std::nullopt;
  LostWriteReport report;
  report.run = record->number;
  report.started = record->started;
  for (const RecordedHive& hive : record->hives) {
    if (hive.MaySwap()) report.hives.push_back(Compare(recordFile, hive));
  }
  return report;
}

std::wstring LostWritesSentence(std::size_t count) {
  return std::to_wstring(count) +
         L" changes made after the copy was taken are not in the compacted hive";
}
