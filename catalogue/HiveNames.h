#pragma once
// The user's form of a hive's kernel registry name.
#include "platform/CString.h"

// "\REGISTRY\MACHINE\" becomes "HKLM\", "\REGISTRY\USER\" becomes "HKU\" (A-Z
// folded when matching, the rest kept as it is); any other name gives an empty
// text: \registry\machine\sam => HKLM\sam, \REGISTRY\USER\S-1-5-20 => HKU\S-1-5-20.
CString TranslateHiveName(const wchar_t* kernelName);
