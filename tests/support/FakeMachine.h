#pragma once
// A fake Windows installed as the platform for as long as it lives, so a test,
// a fixture's member or a row's loop body sets up a machine in one line and
// uses it as the fake Windows it is.
#include "platform/Platform.h"
#include "platform/fake/FakeWindows.h"

namespace test_support {

class FakeMachine : public platform::fake::FakeWindows {
 private:
  platform::ScopedPlatform m_installed{*this};
};

}  // namespace test_support
