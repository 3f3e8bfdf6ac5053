#pragma once
// Swaps an earlier run scheduled that Windows has not made yet. A second run
// must not schedule those hives again: its copy would be saved from a hive
// whose file is about to change under it, and the first swap's backup would
// be lost. Such a hive waits for the restart; nothing is wrong with it.
#include <string>
#include <vector>

#include "path/PathName.h"
#include "platform/CString.h"

// The user-form names of the hives whose newest record (walking the runs on
// record from the newest) says the swap was scheduled while the live file's
// size is still not the copy's. A hive an earlier run left waiting for this
// reason stays waiting: the record before it decides.
std::vector<std::wstring> PendingSwaps(const CPathName& windowsFolder);

bool IsPendingSwap(const std::vector<std::wstring>& pending, const CString& hiveName);
