#include "compaction/LiveDescriptors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compaction/ExclusiveFile.h"
#include "compaction/PrivilegeGuard.h"
#include "compaction/ProtectedFolders.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr wchar_t kRecordName[] = L"Live descriptors";
constexpr wchar_t kNewRecordName[] = L"Live descriptors.new";
// Tab and line feed cannot stand in a file name.
constexpr wchar_t kFieldEnd = L'\t';
constexpr wchar_t kLineEnd = L'\n';
// A record of a few hives; anything larger was not written by Kelvaro.
constexpr std::uint64_t kLargestRecord = 1024 * 1024;

struct Held {
  std::wstring copy;
  std::wstring live;
  std::vector<std::uint8_t> descriptor;
};

std::wstring TextOf(const CPathName& path) { return path.GetText().GetBuffer(); }

CPathName InKelvaroFolder(const CPathName& windowsFolder, const wchar_t* name) {
  return Combine(Combine(windowsFolder, CPathComponent(kKelvaroFolderName)), CPathComponent(name));
}

std::wstring Hex(const std::vector<std::uint8_t>& bytes) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text;
  for (std::uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0xF]);
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> FromHex(const std::wstring& text) {
  auto digit = [](wchar_t ch) -> int {
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::size_t index = 0; index < text.size(); index += 2) {
    const int high = digit(text[index]);
    const int low = digit(text[index + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

// UTF-16LE, one line a hive: copy, live file, descriptor in hex.
std::vector<std::uint8_t> Encode(const std::vector<Held>& record) {
  std::wstring text;
  for (const Held& held : record) {
    text += held.copy + kFieldEnd + held.live + kFieldEnd + Hex(held.descriptor) + kLineEnd;
  }
  std::vector<std::uint8_t> bytes;
  for (wchar_t unit : text) {
    const auto value = static_cast<std::uint16_t>(unit);
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  return bytes;
}

std::optional<std::vector<Held>> Decode(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::wstring text;
  for (std::size_t index = 0; index < bytes.size(); index += 2) {
    text.push_back(static_cast<wchar_t>(bytes[index] | (bytes[index + 1] << 8)));
  }
  std::vector<Held> record;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(kLineEnd, start);
    if (end == std::wstring::npos) return std::nullopt;
    const std::wstring line = text.substr(start, end - start);
    start = end + 1;
    const std::size_t first = line.find(kFieldEnd);
    const std::size_t second =
        first == std::wstring::npos ? first : line.find(kFieldEnd, first + 1);
    if (second == std::wstring::npos) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> descriptor = FromHex(line.substr(second + 1));
    if (!descriptor || !platform::ReadDescriptor(*descriptor)) return std::nullopt;
    record.push_back(Held{line.substr(0, first), line.substr(first + 1, second - first - 1),
                          std::move(*descriptor)});
  }
  return record;
}

// Whether anything stands at the name; nothing when the platform cannot
// tell, which is never taken for "missing".
std::optional<bool> Stands(const std::wstring& path) {
  platform::Platform& os = platform::Current();
  if (os.Files().QueryFileAttributes(path.c_str()) != platform::kInvalidFileAttributes) return true;
  const platform::Status error = os.System().GetLastError();
  if (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound) return false;
  return std::nullopt;
}

// Nothing when a record stands but cannot be read: its descriptors are not
// to be guessed.
std::optional<std::vector<Held>> ReadRecord(const CPathName& windowsFolder) {
  const CPathName file = InKelvaroFolder(windowsFolder, kRecordName);
  std::optional<bool> stands = Stands(TextOf(file));
  if (!stands) return std::nullopt;
  if (!*stands) return std::vector<Held>{};
  CExclusiveFile open(file);
  platform::FileFacts facts;
  if (!open.IsOpen() || !platform::Current().Files().QueryOpenFileFacts(open.Get(), &facts) ||
      !IsPlainFile(facts) || facts.size > kLargestRecord) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadWhole(open.Get(), facts.size, bytes)) return std::nullopt;
  return Decode(bytes);
}

// A new file renamed over the old: a crash leaves one or the other whole.
bool WriteRecord(const CPathName& windowsFolder, const std::vector<Held>& record) {
  platform::IFileSystem& files = platform::Current().Files();
  const CPathName file = InKelvaroFolder(windowsFolder, kRecordName);
  if (record.empty()) {
    return !FileExists(file) || files.RemoveFile(TextOf(file).c_str());
  }
  const CPathName fresh = InKelvaroFolder(windowsFolder, kNewRecordName);
  if (FileExists(fresh)) files.RemoveFile(TextOf(fresh).c_str());
  if (files.WriteNewFile(TextOf(fresh).c_str(), Encode(record), platform::ProtectedDescriptor()) &&
      files.MoveReplacing(TextOf(fresh).c_str(), TextOf(file).c_str())) {
    return true;
  }
  if (Stands(TextOf(fresh)) != false) files.RemoveFile(TextOf(fresh).c_str());
  return false;
}

// The live file, opened for its descriptor when it is a plain file; its
// descriptor as it stands in `now`.
bool OpenPlainForSecurity(const std::wstring& path, platform::ScopedFile& handle,
                          std::vector<std::uint8_t>& now) {
  platform::IFileSystem& files = platform::Current().Files();
  handle.Reset(files.OpenForSecurity(path.c_str()));
  platform::FileFacts facts;
  return handle.IsOpen() && files.QueryOpenFileFacts(handle.Get(), &facts) && IsPlainFile(facts) &&
         files.ReadOpenFileSecurity(handle.Get(), &now) && platform::ReadDescriptor(now);
}

// Any owner may be set only with SeRestorePrivilege on.
bool WriteDescriptor(platform::FileHandle file, const std::vector<std::uint8_t>& descriptor) {
  PrivilegeGuard restore(kRestorePrivilege);
  return restore.Enabled() && platform::Current().Files().WriteOpenFileSecurity(file, descriptor);
}

}  // namespace

bool ProtectLiveFileForSwap(const CPathName& windowsFolder, const CPathName& liveFile,
                            const CPathName& copy) {
  std::optional<std::vector<Held>> record = ReadRecord(windowsFolder);
  if (!record) return false;
  const std::wstring live = TextOf(liveFile);
  platform::ScopedFile handle(platform::Current().Files());
  std::vector<std::uint8_t> own;
  if (!OpenPlainForSecurity(live, handle, own)) return false;
  bool recorded = false;
  for (Held& held : *record) {
    if (liveFile.GetText().CompareNoCase(held.live.c_str()) != 0) continue;
    held.copy = TextOf(copy);
    recorded = true;
  }
  if (!recorded) record->push_back(Held{TextOf(copy), live, own});
  if (!WriteRecord(windowsFolder, *record)) return false;
  return WriteDescriptor(handle.Get(), platform::ProtectedDescriptor());
}

void SettleLiveDescriptors(const CPathName& windowsFolder) {
  std::optional<std::vector<Held>> record = ReadRecord(windowsFolder);
  if (!record || record->empty()) return;
  std::vector<Held> waiting;
  for (const Held& held : *record) {
    // A copy that stands, or may, still waits for its swap: the live file,
    // its backup to be, keeps the protected descriptor.
    if (Stands(held.copy) != false) {
      waiting.push_back(held);
      continue;
    }
    platform::ScopedFile handle(platform::Current().Files());
    std::vector<std::uint8_t> now;
    // Tried again at the next start.
    if (!OpenPlainForSecurity(held.live, handle, now)) {
      waiting.push_back(held);
      continue;
    }
    // A descriptor someone set since is theirs to keep.
    if (now != platform::ProtectedDescriptor()) continue;
    if (!WriteDescriptor(handle.Get(), held.descriptor)) waiting.push_back(held);
  }
  WriteRecord(windowsFolder, waiting);
}
