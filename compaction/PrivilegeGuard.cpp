#include "compaction/PrivilegeGuard.h"

#include "compaction/Privileges.h"

namespace {
constexpr bool kUseProcessToken = true;
}  // namespace

PrivilegeGuard::PrivilegeGuard(const wchar_t* name) : m_name(name) {
  bool enabledBefore = false;
  const int result = EnablePrivilege(name, kUseProcessToken, &enabledBefore);
  m_enabled = result >= 0;
  // A word that already held the enabled bit (3) is switched on again by the
  // call, but was on before: it stays on.
  m_switchedOn = result == 1 && !enabledBefore;
}

PrivilegeGuard::~PrivilegeGuard() {
  if (m_switchedOn) DisablePrivilege(m_name, kUseProcessToken);
}
