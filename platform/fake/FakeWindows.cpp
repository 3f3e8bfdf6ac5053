#include "platform/fake/FakeWindows.h"

namespace platform::fake {

FakeWindows::FakeWindows()
    : system(faults),
      security(faults, system),
      registry(faults, security),
      files(faults, system),
      volumes(faults, system),
      locale(faults, system) {}

}  // namespace platform::fake
