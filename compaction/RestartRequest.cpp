#include "compaction/RestartRequest.h"

#include <cstdint>

#include "compaction/PrivilegeGuard.h"
#include "platform/Platform.h"

namespace {

constexpr std::uint32_t kRestartCountdownSeconds = 10;
constexpr bool kForceAppsClosed = true;
constexpr bool kRebootAfterShutdown = true;

}  // namespace

bool RequestRestart(const CString& message) {
  PrivilegeGuard shutdown(kShutdownPrivilege);
  if (!shutdown.Enabled()) return false;
  return platform::Current().System().RequestShutdown(message.GetString(), kRestartCountdownSeconds,
                                                      kForceAppsClosed, kRebootAfterShutdown);
}
