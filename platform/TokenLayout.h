#pragma once
// The byte layout of the token information blocks, as the platform fills them
// (TOKEN_GROUPS, TOKEN_PRIVILEGES). Portable code reads them through these views;
// the fake writes them the same way, so both sides agree with Windows.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/Win32Constants.h"

namespace platform {

struct SidAndAttributes {
  Sid* sid;
  std::uint32_t attributes;
};

struct Luid {
  std::uint32_t lowPart;
  std::int32_t highPart;
};

struct LuidAndAttributes {
  Luid luid;
  std::uint32_t attributes;
};

// TOKEN_GROUPS: a count followed by an array aligned for pointers.
struct TokenGroupsHeader {
  std::uint32_t groupCount;
  SidAndAttributes first;
};
inline constexpr std::size_t kTokenGroupsArrayOffset = offsetof(TokenGroupsHeader, first);

// TOKEN_PRIVILEGES: a count followed by 12-byte entries.
struct TokenPrivilegesHeader {
  std::uint32_t privilegeCount;
  LuidAndAttributes first;
};
inline constexpr std::size_t kTokenPrivilegesArrayOffset = offsetof(TokenPrivilegesHeader, first);

// TOKEN_PRIVILEGES with exactly one entry, as AdjustTokenPrivileges takes it.
struct SinglePrivilege {
  std::uint32_t privilegeCount;
  LuidAndAttributes privilege;
};

inline std::uint32_t ReadCount(const std::byte* block) {
  std::uint32_t count = 0;
  std::memcpy(&count, block, sizeof count);
  return count;
}

inline SidAndAttributes ReadGroup(const std::byte* block, std::uint32_t index) {
  SidAndAttributes entry{};
  std::memcpy(&entry, block + kTokenGroupsArrayOffset + index * sizeof(SidAndAttributes),
              sizeof entry);
  return entry;
}

inline LuidAndAttributes ReadPrivilege(const std::byte* block, std::uint32_t index) {
  LuidAndAttributes entry{};
  std::memcpy(&entry, block + kTokenPrivilegesArrayOffset + index * sizeof(LuidAndAttributes),
              sizeof entry);
  return entry;
}

}  // namespace platform
