#include "cli/live/Elevation.h"

#include <cstdint>

#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

bool ProcessIsElevated() {
  platform::ISecurity& security = platform::Current().Security();
  platform::ScopedToken token(security);
  if (!token.OpenProcess(platform::kTokenQuery)) return false;
  std::uint32_t elevation = 0;
  std::uint32_t length = 0;
  if (!security.GetTokenInformation(token.Get(), platform::kTokenElevationClass, &elevation,
                                    sizeof elevation, &length)) {
    return false;
  }
  return length == sizeof elevation && elevation != 0;
}

bool ElevatedOrSaid(std::string_view command, std::ostream& err) {
  if (ProcessIsElevated()) return true;
  err << "kelvaro-hive: " << command
      << " needs administrator rights: run it from an elevated prompt (Run as administrator).\n";
  return false;
}
