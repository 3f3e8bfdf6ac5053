#pragma once
// Icon 128, the application's icon: a stack of registry blocks pressed
// together by an arrow. Each size has its own layout on the pixel grid rather
// than being a scaled copy, so that small sizes stay sharp.
#include <array>

#include "tools/draw-images/RgbaImage.h"

namespace images {

inline constexpr std::array<int, 4> kAppIconSizes = {64, 48, 32, 16};

// The icon at one of kAppIconSizes; throws std::invalid_argument for others.
RgbaImage DrawAppIcon(int size);

}  // namespace images
