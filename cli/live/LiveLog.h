#pragma once
// The live commands' log: <Windows>\Kelvaro\kelvaro-hive.log, appended to. The
// folder is made or checked by the same rules as the run's own folders, and
// the file opened so that a link or a second name at it is refused: nothing
// is written anywhere another program could have steered it.
#include <string>

inline constexpr wchar_t kLiveLogName[] = L"kelvaro-hive.log";

// False, with nothing written, when the folder fails its checks or the file
// refuses the append.
bool AppendToLiveLog(const std::string& text);
