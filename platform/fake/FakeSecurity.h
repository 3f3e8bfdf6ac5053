#pragma once
// The fake Windows' access tokens: the process token, an optional thread token,
// their groups (as binary security identifiers with attribute words) and their
// privileges. Token information comes back in the platform's own byte layout.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ISecurity.h"
#include "platform/fake/FakeSystem.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

// A security identifier in its binary form (revision, count, authority, RIDs).
std::vector<std::uint8_t> MakeSid(const std::uint8_t (&authority)[6],
                                  std::initializer_list<std::uint32_t> subAuthorities);
std::vector<std::uint8_t> AdministratorsSid();

struct FakeGroup {
  std::vector<std::uint8_t> sid;
  std::uint32_t attributes;
};

struct FakePrivilege {
  std::wstring name;
  std::uint32_t attributes;
};

struct FakeToken {
  std::vector<FakeGroup> groups;
  std::vector<FakePrivilege> privileges;
  // What TokenElevation answers: a new fake runs elevated.
  bool elevated = true;

  // The attribute word of a privilege, or nothing when the token lacks it.
  std::optional<std::uint32_t> PrivilegeAttributes(const std::wstring& name) const;
};

class FakeSecurity : public ISecurity {
 public:
  FakeSecurity(FaultPlan& faults, FakeSystem& system);
  ~FakeSecurity() override;

  bool OpenProcessToken(std::uint32_t access, TokenHandle* token) override;
  bool OpenThreadToken(std::uint32_t access, bool openAsSelf, TokenHandle* token) override;
  bool CloseToken(TokenHandle token) override;
  bool GetTokenInformation(TokenHandle token, std::uint32_t informationClass, void* buffer,
                           std::uint32_t length, std::uint32_t* returnLength) override;
  bool AllocateAndInitializeSid(const std::uint8_t (&authority)[6], std::uint8_t subAuthorityCount,
                                const std::uint32_t (&subAuthorities)[8], Sid** sid) override;
  bool EqualSid(Sid* first, Sid* second) override;
  void FreeSid(Sid* sid) override;
  bool LookupPrivilege(const wchar_t* name, Luid* luid) override;
  bool AdjustTokenPrivileges(TokenHandle token, bool disableAll,
                             const SinglePrivilege& newState) override;
  // Answers from `accounts`, by the SID's text.
  bool LookupAccountBySid(const std::uint8_t* sid, wchar_t* name, std::uint32_t* nameLength,
                          wchar_t* domain, std::uint32_t* domainLength) override;

  // Machine set-up. A new fake is an administrator with the privileges an
  // administrator's token holds switched off.
  FakeToken processToken;
  std::optional<FakeToken> threadToken;
  struct Account {
    std::wstring domain;
    std::wstring name;
  };
  // The accounts the machine can name, by SID text ("S-1-5-21-1-2-3-1001").
  std::map<std::wstring, Account> accounts;

  std::size_t OpenTokenCount() const { return m_open.size(); }
  std::size_t LiveSidCount() const { return m_sids.size(); }

 private:
  struct OpenToken {
    FakeToken* token;
    std::uint32_t access;
  };
  bool Fail(const char* operation);
  FakeToken* Resolve(TokenHandle handle, std::uint32_t neededAccess);

  FaultPlan& m_faults;
  FakeSystem& m_system;
  std::map<TokenHandle, OpenToken> m_open;
  TokenHandle m_nextHandle = 0x2000;
  std::set<std::vector<std::uint8_t>*> m_sids;
};

}  // namespace platform::fake
