#pragma once
// The seam to the operating system: one object that hands out each concern's
// interface. The program installs the Win32 implementation at start; tests
// install the fake Windows.
#include "platform/IFileSystem.h"
#include "platform/ILocale.h"
#include "platform/IRegistry.h"
#include "platform/ISecurity.h"
#include "platform/IShell.h"
#include "platform/ISystem.h"
#include "platform/IVolumes.h"

namespace platform {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual IRegistry& Registry() = 0;
  virtual ISecurity& Security() = 0;
  virtual ISystem& System() = 0;
  virtual IFileSystem& Files() = 0;
  virtual IVolumes& Volumes() = 0;
  virtual ILocale& Locale() = 0;
  virtual IShell& Shell() = 0;
};

// The installed platform. Using it before anything is installed is a programming
// error and aborts.
Platform& Current();

// Installs a platform for the lifetime of this object and restores the previous one.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* m_pPrevious;
};

}  // namespace platform
