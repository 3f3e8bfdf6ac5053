#include "compaction/Privileges.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

namespace {

constexpr std::uint32_t kTokenAccess = platform::kTokenAdjustPrivileges | platform::kTokenQuery;
constexpr std::uint32_t kPrivilegeOff = 0;

platform::ISecurity& Security() { return platform::Current().Security(); }

// The token a call works on: the thread's when asked for and there is one,
// else the process's.
void OpenPrivilegeToken(platform::ScopedToken& token, bool useProcessToken) {
  if (!useProcessToken && token.OpenThread(kTokenAccess, false)) return;
  token.OpenProcess(kTokenAccess);
}

bool LookUp(const wchar_t* name, platform::Luid& luid) {
  return name != nullptr && Security().LookupPrivilege(name, &luid);
}

bool SameLuid(const platform::Luid& a, const platform::Luid& b) {
  return a.lowPart == b.lowPart && a.highPart == b.highPart;
}

// The attribute word of the first entry for the privilege in the token's list.
// A list that cannot be read counts as one without the privilege: only entries
// the block really holds are walked.
std::optional<std::uint32_t> FirstWord(const platform::ScopedToken& token,
                                       const platform::Luid& luid) {
  std::uint32_t needed = 0;
  Security().GetTokenInformation(token.Get(), platform::kTokenPrivilegesClass, nullptr, 0, &needed);
  if (needed < platform::kTokenPrivilegesArrayOffset) return std::nullopt;
  std::vector<std::byte> block(needed);
  std::uint32_t written = 0;
  if (!Security().GetTokenInformation(token.Get(), platform::kTokenPrivilegesClass, block.data(),
                                      needed, &written)) {
    return std::nullopt;
  }
  const std::size_t room =
      (block.size() - platform::kTokenPrivilegesArrayOffset) / sizeof(platform::LuidAndAttributes);
  const std::uint32_t count = platform::ReadCount(block.data());
  for (std::uint32_t index = 0; index < count && index < room; ++index) {
    platform::LuidAndAttributes entry = platform::ReadPrivilege(block.data(), index);
    if (SameLuid(entry.luid, luid)) return entry.attributes;
  }
  return std::nullopt;
}

// On when the word is 1 or 2 exactly.
bool IsAlreadyOn(std::optional<std::uint32_t> word) {
  return word == platform::kSePrivilegeEnabledByDefault || word == platform::kSePrivilegeEnabled;
}

// AdjustTokenPrivileges reports a privilege the token lacks through the last
// error (ERROR_NOT_ALL_ASSIGNED) while the call itself succeeds.
bool RequestChange(const platform::ScopedToken& token, const platform::Luid& luid,
                   std::uint32_t attributes) {
  platform::SinglePrivilege state{1, {luid, attributes}};
  bool accepted = Security().AdjustTokenPrivileges(token.Get(), false, state);
  return accepted && platform::Current().System().GetLastError() == platform::kErrorSuccess;
}

}  // namespace

int EnablePrivilege(const wchar_t* name, bool useProcessToken, bool* enabledBefore) {
  if (enabledBefore != nullptr) *enabledBefore = false;
  platform::ScopedToken token(Security());
  OpenPrivilegeToken(token, useProcessToken);
  if (!token.IsOpen()) return -1;
  platform::Luid luid{};
  if (!LookUp(name, luid)) return -1;
  const std::optional<std::uint32_t> word = FirstWord(token, luid);
  if (enabledBefore != nullptr && word) {
    *enabledBefore = (*word & platform::kSePrivilegeEnabled) != 0;
  }
  if (IsAlreadyOn(word)) return 0;
  return RequestChange(token, luid, platform::kSePrivilegeEnabled) ? 1 : -1;
}

bool DisablePrivilege(const wchar_t* name, bool useProcessToken) {
  platform::ScopedToken token(Security());
  OpenPrivilegeToken(token, useProcessToken);
  if (!token.IsOpen()) return false;
  platform::Luid luid{};
  if (!LookUp(name, luid)) return false;
  return RequestChange(token, luid, kPrivilegeOff);
}
