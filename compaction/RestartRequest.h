#pragma once
// The restart that finishes a run or a restore: Windows counts down with the
// message shown, closes every program, and starts again.
#include "platform/CString.h"

// True when the platform accepted the request. SeShutdownPrivilege is on for
// the request alone.
bool RequestRestart(const CString& message);

// Said whenever swaps are scheduled and no restart is under way: whatever is
// written to those hives until the restart goes to the old files, which
// become the backups, and is not in the compacted hives.
inline constexpr wchar_t kSwapsWaitWarning[] =
    L"The swaps will happen at the next start of Windows; changes made until then will be lost.";
