// Pixel-level checks of the drawing operations' edge rules, text placement,
// bitmaps and offscreen composition, on the headless layer.
#include <gtest/gtest.h>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

class DrawContextTest : public HeadlessGuiTest {
protected:
  void SetUp() override
  {
    HeadlessGuiTest::SetUp();
    frame = std::make_unique<Frame>(Rect{0, 0, 120, 80}, kFakeParentWindow);
    window = backend.newestWindow();
    ASSERT_NE(window, nullptr);
    canvas = window->canvas();
    context = std::make_unique<DrawContext>(*canvas, frame.get());
  }
  void TearDown() override
  {
    context.reset();
    canvas.reset();
    frame.reset();
    HeadlessGuiTest::TearDown();
  }

  std::unique_ptr<Frame> frame;
  HeadlessWindow* window = nullptr;
  std::unique_ptr<Canvas> canvas;
  std::unique_ptr<DrawContext> context;
};

TEST_F(DrawContextTest, fillRectLeavesTopAndLeftEdgeAndStopsBeforeRightAndBottom)
{
  context->setFillColour(kRedColour);
  context->fillRect({10, 20, 30, 40});
  const PixelBox box = boxOf(*window, kRedColour);
  EXPECT_EQ(box.left, 11);
  EXPECT_EQ(box.top, 21);
  EXPECT_EQ(box.right, 29);
  EXPECT_EQ(box.bottom, 39);
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kRedColour), 19 * 19);
}

TEST_F(DrawContextTest, drawRectOutlinesBothEdgesInclusiveAndFillFitsInside)
{
  context->setFrameColour(kGreenColour);
  context->drawRect({10, 20, 30, 40});
  const PixelBox box = boxOf(*window, kGreenColour);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.top, 20);
  EXPECT_EQ(box.right, 30);
  EXPECT_EQ(box.bottom, 40);
  // A closed one-pixel outline of a 21 x 21 pixel square: 4 * 20 pixels, corners included.
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kGreenColour), 80);
  // Filling afterwards touches none of the outline and leaves no gap inside it.
  context->setFillColour(kBlueColour);
  context->fillRect({10, 20, 30, 40});
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kGreenColour), 80);
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kBlackColour), 120 * 80 - 21 * 21);
}

TEST_F(DrawContextTest, linesLeaveOutTheirEndPixelAndDottedSkipsEverySecond)
{
  context->setFrameColour(kYellowColour);
  context->moveTo({5, 5});
  context->lineTo({15, 5});
  EXPECT_EQ(boxOf(*window, kYellowColour).right, 14);
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kYellowColour), 10);
  context->setLineStyle(LineStyle::dotted);
  context->setFrameColour(kCyanColour);
  context->moveTo({5, 10});
  context->lineTo({15, 10});
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kCyanColour), 5);
}

TEST_F(DrawContextTest, ellipseOutlineReachesRightAndBottomEdgeAndFillStaysInside)
{
  context->setFrameColour(kWhiteColour);
  context->drawEllipse({20, 10, 60, 50});
  const PixelBox outline = boxOf(*window, kWhiteColour);
  EXPECT_EQ(outline.left, 20);
  EXPECT_EQ(outline.top, 10);
  EXPECT_EQ(outline.right, 60);
  EXPECT_EQ(outline.bottom, 50);
  EXPECT_EQ(window->pixel({40, 30}), kBlackColour) << "an outline leaves the middle alone";

  context->setFillColour(kMagentaColour);
  context->fillEllipse({70, 10, 110, 50});
  const PixelBox fill = boxOf(*window, kMagentaColour);
  EXPECT_GE(fill.left, 71);
  EXPECT_GE(fill.top, 11);
  EXPECT_LE(fill.right, 109);
  EXPECT_LE(fill.bottom, 49);
  EXPECT_LE(fill.left, 72);  // and it really reaches out to its box
  EXPECT_GE(fill.right, 108);
  EXPECT_EQ(window->pixel({90, 30}), kMagentaColour);
  EXPECT_EQ(window->pixel({71, 11}), kBlackColour) << "corners of the box stay empty";
}

TEST_F(DrawContextTest, arcRunsAnticlockwiseFromStartToEnd)
{
  // From the right-hand ray to the top ray, anticlockwise on screen: only the
  // upper right quarter is drawn.
  context->setFrameColour(kWhiteColour);
  const Rect box{20, 10, 60, 50};
  context->drawArc(box, {60, 30}, {40, 10});
  const PixelBox arc = boxOf(*window, kWhiteColour);
  ASSERT_FALSE(arc.empty());
  EXPECT_GE(arc.left, 39);
  EXPECT_LE(arc.bottom, 31);
  EXPECT_EQ(arc.right, 60);
  EXPECT_EQ(arc.top, 10);

  context->setFillColour(kRedColour);
  context->fillArc({70, 10, 110, 50}, {70, 30}, {90, 50});  // left ray to bottom ray: lower left
  const PixelBox pie = boxOf(*window, kRedColour);
  ASSERT_FALSE(pie.empty());
  EXPECT_LE(pie.right, 91);
  EXPECT_GE(pie.top, 29);
  EXPECT_GE(pie.left, 71);
  EXPECT_LE(pie.bottom, 49);
}

TEST_F(DrawContextTest, polygonIsFilledWithTheFillColourWithoutOutline)
{
  context->setFillColour(kBlueColour);
  context->setFrameColour(kRedColour);
  const Point triangle[] = {{10, 10}, {50, 10}, {10, 50}};
  context->polygon(triangle, 3);
  EXPECT_EQ(window->pixel({15, 15}), kBlueColour);
  EXPECT_EQ(window->pixel({45, 45}), kBlackColour);
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kRedColour), 0);
}

TEST_F(DrawContextTest, drawPointSetsExactlyOnePixel)
{
  context->drawPoint({7, 9}, kGreenColour);
  EXPECT_EQ(window->pixel({7, 9}), kGreenColour);
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kGreenColour), 1);
}

TEST_F(DrawContextTest, drawStringCentresVerticallyAndAlignsHorizontally)
{
  const Rect area{10, 10, 110, 40};
  context->setFont(3);
  context->setFontColour(kWhiteColour);
  auto inkOf = [&](int alignment) {
    context->setFillColour(kBlackColour);
    canvas->fillRect({0, 0, 120, 80}, kBlackColour);
    context->drawString("Mm", area, false, alignment);
    PixelBox ink;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 120; ++x)
        if (window->pixel({x, y}) != kBlackColour) {
          ink.left = std::min(ink.left, x);
          ink.right = std::max(ink.right, x);
          ink.top = std::min(ink.top, y);
          ink.bottom = std::max(ink.bottom, y);
        }
    return ink;
  };
  const PixelBox left = inkOf(kTextAlignLeft);
  const PixelBox centre = inkOf(kTextAlignCentre);
  const PixelBox right = inkOf(kTextAlignRight);
  ASSERT_FALSE(left.empty());
  // Left text starts one pixel in (the glyph's own side bearing may add one more).
  EXPECT_GE(left.left, 11);
  EXPECT_LE(left.left, 13);
  EXPECT_GE(right.right, 106);
  EXPECT_LE(right.right, 109);
  const int inkWidth = left.right - left.left;
  EXPECT_EQ(centre.right - centre.left, inkWidth);
  // Centred ink has (about) equal margins on both sides of the rectangle.
  EXPECT_LE(std::abs((centre.left - area.left) - (area.right - 1 - centre.right)), 3);
  // Capitals of a 12-pixel font sit around the middle of the 30-pixel box.
  const double middle = (centre.top + centre.bottom) / 2.0;
  EXPECT_NEAR(middle, (area.top + area.bottom) / 2.0, 3.0);
  EXPECT_EQ(left.top, right.top);
}

TEST_F(DrawContextTest, opaqueTextFillsItsCellAndTextNeverLeavesTheRectangle)
{
  const Rect area{10, 10, 40, 30};
  context->setFont(1);
  context->setFillColour(kBlueColour);
  context->drawString("Brasklin", area, true, kTextAlignLeft);  // too wide for 30 pixels
  EXPECT_GT(countPixels(*window, area, kBlueColour), 0);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x)
      if (!area.contains({x, y}) || x == area.right || y == area.bottom) {
        ASSERT_EQ(window->pixel({x, y}), kBlackColour) << x << "," << y;
      }
}

TEST_F(DrawContextTest, fontIdOutsideTheTableMeansFontZero)
{
  context->setFont(9);
  EXPECT_EQ(context->getFontId(), 0);
  EXPECT_STREQ(context->getFont().face, "Arial");
  EXPECT_EQ(context->getFont().sizePixels, 12);
  EXPECT_EQ(context->getFont().weight, 700);
  context->setFont(2, 30);
  EXPECT_EQ(context->getFont().sizePixels, 30);
  context->setFont(2, 0);
  EXPECT_EQ(context->getFont().sizePixels, 14);
}

TEST_F(DrawContextTest, startingStateIsWhitePenBlackBrushWhiteTextSolidOnePixel)
{
  EXPECT_EQ(context->getFrameColour(), kWhiteColour);
  EXPECT_EQ(context->getFillColour(), kBlackColour);
  EXPECT_EQ(context->getFontColour(), kWhiteColour);
  EXPECT_EQ(context->getLineWidth(), 1);
  EXPECT_EQ(context->getLineStyle(), LineStyle::solid);
}

TEST_F(DrawContextTest, colourGoesToThePlatformAsRedGreenShiftedBlueShifted)
{
  EXPECT_EQ((Colour{0x12, 0x34, 0x56, 0}).toPlatform(), 0x563412u);
  EXPECT_EQ(kTransparentColour, kWhiteColour);
}

// ---- bitmaps ----

TEST_F(DrawContextTest, bitmapDrawCopiesTheRectangleSizeFromTheOffset)
{
  // Columns coloured by x so that the offset shows in the picture.
  addBitmap(200, 10, 10, [](int x, int) { return x < 5 ? 0xFF0000u : 0x0000FFu; });
  auto* bitmap = new Bitmap(200);
  EXPECT_EQ(bitmap->getWidth(), 10);
  bitmap->draw(context.get(), {30, 30, 33, 32}, {4, 0});
  EXPECT_EQ(window->pixel({30, 30}), kRedColour);
  EXPECT_EQ(window->pixel({31, 31}), kBlueColour);
  EXPECT_EQ(window->pixel({32, 31}), kBlueColour);
  EXPECT_EQ(window->pixel({33, 31}), kBlackColour);
  EXPECT_EQ(window->pixel({30, 32}), kBlackColour);
  bitmap->forget();
}

TEST_F(DrawContextTest, drawTransparentKeepsTheBackgroundUnderWhitePixels)
{
  // A handle-like picture: white frame around a grey core.
  addBitmap(201, 6, 6, [](int x, int y) { return (x == 0 || y == 0 || x == 5 || y == 5) ? 0xFFFFFFu : 0x7F7F7Fu; });
  context->setFillColour(kGreenColour);
  context->fillRect({9, 9, 30, 30});
  auto* bitmap = new Bitmap(201);
  bitmap->drawTransparent(context.get(), {12, 12, 18, 18});
  EXPECT_EQ(window->pixel({12, 12}), kGreenColour) << "white is see-through";
  EXPECT_EQ(window->pixel({17, 14}), kGreenColour);
  EXPECT_EQ(window->pixel({13, 13}), kGreyColour);
  EXPECT_EQ(window->pixel({16, 16}), kGreyColour);
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kWhiteColour), 0);
  // An opaque draw of the same bitmap does paint the white.
  bitmap->draw(context.get(), {40, 12, 46, 18});
  EXPECT_EQ(window->pixel({40, 12}), kWhiteColour);
  bitmap->forget();
}

TEST_F(DrawContextTest, transparencyMaskIsBuiltOnceAndKept)
{
  addSolidBitmap(202, 4, 4, 0x7F7F7F);
  auto* bitmap = new Bitmap(202);
  for (int i = 0; i < 3; ++i) bitmap->drawTransparent(context.get(), {i * 5, 0, i * 5 + 4, 4});
  EXPECT_EQ(backend.masksBuilt(), 1);
  bitmap->forget();
}

TEST_F(DrawContextTest, missingBitmapIsZeroByZeroAndDrawsNothing)
{
  auto* bitmap = new Bitmap(999);
  EXPECT_EQ(bitmap->getWidth(), 0);
  EXPECT_EQ(bitmap->getHeight(), 0);
  bitmap->draw(context.get(), {0, 0, 50, 50});
  bitmap->drawTransparent(context.get(), {0, 0, 50, 50});
  EXPECT_EQ(countPixels(*window, {0, 0, 120, 80}, kBlackColour), 120 * 80);
  bitmap->forget();
}

// A bitmap whose deletion can be observed through the backend: each image the
// backend hands out is counted while it lives.
TEST_F(DrawContextTest, bitmapLivesUntilItsLastHolderForgetsIt)
{
  addSolidBitmap(203, 4, 4, 0xFF0000);
  auto* bitmap = new Bitmap(203);
  bitmap->remember();
  bitmap->remember();
  EXPECT_EQ(bitmap->getReferenceCount(), 3);
  bitmap->forget();
  bitmap->forget();
  EXPECT_EQ(bitmap->getReferenceCount(), 1);
  bitmap->draw(context.get(), {0, 0, 4, 4});  // still usable
  EXPECT_EQ(window->pixel({0, 0}), kRedColour);
  bitmap->forget();  // deleted here; the sanitizer build checks there is no leak or double free
}

TEST_F(DrawContextTest, offscreenIsClearedToItsColourAndCopiedInOneStep)
{
  OffscreenContext offscreen(frame.get(), 20, 10, kBlueColour);
  offscreen.setFillColour(kRedColour);
  offscreen.fillRect({4, 0, 10, 10});  // paints x 5..9, y 1..9
  offscreen.copyTo(context.get(), {50, 50, 60, 55}, {3, 2});
  // Source x 3..12, y 2..6 lands at 50..59, 50..54.
  EXPECT_EQ(window->pixel({50, 50}), kBlueColour);   // source (3, 2)
  EXPECT_EQ(window->pixel({52, 50}), kRedColour);    // source (5, 2)
  EXPECT_EQ(window->pixel({56, 54}), kRedColour);    // source (9, 6)
  EXPECT_EQ(window->pixel({57, 54}), kBlueColour);   // source (10, 6)
  EXPECT_EQ(window->pixel({60, 52}), kBlackColour);  // outside the destination
  EXPECT_EQ(window->pixel({55, 55}), kBlackColour);
}

}  // namespace

namespace {

// The plug-in's own artwork, as every platform layer but Windows loads it.
TEST_F(DrawContextTest, embeddedArtworkLoadsWithTheEditorsSizes)
{
  const struct {
    int id, width, height;
  } expected[] = {{128, 560, 420}, {129, 25, 175}, {130, 25, 22},  {131, 25, 50},
                  {132, 40, 240},  {133, 62, 400}, {136, 62, 400}, {137, 40, 240}};
  for (const auto& e : expected) {
    auto* bitmap = new Bitmap(e.id);
    EXPECT_EQ(bitmap->getWidth(), e.width) << e.id;
    EXPECT_EQ(bitmap->getHeight(), e.height) << e.id;
    bitmap->forget();
  }
  backend.hideBitmap(128);
  auto* hidden = new Bitmap(128);
  EXPECT_FALSE(hidden->isLoaded());
  hidden->forget();
}

}  // namespace
