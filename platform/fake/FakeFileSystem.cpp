#include "platform/fake/FakeFileSystem.h"

#include <algorithm>
#include <cwchar>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "platform/fake/CaseFold.h"

namespace platform::fake {

namespace {

std::wstring ParentOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// ReplaceFileW's merge: the replaced file's DACL, the replacement's owner.
DescriptorBytes WithOwnerOf(const DescriptorBytes& ownerFrom, const DescriptorBytes& daclFrom) {
  const std::optional<DescriptorFacts> owner = ReadDescriptor(ownerFrom);
  const std::optional<DescriptorFacts> dacl = ReadDescriptor(daclFrom);
  if (!owner || !owner->owner || !dacl) return daclFrom;
  if (dacl->owner == owner->owner) return daclFrom;
  return MakeDescriptor(*owner->owner, *owner->owner, dacl->allowed, true);
}

// Attribute bits SetFileAttributesW can change; the rest belong to the system.
constexpr std::uint32_t kSettableAttributes =
    kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeSystem | kFileAttributeArchive |
    kFileAttributeTemporary | kFileAttributeOffline | kFileAttributeNotContentIndexed;

// The word GetFileAttributesW reports: a folder always has its directory bit; a
// file with no other bit reads FILE_ATTRIBUTE_NORMAL.
std::uint32_t ReportedAttributes(std::uint32_t requested, bool folder) {
  std::uint32_t kept = requested & kSettableAttributes;
  if (folder) return kept | kFileAttributeDirectory;
  return kept != 0 ? kept : kFileAttributeNormal;
}

// NTFS keeps a folder's names in the order of their upper-cased code units.
constexpr wchar_t UpperCase(wchar_t ch) {
  if (ch >= L'a' && ch <= L'z') return static_cast<wchar_t>(ch - 32);
  if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7) return static_cast<wchar_t>(ch - 32);
  return ch;
}

// A folder's entries in the order a search meets them.
std::vector<const FakeEntry*> InSearchOrder(const FakeEntry& folder) {
  std::vector<const FakeEntry*> ordered;
  for (const auto& child : folder.children) ordered.push_back(child.get());
  std::sort(ordered.begin(), ordered.end(), [](const FakeEntry* a, const FakeEntry* b) {
    return std::lexicographical_compare(
        a->name.begin(), a->name.end(), b->name.begin(), b->name.end(),
        [](wchar_t x, wchar_t y) { return UpperCase(x) < UpperCase(y); });
  });
  return ordered;
}

bool HasWildcards(std::wstring_view name) {
  return name.find_first_of(L"*?") != std::wstring_view::npos;
}

// Characters Windows refuses in a name (the wildcards only outside a search).
bool IsValidName(std::wstring_view name, bool wildcards) {
  for (wchar_t ch : name) {
    if (ch < 0x20) return false;
    if (std::wcschr(L"<>:\"|/\\", ch) != nullptr) return false;
    if (!wildcards && (ch == L'*' || ch == L'?')) return false;
  }
  return true;
}

// * matches any run of characters, ? exactly one; letters compare folded.
bool MatchesPattern(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*.*") pattern = L"*";
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starAt = std::wstring_view::npos;
  std::size_t resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == L'?' || (pattern[p] != L'*' && FoldCase(pattern[p]) == FoldCase(name[n])))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt != std::wstring_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

std::vector<std::wstring> SplitNames(std::wstring_view text) {
  std::vector<std::wstring> names;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\\', start);
    if (end == std::wstring_view::npos) end = text.size();
    if (end > start) names.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// The next name of `rest` (after any backslashes), taken off its front.
std::wstring TakeName(std::wstring_view& rest) {
  std::size_t begin = rest.find_first_not_of(L'\\');
  if (begin == std::wstring_view::npos) {
    rest = {};
    return {};
  }
  std::size_t end = std::min(rest.find(L'\\', begin), rest.size());
  std::wstring name(rest.substr(begin, end - begin));
  rest.remove_prefix(end);
  return name;
}

bool IsDriveLetter(wchar_t ch) { return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z'); }

// C:\... or \\server\share...: a text that needs no current folder.
bool IsFullPath(const std::wstring& path) {
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') return true;
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
}

std::string Printable(const std::wstring& text) {
  std::string printable;
  for (wchar_t ch : text)
    printable.push_back(ch >= 0x20 && ch < 0x7F ? static_cast<char>(ch) : '?');
  return printable;
}

DescriptorBytes RootFolderDescriptor() {
  // Every signed-in user may make folders in a drive's root.
  return MakeDescriptor(AdministratorsSid(), AdministratorsSid(),
                        {{LocalSystemSid(), kFileAllAccess, kObjectAndContainerInherit},
                         {AdministratorsSid(), kFileAllAccess, kObjectAndContainerInherit},
                         {AuthenticatedUsersSid(), 0x1301BF, kObjectAndContainerInherit},
                         {UsersSid(), kFileGenericRead, kObjectAndContainerInherit}},
                        false);
}

const SidBytes& InteractiveUserSid() {
  static const SidBytes sid = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0,    0, 1, 0,
                               0, 0, 2, 0, 0, 0, 3, 0, 0,  0, 0xE9, 3, 0, 0};
  return sid;
}

[[noreturn]] void RefuseSetUp(const char* why, const std::wstring& path) {
  throw std::invalid_argument(std::string("FakeFileSystem: ") + why + ": " + Printable(path));
}

}  // namespace

std::vector<SidBytes> InteractiveUserSids() {
  return {InteractiveUserSid(), EveryoneSid(), AuthenticatedUsersSid(), UsersSid()};
}

DescriptorBytes WindowsFolderDescriptor() {
  return MakeDescriptor(LocalSystemSid(), LocalSystemSid(),
                        {{LocalSystemSid(), kFileAllAccess, kObjectAndContainerInherit},
                         {AdministratorsSid(), kFileAllAccess, kObjectAndContainerInherit},
                         {UsersSid(), kFileGenericRead, kObjectAndContainerInherit}},
                        false);
}

DescriptorBytes UserFolderDescriptor() {
  return MakeDescriptor(InteractiveUserSid(), InteractiveUserSid(),
                        {{LocalSystemSid(), kFileAllAccess, kObjectAndContainerInherit},
                         {AdministratorsSid(), kFileAllAccess, kObjectAndContainerInherit},
                         {InteractiveUserSid(), kFileAllAccess, kObjectAndContainerInherit}},
                        false);
}

// A path text reduced to its root and the names below it.
struct FakeFileSystem::ResolvedPath {
  std::wstring root;  // "C:" or "\\server\share"
  std::vector<std::wstring> names;
  bool trailingBackslash = false;
};

// Where a resolved path leads: its root, the folder holding its last name and
// the entry itself when it exists. For a root, `parent` is null and `entry` the root.
struct FakeFileSystem::Location {
  FakeEntry* root = nullptr;
  FakeEntry* parent = nullptr;
  FakeEntry* entry = nullptr;
};

FakeEntry* FakeEntry::FindChild(const std::wstring& childName) const {
  for (const auto& child : children) {
    if (EqualFolded(child->name, childName)) return child.get();
  }
  return nullptr;
}

FakeFileSystem::FakeFileSystem(FaultPlan& faults, FakeSystem& system)
    : m_faults(faults), m_system(system) {
  AddDrive(L'C');
  AddFolder(m_system.windowsDirectory);
  SetSecurity(m_system.windowsDirectory, WindowsFolderDescriptor());
  AddFolder(tempPath);
  SetSecurity(L"C:\\Users\\Admin", UserFolderDescriptor());
}

FakeFileSystem::~FakeFileSystem() = default;

bool FakeFileSystem::Fail(Status error) {
  m_system.SetLastError(error);
  return false;
}

Status FakeFileSystem::Resolve(const wchar_t* text, bool wildcardsInLast,
                               ResolvedPath& resolved) const {
  if (text == nullptr || *text == L'\0') return kErrorPathNotFound;
  std::wstring path(text);
  std::replace(path.begin(), path.end(), L'/', L'\\');

  ResolvedPath start;
  std::wstring_view rest(path);
  auto startFromCurrent = [&](bool rootOnly) {
    // Only a full current folder is resolved (so this never recurses); any
    // other setting counts as C:\.
    if (!IsFullPath(currentDirectory) ||
        Resolve(currentDirectory.c_str(), false, start) != kErrorSuccess) {
      start = ResolvedPath{L"C:", {}, false};
    }
    if (rootOnly) start.names.clear();
  };

  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    rest.remove_prefix(2);
    std::wstring server = TakeName(rest);
    std::wstring share = TakeName(rest);
    if (server.empty() || share.empty()) return kErrorBadPathname;
    if (!IsValidName(server, false) || !IsValidName(share, false)) return kErrorInvalidName;
    start.root = L"\\\\" + server + L"\\" + share;
  } else if (path.size() >= 2 && path[1] == L':' && IsDriveLetter(path[0])) {
    wchar_t letter = UpperCase(path[0]);
    if (path.size() >= 3 && path[2] == L'\\') {
      start.root = std::wstring{letter, L':'};
    } else {
      // C:x is relative to the current folder when that is on C:, else to C:\.
      startFromCurrent(false);
      if (!EqualFolded(start.root, std::wstring{letter, L':'})) {
        start = ResolvedPath{std::wstring{letter, L':'}, {}, false};
      }
    }
    rest = rest.substr(2);
  } else if (path[0] == L'\\') {
    startFromCurrent(true);
  } else {
    startFromCurrent(false);
  }

  resolved.root = start.root;
  resolved.names = start.names;
  resolved.trailingBackslash = !rest.empty() && rest.back() == L'\\';
  for (std::wstring& name : SplitNames(rest)) {
    if (name == L".") continue;
    if (name == L"..") {
      if (!resolved.names.empty()) resolved.names.pop_back();
      continue;
    }
    resolved.names.push_back(std::move(name));
  }
  for (std::size_t i = 0; i < resolved.names.size(); ++i) {
    bool last = i + 1 == resolved.names.size();
    if (!IsValidName(resolved.names[i], wildcardsInLast && last)) return kErrorInvalidName;
  }
  return kErrorSuccess;
}

FakeEntry* FakeFileSystem::RootNamed(const std::wstring& name) const {
  for (const auto& root : m_roots) {
    if (EqualFolded(root->name, name)) return root.get();
  }
  return nullptr;
}

Status FakeFileSystem::Locate(const ResolvedPath& resolved, Location& location) const {
  location = Location{};
  location.root = RootNamed(resolved.root);
  if (location.root == nullptr) {
    return resolved.root.size() > 2 ? kErrorBadNetPath : kErrorPathNotFound;
  }
  if (resolved.names.empty()) {
    location.entry = location.root;
    return kErrorSuccess;
  }
  FakeEntry* folder = location.root;
  for (std::size_t i = 0; i + 1 < resolved.names.size(); ++i) {
    folder = Followed(folder->FindChild(resolved.names[i]), 0);
    if (folder == nullptr || !folder->IsFolder()) return kErrorPathNotFound;
  }
  location.parent = folder;
  location.entry = folder->FindChild(resolved.names.back());
  return kErrorSuccess;
}

std::uint32_t FakeFileSystem::QueryFileAttributes(const wchar_t* path) {
  if (auto error = m_faults.Check("GetFileAttributesW")) {
    Fail(*error);
    return kInvalidFileAttributes;
  }
  Location location;
  if (Status status = LocateAsNamed(path, location)) {
    Fail(status);
    return kInvalidFileAttributes;
  }
  return location.entry->attributes;
}

bool FakeFileSystem::QueryAttributesAndSize(const wchar_t* path, std::uint32_t* attributes,
                                            std::uint64_t* size) {
  if (auto error = m_faults.Check("GetFileAttributesExW")) return Fail(*error);
  if (attributes == nullptr || size == nullptr) return Fail(kErrorInvalidParameter);
  Location location;
  if (Status status = LocateAsNamed(path, location)) return Fail(status);
  *attributes = location.entry->attributes;
  *size = location.entry->IsFolder() ? 0 : location.entry->size;
  return true;
}

bool FakeFileSystem::ChangeFileAttributes(const wchar_t* path, std::uint32_t attributes) {
  if (auto error = m_faults.Check("SetFileAttributesW")) return Fail(*error);
  Location location;
  if (Status status = LocateEntry(path, location)) return Fail(status);
  location.entry->attributes = ReportedAttributes(attributes, location.entry->IsFolder()) |
                               (location.entry->attributes & kFileAttributeReparsePoint);
  return true;
}

bool FakeFileSystem::MakeDirectory(const wchar_t* path) {
  if (auto error = m_faults.Check("CreateDirectoryW")) return Fail(*error);
  ResolvedPath resolved;
  Location location;
  if (Status status = LocateNew(path, kErrorAlreadyExists, resolved, location)) return Fail(status);
  NewChild(*location.parent, resolved.names.back(), kFileAttributeDirectory);
  return true;
}

namespace {
void RemoveChild(FakeEntry& parent, const FakeEntry* child) {
  auto& children = parent.children;
  children.erase(std::remove_if(children.begin(), children.end(),
                                [child](const auto& each) { return each.get() == child; }),
                 children.end());
}
}  // namespace

bool FakeFileSystem::RemoveEmptyDirectory(const wchar_t* path) {
  if (auto error = m_faults.Check("RemoveDirectoryW")) return Fail(*error);
  ResolvedPath resolved;
  Location location;
  Status status = Resolve(path, false, resolved);
  if (status == kErrorSuccess) status = Locate(resolved, location);
  if (status != kErrorSuccess) return Fail(status);
  if (location.parent == nullptr) return Fail(kErrorAccessDenied);
  FakeEntry* folder = location.entry;
  if (folder == nullptr) return Fail(kErrorFileNotFound);
  if (!folder->IsFolder()) return Fail(kErrorDirectory);
  if (!folder->children.empty()) return Fail(kErrorDirNotEmpty);
  if ((folder->attributes & kFileAttributeReadOnly) != 0) return Fail(kErrorAccessDenied);
  RemoveChild(*location.parent, folder);
  return true;
}

bool FakeFileSystem::RemoveFile(const wchar_t* path) {
  if (auto error = m_faults.Check("DeleteFileW")) return Fail(*error);
  ResolvedPath resolved;
  Location location;
  Status status = Resolve(path, false, resolved);
  if (status == kErrorSuccess) status = Locate(resolved, location);
  if (status != kErrorSuccess) return Fail(status);
  FakeEntry* file = location.entry;
  if (file == nullptr) return Fail(kErrorFileNotFound);
  if (location.parent == nullptr || file->IsFolder()) return Fail(kErrorAccessDenied);
  if ((file->attributes & kFileAttributeReadOnly) != 0) return Fail(kErrorAccessDenied);
  if (IsLocked(file->fileIndex)) return Fail(kErrorSharingViolation);
  RemoveChild(*location.parent, file);
  return true;
}

FindHandle FakeFileSystem::FindFirst(const wchar_t* pattern, FindData* data) {
  auto fail = [this](Status error) {
    Fail(error);
    return kInvalidFindHandle;
  };
  if (auto error = m_faults.Check("FindFirstFileW")) return fail(*error);
  if (data == nullptr) return fail(kErrorInvalidParameter);
  ResolvedPath resolved;
  Location location;
  Status status = Resolve(pattern, true, resolved);
  if (status == kErrorSuccess) status = Locate(resolved, location);
  if (status != kErrorSuccess) return fail(status);
  // A root has no name to find, nor has a pattern ending in a backslash.
  if (location.parent == nullptr || resolved.trailingBackslash) return fail(kErrorFileNotFound);

  const std::wstring& wanted = resolved.names.back();
  std::vector<FindData> found;
  auto add = [&found](const FakeEntry& entry, const std::wstring& name) {
    FindData item;
    item.attributes = entry.attributes;
    item.fileSizeHigh = entry.IsFolder() ? 0 : static_cast<std::uint32_t>(entry.size >> 32);
    item.fileSizeLow = entry.IsFolder() ? 0 : static_cast<std::uint32_t>(entry.size);
    item.fileName = name;
    found.push_back(item);
  };
  if (!HasWildcards(wanted)) {
    if (location.entry != nullptr) add(*location.entry, location.entry->name);
  } else {
    if (location.parent != location.root) {
      for (const wchar_t* dots : {L".", L".."})
        if (MatchesPattern(wanted, dots)) add(*location.parent, dots);
    }
    for (const FakeEntry* candidate : InSearchOrder(*location.parent))
      if (MatchesPattern(wanted, candidate->name)) add(*candidate, candidate->name);
  }
  if (found.empty()) return fail(kErrorFileNotFound);

  *data = found.front();
  found.erase(found.begin());
  FindHandle handle = m_nextSearch;
  m_nextSearch += 4;
  m_openSearches[handle] = std::move(found);
  return handle;
}

bool FakeFileSystem::FindNext(FindHandle handle, FindData* data) {
  if (auto error = m_faults.Check("FindNextFileW")) return Fail(*error);
  auto search = m_openSearches.find(handle);
  if (search == m_openSearches.end()) return Fail(kErrorInvalidHandle);
  if (data == nullptr) return Fail(kErrorInvalidParameter);
  if (search->second.empty()) return Fail(kErrorNoMoreFiles);
  *data = search->second.front();
  search->second.erase(search->second.begin());
  return true;
}

bool FakeFileSystem::FindClose(FindHandle handle) {
  if (auto error = m_faults.Check("FindClose")) return Fail(*error);
  if (m_openSearches.erase(handle) == 0) return Fail(kErrorInvalidHandle);
  return true;
}

std::uint32_t FakeFileSystem::QueryTempPath(std::uint32_t size, wchar_t* buffer) {
  if (auto error = m_faults.Check("GetTempPathW")) {
    Fail(*error);
    return 0;
  }
  auto length = static_cast<std::uint32_t>(tempPath.size());
  if (buffer == nullptr || size <= length) return length + 1;
  std::wmemcpy(buffer, tempPath.c_str(), length + 1);
  return length;
}

// Set-up and inspection.

void FakeFileSystem::AddDrive(wchar_t letter) {
  std::wstring name{UpperCase(letter), L':'};
  if (RootNamed(name) != nullptr) return;
  auto root = std::make_unique<FakeEntry>();
  root->name = name;
  root->attributes = kFileAttributeDirectory;
  root->security = RootFolderDescriptor();
  root->fileIndex = m_nextFileIndex++;
  m_roots.push_back(std::move(root));
}

void FakeFileSystem::AddShare(const std::wstring& server, const std::wstring& share) {
  std::wstring name = L"\\\\" + server + L"\\" + share;
  if (server.empty() || share.empty() || !IsValidName(server, false) ||
      !IsValidName(share, false)) {
    RefuseSetUp("invalid share", name);
  }
  if (RootNamed(name) != nullptr) return;
  auto root = std::make_unique<FakeEntry>();
  root->name = name;
  root->attributes = kFileAttributeDirectory;
  root->security = RootFolderDescriptor();
  root->fileIndex = m_nextFileIndex++;
  m_roots.push_back(std::move(root));
}

FakeEntry& FakeFileSystem::EnsureFolders(const std::wstring& path, std::size_t levels) {
  ResolvedPath resolved;
  if (Resolve(path.c_str(), false, resolved) != kErrorSuccess) RefuseSetUp("invalid path", path);
  FakeEntry* folder = RootNamed(resolved.root);
  if (folder == nullptr) RefuseSetUp("no such drive or share", path);
  for (std::size_t i = 0; i < levels && i < resolved.names.size(); ++i) {
    FakeEntry* next = Followed(folder->FindChild(resolved.names[i]), 0);
    if (next == nullptr) {
      next = &NewChild(*folder, resolved.names[i], kFileAttributeDirectory);
    } else if (!next->IsFolder()) {
      RefuseSetUp("a file stands where a folder must be", path);
    }
    folder = next;
  }
  return *folder;
}

void FakeFileSystem::AddFolder(const std::wstring& path) {
  EnsureFolders(path, static_cast<std::size_t>(-1));
}

FakeEntry& FakeFileSystem::PutFile(const std::wstring& path, std::uint32_t attributes) {
  ResolvedPath resolved;
  if (Resolve(path.c_str(), false, resolved) != kErrorSuccess || resolved.names.empty()) {
    RefuseSetUp("invalid file path", path);
  }
  FakeEntry& parent = EnsureFolders(path, resolved.names.size() - 1);
  FakeEntry* file = parent.FindChild(resolved.names.back());
  if (file == nullptr) {
    file = &NewChild(parent, resolved.names.back(), 0);
  } else if (file->IsFolder()) {
    RefuseSetUp("a folder stands where the file must be", path);
  }
  file->attributes = ReportedAttributes(attributes, false);
  file->content.clear();
  file->linkTarget.clear();
  return *file;
}

void FakeFileSystem::AddFile(const std::wstring& path, std::uint64_t size,
                             std::uint32_t attributes) {
  PutFile(path, attributes).size = size;
}

void FakeFileSystem::WriteFile(const std::wstring& path, std::vector<std::uint8_t> content,
                               std::uint32_t attributes) {
  FakeEntry& file = PutFile(path, attributes);
  file.size = content.size();
  file.content = std::move(content);
  file.lastWriteTime = ++m_clock;
}

FakeFileSystem::Location FakeFileSystem::LocateForSetUp(const std::wstring& path) const {
  ResolvedPath resolved;
  Location location;
  if (Resolve(path.c_str(), false, resolved) != kErrorSuccess ||
      Locate(resolved, location) != kErrorSuccess) {
    location = Location{};
  }
  return location;
}

std::optional<std::vector<std::uint8_t>> FakeFileSystem::ReadFile(const std::wstring& path) const {
  const FakeEntry* file = LocateForSetUp(path).entry;
  if (file == nullptr || file->IsFolder()) return std::nullopt;
  return file->content;
}

bool FakeFileSystem::Exists(const std::wstring& path) const {
  return LocateForSetUp(path).entry != nullptr;
}

std::uint32_t FakeFileSystem::AttributesOf(const std::wstring& path) const {
  const FakeEntry* entry = LocateForSetUp(path).entry;
  return entry != nullptr ? entry->attributes : kInvalidFileAttributes;
}

std::optional<std::uint64_t> FakeFileSystem::SizeOf(const std::wstring& path) const {
  const FakeEntry* entry = LocateForSetUp(path).entry;
  if (entry == nullptr) return std::nullopt;
  return entry->size;
}

Status FakeFileSystem::Move(const std::wstring& from, const std::wstring& to,
                            bool replaceExisting) {
  ResolvedPath source;
  ResolvedPath target;
  Location sourceAt;
  Location targetAt;
  Status status = Resolve(from.c_str(), false, source);
  if (status == kErrorSuccess) status = Locate(source, sourceAt);
  if (status != kErrorSuccess) return status;
  if (sourceAt.entry == nullptr) return kErrorFileNotFound;
  if (sourceAt.parent == nullptr) return kErrorAccessDenied;
  status = Resolve(to.c_str(), false, target);
  if (status == kErrorSuccess) status = Locate(target, targetAt);
  if (status != kErrorSuccess) return status;
  if (targetAt.parent == nullptr) return kErrorAccessDenied;
  if (sourceAt.root != targetAt.root) return kErrorNotSameDevice;
  // A folder cannot move into itself or below itself.
  if (target.names.size() > source.names.size() &&
      std::equal(source.names.begin(), source.names.end(), target.names.begin(), EqualFolded)) {
    return kErrorAccessDenied;
  }
  FakeEntry* moving = sourceAt.entry;
  if (IsLocked(moving->fileIndex)) return kErrorSharingViolation;
  FakeEntry* existing = targetAt.entry;
  if (existing != nullptr && existing != moving) {
    if (!replaceExisting) return kErrorAlreadyExists;
    if (existing->IsFolder() || moving->IsFolder()) return kErrorAccessDenied;
    if ((existing->attributes & kFileAttributeReadOnly) != 0) return kErrorAccessDenied;
    // Held open without delete sharing, as an exclusive open holds it.
    if (IsLocked(existing->fileIndex)) return kErrorSharingViolation;
    RemoveChild(*targetAt.parent, existing);
  }
  auto& siblings = sourceAt.parent->children;
  auto owned = std::find_if(siblings.begin(), siblings.end(),
                            [moving](const auto& each) { return each.get() == moving; });
  std::unique_ptr<FakeEntry> detached = std::move(*owned);
  siblings.erase(owned);
  detached->name = target.names.back();
  targetAt.parent->children.push_back(std::move(detached));
  return kErrorSuccess;
}

bool FakeFileSystem::Remove(const std::wstring& path) {
  Location location = LocateForSetUp(path);
  if (location.entry == nullptr || location.parent == nullptr) return false;
  RemoveChild(*location.parent, location.entry);
  return true;
}

std::vector<FakeEntryInfo> FakeFileSystem::List(const std::wstring& folder) const {
  const FakeEntry* entry = LocateForSetUp(folder).entry;
  if (entry == nullptr || !entry->IsFolder()) RefuseSetUp("no such folder", folder);
  std::vector<FakeEntryInfo> listing;
  for (const FakeEntry* child : InSearchOrder(*entry)) {
    listing.push_back(FakeEntryInfo{child->name, child->attributes, child->size});
  }
  return listing;
}

// Security, links and exclusive handles.

FakeEntry& FakeFileSystem::NewChild(FakeEntry& parent, const std::wstring& name,
                                    std::uint32_t attributes) {
  auto created = std::make_unique<FakeEntry>();
  created->name = name;
  created->attributes = attributes;
  created->security = parent.security;
  created->fileIndex = m_nextFileIndex++;
  FakeEntry& child = *created;
  parent.children.push_back(std::move(created));
  return child;
}

// A junction met above a path's last name leads on to its target.
FakeEntry* FakeFileSystem::Followed(FakeEntry* entry, int depth) const {
  constexpr int kMaxLinkDepth = 8;
  if (entry == nullptr || (entry->attributes & kFileAttributeReparsePoint) == 0 ||
      entry->linkTarget.empty()) {
    return entry;
  }
  if (depth >= kMaxLinkDepth) return nullptr;
  return Followed(LocateForSetUp(entry->linkTarget).entry, depth + 1);
}

Status FakeFileSystem::LocateEntry(const wchar_t* path, Location& location) const {
  ResolvedPath resolved;
  Status status = Resolve(path, false, resolved);
  if (status == kErrorSuccess) status = Locate(resolved, location);
  if (status == kErrorSuccess && location.entry == nullptr) status = kErrorFileNotFound;
  return status;
}

Status FakeFileSystem::LocateAsNamed(const wchar_t* path, Location& location) const {
  ResolvedPath resolved;
  Status status = Resolve(path, false, resolved);
  if (status == kErrorSuccess) status = Locate(resolved, location);
  if (status == kErrorSuccess && location.entry == nullptr) status = kErrorFileNotFound;
  if (status == kErrorSuccess && resolved.trailingBackslash && !location.entry->IsFolder()) {
    status = kErrorInvalidName;  // a file named as if it were a folder
  }
  return status;
}

Status FakeFileSystem::LocateNew(const wchar_t* path, Status existsError, ResolvedPath& resolved,
                                 Location& location) const {
  Status status = Resolve(path, false, resolved);
  if (status == kErrorSuccess) status = Locate(resolved, location);
  if (status != kErrorSuccess) return status;
  if (location.parent == nullptr) return kErrorAccessDenied;  // a root
  if (location.entry != nullptr) return existsError;
  return kErrorSuccess;
}

FileFacts FakeFileSystem::FactsOf(const Location& location) const {
  FileFacts facts;
  facts.attributes = location.entry->attributes;
  facts.linkCount = location.entry->linkCount;
  facts.size = location.entry->IsFolder() ? 0 : location.entry->size;
  facts.fileIndex = location.entry->fileIndex;
  facts.lastWriteTime = location.entry->lastWriteTime;
  for (std::size_t index = 0; index < m_roots.size(); ++index) {
    if (m_roots[index].get() == location.root) {
      facts.volumeSerialNumber = 0x1000 + static_cast<std::uint32_t>(index);
    }
  }
  return facts;
}

bool FakeFileSystem::IsLocked(std::uint64_t fileIndex) const {
  if (heldBySystem.count(fileIndex) != 0) return true;
  for (const auto& [handle, open] : m_openFiles) {
    if (open.fileIndex == fileIndex && !open.sharesAll) return true;
  }
  return false;
}

FakeEntry* FakeFileSystem::EntryWithIndex(std::uint64_t fileIndex) const {
  std::vector<FakeEntry*> pending;
  for (const auto& root : m_roots) pending.push_back(root.get());
  while (!pending.empty()) {
    FakeEntry* entry = pending.back();
    pending.pop_back();
    if (entry->fileIndex == fileIndex) return entry;
    for (const auto& child : entry->children) pending.push_back(child.get());
  }
  return nullptr;
}

bool FakeFileSystem::MakeDirectoryWithSecurity(const wchar_t* path,
                                               const std::vector<std::uint8_t>& descriptor) {
  if (auto error = m_faults.Check("CreateDirectoryW")) return Fail(*error);
  ResolvedPath resolved;
  Location location;
  if (Status status = LocateNew(path, kErrorAlreadyExists, resolved, location)) return Fail(status);
  if (!ReadDescriptor(descriptor)) return Fail(kErrorInvalidParameter);
  NewChild(*location.parent, resolved.names.back(), kFileAttributeDirectory).security = descriptor;
  return true;
}

bool FakeFileSystem::ReadSecurityDescriptor(const wchar_t* path,
                                            std::vector<std::uint8_t>* descriptor) {
  if (auto error = m_faults.Check("GetKernelObjectSecurity")) return Fail(*error);
  Location location;
  if (Status status = LocateEntry(path, location)) return Fail(status);
  *descriptor = location.entry->security;
  return true;
}

bool FakeFileSystem::QueryFileFacts(const wchar_t* path, FileFacts* facts) {
  if (auto error = m_faults.Check("GetFileInformationByHandle(path)")) return Fail(*error);
  Location location;
  if (Status status = LocateEntry(path, location)) return Fail(status);
  *facts = FactsOf(location);
  return true;
}

FileHandle FakeFileSystem::OpenFileExclusive(const wchar_t* path) {
  auto fail = [this](Status error) {
    Fail(error);
    return kInvalidFileHandle;
  };
  if (auto error = m_faults.Check("CreateFileW")) return fail(*error);
  Location location;
  if (Status status = LocateEntry(path, location)) return fail(status);
  if (location.entry->IsFolder()) return fail(kErrorAccessDenied);
  const std::uint64_t index = location.entry->fileIndex;
  // Readers sharing read agree; a writer does not.
  if (hostileWriters.count(index) != 0 || heldBySystem.count(index) != 0) {
    return fail(kErrorSharingViolation);
  }
  FileHandle handle = m_nextFile;
  m_nextFile += 4;
  // A link opened as itself reads as empty: it holds no data of its target.
  std::vector<std::uint8_t> content;
  if (location.entry->linkTarget.empty()) content = location.entry->content;
  m_openFiles.emplace(handle, OpenFile{index, FactsOf(location), std::move(content), 0});
  return handle;
}

FileHandle FakeFileSystem::OpenForSecurity(const wchar_t* path) {
  if (auto error = m_faults.Check("CreateFileW")) {
    Fail(*error);
    return kInvalidFileHandle;
  }
  Location location;
  if (Status status = LocateEntry(path, location)) {
    Fail(status);
    return kInvalidFileHandle;
  }
  FileHandle handle = m_nextFile;
  m_nextFile += 4;
  OpenFile open{location.entry->fileIndex, FactsOf(location), {}, 0};
  open.sharesAll = true;
  m_openFiles.emplace(handle, std::move(open));
  return handle;
}

bool FakeFileSystem::ReadOpenFileSecurity(FileHandle file, std::vector<std::uint8_t>* descriptor) {
  if (auto error = m_faults.Check("GetKernelObjectSecurity")) return Fail(*error);
  auto found = m_openFiles.find(file);
  FakeEntry* entry = found == m_openFiles.end() ? nullptr : EntryWithIndex(found->second.fileIndex);
  if (entry == nullptr) return Fail(kErrorInvalidHandle);
  *descriptor = entry->security;
  return true;
}

bool FakeFileSystem::WriteOpenFileSecurity(FileHandle file,
                                           const std::vector<std::uint8_t>& descriptor) {
  if (auto error = m_faults.Check("SetKernelObjectSecurity")) return Fail(*error);
  auto found = m_openFiles.find(file);
  FakeEntry* entry = found == m_openFiles.end() ? nullptr : EntryWithIndex(found->second.fileIndex);
  if (entry == nullptr || !found->second.sharesAll) return Fail(kErrorInvalidHandle);
  if (!ReadDescriptor(descriptor)) return Fail(kErrorInvalidParameter);
  entry->security = descriptor;
  return true;
}

bool FakeFileSystem::QueryOpenFileFacts(FileHandle file, FileFacts* facts) {
  if (auto error = m_faults.Check("GetFileInformationByHandle")) return Fail(*error);
  auto found = m_openFiles.find(file);
  if (found == m_openFiles.end()) return Fail(kErrorInvalidHandle);
  *facts = found->second.facts;
  return true;
}

bool FakeFileSystem::ReadFromFile(FileHandle file, std::uint8_t* buffer, std::uint32_t size,
                                  std::uint32_t* read) {
  if (auto error = m_faults.Check("ReadFile")) return Fail(*error);
  auto found = m_openFiles.find(file);
  if (found == m_openFiles.end() || read == nullptr) return Fail(kErrorInvalidHandle);
  OpenFile& open = found->second;
  std::size_t count = std::min<std::size_t>(size, open.content.size() - open.position);
  std::copy_n(open.content.begin() + static_cast<std::ptrdiff_t>(open.position), count, buffer);
  open.position += count;
  *read = static_cast<std::uint32_t>(count);
  return true;
}

bool FakeFileSystem::RewindFile(FileHandle file) {
  if (auto error = m_faults.Check("SetFilePointerEx")) return Fail(*error);
  auto found = m_openFiles.find(file);
  if (found == m_openFiles.end()) return Fail(kErrorInvalidHandle);
  found->second.position = 0;
  return true;
}

bool FakeFileSystem::CloseFile(FileHandle file) {
  if (auto error = m_faults.Check("CloseHandle")) return Fail(*error);
  if (m_openFiles.erase(file) == 0) return Fail(kErrorInvalidHandle);
  return true;
}

bool FakeFileSystem::DeleteAtRestart(const wchar_t* path) {
  if (auto error = m_faults.Check("MoveFileExW")) return Fail(*error);
  Location location;
  if (Status status = LocateEntry(path, location)) return Fail(status);
  deletionsAtRestart.push_back(path);
  return true;
}

bool FakeFileSystem::MoveReplacing(const wchar_t* from, const wchar_t* to) {
  if (auto error = m_faults.Check("MoveFileExW(replace)")) return Fail(*error);
  if (from == nullptr || to == nullptr) return Fail(kErrorInvalidParameter);
  if (Status status = Move(from, to, true)) return Fail(status);
  return true;
}

Status FakeFileSystem::ReplaceKeepingBackup(const wchar_t* replaced, const wchar_t* replacement,
                                            const wchar_t* backup) {
  const std::optional<Status> injected = m_faults.Check("ReplaceFileW");
  if (injected && *injected != kErrorUnableToMoveReplacement2) return *injected;
  if (replaced == nullptr || replacement == nullptr || backup == nullptr) {
    return kErrorInvalidParameter;
  }
  Location target = LocateForSetUp(replaced);
  Location source = LocateForSetUp(replacement);
  if (target.entry == nullptr || source.entry == nullptr) return kErrorFileNotFound;
  if (target.entry->IsFolder() || source.entry->IsFolder()) return kErrorAccessDenied;
  if (target.root != source.root || target.root != LocateForSetUp(ParentOf(backup)).root) {
    return kErrorNotSameDevice;
  }
  if (IsLocked(target.entry->fileIndex) || IsLocked(source.entry->fileIndex)) {
    return kErrorSharingViolation;
  }
  if (Exists(backup)) return kErrorAlreadyExists;
  if (injected) {
    Move(replaced, backup);
    return *injected;
  }
  FakeEntry& incoming = *source.entry;
  incoming.attributes = target.entry->attributes;
  incoming.security = WithOwnerOf(incoming.security, target.entry->security);
  if (Status status = Move(replaced, backup)) return status;
  if (Status status = Move(replacement, replaced)) {
    Move(backup, replaced);
    return status;
  }
  return kErrorSuccess;
}

bool FakeFileSystem::WriteNewFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                                  const std::vector<std::uint8_t>& descriptor) {
  if (auto error = m_faults.Check("CreateFileW(new)")) return Fail(*error);
  ResolvedPath resolved;
  Location location;
  if (Status status = LocateNew(path, kErrorFileExists, resolved, location)) return Fail(status);
  FakeEntry& file = NewChild(*location.parent, resolved.names.back(), kFileAttributeArchive);
  file.content = bytes;
  file.size = bytes.size();
  file.lastWriteTime = ++m_clock;
  if (!descriptor.empty()) file.security = descriptor;
  return true;
}

bool FakeFileSystem::AppendToFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                                  const std::vector<std::uint8_t>& descriptor) {
  if (auto error = m_faults.Check("CreateFileW(append)")) return Fail(*error);
  ResolvedPath resolved;
  Location location;
  Status status = LocateNew(path, kErrorAlreadyExists, resolved, location);
  if (status == kErrorAlreadyExists) {
    FakeEntry& file = *location.entry;
    if (file.IsFolder()) return Fail(kErrorAccessDenied);
    if (!file.linkTarget.empty() || (file.attributes & kFileAttributeReparsePoint) != 0 ||
        file.linkCount != 1) {
      return Fail(kErrorAccessDenied);
    }
    if (hostileWriters.count(file.fileIndex) != 0 || IsLocked(file.fileIndex)) {
      return Fail(kErrorSharingViolation);
    }
    file.content.resize(static_cast<std::size_t>(file.size));
    file.content.insert(file.content.end(), bytes.begin(), bytes.end());
    file.size = file.content.size();
    file.lastWriteTime = ++m_clock;
    return true;
  }
  if (status != kErrorSuccess) return Fail(status);
  FakeEntry& file = NewChild(*location.parent, resolved.names.back(), kFileAttributeArchive);
  file.content = bytes;
  file.size = bytes.size();
  file.lastWriteTime = ++m_clock;
  if (!descriptor.empty()) file.security = descriptor;
  return true;
}

namespace {
void SetSecurityBelow(FakeEntry& entry, const DescriptorBytes& descriptor) {
  entry.security = descriptor;
  for (auto& child : entry.children) SetSecurityBelow(*child, descriptor);
}
}  // namespace

void FakeFileSystem::SetSecurity(const std::wstring& path, DescriptorBytes descriptor) {
  FakeEntry* entry = LocateForSetUp(path).entry;
  if (entry == nullptr) RefuseSetUp("no such entry", path);
  SetSecurityBelow(*entry, descriptor);
}

DescriptorBytes FakeFileSystem::SecurityOf(const std::wstring& path) const {
  FakeEntry* entry = LocateForSetUp(path).entry;
  if (entry == nullptr) RefuseSetUp("no such entry", path);
  return entry->security;
}

void FakeFileSystem::AddJunction(const std::wstring& path, const std::wstring& target) {
  AddFolder(path);
  FakeEntry* entry = LocateForSetUp(path).entry;
  entry->attributes |= kFileAttributeReparsePoint;
  entry->linkTarget = target;
}

void FakeFileSystem::AddSymbolicLink(const std::wstring& path, const std::wstring& target) {
  FakeEntry& entry = PutFile(path, kFileAttributeArchive);
  entry.attributes |= kFileAttributeReparsePoint;
  entry.linkTarget = target;
}

void FakeFileSystem::SetLinkCount(const std::wstring& path, std::uint32_t count) {
  FakeEntry* entry = LocateForSetUp(path).entry;
  if (entry == nullptr) RefuseSetUp("no such entry", path);
  entry->linkCount = count;
}

bool FakeFileSystem::IsOpenExclusively(const std::wstring& path) const {
  FakeEntry* entry = LocateForSetUp(path).entry;
  return entry != nullptr && IsLocked(entry->fileIndex);
}

std::uint64_t FakeFileSystem::FileIndexOf(const std::wstring& path) const {
  FakeEntry* entry = LocateForSetUp(path).entry;
  if (entry == nullptr) RefuseSetUp("no such entry", path);
  return entry->fileIndex;
}

bool FakeFileSystem::UserMayChangeFolder(const std::wstring& folder) const {
  FakeEntry* entry = LocateForSetUp(folder).entry;
  return entry != nullptr && GrantsModify(entry->security, InteractiveUserSids());
}

bool FakeFileSystem::UserMayOpen(const std::wstring& path, std::uint32_t rights) const {
  const FakeEntry* entry = LocateForSetUp(path).entry;
  return entry != nullptr && GrantsAccess(entry->security, InteractiveUserSids(), rights);
}

}  // namespace platform::fake
