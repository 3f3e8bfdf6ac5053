#include "profiles/ProfileFolderText.h"

#include <cwctype>

namespace profiles {

namespace {

bool SameNoCase(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != L'\0'; ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return i == a.size() && b[i] == L'\0';
}

bool IsLocalFullPath(const std::wstring& path) {
  return path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
}

}  // namespace

ExpandedFolder ExpandProfileFolder(const std::wstring& stored, const std::wstring& windowsFolder) {
  std::wstring expanded;
  for (std::size_t at = 0; at < stored.size();) {
    const std::size_t close = stored[at] == L'%' ? stored.find(L'%', at + 1) : std::wstring::npos;
    if (close == std::wstring::npos) {
      expanded += stored[at++];
      continue;
    }
    const std::wstring name = stored.substr(at + 1, close - at - 1);
    if (SameNoCase(name, L"SystemDrive")) {
      expanded += windowsFolder.substr(0, 2);
    } else if (SameNoCase(name, L"SystemRoot") || SameNoCase(name, L"windir")) {
      expanded += windowsFolder;
    } else {
      return {{}, L"uses %" + name + L"%, which Kelvaro does not expand"};
    }
    at = close + 1;
  }
  while (expanded.size() > 3 && expanded.back() == L'\\') expanded.pop_back();
  if (!IsLocalFullPath(expanded)) return {{}, L"is not a full path on a local drive"};
  return {expanded, {}};
}

}  // namespace profiles
