#include "profiles/SidText.h"

namespace profiles {

namespace {

constexpr std::size_t kMaxSubAuthorities = 15;

// A run of decimal digits no larger than `limit`; nothing for an empty run or overflow.
std::optional<std::uint64_t> Number(std::wstring_view digits, std::uint64_t limit) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    if (value > limit) return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseSidText(std::wstring_view text) {
  if (text.size() < 2 || (text[0] != L'S' && text[0] != L's') || text[1] != L'-') {
    return std::nullopt;
  }
  std::vector<std::uint64_t> parts;
  for (std::size_t at = 2;;) {
    std::size_t dash = text.find(L'-', at);
    std::wstring_view digits = text.substr(at, dash == std::wstring_view::npos ? dash : dash - at);
    // The authority is 48 bits; the revision and every sub-authority fit in 32.
    const std::uint64_t limit = parts.size() == 1 ? 0xFFFFFFFFFFFFull : 0xFFFFFFFFull;
    std::optional<std::uint64_t> value = Number(digits, limit);
    if (!value) return std::nullopt;
    parts.push_back(*value);
    if (dash == std::wstring_view::npos) break;
    at = dash + 1;
  }
  if (parts.size() < 3 || parts.size() - 2 > kMaxSubAuthorities || parts[0] != 1) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> sid{1, static_cast<std::uint8_t>(parts.size() - 2)};
  for (int shift = 40; shift >= 0; shift -= 8)
    sid.push_back(static_cast<std::uint8_t>(parts[1] >> shift));
  for (std::size_t i = 2; i < parts.size(); ++i)
    for (int shift = 0; shift < 32; shift += 8)
      sid.push_back(static_cast<std::uint8_t>(parts[i] >> shift));
  return sid;
}

}  // namespace profiles
