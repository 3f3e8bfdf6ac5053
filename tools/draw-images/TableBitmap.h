#pragma once
// Bitmap 134: the small table picture in front of every hive in the results list.
#include "tools/draw-images/IndexedImage.h"

namespace images {

// 16 x 16 on RGB(255,0,255), which the list treats as transparent.
IndexedImage DrawTableBitmap();

}  // namespace images
