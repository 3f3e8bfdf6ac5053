#pragma once
// Bitmap 129: the state images of the hive list's tick boxes.
#include "tools/draw-images/IndexedImage.h"

namespace images {

// Three 15 x 14 images side by side on the transparent colour RGB(0,128,128):
// an empty white box, a white box with a green tick, a grey box with a black tick.
IndexedImage DrawTickBoxes();

}  // namespace images
