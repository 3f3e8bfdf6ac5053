#pragma once
// Comparisons that fold only the letters A to Z, as the kernel's names and the
// list's hive names are matched: no locale, no other letter folded, so the
// result is the same on every machine.
#include <cstddef>
#include <string_view>

constexpr wchar_t FoldAsciiLetter(wchar_t ch) {
  return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

// Ordinal comparison of the code units after folding A-Z: negative, zero or positive.
// "_" (0x5F) sorts before every letter, since letters fold to 0x61-0x7A.
inline int CompareAsciiNoCase(std::wstring_view first, std::wstring_view second) {
  std::size_t count = first.size() < second.size() ? first.size() : second.size();
  for (std::size_t i = 0; i < count; ++i) {
    wchar_t a = FoldAsciiLetter(first[i]);
    wchar_t b = FoldAsciiLetter(second[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (first.size() == second.size()) return 0;
  return first.size() < second.size() ? -1 : 1;
}

// Whether `text` begins with `prefix`, A-Z folded.
inline bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  return CompareAsciiNoCase(text.substr(0, prefix.size()), prefix) == 0;
}
