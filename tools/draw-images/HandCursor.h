#pragma once
// Cursor 135: the pointing hand shown over the About box's web link.
#include "tools/draw-images/IconFile.h"

namespace images {

// 32 x 32, black and white: a white hand with a black outline, index finger
// up, the hot spot at the tip of the finger, (6, 0).
CursorImage DrawHandCursor();

}  // namespace images
