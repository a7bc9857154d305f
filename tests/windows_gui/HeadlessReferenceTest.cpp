// The reference the Windows layer is compared with: the scene drawn by the
// headless layer, before and after a click on its on/off button, the text
// metrics of the toolkit's "Arial" fonts, and the plug-in's whole editor as it
// first opens. The files are committed (the Windows
// build has no Cairo to draw them itself); this test keeps them in step with
// the toolkit: it fails when the headless layer no longer draws what they
// hold. Regenerate them with
//   BRASKLIN_WRITE_WINDOWS_REFERENCE=1 ctest -R windows_gui_reference
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gui/Frame.h"
#include "gui/OnOffButton.h"
#include "platform/headless/HeadlessBackend.h"
#include "tests/gui/GuiTestSupport.h"
#if BRASKLIN_WITH_EDITOR
#include "tests/editor/EditorTestSupport.h"
#endif
#include "tests/windows_gui/ReferencePicture.h"
#include "tests/windows_gui/ReferenceScene.h"

namespace {

const std::string kReferenceDir = BRASKLIN_WINDOWS_GUI_REFERENCE_DIR;

Picture pictureOf(const HeadlessWindow& window)
{
  Picture picture;
  picture.width = window.width();
  picture.height = window.height();
  for (int y = 0; y < window.height(); ++y)
    for (int x = 0; x < window.width(); ++x) picture.pixels.push_back(window.pixel({x, y}).toRgb());
  return picture;
}

bool writing()
{
  const char* flag = std::getenv("BRASKLIN_WRITE_WINDOWS_REFERENCE");
  return flag && *flag && std::string(flag) != "0";
}

class HeadlessReferenceTest : public HeadlessGuiTest {};

TEST_F(HeadlessReferenceTest, committedPicturesAreWhatTheHeadlessLayerDraws)
{
  RecordingListener listener;
  listener.redrawOnChange = false;
  Frame frame({0, 0, kSceneWidth, kSceneHeight}, kFakeParentWindow);
  SceneControls scene = buildReferenceScene(frame, &listener);
  ASSERT_EQ(frame.getBackground()->getWidth(), kSceneWidth) << "the artwork must be embedded";
  HeadlessWindow* window = backend.newestWindow();
  window->paint();
  const Picture first = pictureOf(*window);
  backend.press(kSceneButtonClick, kMouseLeft);
  ASSERT_EQ(scene.button->getValue(), 0.0f);
  const Picture clicked = pictureOf(*window);
  ASSERT_GT(comparePictures(first, clicked, {}).outsideText, 0) << "the click must change the picture";

  std::vector<TextMeasurement> metrics;
  std::unique_ptr<Canvas> canvas = backend.createOffscreen(nullptr, 8, 8);
  for (int fontId = 0; fontId <= 4; ++fontId) {
    for (const std::string& text : metricTexts()) {
      const TextMetrics m = canvas->measureText(text, fontFor(fontId));
      metrics.push_back({fontId, m.width, m.height, m.ascent, text});
    }
  }

  if (writing()) {
    ASSERT_TRUE(writePicture(kReferenceDir + "/scene.brpx", first));
    ASSERT_TRUE(writePicture(kReferenceDir + "/scene-clicked.brpx", clicked));
    ASSERT_TRUE(writeMeasurements(kReferenceDir + "/metrics.txt", metrics));
  }

  // Text may come out differently where the fonts do, as on Windows; all else must not.
  const std::optional<Picture> storedFirst = readPicture(kReferenceDir + "/scene.brpx");
  const std::optional<Picture> storedClicked = readPicture(kReferenceDir + "/scene-clicked.brpx");
  ASSERT_TRUE(storedFirst && storedClicked) << "reference pictures missing in " << kReferenceDir;
  EXPECT_EQ(comparePictures(first, *storedFirst, sceneTextAreas()).outsideText, 0);
  EXPECT_EQ(comparePictures(clicked, *storedClicked, sceneTextAreas()).outsideText, 0);

  const std::vector<TextMeasurement> stored = readMeasurements(kReferenceDir + "/metrics.txt");
  ASSERT_EQ(stored.size(), metrics.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    EXPECT_EQ(stored[i].text, metrics[i].text);
    EXPECT_NEAR(stored[i].width, metrics[i].width, 1) << metrics[i].text << " font " << metrics[i].fontId;
  }
}

#if BRASKLIN_WITH_EDITOR
class EditorReferenceTest : public editortest::EditorTest {};

TEST_F(EditorReferenceTest, committedEditorPictureIsWhatTheHeadlessLayerDraws)
{
  openAndPaint();
  // The host's window shows the editor rectangle, the top-left of the frame's window.
  Picture picture;
  picture.width = kEditorWidth;
  picture.height = kEditorHeight;
  for (int y = 0; y < kEditorHeight; ++y)
    for (int x = 0; x < kEditorWidth; ++x) picture.pixels.push_back(window().pixel({x, y}).toRgb());
  if (writing()) {
    ASSERT_TRUE(writePicture(kReferenceDir + "/editor.brpx", picture));
  }
  const std::optional<Picture> stored = readPicture(kReferenceDir + "/editor.brpx");
  ASSERT_TRUE(stored) << "reference picture missing in " << kReferenceDir;
  EXPECT_EQ(comparePictures(picture, *stored, editorTextAreas()).outsideText, 0);
}
#endif

TEST(ReferencePictureFormat, survivesRunsLongerThanOneRecordAndRejectsDamage)
{
  Picture picture;
  picture.width = 400;
  picture.height = 200;  // 80000 pixels: one colour needs two runs
  picture.pixels.assign(80000, 0x123456u);
  picture.pixels[79999] = 0xABCDEFu;
  const std::string path = ::testing::TempDir() + "/format.brpx";
  ASSERT_TRUE(writePicture(path, picture));
  const std::optional<Picture> back = readPicture(path);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixels, picture.pixels);

  picture.width = 401;  // header claims more pixels than the runs hold
  ASSERT_TRUE(writePicture(path, {401, 200, back->pixels}));
  EXPECT_FALSE(readPicture(path));
}

}  // namespace
