// The whole editor as the host shows it, for program 0 and for a program with
// every control away from its default: each slider's handle stands where its
// value puts it, each switch and button shows the image of its value, each
// value bar is lit as far as its value (a switch's bar at its position's
// zone) and carries the value's text, both boxes carry text. The two
// pictures are written as PNG files for the eye.
#include <gtest/gtest.h>

#include <cairo.h>

#include <array>
#include <string>

#include "effect/ParameterTable.h"
#include "gui/ValueBar.h"
#include "tests/editor/EditorPictureValues.h"
#include "tests/editor/EditorTestSupport.h"

namespace editortest {
namespace {

// What a picture must show, besides the handles (which follow from the values).
struct Expected {
  int fftLengthImage;
  int filterTypeImage;
  bool stablizeOn;
  bool quickDetectOn;
  bool preciseOn;
  std::array<int, 4> stageImages;  // First .. Forth
};

// The columns of a value bar the window shows lit, read along a row above
// its text (the lit and the empty image differ in every column there).
int litColumns(const HeadlessWindow& window, const layout::Control& bar)
{
  const Artwork art(bar.bitmap);
  constexpr int kRow = 2;
  int lit = 0;
  for (int x = 1; x < bar.imageWidth - 1; ++x) {
    const uint32_t shown = window.pixel({bar.rect.left + x, bar.rect.top + kRow}).toRgb();
    EXPECT_TRUE(shown == art.pixel(x, bar.imageHeight + kRow) || shown == art.pixel(x, kRow)) << x;
    lit += shown == art.pixel(x, bar.imageHeight + kRow);
  }
  return lit;
}

// The editor's rectangle the host shows, out of the frame's larger window.
void writeEditorPicture(const HeadlessWindow& window, const std::string& path)
{
  cairo_surface_t* picture =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout::kWindowWidth, layout::kWindowHeight);
  cairo_t* cr = cairo_create(picture);
  cairo_set_source_surface(cr, window.surface(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  EXPECT_EQ(cairo_surface_write_to_png(picture, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
  cairo_surface_destroy(picture);
}

class EditorPictureTest : public EditorTest {
protected:
  void expectPicture(const Expected& expected)
  {
    const HeadlessWindow& w = window();
    // The background around the controls is the artwork's.
    const Artwork background(layout::kBackgroundBitmap);
    constexpr int kWidth = layout::kWindowWidth;
    constexpr int kHeight = layout::kWindowHeight;
    EXPECT_EQ(differingFromArtwork(w, {0, 0}, background, {0, 0}, {kWidth, 60}), 0) << "title strip";
    EXPECT_EQ(differingFromArtwork(w, {0, kHeight - 10}, background, {0, kHeight - 10}, {kWidth, 10}), 0)
        << "bottom strip";

    const auto shown = [&](const layout::Control& control, int images) {
      const Artwork art(control.bitmap);
      return shownImage(w, rectOf(control.rect).topLeft(), art, {control.imageWidth, control.imageHeight}, images);
    };
    for (const layout::Control& control : layout::kControls) {
      if (control.kind != layout::Kind::slider) continue;
      SCOPED_TRACE("slider of parameter " + std::to_string(control.tag));
      EXPECT_EQ(drawnHandleTop(w, control.rect.left), handleTopFor(effect->getParameter(control.tag)));
    }

    EXPECT_EQ(shown(layout::kFftLength, layout::kPositions), expected.fftLengthImage);
    EXPECT_EQ(shown(layout::kFilterType, layout::kPositions), expected.filterTypeImage);
    EXPECT_EQ(shown(layout::kStablize, layout::kButtonImages), expected.stablizeOn ? 1 : 0);
    EXPECT_EQ(shown(layout::kQuickDetect, layout::kButtonImages), expected.quickDetectOn ? 1 : 0);
    EXPECT_EQ(shown(layout::kPrecise, layout::kButtonImages), expected.preciseOn ? 1 : 0);

    const std::array<const layout::Control*, 4> stages{&layout::kFirst, &layout::kSecond, &layout::kThird,
                                                       &layout::kForth};
    for (int slot = 0; slot < 4; ++slot) {
      SCOPED_TRACE("stage-order slot " + std::to_string(slot));
      EXPECT_EQ(shown(*stages[std::size_t(slot)], layout::kPositions), expected.stageImages[std::size_t(slot)]);
    }
    // Right of the four columns, where the last switch's rectangle reaches
    // but its image does not, the background stays.
    const layout::Box lastColumn = layout::kForth.picture();
    EXPECT_EQ(
        differingFromArtwork(w, {lastColumn.right, lastColumn.top}, background, {lastColumn.right, lastColumn.top},
                             {kWidth - lastColumn.right, lastColumn.height()}),
        0);

    // Each bar lit as its value says, its display text written over it.
    for (const layout::Control& control : layout::kControls) {
      if (control.kind != layout::Kind::valueBar) continue;
      SCOPED_TRACE("bar of parameter " + std::to_string(control.tag));
      auto* bar = dynamic_cast<ValueBar*>(editor->panel().boundControl(control.tag));
      ASSERT_NE(bar, nullptr);
      const Rect lit = bar->litArea(effect->getParameter(control.tag));
      EXPECT_EQ(litColumns(w, control), std::clamp(lit.right, control.rect.left + 1, control.rect.right - 1) -
                                            std::clamp(lit.left, control.rect.left + 1, control.rect.right - 1));
      char display[64] = {};
      effect->getParameterDisplay(control.tag, display);
      EXPECT_EQ(bar->text(), display);
      EXPECT_GT(countLight(w, rectOf(control.rect)), 4) << "the value's text";
    }

    // Both boxes carry white text on their black ground.
    const auto inside = [](const layout::Box& box) {
      return Rect{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2};
    };
    EXPECT_GT(countLight(w, inside(layout::kShapeNameBox.rect)), 15) << "wave-shape name";
    EXPECT_GT(countLight(w, inside(layout::kDelayTimeBox.rect)), 15) << "delay time";
  }
};

TEST_F(EditorPictureTest, programZeroShowsItsDefaults)
{
  openAndPaint();
  expectPicture({1, 1, false, false, false, {0, 1, 2, 3}});
  // CutOff 1.0: the top; WaveShape 0.0: the bottom; Pitch Shift 0.5: half way, rounded up.
  EXPECT_EQ(drawnHandleTop(window(), layout::kCutOff.rect.left), layout::kSliderTop);
  EXPECT_EQ(drawnHandleTop(window(), layout::kWaveShape.rect.left), layout::kSliderTop + layout::kHandleTravel);
  EXPECT_EQ(drawnHandleTop(window(), layout::kPitchShift.rect.left), layout::kSliderTop + layout::kHandleTravel / 2);
  writeEditorPicture(window(), std::string(BRASKLIN_EDITOR_PICTURE_DIR) + "/editor-program0.png");
}

TEST_F(EditorPictureTest, everyControlAwayFromItsDefaultAfterIdle)
{
  effect->setProgram(1);
  openAndPaint();
  // Set while open: what shows is drawn by the idle calls alone.
  const std::array<float, kParameterCount>& values = editorpictures::kEveryControlMoved;
  for (int32_t i = 0; i < kParameterCount; ++i)
    if (i != delayTimeAltParameter) effect->setParameter(i, values[std::size_t(i)]);
  editor->idle();
  expectPicture({3, 3, true, true, false, {3, 2, 1, 0}});
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "1.250");
  writeEditorPicture(window(), std::string(BRASKLIN_EDITOR_PICTURE_DIR) + "/editor-custom.png");

  // Painting everything afresh gives the same picture as the idle redraws.
  std::vector<uint32_t> afterIdle;
  for (int y = 0; y < layout::kWindowHeight; ++y)
    for (int x = 0; x < layout::kWindowWidth; ++x) afterIdle.push_back(window().pixel({x, y}).toRgb());
  window().paint();
  int differing = 0;
  for (int y = 0; y < layout::kWindowHeight; ++y)
    for (int x = 0; x < layout::kWindowWidth; ++x)
      differing += window().pixel({x, y}).toRgb() !=
                   afterIdle[std::size_t(y) * std::size_t(layout::kWindowWidth) + std::size_t(x)];
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace editortest
