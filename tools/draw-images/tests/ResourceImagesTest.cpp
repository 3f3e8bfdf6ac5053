// The committed images are exactly what the drawing program draws today, and
// writing them is all-or-nothing per file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include "tools/draw-images/tests/CommittedImages.h"
#include "tools/draw-images/tests/ImageFileReader.h"
#include "tools/draw-images/ResourceImages.h"

namespace {

using imagetest::CommittedImage;
using imagetest::ReadBytes;
using imagetest::ScratchFolder;

const std::vector<std::string> kFileNames = {"icon128.ico",   "bitmap129.bmp", "bitmap130.bmp",
                                             "bitmap131.bmp", "bitmap134.bmp", "cursor135.cur"};

std::set<std::string> FilesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

TEST(ResourceImages, CommittedFilesAreByteIdenticalToAFreshDrawing) {
  ScratchFolder scratch;
  images::WriteResourceImages(scratch.Path());
  EXPECT_EQ(FilesIn(scratch.Path()), std::set<std::string>(kFileNames.begin(), kFileNames.end()))
      << "exactly the six files, with no temporary file left over";
  for (std::size_t i = 0; i < kFileNames.size(); ++i) {
    const std::string& name = kFileNames[i];
    EXPECT_TRUE(ReadBytes(scratch.Path() / name) == ReadBytes(CommittedImage(name)))
        << "row " << i << ": ui/res/" << name
        << " differs from a fresh drawing; run scripts/draw-images.sh and commit the result";
  }
}

TEST(ResourceImages, ReplacesExistingFilesWhole) {
  ScratchFolder scratch;
  {
    std::ofstream stale(scratch.Path() / "icon128.ico", std::ios::binary);
    stale << "an older, longer icon file that must not survive in part";
  }
  images::WriteResourceImages(scratch.Path());
  EXPECT_TRUE(ReadBytes(scratch.Path() / "icon128.ico") ==
              ReadBytes(CommittedImage("icon128.ico")));
}

TEST(ResourceImages, MissingOutputFolderIsReportedAndNothingIsCreated) {
  ScratchFolder scratch;
  const auto missing = scratch.Path() / "no such folder";
  try {
    images::WriteResourceImages(missing);
    FAIL() << "writing into a missing folder succeeded";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(missing.string()), std::string::npos) << error.what();
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_TRUE(FilesIn(scratch.Path()).empty());
}

TEST(ResourceImages, AFileThatCannotBeReplacedIsReportedWithoutLeavingAPartialFile) {
  ScratchFolder scratch;
  // A folder standing where a bitmap should go cannot be replaced by a file.
  std::filesystem::create_directory(scratch.Path() / "bitmap130.bmp");
  try {
    images::WriteResourceImages(scratch.Path());
    FAIL() << "replacing a folder with a file succeeded";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("bitmap130.bmp"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(std::filesystem::is_directory(scratch.Path() / "bitmap130.bmp"));
  for (const std::string& name : FilesIn(scratch.Path())) {
    EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
  }
  // Files written before the failure are complete.
  EXPECT_TRUE(ReadBytes(scratch.Path() / "bitmap129.bmp") ==
              ReadBytes(CommittedImage("bitmap129.bmp")));
}

}  // namespace
