#include "editor/EditorLayout.h"
#include "gui/BmpImage.h"
#include "resources/EmbeddedResources.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Expected {
  int id;
  int width;
  int height;
  int depth;
  int images;  // images stacked from the top
};

// The editor draws from these exact sizes: slider travel, button halves and
// switch image heights are all computed from them.
using namespace layout;  // the sizes the editor's layout gives each picture
constexpr std::array<Expected, 11> kBitmaps = {{
    {kBackgroundBitmap, kWindowWidth, kWindowHeight, 24, 1},
    {kSliderTrackBitmap, kTrackWidth, kTrackHeight, 8, 1},
    {kSliderHandleBitmap, kHandleWidth, kHandleHeight, 24, 1},
    {kOnOffButtonBitmap, kButtonSize, kButtonSize* kButtonImages, 24, kButtonImages},
    {kFilterTypeBitmap, kSwitchWidth, kSwitchImageHeight* kPositions, 24, kPositions},
    {kFirstStageBitmap, kStageWidth, kStageImageHeight* kPositions, 24, kPositions},
    {kFirstStageBitmap + 1, kStageWidth, kStageImageHeight* kPositions, 24, kPositions},
    {kFirstStageBitmap + 2, kStageWidth, kStageImageHeight* kPositions, 24, kPositions},
    {kFirstStageBitmap + 3, kStageWidth, kStageImageHeight* kPositions, 24, kPositions},
    {kFftLengthBitmap, kSwitchWidth, kSwitchImageHeight* kPositions, 24, kPositions},
    {kValueBarBitmap, kBarWidth, kBarHeight* kBarImages, 24, kBarImages},
}};

constexpr uint32_t kSeeThrough = 0xFFFFFF;

uint32_t u32At(const unsigned char* p)
{
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

BmpImage decoded(int id)
{
  const EmbeddedBitmap* bitmap = findEmbeddedBitmap(id);
  if (bitmap == nullptr) {
    ADD_FAILURE() << "no bitmap " << id;
    return {};
  }
  auto image = decodeBmp(bitmap->bytes, bitmap->size);
  if (!image) {
    ADD_FAILURE() << "bitmap " << id << " does not decode";
    return {};
  }
  return *image;
}

int red(uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
int green(uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
int blue(uint32_t p) { return static_cast<int>(p & 0xFF); }

// How strongly a region glows amber: red well above blue is what a lit lamp
// and its backlight add; grey legends and dark plates have none of it.
struct Rows {
  int top;
  int bottom;  // exclusive
};

uint32_t pixelAt(const BmpImage& image, int x, int y)
{
  return image
      .pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)];
}

// Over the full width of the picture.
double amberIn(const BmpImage& image, Rows rows)
{
  double sum = 0.0;
  for (int y = rows.top; y < rows.bottom; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint32_t p = pixelAt(image, x, y);
      sum += std::max(0, red(p) - blue(p));
    }
  }
  return sum;
}

TEST(EmbeddedBitmapsTest, everyBitmapHasTheSizeAndDepthTheEditorExpects)
{
  for (const Expected& expected : kBitmaps) {
    SCOPED_TRACE("bitmap " + std::to_string(expected.id));
    const EmbeddedBitmap* bitmap = findEmbeddedBitmap(expected.id);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->id, expected.id);
    ASSERT_GE(bitmap->size, 54u);
    const unsigned char* bytes = bitmap->bytes;
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32At(bytes + 2), bitmap->size) << "file size field";
    EXPECT_EQ(u32At(bytes + 14), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(bytes[28] | (bytes[29] << 8), expected.depth) << "depth field";
    EXPECT_EQ(u32At(bytes + 30), 0u) << "uncompressed";
    // Bottom-up rows padded to four bytes, after the headers and, at 8
    // bits, a 256-entry palette.
    const std::size_t rowBytes = (static_cast<std::size_t>(expected.width) * expected.depth / 8 + 3) / 4 * 4;
    const std::size_t palette = expected.depth == 8 ? 256 * 4 : 0;
    EXPECT_EQ(bitmap->size, 54 + palette + rowBytes * expected.height);
    EXPECT_EQ(static_cast<int32_t>(u32At(bytes + 22)), expected.height) << "bottom-up";

    const BmpImage image = decoded(expected.id);
    EXPECT_EQ(image.width, expected.width);
    EXPECT_EQ(image.height, expected.height);
  }
}

TEST(EmbeddedBitmapsTest, idsWithoutABitmapGiveNull)
{
  for (int id : {-1, 0, 1, 127, 139, 256, 1000}) {
    EXPECT_EQ(findEmbeddedBitmap(id), nullptr) << id;
  }
}

TEST(EmbeddedBitmapsTest, embeddedBytesAreTheCommittedFiles)
{
  for (const Expected& expected : kBitmaps) {
    const std::string path = std::string(BRASKLIN_BITMAP_DIR) + "/bmp" + std::to_string(expected.id) + ".bmp";
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file.good()) << path;
    const std::vector<unsigned char> onDisk((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const EmbeddedBitmap* bitmap = findEmbeddedBitmap(expected.id);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(bitmap->bytes, bitmap->bytes + bitmap->size), onDisk) << path;
  }
}

// Pure white is the handle's see-through key, so it may appear only where the
// track should show: in pixels connected to the picture's edge (the rounded
// corners), never as a hole in the cap, and never inside the grip.
TEST(EmbeddedBitmapsTest, handleIsSeeThroughOnlyOutsideItsCap)
{
  const BmpImage handle = decoded(130);
  ASSERT_EQ(handle.width, 25);
  const int w = handle.width;
  const int h = handle.height;
  auto at = [&](int x, int y) { return pixelAt(handle, x, y); };

  // Flood the white area from the border.
  std::vector<bool> reached(handle.pixels.size(), false);
  auto index = [&](int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
  };
  std::vector<std::pair<int, int>> pending;
  for (int x = 0; x < w; ++x) {
    pending.emplace_back(x, 0);
    pending.emplace_back(x, h - 1);
  }
  for (int y = 0; y < h; ++y) {
    pending.emplace_back(0, y);
    pending.emplace_back(w - 1, y);
  }
  while (!pending.empty()) {
    const auto [x, y] = pending.back();
    pending.pop_back();
    if (x < 0 || y < 0 || x >= w || y >= h) {
      continue;
    }
    const std::size_t i = index(x, y);
    if (reached[i] || at(x, y) != kSeeThrough) {
      continue;
    }
    reached[i] = true;
    pending.emplace_back(x + 1, y);
    pending.emplace_back(x - 1, y);
    pending.emplace_back(x, y + 1);
    pending.emplace_back(x, y - 1);
  }
  int seeThrough = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (at(x, y) == kSeeThrough) {
        ++seeThrough;
        EXPECT_TRUE(reached[index(x, y)]) << "white hole in the cap at " << x << "," << y;
      }
    }
  }
  // The rounded corners show the track; the cap covers the rest.
  EXPECT_EQ(at(0, 0), kSeeThrough);
  EXPECT_EQ(at(w - 1, h - 1), kSeeThrough);
  EXPECT_LT(seeThrough, w * h / 10);

  // The grip, including the light position line across the middle rows.
  for (int y = 2; y < h - 2; ++y) {
    for (int x = 2; x < w - 2; ++x) {
      EXPECT_NE(at(x, y), kSeeThrough) << "grip pixel " << x << "," << y;
    }
  }
  const uint32_t line = at(w / 2, h / 2 - 1);
  EXPECT_GT(red(line) + green(line) + blue(line), 3 * 200) << "the position line is light";
}

// The on/off button shows its upper image for value 0: that one must be the
// dark one, the lower one lit; a value bar lights its lower image's columns.
TEST(EmbeddedBitmapsTest, buttonShowsOffAboveAndOnBelow)
{
  const BmpImage button = decoded(131);
  ASSERT_EQ(button.height, 50);
  const double off = amberIn(button, Rows{0, 25});
  const double on = amberIn(button, Rows{25, 50});
  EXPECT_GT(on, 4.0 * off + 1000.0);
  // The same for a value bar: the empty bar above, the lit one below.
  const BmpImage bar = decoded(kValueBarBitmap);
  ASSERT_EQ(bar.height, 2 * kBarHeight);
  EXPECT_GT(amberIn(bar, Rows{kBarHeight, 2 * kBarHeight}), 4.0 * amberIn(bar, Rows{0, kBarHeight}) + 1000.0);
}

// A switch picks image i for position i from the top, and the editor divides
// the switch into four click zones from the top. So image i must light the
// i-th of its four rows.
TEST(EmbeddedBitmapsTest, eachSwitchImageLightsTheRowOfItsPosition)
{
  for (int id : {132, 133, 134, 135, 136, 137}) {
    const BmpImage strip = decoded(id);
    ASSERT_GT(strip.width, 0);
    const int imageHeight = strip.height / 4;
    for (int image = 0; image < 4; ++image) {
      int brightest = -1;
      double best = -1.0;
      for (int row = 0; row < 4; ++row) {
        const int top = image * imageHeight + row * imageHeight / 4;
        const double glow = amberIn(strip, Rows{top, top + imageHeight / 4});
        if (glow > best) {
          best = glow;
          brightest = row;
        }
      }
      EXPECT_EQ(brightest, image) << "bitmap " << id << " image " << image;
    }
  }
}

}  // namespace
