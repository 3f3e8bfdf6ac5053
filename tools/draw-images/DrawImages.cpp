// kelvaro_draw_images: draws the icon, bitmaps and cursor of the resource
// script into a folder (normally ui/res), replacing the files there.
#include <exception>
#include <iostream>

#include "tools/draw-images/ResourceImages.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kelvaro_draw_images <output folder>\n";
    return 2;
  }
  try {
    for (const auto& path : images::WriteResourceImages(argv[1]))
      std::cout << path.string() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "kelvaro_draw_images: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
