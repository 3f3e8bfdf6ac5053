#include "compaction/RunRecordFile.h"

#include <cstdio>

#include "compaction/ExclusiveFile.h"
#include "compaction/ProtectedFolders.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
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
  for (int number = 1; number <= kMaxRecordNumber; ++number) {
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
  std::vector<int> numbers;
  const CPathName folder = RecordsFolderIn(windowsFolder);
  platform::IFileSystem& files = platform::Current().Files();
  if (files.QueryFileAttributes(folder.GetText().GetBuffer()) == platform::kInvalidFileAttributes ||
      CheckExistingFolder(folder) != FolderProblem::kNone) {
    return numbers;
  }
  for (int number = 1; number <= kMaxRecordNumber; ++number) {
    const CPathName path = RecordPath(folder, number);
    if (files.QueryFileAttributes(path.GetText().GetBuffer()) == platform::kInvalidFileAttributes) {
      break;
    }
    numbers.push_back(number);
  }
  return numbers;
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
