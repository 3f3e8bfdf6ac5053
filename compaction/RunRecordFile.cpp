#include "compaction/RunRecordFile.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "catalogue/AsciiFold.h"
#include "compaction/BackupFolder.h"
#include "compaction/ExclusiveFile.h"
#include "compaction/ProtectedFolders.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr int kMaxRecordNumber = 100000;
constexpr wchar_t kRecordSuffix[] = L".record";
constexpr wchar_t kNewSuffix[] = L".new";
// Far beyond any run's (a few hundred bytes a hive): more is not ours.
constexpr std::uint64_t kMaxRecordBytes = 1024 * 1024;

// Only ever inside the protected records folder.
void RemoveLeftover(const CPathName& file) {
  if (!FileExists(file)) return;
  ClearReadOnly(file);
  platform::Current().Files().RemoveFile(file.GetText().GetBuffer());
}

}  // namespace

CPathName RecordsFolderIn(const CPathName& windowsFolder) {
  const CPathName kelvaro = Combine(windowsFolder, CPathComponent(kKelvaroFolderName));
  return Combine(kelvaro, CPathComponent(kRecordsFolderName));
}

namespace {

CPathName RecordPath(const CPathName& recordsFolder, int number) {
  const std::wstring name = kRunFolderPrefix + std::to_wstring(number) + kRecordSuffix;
  return Combine(recordsFolder, CPathComponent(name.c_str()));
}

// The number in a name "Run-<n><suffix>" as this program makes them
// ("Run-12.record", in any case); 0 for any other name, so that a name
// written another way (a leading zero, say) is never taken for one it is not.
int RunNumberOf(std::wstring_view name, std::wstring_view suffix) {
  const std::wstring_view prefix = kRunFolderPrefix;
  if (name.size() <= prefix.size() + suffix.size() || !StartsWithAsciiNoCase(name, prefix) ||
      CompareAsciiNoCase(name.substr(name.size() - suffix.size()), suffix) != 0) {
    return 0;
  }
  const std::wstring_view digits =
      name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  if (digits.front() == L'0' || digits.size() > 6) return 0;
  int number = 0;
  for (wchar_t digit : digits) {
    if (digit < L'0' || digit > L'9') return 0;
    number = number * 10 + (digit - L'0');
  }
  return number <= kMaxRecordNumber ? number : 0;
}

// Every number named "Run-<n><suffix>" in `folder`, by files (or, with
// `folders`, by folders), lowest first, whatever gaps deletions left. None
// for a folder that is not there; nothing when it cannot be searched.
std::optional<std::vector<int>> RunNumbersIn(const CPathName& folder, std::wstring_view suffix,
                                             bool folders) {
  platform::Platform& os = platform::Current();
  const std::wstring pattern = std::wstring(folder.GetText().GetBuffer()) + L"\\" +
                               kRunFolderPrefix + L"*" + std::wstring(suffix);
  std::vector<int> numbers;
  platform::FindData found;
  platform::ScopedFind search(os.Files(), os.Files().FindFirst(pattern.c_str(), &found));
  if (!search.IsOpen()) {
    const platform::Status error = os.System().GetLastError();
    if (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound) {
      return numbers;
    }
    return std::nullopt;
  }
  do {
    const int number = RunNumberOf(found.fileName, suffix);
    const bool isFolder = (found.attributes & platform::kFileAttributeDirectory) != 0;
    if (number != 0 && isFolder == folders) numbers.push_back(number);
  } while (os.Files().FindNext(search.Get(), &found));
  if (os.System().GetLastError() != platform::kErrorNoMoreFiles) return std::nullopt;
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace

std::string UtcTimeText(const platform::UtcTime& time) {
  char text[48] = {};
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", unsigned{time.year},
                unsigned{time.month}, unsigned{time.day}, unsigned{time.hour},
                unsigned{time.minute}, unsigned{time.second});
  return text;
}

std::optional<CPathName> StartRunRecord(const CPathName& windowsFolder, RunRecord& record) {
  ProtectedFolder folder = EnsureProtectedFolder(RecordsFolderIn(windowsFolder));
  if (!folder.ok()) return std::nullopt;
  platform::Platform& os = platform::Current();
  // After the highest on record, and after the highest backup folder: a
  // number whose record was deleted is not given again while a later record
  // or its backups are kept (a run stops at a backup folder it did not make).
  const std::optional<std::vector<int>> records = RunNumbersIn(folder.path, kRecordSuffix, false);
  const std::optional<std::vector<int>> backups =
      RunNumbersIn(Combine(windowsFolder, CPathComponent(kBackupFolderName)), L"", true);
  if (!records || !backups) return std::nullopt;
  const int after =
      std::max(records->empty() ? 0 : records->back(), backups->empty() ? 0 : backups->back());
  for (int number = after + 1; number <= kMaxRecordNumber; ++number) {
    const CPathName path = RecordPath(folder.path, number);
    if (os.Files().QueryFileAttributes(path.GetText().GetBuffer()) !=
        platform::kInvalidFileAttributes) {
      continue;
    }
    record.number = number;
    // A new file only: a name taken since the look is passed over, never reused.
    if (os.Files().WriteNewFile(path.GetText().GetBuffer(), RunRecordText(record),
                                platform::ProtectedDescriptor())) {
      return path;
    }
    if (os.System().GetLastError() != platform::kErrorFileExists) return std::nullopt;
  }
  return std::nullopt;
}

bool UpdateRunRecord(const CPathName& recordFile, const RunRecord& record) {
  CPathString newText = recordFile.GetText();
  newText.Append(kNewSuffix);
  CPathName newFile;
  if (!newFile.SetPath(newText.GetBuffer())) return false;
  // A crash between the write and the rename leaves one behind.
  RemoveLeftover(newFile);
  platform::IFileSystem& files = platform::Current().Files();
  if (!files.WriteNewFile(newText.GetBuffer(), RunRecordText(record),
                          platform::ProtectedDescriptor())) {
    return false;
  }
  if (files.MoveReplacing(newText.GetBuffer(), recordFile.GetText().GetBuffer())) return true;
  files.RemoveFile(newText.GetBuffer());
  return false;
}

CPathName RunRecordPath(const CPathName& windowsFolder, int number) {
  return RecordPath(RecordsFolderIn(windowsFolder), number);
}

std::vector<int> RunsOnRecord(const CPathName& windowsFolder) {
  const CPathName folder = RecordsFolderIn(windowsFolder);
  platform::IFileSystem& files = platform::Current().Files();
  if (files.QueryFileAttributes(folder.GetText().GetBuffer()) == platform::kInvalidFileAttributes ||
      CheckExistingFolder(folder) != FolderProblem::kNone) {
    return {};
  }
  return RunNumbersIn(folder, kRecordSuffix, false).value_or(std::vector<int>());
}

std::optional<RunRecord> ReadRunRecord(const CPathName& windowsFolder, int number) {
  const CPathName folder = RecordsFolderIn(windowsFolder);
  if (CheckExistingFolder(folder) != FolderProblem::kNone) return std::nullopt;
  CExclusiveFile file(RecordPath(folder, number));
  if (!file.IsOpen()) return std::nullopt;
  platform::FileFacts facts;
  std::vector<std::uint8_t> bytes;
  if (!platform::Current().Files().QueryOpenFileFacts(file.Get(), &facts) || !IsPlainFile(facts) ||
      facts.size > kMaxRecordBytes || !ReadWhole(file.Get(), facts.size, bytes)) {
    return std::nullopt;
  }
  std::optional<RunRecord> record = ParseRunRecord(bytes);
  if (!record || record->number != number) return std::nullopt;
  return record;
}
