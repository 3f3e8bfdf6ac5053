#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace platform::win32 {

static_assert(sizeof(SidAndAttributes) == sizeof(SID_AND_ATTRIBUTES));
static_assert(sizeof(LuidAndAttributes) == sizeof(LUID_AND_ATTRIBUTES));
static_assert(kTokenGroupsArrayOffset == offsetof(TOKEN_GROUPS, Groups));
static_assert(kTokenPrivilegesArrayOffset == offsetof(TOKEN_PRIVILEGES, Privileges));
static_assert(sizeof(SinglePrivilege) == sizeof(TOKEN_PRIVILEGES));

namespace {
HANDLE ToHandle(TokenHandle token) { return reinterpret_cast<HANDLE>(token); }
}  // namespace

bool Win32Security::OpenProcessToken(std::uint32_t access, TokenHandle* token) {
  HANDLE handle = nullptr;
  BOOL ok = ::OpenProcessToken(::GetCurrentProcess(), access, &handle);
  *token = reinterpret_cast<TokenHandle>(handle);
  return ok != FALSE;
}

bool Win32Security::OpenThreadToken(std::uint32_t access, bool openAsSelf, TokenHandle* token) {
  HANDLE handle = nullptr;
  BOOL ok = ::OpenThreadToken(::GetCurrentThread(), access, openAsSelf ? TRUE : FALSE, &handle);
  *token = reinterpret_cast<TokenHandle>(handle);
  return ok != FALSE;
}

bool Win32Security::CloseToken(TokenHandle token) {
  return ::CloseHandle(ToHandle(token)) != FALSE;
}

bool Win32Security::GetTokenInformation(TokenHandle token, std::uint32_t informationClass,
                                        void* buffer, std::uint32_t length,
                                        std::uint32_t* returnLength) {
  DWORD needed = 0;
  BOOL ok =
      ::GetTokenInformation(ToHandle(token), static_cast<TOKEN_INFORMATION_CLASS>(informationClass),
                            buffer, length, &needed);
  *returnLength = needed;
  return ok != FALSE;
}

bool Win32Security::AllocateAndInitializeSid(const std::uint8_t (&authority)[6],
                                             std::uint8_t subAuthorityCount,
                                             const std::uint32_t (&subAuthorities)[8], Sid** sid) {
  SID_IDENTIFIER_AUTHORITY identifier{};
  for (int i = 0; i < 6; ++i) identifier.Value[i] = authority[i];
  PSID made = nullptr;
  BOOL ok = ::AllocateAndInitializeSid(&identifier, subAuthorityCount, subAuthorities[0],
                                       subAuthorities[1], subAuthorities[2], subAuthorities[3],
                                       subAuthorities[4], subAuthorities[5], subAuthorities[6],
                                       subAuthorities[7], &made);
  *sid = made;
  return ok != FALSE;
}

bool Win32Security::EqualSid(Sid* first, Sid* second) { return ::EqualSid(first, second) != FALSE; }

void Win32Security::FreeSid(Sid* sid) { ::FreeSid(sid); }

bool Win32Security::LookupPrivilege(const wchar_t* name, Luid* luid) {
  LUID value{};
  BOOL ok = ::LookupPrivilegeValueW(nullptr, name, &value);
  luid->lowPart = value.LowPart;
  luid->highPart = value.HighPart;
  return ok != FALSE;
}

bool Win32Security::AdjustTokenPrivileges(TokenHandle token, bool disableAll,
                                          const SinglePrivilege& newState) {
  TOKEN_PRIVILEGES state{};
  state.PrivilegeCount = newState.privilegeCount;
  state.Privileges[0].Luid.LowPart = newState.privilege.luid.lowPart;
  state.Privileges[0].Luid.HighPart = newState.privilege.luid.highPart;
  state.Privileges[0].Attributes = newState.privilege.attributes;
  return ::AdjustTokenPrivileges(ToHandle(token), disableAll ? TRUE : FALSE, &state, 0, nullptr,
                                 nullptr) != FALSE;
}

bool Win32Security::LookupAccountBySid(const std::uint8_t* sid, wchar_t* name,
                                       std::uint32_t* nameLength, wchar_t* domain,
                                       std::uint32_t* domainLength) {
  DWORD nameRoom = *nameLength;
  DWORD domainRoom = *domainLength;
  SID_NAME_USE use{};
  // LookupAccountSidW takes a non-const PSID but only reads it.
  BOOL ok = ::LookupAccountSidW(nullptr, const_cast<std::uint8_t*>(sid), name, &nameRoom, domain,
                                &domainRoom, &use);
  *nameLength = nameRoom;
  *domainLength = domainRoom;
  return ok != FALSE;
}

}  // namespace platform::win32
