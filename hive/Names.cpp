#include "hive/Names.h"

#include "hive/RecordLayout.h"

#include <algorithm>

namespace hive {

std::u16string DecodeName(Bytes raw, bool compressed) {
  std::u16string name;
  if (compressed) {
    name.resize(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) name[i] = raw[i];
  } else {
    name.resize(raw.size() / kUtf16UnitSize);
    for (std::size_t i = 0; i < name.size(); ++i) name[i] = ReadU16(raw, kUtf16UnitSize * i);
  }
  return name;
}

char16_t UpcaseUnit(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return static_cast<char16_t>(c & ~1u);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  return c;
}

int CompareNames(const std::u16string& a, const std::u16string& b) {
  std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    char16_t x = UpcaseUnit(a[i]);
    char16_t y = UpcaseUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::uint32_t NameHash(const std::u16string& name) {
  std::uint32_t hash = 0;
  for (char16_t c : name) hash = 37 * hash + UpcaseUnit(c);
  return hash;
}

std::uint32_t NameHashAsciiFold(const std::u16string& name) {
  std::uint32_t hash = 0;
  for (char16_t c : name) hash = 37 * hash + (c < 0x80 ? UpcaseUnit(c) : c);
  return hash;
}

std::optional<std::uint32_t> NameHint(const std::u16string& name) {
  std::uint32_t hint = 0;
  for (std::size_t i = 0; i < 4 && i < name.size(); ++i) {
    if (name[i] >= 0x80) return std::nullopt;
    hint |= static_cast<std::uint32_t>(name[i]) << (8 * i);
  }
  return hint;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace hive
