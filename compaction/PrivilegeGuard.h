#pragma once
// One privilege of the process token switched on for as long as the guard
// lives, and put back as it was when it goes: a privilege that was on before
// stays on. The caller asks Enabled() before the call that needs it, and
// makes no such call when the privilege could not be switched on.
class PrivilegeGuard {
 public:
  explicit PrivilegeGuard(const wchar_t* name);
  ~PrivilegeGuard();
  PrivilegeGuard(const PrivilegeGuard&) = delete;
  PrivilegeGuard& operator=(const PrivilegeGuard&) = delete;

  // The privilege is on now, switched on by this guard or on already.
  bool Enabled() const { return m_enabled; }

 private:
  const wchar_t* m_name;
  bool m_enabled = false;
  bool m_switchedOn = false;  // only then does the guard switch it off again
};

inline constexpr wchar_t kBackupPrivilege[] = L"SeBackupPrivilege";
inline constexpr wchar_t kRestorePrivilege[] = L"SeRestorePrivilege";
inline constexpr wchar_t kShutdownPrivilege[] = L"SeShutdownPrivilege";
