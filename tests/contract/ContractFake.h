#pragma once
// The fake Windows behind the native contract run, for helpers that set it up.
#include "platform/fake/FakeWindows.h"

namespace contract {

platform::fake::FakeWindows& Fake();

}  // namespace contract
