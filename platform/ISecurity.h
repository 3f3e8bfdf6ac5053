#pragma once
// Security token operations (advapi32). Token information blocks come back in the
// platform's own layout (see TokenLayout.h).
#include <cstdint>

#include "platform/TokenLayout.h"
#include "platform/Win32Constants.h"

namespace platform {

class ISecurity {
 public:
  virtual ~ISecurity() = default;

  // OpenProcessToken on the current process.
  virtual bool OpenProcessToken(std::uint32_t access, TokenHandle* token) = 0;
  // OpenThreadToken on the current thread; fails with ERROR_NO_TOKEN when the
  // thread is not impersonating.
  virtual bool OpenThreadToken(std::uint32_t access, bool openAsSelf, TokenHandle* token) = 0;
  // CloseHandle of a token.
  virtual bool CloseToken(TokenHandle token) = 0;
  // GetTokenInformation: with too small a buffer it fails with
  // ERROR_INSUFFICIENT_BUFFER and reports the size needed in returnLength.
  virtual bool GetTokenInformation(TokenHandle token, std::uint32_t informationClass, void* buffer,
                                   std::uint32_t length, std::uint32_t* returnLength) = 0;
  // AllocateAndInitializeSid with up to eight sub-authorities (the unused ones 0).
  virtual bool AllocateAndInitializeSid(const std::uint8_t (&authority)[6],
                                        std::uint8_t subAuthorityCount,
                                        const std::uint32_t (&subAuthorities)[8], Sid** sid) = 0;
  // EqualSid.
  virtual bool EqualSid(Sid* first, Sid* second) = 0;
  // FreeSid.
  virtual void FreeSid(Sid* sid) = 0;
  // LookupPrivilegeValueW on the local system.
  virtual bool LookupPrivilege(const wchar_t* name, Luid* luid) = 0;
  // AdjustTokenPrivileges without the previous state. It may succeed and still set
  // the last error (ERROR_NOT_ALL_ASSIGNED), as the platform does.
  virtual bool AdjustTokenPrivileges(TokenHandle token, bool disableAll,
                                     const SinglePrivilege& newState) = 0;
  // LookupAccountSidW on the local system, of a binary SID. The lengths are in
  // characters: in, the room including the terminator; out, the text's length
  // without it (or, failing with ERROR_INSUFFICIENT_BUFFER, the room needed).
  // ERROR_NONE_MAPPED when no account has the SID.
  virtual bool LookupAccountBySid(const std::uint8_t* sid, wchar_t* name, std::uint32_t* nameLength,
                                  wchar_t* domain, std::uint32_t* domainLength) = 0;
};

}  // namespace platform
