// The whole editor as the host shows it, for program 0 and for a program with
// every control away from its default: each slider's handle stands where its
// value puts it, each switch and button shows the image of its value, both
// boxes carry text. The two pictures are written as PNG files for the eye.
#include <gtest/gtest.h>

#include <cairo.h>

#include <array>
#include <string>

#include "effect/ParameterTable.h"
#include "tests/editor/EditorTestSupport.h"

namespace editortest {
namespace {

// The slider columns and their parameters.
struct SliderColumn {
  int x;
  int32_t parameter;
};
constexpr std::array<SliderColumn, 9> kSliders{{{25, waveShapeParameter},
                                               {90, pitchShiftParameter},
                                               {153, cutOffParameter},
                                               {218, resonanceParameter},
                                               {281, delayMixParameter},
                                               {329, delayTimeParameter},
                                               {377, delayFeedBackParameter},
                                               {441, driveParameter},
                                               {488, volumeParameter}}};

// What a picture must show, besides the handles (which follow from the values).
struct Expected {
  int fftLengthImage;
  int filterTypeImage;
  bool stablizeOn;
  bool quickDetectOn;
  std::array<int, 4> stageImages;  // First .. Forth
};

// Where value 1.0 puts the handle (the top of the 153-pixel travel) and 0.0
// the bottom, whole pixels towards the top.
int expectedHandleTop(float value) { return 73 + int((1.0 - double(value)) * 153.0); }

// The 560 x 420 the host shows, out of the frame's larger window.
void writeEditorPicture(const HeadlessWindow& window, const std::string& path) {
  cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, PluginEditor::kWidth,
                                                        PluginEditor::kHeight);
  cairo_t* cr = cairo_create(picture);
  cairo_set_source_surface(cr, window.surface(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  EXPECT_EQ(cairo_surface_write_to_png(picture, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
  cairo_surface_destroy(picture);
}

class EditorPictureTest : public EditorTest {
protected:
  void expectPicture(const Expected& expected) {
    const HeadlessWindow& w = window();
    // The background around the controls is the artwork's.
    const Artwork background(PluginEditor::kBackgroundBitmap);
    EXPECT_EQ(differingFromArtwork(w, {0, 0}, background, {0, 0}, {560, 60}), 0) << "title strip";
    EXPECT_EQ(differingFromArtwork(w, {0, 410}, background, {0, 410}, {560, 10}), 0) << "bottom strip";

    for (const SliderColumn& slider : kSliders) {
      SCOPED_TRACE("slider of parameter " + std::to_string(slider.parameter));
      EXPECT_EQ(drawnHandleTop(w, slider.x), expectedHandleTop(effect->getParameter(slider.parameter)));
    }

    const Artwork fft(PluginEditor::kFftLengthBitmap);
    EXPECT_EQ(shownImage(w, {50, 73}, fft, {40, 60}, 4), expected.fftLengthImage);
    const Artwork filter(PluginEditor::kFilterTypeBitmap);
    EXPECT_EQ(shownImage(w, {178, 73}, filter, {40, 60}, 4), expected.filterTypeImage);

    const Artwork button(PluginEditor::kOnOffButtonBitmap);
    EXPECT_EQ(shownImage(w, {25, 307}, button, {25, 25}, 2), expected.stablizeOn ? 1 : 0);
    EXPECT_EQ(shownImage(w, {89, 307}, button, {25, 25}, 2), expected.quickDetectOn ? 1 : 0);

    for (int slot = 0; slot < 4; ++slot) {
      SCOPED_TRACE("stage-order slot " + std::to_string(slot));
      const Artwork strip(PluginEditor::kFirstStageBitmap + slot);
      EXPECT_EQ(shownImage(w, {263 + 62 * slot, 307}, strip, {62, 100}, 4), expected.stageImages[slot]);
    }
    // Right of the four columns, where the last switch's rectangle reaches
    // but its image does not, the background stays.
    EXPECT_EQ(differingFromArtwork(w, {511, 307}, background, {511, 307}, {49, 100}), 0);

    // Both boxes carry white text on their black ground.
    EXPECT_GT(countLight(w, {12, 259, 63, 268}), 15) << "wave-shape name";
    EXPECT_GT(countLight(w, {326, 259, 357, 268}), 15) << "delay time";
  }
};

TEST_F(EditorPictureTest, programZeroShowsItsDefaults) {
  openAndPaint();
  expectPicture({1, 1, false, false, {0, 1, 2, 3}});
  EXPECT_EQ(drawnHandleTop(window(), 153), 73);        // CutOff 1.0: the top
  EXPECT_EQ(drawnHandleTop(window(), 25), 73 + 153);   // WaveShape 0.0: the bottom
  EXPECT_EQ(drawnHandleTop(window(), 90), 73 + 76);    // Pitch Shift 0.5: half way, rounded up
  writeEditorPicture(window(), std::string(BRASKLIN_EDITOR_PICTURE_DIR) + "/editor-program0.png");
}

TEST_F(EditorPictureTest, everyControlAwayFromItsDefaultAfterIdle) {
  effect->setProgram(1);
  openAndPaint();
  // Set while open: what shows is drawn by the idle calls alone.
  const std::array<float, kParameterCount> values{0.45f, 1.0f, 1.0f, 1.0f, 0.8f, 1.0f, 0.3f, 0.7f, 0.55f,
                                                  0.25f, 0.45f, 0.25f, 0.35f, 0.9f, 1.0f, 0.7f, 0.4f, 0.0f};
  for (int32_t i = 0; i < kParameterCount; ++i)
    if (i != delayTimeAltParameter) effect->setParameter(i, values[std::size_t(i)]);
  editor->idle();
  expectPicture({3, 3, true, true, {3, 2, 1, 0}});
  EXPECT_EQ(editor->delayTimeBox()->text(), "1.250");
  writeEditorPicture(window(), std::string(BRASKLIN_EDITOR_PICTURE_DIR) + "/editor-custom.png");

  // Painting everything afresh gives the same picture as the idle redraws.
  std::vector<uint32_t> afterIdle;
  for (int y = 0; y < 420; ++y)
    for (int x = 0; x < 560; ++x) afterIdle.push_back(window().pixel({x, y}).toRgb());
  window().paint();
  int differing = 0;
  for (int y = 0; y < 420; ++y)
    for (int x = 0; x < 560; ++x) differing += window().pixel({x, y}).toRgb() != afterIdle[std::size_t(y) * 560 + std::size_t(x)];
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace editortest
