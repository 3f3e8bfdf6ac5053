#include "path/FileOperations.h"

#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

namespace {

constexpr std::uint32_t kTempPathBufferLength = 1024;

platform::IFileSystem& Files() { return platform::Current().Files(); }

// The entry's attribute bits, or kInvalidFileAttributes. An empty path has no
// text to hand over and names nothing.
std::uint32_t AttributesOf(const CPathString& text) {
  if (text.IsEmpty()) return platform::kInvalidFileAttributes;
  return Files().QueryFileAttributes(text.GetBuffer());
}

bool IsFolder(std::uint32_t attributes) {
  return attributes != platform::kInvalidFileAttributes &&
         (attributes & platform::kFileAttributeDirectory) != 0;
}

bool IsFile(std::uint32_t attributes) {
  return attributes != platform::kInvalidFileAttributes &&
         (attributes & platform::kFileAttributeDirectory) == 0;
}

}  // namespace

bool FolderExists(const CPathName& path) { return IsFolder(AttributesOf(path.GetText())); }

bool FileExists(const CPathName& path) { return IsFile(AttributesOf(path.GetText())); }

void ClearReadOnly(const CPathName& path) {
  CPathString text = path.GetText();
  std::uint32_t attributes = AttributesOf(text);
  if (!IsFile(attributes) || (attributes & platform::kFileAttributeReadOnly) == 0) return;
  Files().ChangeFileAttributes(text.GetBuffer(), attributes & ~platform::kFileAttributeReadOnly);
}

bool GetFileSize(const CPathName& path, std::uint64_t& size) {
  size = 0;
  CPathString text = path.GetText();
  if (text.IsEmpty()) return false;
  platform::FindData found;
  platform::ScopedFind search(Files(), Files().FindFirst(text.GetBuffer(), &found));
  if (!search.IsOpen()) return false;
  size = (std::uint64_t{found.fileSizeHigh} << 32) + found.fileSizeLow;
  return true;
}

CPathName GetTempFolder() {
  wchar_t buffer[kTempPathBufferLength] = {};
  Files().QueryTempPath(kTempPathBufferLength, buffer);
  // A failed or too short call leaves the buffer as it was: empty, or cut here.
  buffer[kTempPathBufferLength - 1] = L'\0';
  CPathName folder;
  folder.SetPath(buffer);
  return folder;
}

bool CreateFolderChain(const CPathName& path) {
  const std::uint32_t count = path.GetComponentCount();
  if (count == 0) return false;

  CPathName working;
  std::uint32_t first = 0;
  if (path.IsUnc()) {
    working = path.GetUncRoot();
    if (working.IsEmpty()) return false;
    first = 2;
  } else if (path.HasDrive()) {
    // The drive root, also for the drive-relative C:x.
    working.Append(path.GetDriveComponent());
    first = 1;
  } else if (path.IsRooted()) {
    // \Temp\x: folders under the current drive's root, not the working folder.
    working = path;
    working.RemoveComponents();
  }
  if (count == first) return FolderExists(working);

  for (std::uint32_t index = first; index < count; ++index) {
    CPathComponent component = path.GetComponent(index);
    const bool aboveRoot =
        working.IsEmpty() && working.IsRooted() && component.GetText().CompareNoCase(kDotDot) == 0;
    if (aboveRoot) throw CPathException(CPathException::badCombine);
    working.Append(component);
    // Back at the start of the chain (a\..\b): the root or the working folder
    // is there already and is never created.
    if (working.IsEmpty()) continue;
    if (FolderExists(working)) continue;
    CPathString text = working.GetText();
    if (!platform::Current().Files().MakeDirectory(text.GetBuffer())) return false;
  }
  return true;
}
