#include "compaction/RestartRequest.h"

#include <cstdint>

#include "compaction/Privileges.h"
#include "platform/Platform.h"

namespace {

constexpr wchar_t kShutdownPrivilege[] = L"SeShutdownPrivilege";
constexpr bool kUseProcessToken = true;
constexpr std::uint32_t kRestartCountdownSeconds = 10;
constexpr bool kForceAppsClosed = true;
constexpr bool kRebootAfterShutdown = true;

}  // namespace

bool RequestRestart(const CString& message) {
  EnablePrivilege(kShutdownPrivilege, kUseProcessToken);
  const bool accepted = platform::Current().System().RequestShutdown(
      message.GetString(), kRestartCountdownSeconds, kForceAppsClosed, kRebootAfterShutdown);
  DisablePrivilege(kShutdownPrivilege, kUseProcessToken);
  return accepted;
}
