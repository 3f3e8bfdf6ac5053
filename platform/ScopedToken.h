#pragma once
// One open access token, closed when the holder goes. A failed open leaves the
// holder closed.
#include <cstdint>

#include "platform/ISecurity.h"

namespace platform {

class ScopedToken {
 public:
  explicit ScopedToken(ISecurity& security) : m_security(security) {}
  ~ScopedToken() { Close(); }
  ScopedToken(const ScopedToken&) = delete;
  ScopedToken& operator=(const ScopedToken&) = delete;

  // OpenProcessToken on the current process, after closing any token held.
  bool OpenProcess(std::uint32_t access) {
    Close();
    m_open = m_security.OpenProcessToken(access, &m_token);
    return m_open;
  }
  // OpenThreadToken on the current thread, after closing any token held.
  bool OpenThread(std::uint32_t access, bool openAsSelf) {
    Close();
    m_open = m_security.OpenThreadToken(access, openAsSelf, &m_token);
    return m_open;
  }
  void Close() {
    if (m_open) m_security.CloseToken(m_token);
    m_open = false;
    m_token = 0;
  }

  bool IsOpen() const { return m_open; }
  TokenHandle Get() const { return m_token; }

 private:
  ISecurity& m_security;
  TokenHandle m_token = 0;
  bool m_open = false;
};

}  // namespace platform
