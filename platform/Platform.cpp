#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
Platform* g_pInstalled = nullptr;
}

Platform& Current() {
  if (g_pInstalled == nullptr) {
    std::fputs("kelvaro: no platform installed\n", stderr);
    std::abort();
  }
  return *g_pInstalled;
}

ScopedPlatform::ScopedPlatform(Platform& platform) : m_pPrevious(g_pInstalled) {
  g_pInstalled = &platform;
}

ScopedPlatform::~ScopedPlatform() { g_pInstalled = m_pPrevious; }

}  // namespace platform
