#pragma once
// SECURITY_ATTRIBUTES over a self-relative descriptor held as bytes. The
// descriptor is copied because the Win32 field is not const; an empty one
// gives no attributes at all (the object gets its default security).

#include <windows.h>

#include <cstdint>
#include <vector>

class CSecurityAttributes {
 public:
  explicit CSecurityAttributes(const std::vector<std::uint8_t>& descriptor)
      : m_descriptor(descriptor) {
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = m_descriptor.data();
    m_attributes.bInheritHandle = FALSE;
  }
  CSecurityAttributes(const CSecurityAttributes&) = delete;
  CSecurityAttributes& operator=(const CSecurityAttributes&) = delete;

  SECURITY_ATTRIBUTES* Get() { return m_descriptor.empty() ? nullptr : &m_attributes; }

 private:
  std::vector<std::uint8_t> m_descriptor;
  SECURITY_ATTRIBUTES m_attributes{};
};
