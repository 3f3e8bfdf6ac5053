#pragma once
// Bitmaps 130 and 131: the arrows beside the sort column's heading.
#include "tools/draw-images/IndexedImage.h"

namespace images {

// 16 x 16 in the standard 16-colour palette, using only the three greys that
// LR_LOADMAP3DCOLORS exchanges for the system's 3-D colours: the face
// RGB(192,192,192), the shadow RGB(128,128,128) and white for the light edge.
IndexedImage DrawSortArrowUp();
IndexedImage DrawSortArrowDown();

}  // namespace images
