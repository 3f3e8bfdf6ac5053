#pragma once
// The contract suite runs the same cases against the fake Windows (natively) and
// against the Win32 implementation (under Wine). Where both pass, the fake
// behaves like the platform.
#include <string>

#include "platform/Platform.h"

namespace contract {

// The platform under test: a fresh fake per test natively, the real one on Windows.
platform::Platform& Platform();
bool OnRealWindows();
// An empty folder for this test run (under the temporary folder of the Wine prefix,
// or in the fake's file system), without a trailing backslash. Made on first use.
std::wstring ScratchFolder();

}  // namespace contract
