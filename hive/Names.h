#pragma once
// Key and value names: stored either as one byte per character (Latin-1, the
// "compressed" form) or as UTF-16LE. Names are kept as UTF-16 code units
// because that is what Windows compares, hashes and sorts.

#include "hive/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hive {

std::u16string DecodeName(Bytes raw, bool compressed);

// The registry's case folding for ordering and hashing: upper case by the
// Unicode simple mapping for the scripts names use in practice (Latin,
// Greek, Cyrillic, full-width Latin).
char16_t UpcaseUnit(char16_t unit);

// Ordering of sibling keys: code units compared after upcasing.
int CompareNames(const std::u16string& a, const std::u16string& b);

// The lh hash: h = 37 * h + upcase(c) over the UTF-16 code units.
std::uint32_t NameHash(const std::u16string& name);
// The same without case folding beyond ASCII, which some writers use for
// characters outside ASCII.
std::uint32_t NameHashAsciiFold(const std::u16string& name);

// The lf hint: the first four characters as bytes, zero-padded; nothing when
// one of them is outside ASCII (writers differ there).
std::optional<std::uint32_t> NameHint(const std::u16string& name);

// Name length as Windows counts it for the "largest name" fields: UTF-16 bytes.
inline std::uint32_t NameBytes(const std::u16string& name) {
  return static_cast<std::uint32_t>(name.size() * 2);
}

// One code point (at most U+10FFFF, no surrogate) appended as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t code);

// UTF-8 for output; unpaired surrogates become U+FFFD.
std::string ToUtf8(const std::u16string& text);

// Platform text (wchar_t, UTF-16 on Windows, wider natively) unit by unit: the
// names the registry hands out stay in the Basic Multilingual Plane.
inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}
inline std::wstring ToWide(std::u16string_view units) {
  return std::wstring(units.begin(), units.end());
}

}  // namespace hive
