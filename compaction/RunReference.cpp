#include "compaction/RunReference.h"

#include "catalogue/HiveFileName.h"
#include "compaction/ExclusiveFile.h"
#include "compaction/ProtectedFolders.h"
#include "hive/Sha256.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr wchar_t kRecordSuffix[] = L".record";
constexpr wchar_t kNewSuffix[] = L".new";

std::optional<CPathName> ReferenceFolderOf(const CPathName& recordFile) {
  const CPathString text = recordFile.GetText();
  if (text.GetBuffer() == nullptr) return std::nullopt;
  const std::wstring whole = text.GetBuffer();
  const std::wstring suffix = kRecordSuffix;
  if (whole.size() <= suffix.size() ||
      whole.compare(whole.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return std::nullopt;
  }
  CPathName folder;
  if (!folder.SetPath(whole.substr(0, whole.size() - suffix.size()).c_str())) return std::nullopt;
  return folder;
}

// Only ever inside the protected folder of references.
void RemoveIfThere(const CPathName& file) {
  if (!FileExists(file)) return;
  ClearReadOnly(file);
  platform::Current().Files().RemoveFile(file.GetText().GetBuffer());
}

}  // namespace

std::optional<CPathName> ReferenceFileOf(const CPathName& recordFile,
                                         const std::wstring& hiveName) {
  std::optional<CPathName> folder = ReferenceFolderOf(recordFile);
  std::optional<CPathComponent> name = HiveFileName(CString(hiveName.c_str()));
  if (!folder || !name) return std::nullopt;
  return Combine(*folder, *name);
}

std::optional<std::vector<std::uint8_t>> ReadPlainFile(const CPathName& file) {
  CExclusiveFile open(file);
  if (!open.IsOpen()) return std::nullopt;
  platform::FileFacts facts;
  if (!platform::Current().Files().QueryOpenFileFacts(open.Get(), &facts) || !IsPlainFile(facts)) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadWhole(open.Get(), facts.size, bytes)) return std::nullopt;
  return bytes;
}

bool KeepReference(const CPathName& recordFile, const std::wstring& hiveName, const CPathName& copy,
                   const std::string& copySha256) {
  std::optional<CPathName> folder = ReferenceFolderOf(recordFile);
  std::optional<CPathName> target = ReferenceFileOf(recordFile, hiveName);
  if (!folder || !target || copySha256.empty()) return false;
  // Read again, not taken from the check: what is kept must be the bytes
  // that stand in the file Windows will boot from.
  std::optional<std::vector<std::uint8_t>> bytes = ReadPlainFile(copy);
  if (!bytes || hive::Sha256Hex(*bytes) != copySha256) return false;
  if (!EnsureProtectedFolder(*folder).ok()) return false;

  CPathString newText = target->GetText();
  newText.Append(kNewSuffix);
  CPathName newFile;
  if (!newFile.SetPath(newText.GetBuffer())) return false;
  RemoveIfThere(newFile);
  platform::IFileSystem& files = platform::Current().Files();
  if (!files.WriteNewFile(newText.GetBuffer(), *bytes, platform::ProtectedDescriptor())) {
    return false;
  }
  if (files.MoveReplacing(newText.GetBuffer(), target->GetText().GetBuffer())) return true;
  files.RemoveFile(newText.GetBuffer());
  return false;
}

void DropReference(const CPathName& recordFile, const std::wstring& hiveName) {
  if (std::optional<CPathName> target = ReferenceFileOf(recordFile, hiveName)) {
    RemoveIfThere(*target);
  }
}

void DropReferences(const CPathName& recordFile, const std::vector<std::wstring>& hiveNames) {
  for (const std::wstring& name : hiveNames) DropReference(recordFile, name);
  if (std::optional<CPathName> folder = ReferenceFolderOf(recordFile)) {
    platform::Current().Files().RemoveEmptyDirectory(folder->GetText().GetBuffer());
  }
}

ReferenceBytes ReadReference(const CPathName& recordFile, const std::wstring& hiveName,
                             const std::string& copySha256) {
  ReferenceBytes reference;
  std::optional<CPathName> file = ReferenceFileOf(recordFile, hiveName);
  if (!file || !FileExists(*file)) return reference;
  std::optional<std::vector<std::uint8_t>> bytes = ReadPlainFile(*file);
  if (!bytes) {
    reference.state = ReferenceState::kUnreadable;
    return reference;
  }
  if (copySha256.empty() || hive::Sha256Hex(*bytes) != copySha256) {
    reference.state = ReferenceState::kMismatch;
    return reference;
  }
  reference.state = ReferenceState::kRead;
  reference.bytes = std::move(*bytes);
  return reference;
}
