#include "platform/fake/FakeSecurity.h"

#include <algorithm>
#include <cstring>

#include "platform/fake/CaseFold.h"

namespace platform::fake {

namespace {

// Locally unique identifiers of the privileges the fake knows, as Windows assigns them.
struct KnownPrivilege {
  const wchar_t* name;
  std::uint32_t luid;
};
constexpr KnownPrivilege kKnownPrivileges[] = {
    {L"SeSecurityPrivilege", 8}, {L"SeBackupPrivilege", 17},
    {L"SeRestorePrivilege", 18}, {L"SeShutdownPrivilege", 19},
    {L"SeDebugPrivilege", 20},   {L"SeChangeNotifyPrivilege", 23},
    {L"SeUndockPrivilege", 25},  {L"SeIncreaseWorkingSetPrivilege", 33},
};

std::optional<std::uint32_t> LuidOf(const std::wstring& name) {
  for (const KnownPrivilege& known : kKnownPrivileges) {
    if (EqualFolded(name, known.name)) return known.luid;
  }
  return std::nullopt;
}

std::size_t SidLength(const std::uint8_t* sid) { return 8 + 4 * static_cast<std::size_t>(sid[1]); }

}  // namespace

namespace {
// Lays out a binary SID by index (GCC 12 misreads growing inserts at -O3).
std::vector<std::uint8_t> BuildSid(const std::uint8_t (&authority)[6], const std::uint32_t* rids,
                                   std::size_t count) {
  std::vector<std::uint8_t> sid(8 + 4 * count);
  sid[0] = 1;
  sid[1] = static_cast<std::uint8_t>(count);
  for (std::size_t i = 0; i < 6; ++i) sid[2 + i] = authority[i];
  for (std::size_t r = 0; r < count; ++r) {
    for (std::size_t b = 0; b < 4; ++b) {
      sid[8 + 4 * r + b] = static_cast<std::uint8_t>(rids[r] >> (8 * b));
    }
  }
  return sid;
}
}  // namespace

std::vector<std::uint8_t> MakeSid(const std::uint8_t (&authority)[6],
                                  std::initializer_list<std::uint32_t> subAuthorities) {
  return BuildSid(authority, subAuthorities.begin(), subAuthorities.size());
}

std::vector<std::uint8_t> AdministratorsSid() {
  return MakeSid(kSecurityNtAuthority, {kSecurityBuiltinDomainRid, kDomainAliasRidAdmins});
}

std::optional<std::uint32_t> FakeToken::PrivilegeAttributes(const std::wstring& name) const {
  for (const FakePrivilege& privilege : privileges) {
    if (EqualFolded(privilege.name, name)) return privilege.attributes;
  }
  return std::nullopt;
}

FakeSecurity::FakeSecurity(FaultPlan& faults, FakeSystem& system)
    : m_faults(faults), m_system(system) {
  constexpr std::uint8_t kWorldAuthority[6] = {0, 0, 0, 0, 0, 1};
  processToken.groups = {
      {MakeSid(kWorldAuthority, {0}), kSeGroupEnabled},  // Everyone
      {AdministratorsSid(), kSeGroupEnabled},
      {MakeSid(kSecurityNtAuthority, {kSecurityBuiltinDomainRid, 545}), kSeGroupEnabled},  // Users
  };
  processToken.privileges = {
      {L"SeChangeNotifyPrivilege", kSePrivilegeEnabledByDefault | kSePrivilegeEnabled},
      {L"SeBackupPrivilege", 0},
      {L"SeRestorePrivilege", 0},
      {L"SeShutdownPrivilege", 0},
  };
}

FakeSecurity::~FakeSecurity() {
  for (std::vector<std::uint8_t>* sid : m_sids) delete sid;
}

bool FakeSecurity::Fail(const char* operation) {
  if (auto error = m_faults.Check(operation)) {
    m_system.SetLastError(*error);
    return true;
  }
  return false;
}

FakeToken* FakeSecurity::Resolve(TokenHandle handle, std::uint32_t neededAccess) {
  auto found = m_open.find(handle);
  if (found == m_open.end()) {
    m_system.SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  if ((found->second.access & neededAccess) != neededAccess) {
    m_system.SetLastError(kErrorAccessDenied);
    return nullptr;
  }
  return found->second.token;
}

bool FakeSecurity::OpenProcessToken(std::uint32_t access, TokenHandle* token) {
  if (Fail("OpenProcessToken")) return false;
  *token = m_nextHandle;
  m_nextHandle += 4;
  m_open[*token] = OpenToken{&processToken, access};
  return true;
}

bool FakeSecurity::OpenThreadToken(std::uint32_t access, bool /*openAsSelf*/, TokenHandle* token) {
  if (Fail("OpenThreadToken")) return false;
  if (!threadToken) {
    m_system.SetLastError(kErrorNoToken);
    return false;
  }
  *token = m_nextHandle;
  m_nextHandle += 4;
  m_open[*token] = OpenToken{&*threadToken, access};
  return true;
}

bool FakeSecurity::CloseToken(TokenHandle token) {
  if (Fail("CloseHandle")) return false;
  if (m_open.erase(token) == 0) {
    m_system.SetLastError(kErrorInvalidHandle);
    return false;
  }
  return true;
}

bool FakeSecurity::GetTokenInformation(TokenHandle handle, std::uint32_t informationClass,
                                       void* buffer, std::uint32_t length,
                                       std::uint32_t* returnLength) {
  if (Fail("GetTokenInformation")) return false;
  FakeToken* token = Resolve(handle, kTokenQuery);
  if (token == nullptr) return false;

  std::vector<std::byte> block;
  if (informationClass == kTokenGroupsClass) {
    std::size_t arrayBytes = token->groups.size() * sizeof(SidAndAttributes);
    std::size_t sidsStart = kTokenGroupsArrayOffset + arrayBytes;
    std::size_t total = sidsStart;
    for (const FakeGroup& group : token->groups) total += group.sid.size();
    block.resize(total);
    if (buffer != nullptr && length >= total) {
      // Build in place so the SID pointers point into the caller's buffer.
      auto* out = static_cast<std::byte*>(buffer);
      std::memset(out, 0, total);
      auto count = static_cast<std::uint32_t>(token->groups.size());
      std::memcpy(out, &count, sizeof count);
      std::size_t sidAt = sidsStart;
      for (std::size_t i = 0; i < token->groups.size(); ++i) {
        const FakeGroup& group = token->groups[i];
        std::memcpy(out + sidAt, group.sid.data(), group.sid.size());
        SidAndAttributes entry{out + sidAt, group.attributes};
        std::memcpy(out + kTokenGroupsArrayOffset + i * sizeof entry, &entry, sizeof entry);
        sidAt += group.sid.size();
      }
      *returnLength = static_cast<std::uint32_t>(total);
      return true;
    }
  } else if (informationClass == kTokenPrivilegesClass) {
    std::size_t total =
        kTokenPrivilegesArrayOffset + token->privileges.size() * sizeof(LuidAndAttributes);
    block.resize(total);
    if (buffer != nullptr && length >= total) {
      auto* out = static_cast<std::byte*>(buffer);
      std::memset(out, 0, total);
      auto count = static_cast<std::uint32_t>(token->privileges.size());
      std::memcpy(out, &count, sizeof count);
      for (std::size_t i = 0; i < token->privileges.size(); ++i) {
        const FakePrivilege& privilege = token->privileges[i];
        LuidAndAttributes entry{{LuidOf(privilege.name).value_or(0), 0}, privilege.attributes};
        std::memcpy(out + kTokenPrivilegesArrayOffset + i * sizeof entry, &entry, sizeof entry);
      }
      *returnLength = static_cast<std::uint32_t>(total);
      return true;
    }
  } else if (informationClass == kTokenElevationClass) {
    const std::uint32_t elevation = token->elevated ? 1 : 0;
    block.resize(sizeof elevation);
    if (buffer != nullptr && length >= sizeof elevation) {
      std::memcpy(buffer, &elevation, sizeof elevation);
      *returnLength = sizeof elevation;
      return true;
    }
  } else {
    m_system.SetLastError(kErrorInvalidParameter);
    return false;
  }
  *returnLength = static_cast<std::uint32_t>(block.size());
  m_system.SetLastError(kErrorInsufficientBuffer);
  return false;
}

bool FakeSecurity::AllocateAndInitializeSid(const std::uint8_t (&authority)[6],
                                            std::uint8_t subAuthorityCount,
                                            const std::uint32_t (&subAuthorities)[8], Sid** sid) {
  if (Fail("AllocateAndInitializeSid")) return false;
  if (subAuthorityCount == 0 || subAuthorityCount > 8) {
    m_system.SetLastError(kErrorInvalidParameter);
    return false;
  }
  auto* bytes =
      new std::vector<std::uint8_t>(BuildSid(authority, subAuthorities, subAuthorityCount));
  m_sids.insert(bytes);
  *sid = bytes->data();
  return true;
}

bool FakeSecurity::EqualSid(Sid* first, Sid* second) {
  auto* a = static_cast<const std::uint8_t*>(first);
  auto* b = static_cast<const std::uint8_t*>(second);
  if (a == nullptr || b == nullptr) return false;
  std::size_t length = SidLength(a);
  return length == SidLength(b) && std::memcmp(a, b, length) == 0;
}

void FakeSecurity::FreeSid(Sid* sid) {
  for (auto it = m_sids.begin(); it != m_sids.end(); ++it) {
    if ((*it)->data() == sid) {
      delete *it;
      m_sids.erase(it);
      return;
    }
  }
}

bool FakeSecurity::LookupPrivilege(const wchar_t* name, Luid* luid) {
  if (Fail("LookupPrivilegeValueW")) return false;
  auto value = name ? LuidOf(name) : std::nullopt;
  if (!value) {
    m_system.SetLastError(kErrorNoSuchPrivilege);
    return false;
  }
  *luid = Luid{*value, 0};
  return true;
}

bool FakeSecurity::AdjustTokenPrivileges(TokenHandle handle, bool disableAll,
                                         const SinglePrivilege& newState) {
  if (Fail("AdjustTokenPrivileges")) return false;
  FakeToken* token = Resolve(handle, kTokenAdjustPrivileges);
  if (token == nullptr) return false;
  bool assigned = false;
  for (FakePrivilege& privilege : token->privileges) {
    bool matches =
        disableAll || (newState.privilegeCount == 1 &&
                       LuidOf(privilege.name).value_or(0) == newState.privilege.luid.lowPart &&
                       newState.privilege.luid.highPart == 0);
    if (!matches) continue;
    if (!disableAll && (newState.privilege.attributes & kSePrivilegeEnabled) != 0) {
      privilege.attributes |= kSePrivilegeEnabled;
    } else {
      privilege.attributes &= ~kSePrivilegeEnabled;
    }
    assigned = true;
  }
  // Windows reports success and sets ERROR_NOT_ALL_ASSIGNED for a privilege the
  // token does not hold.
  m_system.SetLastError(assigned || disableAll ? kErrorSuccess : kErrorNotAllAssigned);
  return true;
}

}  // namespace platform::fake

namespace platform::fake {

namespace {

// "S-1-5-21-…" of a binary SID: the authority is big-endian, the RIDs little-endian.
std::wstring SidText(const std::uint8_t* sid) {
  std::uint64_t authority = 0;
  for (int i = 2; i < 8; ++i) authority = authority << 8 | sid[i];
  std::wstring text = L"S-" + std::to_wstring(sid[0]) + L"-" + std::to_wstring(authority);
  for (int i = 0; i < sid[1]; ++i) {
    const std::uint8_t* rid = sid + 8 + 4 * i;
    std::uint32_t value = static_cast<std::uint32_t>(rid[0] | rid[1] << 8 | rid[2] << 16) |
                          static_cast<std::uint32_t>(rid[3]) << 24;
    text += L"-" + std::to_wstring(value);
  }
  return text;
}

// Copies `text` into `buffer` as LookupAccountSidW does; false when the room is short.
bool CopyOut(const std::wstring& text, wchar_t* buffer, std::uint32_t* length) {
  const auto needed = static_cast<std::uint32_t>(text.size() + 1);
  const bool fits = buffer != nullptr && *length >= needed;
  if (fits) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
  }
  *length = fits ? needed - 1 : needed;
  return fits;
}

}  // namespace

bool FakeSecurity::LookupAccountBySid(const std::uint8_t* sid, wchar_t* name,
                                      std::uint32_t* nameLength, wchar_t* domain,
                                      std::uint32_t* domainLength) {
  if (Fail("LookupAccountSidW")) return false;
  auto found = sid != nullptr ? accounts.find(SidText(sid)) : accounts.end();
  if (found == accounts.end()) {
    m_system.SetLastError(kErrorNoneMapped);
    return false;
  }
  const bool nameFits = CopyOut(found->second.name, name, nameLength);
  const bool domainFits = CopyOut(found->second.domain, domain, domainLength);
  if (!nameFits || !domainFits) {
    m_system.SetLastError(kErrorInsufficientBuffer);
    return false;
  }
  return true;
}

}  // namespace platform::fake
