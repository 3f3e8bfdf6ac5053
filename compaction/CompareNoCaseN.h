#pragma once
// A bounded case-insensitive comparison under the calling thread's locale.

// Compares the first min(firstLength, count) characters of `first` with the
// first min(secondLength, count) of `second`, ignoring case (CompareStringW with
// the thread locale and NORM_IGNORECASE). -1, 0 or 1 for less, equal, greater;
// -2 when the platform comparison fails. An absent text sorts before a present
// one (two absent texts are equal). Negative lengths or counts count as 0.
//   CompareNoCaseN(L"hklm\\SYSTEM", 11, L"HKLM\\", 5, 5) => 0
int CompareNoCaseN(const wchar_t* first, int firstLength, const wchar_t* second, int secondLength,
                   int count);
