#pragma once
// Readable views of paths for the path library's tests.
#include <string>
#include <vector>

#include "path/PathName.h"

namespace pathtest {

// The text of a path string; "" without a buffer.
inline std::wstring TextOf(const CPathString& text) {
  return text.GetBuffer() != nullptr ? std::wstring(text.GetBuffer()) : std::wstring();
}

inline std::wstring TextOf(const CPathName& path) { return TextOf(path.GetText()); }

// The flags that are set: U (UNC), D (drive), R (rooted), L (relative), in that order.
inline std::string FlagsOf(const CPathName& path) {
  std::string flags;
  if (path.IsUnc()) flags += 'U';
  if (path.HasDrive()) flags += 'D';
  if (path.IsRooted()) flags += 'R';
  if (path.IsRelative()) flags += 'L';
  return flags;
}

inline std::vector<std::wstring> ComponentsOf(const CPathName& path) {
  std::vector<std::wstring> components;
  for (std::uint32_t i = 0; i < path.GetComponentCount(); ++i) {
    components.push_back(TextOf(path.GetComponent(i).GetText()));
  }
  return components;
}

// A path parsed from text that the test knows to be valid.
inline CPathName PathOf(const wchar_t* text) {
  CPathName path;
  path.SetPath(text);
  return path;
}

}  // namespace pathtest
