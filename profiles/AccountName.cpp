#include "profiles/AccountName.h"

#include <optional>
#include <vector>

#include "platform/Platform.h"
#include "profiles/SidText.h"

namespace profiles {

std::wstring LookUpAccountName(const std::wstring& sidText) {
  std::optional<std::vector<std::uint8_t>> sid = ParseSidText(sidText);
  if (!sid) return {};
  platform::ISecurity& security = platform::Current().Security();
  std::vector<wchar_t> name(64);
  std::vector<wchar_t> domain(64);
  // One retry with the room the first call asked for.
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto nameLength = static_cast<std::uint32_t>(name.size());
    auto domainLength = static_cast<std::uint32_t>(domain.size());
    if (security.LookupAccountBySid(sid->data(), name.data(), &nameLength, domain.data(),
                                    &domainLength)) {
      std::wstring account(domain.data(), domainLength);
      if (!account.empty()) account += L'\\';
      return account + std::wstring(name.data(), nameLength);
    }
    if (platform::Current().System().GetLastError() != platform::kErrorInsufficientBuffer) break;
    if (nameLength > name.size()) name.resize(nameLength);
    if (domainLength > domain.size()) domain.resize(domainLength);
  }
  return {};
}

}  // namespace profiles
