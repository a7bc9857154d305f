// GDI drawing against the toolkit's pixel rules, the artwork files and the
// text metrics the Linux layer measured: offscreen pictures only, so every
// pixel is read back exactly as drawn.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "gui/BmpImage.h"
#include "gui/Fonts.h"
#include "platform/win32/Win32Backend.h"
#include "tests/windows_gui/ReferencePicture.h"

namespace {

const std::string kBitmapDir = BRASKLIN_BITMAP_DIR;
const std::string kReferenceDir = BRASKLIN_WINDOWS_GUI_REFERENCE_DIR;

std::optional<BmpImage> bitmapFile(int id)
{
  std::ifstream file(kBitmapDir + "/bmp" + std::to_string(id) + ".bmp", std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return decodeBmp(bytes.data(), bytes.size());
}

int countColour(Canvas& canvas, const Rect& area, Colour colour)
{
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) n += canvas.pixel({x, y}) == colour;
  return n;
}

// Bounding box (right, bottom exclusive) of `colour` within `area`.
Rect boxOf(Canvas& canvas, const Rect& area, Colour colour)
{
  Rect box{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (canvas.pixel({x, y}) == colour) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
  return box;
}

class Win32CanvasTest : public ::testing::Test {
protected:
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): width before height throughout
  std::unique_ptr<Canvas> offscreen(int w, int h)
  {
    std::unique_ptr<Canvas> canvas = backend.createOffscreen(nullptr, w, h);
    EXPECT_NE(canvas, nullptr);
    return canvas;
  }
  Win32Backend backend;
};

TEST_F(Win32CanvasTest, rectanglesAndLinesLeaveOutTheirRightBottomAndEndPixels)
{
  auto canvas = offscreen(40, 40);
  ASSERT_TRUE(canvas);
  EXPECT_EQ(countColour(*canvas, {0, 0, 40, 40}, kBlackColour), 1600) << "a new picture is black";

  canvas->fillRect({5, 6, 15, 20}, kRedColour);
  EXPECT_EQ(countColour(*canvas, {0, 0, 40, 40}, kRedColour), 10 * 14);
  EXPECT_EQ(boxOf(*canvas, {0, 0, 40, 40}, kRedColour), (Rect{5, 6, 15, 20}));

  const PenSpec white{kWhiteColour, 1, LineStyle::solid};
  canvas->line({2, 30}, {12, 30}, white);
  EXPECT_EQ(boxOf(*canvas, {0, 25, 40, 32}, kWhiteColour), (Rect{2, 30, 12, 31}));
  canvas->line({20, 0}, {30, 10}, white);
  EXPECT_EQ(canvas->pixel({20, 0}), kWhiteColour);
  EXPECT_EQ(canvas->pixel({29, 9}), kWhiteColour);
  EXPECT_EQ(canvas->pixel({30, 10}), kBlackColour) << "the end point is not painted";
  EXPECT_EQ(countColour(*canvas, {16, 0, 40, 12}, kWhiteColour), 10);

  // Dotted: one pixel on, one off, starting on.
  canvas->line({2, 35}, {12, 35}, PenSpec{kGreenColour, 1, LineStyle::dotted});
  for (int x = 2; x < 12; ++x) EXPECT_EQ(canvas->pixel({x, 35}), x % 2 == 0 ? kGreenColour : kBlackColour) << "x " << x;

  canvas->setPixel({39, 39}, kYellowColour);
  EXPECT_EQ(canvas->pixel({39, 39}), kYellowColour);
  EXPECT_EQ(canvas->pixel({40, 39}), kBlackColour) << "outside the picture reads black";
}

TEST_F(Win32CanvasTest, ellipsesAndPiesFillExactlyTheirBox)
{
  auto canvas = offscreen(60, 60);
  ASSERT_TRUE(canvas);
  // A filled ellipse touches all four sides of its box and nothing outside
  // (with no pen GDI would stop one pixel short on the right and bottom).
  const Rect box{4, 4, 24, 14};
  canvas->fillEllipse(box, kGreenColour);
  EXPECT_EQ(boxOf(*canvas, {0, 0, 60, 30}, kGreenColour), box);
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) {
      const Point mirrored{box.left + box.right - 1 - x, box.top + box.bottom - 1 - y};
      ASSERT_EQ(canvas->pixel({x, y}), canvas->pixel(mirrored)) << x << "," << y;
    }

  const Rect ring{30, 4, 50, 24};
  canvas->strokeEllipse(ring, PenSpec{kWhiteColour, 1, LineStyle::solid});
  EXPECT_EQ(boxOf(*canvas, {26, 0, 60, 30}, kWhiteColour), ring);
  EXPECT_EQ(canvas->pixel({40, 14}), kBlackColour) << "an outline leaves the inside alone";

  // Anticlockwise from the ray to the right to the ray upwards: the top-right quarter.
  const Rect pieBox{0, 30, 21, 51};
  canvas->fillPie(pieBox, {20, 40}, {10, 30}, kBlueColour);
  EXPECT_EQ(canvas->pixel({15, 35}), kBlueColour);
  EXPECT_EQ(canvas->pixel({5, 35}), kBlackColour);
  EXPECT_EQ(canvas->pixel({5, 45}), kBlackColour);
  EXPECT_EQ(canvas->pixel({15, 45}), kBlackColour);

  const Point triangle[] = {{30, 30}, {50, 30}, {30, 50}};
  canvas->fillPolygon(triangle, 3, kCyanColour);
  EXPECT_EQ(canvas->pixel({33, 33}), kCyanColour);
  EXPECT_EQ(canvas->pixel({48, 48}), kBlackColour);
}

TEST_F(Win32CanvasTest, resourceBitmapsDrawExactlyTheirFilesPixels)
{
  for (int id : {128, 129, 131, 137, 138}) {
    const std::optional<BmpImage> file = bitmapFile(id);
    ASSERT_TRUE(file) << "bmp" << id;
    std::unique_ptr<BackendImage> image = backend.loadBitmap(id);
    ASSERT_TRUE(image) << "resource " << id;
    ASSERT_EQ(image->width(), file->width);
    ASSERT_EQ(image->height(), file->height);
    auto canvas = offscreen(file->width, file->height);
    ASSERT_TRUE(canvas);
    canvas->drawImage(*image, nullptr, {0, 0}, {0, 0, file->width, file->height});
    int differing = 0;
    for (int y = 0; y < file->height; ++y)
      for (int x = 0; x < file->width; ++x)
        differing += canvas->pixel({x, y}).toRgb() != file->pixels[std::size_t(y) * file->width + x];
    EXPECT_EQ(differing, 0) << "bitmap " << id;
  }
  EXPECT_EQ(backend.loadBitmap(999), nullptr);
  EXPECT_EQ(backend.loadBitmap(0), nullptr);
  EXPECT_EQ(backend.loadBitmap(-128), nullptr);
}

TEST_F(Win32CanvasTest, maskedDrawKeepsTheBackgroundWhereTheKeyColourIs)
{
  const std::optional<BmpImage> file = bitmapFile(130);  // the slider handle
  ASSERT_TRUE(file);
  std::unique_ptr<BackendImage> image = backend.loadBitmap(130);
  ASSERT_TRUE(image);
  std::unique_ptr<BackendMask> mask = backend.createMask(*image, kTransparentColour);
  ASSERT_TRUE(mask);
  const int w = file->width, h = file->height;
  int keyPixels = 0;
  for (uint32_t p : file->pixels) keyPixels += p == kTransparentColour.toRgb();
  ASSERT_GT(keyPixels, 0);
  ASSERT_LT(keyPixels, w * h);

  // Twice, to see the mask reused, and once more from an offset into the
  // picture with a destination reaching past its end.
  const auto leftOf = [w](int copy) { return 2 + copy * (w + 14); };
  auto canvas = offscreen(3 * w + 45, h + 10);
  ASSERT_TRUE(canvas);
  canvas->fillRect({0, 0, 3 * w + 45, h + 10}, kBlueColour);
  canvas->drawImage(*image, mask.get(), {0, 0}, {leftOf(0), 3, leftOf(0) + w, 3 + h});
  canvas->drawImage(*image, mask.get(), {0, 0}, {leftOf(1), 3, leftOf(1) + w, 3 + h});
  const Point offset{3, 2};
  canvas->drawImage(*image, mask.get(), offset, {leftOf(2), 3, leftOf(2) + w + 10, 3 + h + 5});
  for (int copy = 0; copy < 3; ++copy) {
    const int left = leftOf(copy);
    const Point from = copy == 2 ? offset : Point{0, 0};
    int wrong = 0;
    for (int y = 0; y < h + 5; ++y)
      for (int x = 0; x < w + 10; ++x) {
        const int sx = x + from.x, sy = y + from.y;
        const bool inImage = sx < w && sy < h && (copy == 2 || (x < w && y < h));
        uint32_t expected = kBlueColour.toRgb();
        if (inImage && file->pixels[std::size_t(sy) * w + sx] != kTransparentColour.toRgb())
          expected = file->pixels[std::size_t(sy) * w + sx];
        wrong += canvas->pixel({left + x, 3 + y}).toRgb() != expected;
      }
    EXPECT_EQ(wrong, 0) << "copy " << copy;
  }
}

TEST_F(Win32CanvasTest, copyFromMovesTheRequestedPartOfAnotherPicture)
{
  auto source = offscreen(20, 20);
  auto dest = offscreen(20, 20);
  ASSERT_TRUE(source && dest);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) source->setPixel({x, y}, Colour{uint8_t(x * 10), uint8_t(y * 10), 7, 0});
  dest->copyFrom(*source, {4, 5}, {10, 10, 16, 13});
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool copied = x >= 10 && x < 16 && y >= 10 && y < 13;
      const Colour expected = copied ? Colour{uint8_t((x - 6) * 10), uint8_t((y - 5) * 10), 7, 0} : kBlackColour;
      ASSERT_EQ(dest->pixel({x, y}), expected) << x << "," << y;
    }
}

TEST_F(Win32CanvasTest, textMeasuresLikeTheLinuxLayerAndStaysInsideItsClip)
{
  const std::vector<TextMeasurement> linux = readMeasurements(kReferenceDir + "/metrics.txt");
  ASSERT_EQ(linux.size(), 20u) << "metrics.txt from the Linux build";
  auto canvas = offscreen(200, 40);
  ASSERT_TRUE(canvas);
  for (const TextMeasurement& expected : linux) {
    const TextMetrics m = canvas->measureText(expected.text, fontFor(expected.fontId));
    // Text is centred from these numbers: within a pixel, it lands where the
    // Linux layer puts it.
    EXPECT_NEAR(m.width, expected.width, 1) << '"' << expected.text << "\" font " << expected.fontId;
    EXPECT_NEAR(m.height, expected.height, 1) << '"' << expected.text << "\" font " << expected.fontId;
    EXPECT_NEAR(m.ascent, expected.ascent, 1) << '"' << expected.text << "\" font " << expected.fontId;
  }
  EXPECT_EQ(canvas->measureText("", fontFor(3)).width, 0);

  // Wider than its clip: nothing outside the clip is painted, something inside is.
  const Rect clip{10, 5, 40, 25};
  canvas->drawText("WWWWWWWW", {12, 8}, fontFor(1), kWhiteColour, clip);
  const Rect ink = boxOf(*canvas, {0, 0, 200, 40}, kWhiteColour);
  EXPECT_GE(ink.left, clip.left);
  EXPECT_GE(ink.top, clip.top);
  EXPECT_LE(ink.right, clip.right);
  EXPECT_LE(ink.bottom, clip.bottom);
  EXPECT_GT(ink.right - ink.left, 10) << "the text was drawn";
  int outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x)
      if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom)
        outside += canvas->pixel({x, y}) != kBlackColour;
  EXPECT_EQ(outside, 0);
}

}  // namespace
