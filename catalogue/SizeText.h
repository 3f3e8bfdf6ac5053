#pragma once
// The text of every size the program shows: whole kilobytes in the number
// format of the system's default locale, followed by " KB".
#include <cstdint>

#include "platform/CString.h"

// `value` as digits in `radix` (only its low 8 bits count), most significant
// first, upper-case letters above 9, no sign, prefix or separators:
// 255, 16 => "FF"; 0, 10 => "0". A radix outside 2..36 gives an empty text.
CString IntegerToText(std::uint64_t value, std::uint32_t radix);

// The decimal digits of `value` grouped as the system default locale says
// (its grouping's first digit, its separators), no fractional part.
// 1234567 => "1,234,567" under a locale with comma groups of three.
CString FormatNumber(std::uint64_t value);

// `bytes` divided by 1024, remainder dropped, as FormatNumber text plus " KB":
// 1023 => "0 KB", 18874368 => "18,432 KB".
CString FormatSizeKB(std::uint64_t bytes);
