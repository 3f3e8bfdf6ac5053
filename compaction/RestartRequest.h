#pragma once
// The restart that finishes a run or a restore: Windows counts down with the
// message shown, closes every program, and starts again.
#include "platform/CString.h"

// True when the platform accepted the request. SeShutdownPrivilege is on for
// the request alone.
bool RequestRestart(const CString& message);
