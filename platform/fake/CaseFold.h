#pragma once
// The fake's case-insensitive comparison. Windows compares names with its own
// upper-case table; the fake folds the letters of Basic Latin and Latin-1
// (A-Z, À-Þ except ×) to lower case and compares code units, which agrees with
// Windows for every name the tests use.
#include <string>
#include <string_view>

namespace platform::fake {

constexpr wchar_t FoldCase(wchar_t ch) {
  if (ch >= L'A' && ch <= L'Z') return static_cast<wchar_t>(ch + 32);
  if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) return static_cast<wchar_t>(ch + 32);
  return ch;
}

// Negative, zero or positive, like lstrcmpiW.
inline int CompareFolded(std::wstring_view first, std::wstring_view second) {
  std::size_t count = first.size() < second.size() ? first.size() : second.size();
  for (std::size_t i = 0; i < count; ++i) {
    wchar_t a = FoldCase(first[i]);
    wchar_t b = FoldCase(second[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (first.size() == second.size()) return 0;
  return first.size() < second.size() ? -1 : 1;
}

inline bool EqualFolded(std::wstring_view first, std::wstring_view second) {
  return CompareFolded(first, second) == 0;
}

}  // namespace platform::fake
