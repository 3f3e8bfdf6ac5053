#include "app/EnvironmentChecks.h"

#include <memory>
#include <new>

#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

bool IsWindows64Bit() {
  auto architecture = platform::Current().System().GetNativeProcessorArchitecture();
  if (!architecture) return false;
  return *architecture == platform::kProcessorArchitectureAmd64 ||
         *architecture == platform::kProcessorArchitectureIa64 ||
         *architecture == platform::kProcessorArchitectureArm64;
}

namespace {

// Closes the token and frees the identifier however the check ends.
class TokenGroupsCheck {
 public:
  explicit TokenGroupsCheck(platform::ISecurity& security)
      : m_security(security), m_token(security) {}
  ~TokenGroupsCheck() {
    if (m_sid != nullptr) m_security.FreeSid(m_sid);
  }
  TokenGroupsCheck(const TokenGroupsCheck&) = delete;
  TokenGroupsCheck& operator=(const TokenGroupsCheck&) = delete;

  bool Run() {
    if (!m_token.OpenProcess(platform::kTokenQuery)) return false;

    std::uint32_t bytes = 0;
    m_security.GetTokenInformation(m_token.Get(), platform::kTokenGroupsClass, nullptr, 0, &bytes);
    if (bytes == 0) return false;
    std::unique_ptr<std::byte[]> groups(new (std::nothrow) std::byte[bytes]);
    if (!groups) return false;
    if (!m_security.GetTokenInformation(m_token.Get(), platform::kTokenGroupsClass, groups.get(),
                                        bytes, &bytes)) {
      return false;
    }

    const std::uint32_t subAuthorities[8] = {platform::kSecurityBuiltinDomainRid,
                                             platform::kDomainAliasRidAdmins};
    if (!m_security.AllocateAndInitializeSid(platform::kSecurityNtAuthority, 2, subAuthorities,
                                             &m_sid) ||
        m_sid == nullptr) {
      m_sid = nullptr;
      return false;
    }

    std::uint32_t count = platform::ReadCount(groups.get());
    for (std::uint32_t i = 0; i < count; ++i) {
      const platform::SidAndAttributes group = platform::ReadGroup(groups.get(), i);
      if (!m_security.EqualSid(group.sid, m_sid)) continue;
      return (group.attributes & platform::kSeGroupUseForDenyOnly) == 0;
    }
    return false;
  }

 private:
  platform::ISecurity& m_security;
  platform::ScopedToken m_token;
  platform::Sid* m_sid = nullptr;
};

}  // namespace

bool IsAdministrator() { return TokenGroupsCheck(platform::Current().Security()).Run(); }
