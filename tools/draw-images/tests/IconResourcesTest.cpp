// Facts about the committed icon and cursor, read back from the files.
#include <gtest/gtest.h>

#include <algorithm>

#include "tools/draw-images/tests/CommittedImages.h"
#include "tools/draw-images/tests/ImageFileReader.h"

namespace {

using imagetest::CommittedImage;
using imagetest::DirectoryImage;
using imagetest::IconDirectory;
using imagetest::ParseIconOrCursor;
using imagetest::ReadBytes;

IconDirectory Load(const std::string& name) {
  return ParseIconOrCursor(ReadBytes(CommittedImage(name)));
}

TEST(IconResource, FourTrueColourImagesWithAlpha) {
  const IconDirectory icon = Load("icon128.ico");
  EXPECT_EQ(icon.type, 1);
  const int sizes[] = {64, 48, 32, 16};
  ASSERT_EQ(icon.images.size(), std::size(sizes));
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    const DirectoryImage& image = icon.images[i];
    EXPECT_EQ(image.entry.width, sizes[i]) << "row " << i;
    EXPECT_EQ(image.entry.height, sizes[i]) << "row " << i;
    EXPECT_EQ(image.entry.colourCount, 0) << "row " << i;
    EXPECT_EQ(image.entry.planesOrHotSpotX, 1) << "row " << i << ": planes";
    EXPECT_EQ(image.entry.bitCountOrHotSpotY, 32) << "row " << i << ": bit count";
    EXPECT_EQ(image.Width(), sizes[i]) << "row " << i;
    EXPECT_EQ(image.dib.height, 2 * sizes[i]) << "row " << i << ": colour rows and mask rows";
    EXPECT_EQ(image.dib.bitsPerPixel, 32) << "row " << i;
    EXPECT_EQ(image.dib.compression, 0u) << "row " << i;
    EXPECT_TRUE(image.dib.palette.empty()) << "row " << i;
  }
}

TEST(IconResource, MaskMarksExactlyTheFullyTransparentPixels) {
  const IconDirectory icon = Load("icon128.ico");
  for (std::size_t i = 0; i < icon.images.size(); ++i) {
    const DirectoryImage& image = icon.images[i];
    for (int y = 0; y < image.Height(); ++y) {
      for (int x = 0; x < image.Width(); ++x) {
        ASSERT_EQ(image.Masked(x, y), image.Pixel(x, y).a == 0)
            << "image " << i << " (" << image.Width() << " px) at (" << x << "," << y << ")";
      }
    }
  }
}

bool IsBlue(const imagetest::Rgba& p) { return p.a == 255 && p.b > p.r + 60; }
bool IsOrange(const imagetest::Rgba& p) {
  return p.a == 255 && p.r > 200 && p.g > 80 && p.g < 235 && p.b < 140;
}

// Every size shows the same picture: blue blocks in the middle, orange arrows
// at both sides, transparent corners.
TEST(IconResource, EverySizeShowsTheBlocksAndBothArrows) {
  const IconDirectory icon = Load("icon128.ico");
  for (std::size_t i = 0; i < icon.images.size(); ++i) {
    const DirectoryImage& image = icon.images[i];
    const int n = image.Width();
    for (auto [x, y] : {std::pair{0, 0}, {n - 1, 0}, {0, n - 1}, {n - 1, n - 1}}) {
      EXPECT_EQ(image.Pixel(x, y).a, 0)
          << "image " << i << " (" << n << " px) corner (" << x << "," << y << ")";
    }
    EXPECT_TRUE(IsBlue(image.Pixel(n / 2, n / 2)))
        << "image " << i << " (" << n << " px): blue in the middle";
    int orangeLeft = 0, orangeRight = 0;
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n / 4; ++x) {
        orangeLeft += IsOrange(image.Pixel(x, y)) ? 1 : 0;
        orangeRight += IsOrange(image.Pixel(n - 1 - x, y)) ? 1 : 0;
      }
    }
    EXPECT_GE(orangeLeft, n / 2) << "image " << i << " (" << n << " px): an arrow on the left";
    EXPECT_EQ(orangeLeft, orangeRight)
        << "image " << i << " (" << n << " px): the arrows mirror each other";
  }
}

TEST(IconResource, LargeImagesHaveSoftEdges) {
  const IconDirectory icon = Load("icon128.ico");
  for (std::size_t i = 0; i < 2; ++i) {
    const DirectoryImage& image = icon.images[i];
    int translucent = 0;
    for (int y = 0; y < image.Height(); ++y) {
      for (int x = 0; x < image.Width(); ++x) {
        const int a = image.Pixel(x, y).a;
        translucent += a > 0 && a < 255 ? 1 : 0;
      }
    }
    EXPECT_GE(translucent, image.Width())
        << "image " << i << " (" << image.Width() << " px) uses alpha";
  }
}

enum class Shown { kScreen, kBlack, kWhite, kInverted };

Shown ShownAt(const DirectoryImage& cursor, int x, int y) {
  const bool masked = cursor.Masked(x, y);
  const int bit = cursor.ColourBit(x, y);
  if (masked) return bit == 0 ? Shown::kScreen : Shown::kInverted;
  return bit == 0 ? Shown::kBlack : Shown::kWhite;
}

TEST(CursorResource, OneBlackAndWhiteImageWithItsHotSpot) {
  const IconDirectory cursor = Load("cursor135.cur");
  EXPECT_EQ(cursor.type, 2);
  ASSERT_EQ(cursor.images.size(), 1u);
  const DirectoryImage& image = cursor.images[0];
  EXPECT_EQ(image.entry.width, 32);
  EXPECT_EQ(image.entry.height, 32);
  EXPECT_EQ(image.entry.planesOrHotSpotX, 6) << "hot spot x";
  EXPECT_EQ(image.entry.bitCountOrHotSpotY, 0) << "hot spot y";
  EXPECT_EQ(image.Width(), 32);
  EXPECT_EQ(image.dib.height, 64);
  EXPECT_EQ(image.dib.bitsPerPixel, 1);
  ASSERT_EQ(image.dib.palette.size(), 2u);
  EXPECT_EQ(image.dib.palette[0], (imagetest::Colour{0, 0, 0}));
  EXPECT_EQ(image.dib.palette[1], (imagetest::Colour{255, 255, 255}));
}

TEST(CursorResource, WhiteHandWithAClosedBlackOutline) {
  const DirectoryImage image = Load("cursor135.cur").images.at(0);
  int white = 0, black = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const Shown shown = ShownAt(image, x, y);
      ASSERT_NE(shown, Shown::kInverted) << "(" << x << "," << y << ")";
      if (shown == Shown::kBlack) ++black;
      if (shown != Shown::kWhite) continue;
      ++white;
      for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
        const int nx = x + dx, ny = y + dy;
        const bool outside = nx < 0 || ny < 0 || nx >= 32 || ny >= 32;
        EXPECT_TRUE(!outside && ShownAt(image, nx, ny) != Shown::kScreen)
            << "white (" << x << "," << y << ") touches the screen at (" << nx << "," << ny << ")";
      }
    }
  }
  EXPECT_GE(white, 150);
  EXPECT_GE(black, 50);
}

TEST(CursorResource, HotSpotIsTheTipOfTheRaisedFinger) {
  const DirectoryImage image = Load("cursor135.cur").images.at(0);
  EXPECT_EQ(ShownAt(image, 6, 0), Shown::kBlack) << "the hot spot is on the fingertip's outline";
  // The finger: the top rows are a narrow column around x = 6, centred on it.
  for (int y = 0; y < 6; ++y) {
    int left = 32, right = -1;
    for (int x = 0; x < 32; ++x) {
      if (ShownAt(image, x, y) == Shown::kScreen) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
    EXPECT_LE(right - left + 1, 5) << "line " << y << ": only the finger";
    EXPECT_EQ(left + right, 12) << "line " << y << ": centred on the hot spot";
  }
  // Below the finger the hand widens into the palm.
  int widest = 0;
  for (int y = 6; y < 32; ++y) {
    int count = 0;
    for (int x = 0; x < 32; ++x) count += ShownAt(image, x, y) != Shown::kScreen ? 1 : 0;
    widest = std::max(widest, count);
  }
  EXPECT_GE(widest, 15);
}

}  // namespace
