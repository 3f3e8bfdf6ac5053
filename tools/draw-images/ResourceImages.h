#pragma once
// Every image file that the resource script names, drawn and encoded.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace images {

struct ResourceImageFile {
  std::string name;  // file name in ui/res
  std::vector<std::uint8_t> bytes;
};

// icon128.ico, bitmap129.bmp, bitmap130.bmp, bitmap131.bmp, bitmap134.bmp, cursor135.cur.
std::vector<ResourceImageFile> DrawResourceImages();

// Draws every file and writes it into `folder`, which must exist. Throws
// std::runtime_error with the reason; files already in the folder are each
// either the old one or the new one, never a partial one.
std::vector<std::filesystem::path> WriteResourceImages(const std::filesystem::path& folder);

}  // namespace images
