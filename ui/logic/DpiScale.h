#pragma once
// The windows' layout constants are designed for 96 dots per inch; at any
// other DPI they scale by DPI / 96 so the windows keep their proportions.
namespace uilogic {

inline constexpr int kDesignDpi = 96;

// `value` * dpi / 96, rounded to the nearest pixel with halves away from zero,
// as MulDiv rounds. A DPI of zero or below (no answer from the system) leaves
// the value as designed.
int ScaleForDpi(int value, int dpi);

}  // namespace uilogic
