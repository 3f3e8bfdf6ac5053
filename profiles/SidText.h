#pragma once
// A security identifier's text form, as the profile list names its keys, read
// into the binary form the account lookup takes.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace profiles {

// "S-1-5-18" ⇒ {1, 1, 0,0,0,0,0,5, 18,0,0,0}; "S-1-5-21-1-2-3-1001.bak", "S-1",
// "S-1-5-x" ⇒ nothing. Up to 15 sub-authorities, each below 2^32.
std::optional<std::vector<std::uint8_t>> ParseSidText(std::wstring_view text);

}  // namespace profiles
