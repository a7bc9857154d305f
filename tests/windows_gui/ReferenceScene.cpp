#include "tests/windows_gui/ReferenceScene.h"

#include "gui/Bitmap.h"
#include "gui/OnOffButton.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "gui/VerticalSwitch.h"

SceneControls buildReferenceScene(Frame& frame, ControlListener* listener) {
  SceneControls scene;
  auto* background = new Bitmap(128);
  frame.setBackground(background);
  background->forget();

  auto* track = new Bitmap(129);
  auto* handle = new Bitmap(130);
  scene.slider = new Slider(kSceneSlider, listener, 0, kSceneSliderTop, kSceneSliderBottom, handle,
                            track, {0, 0}, kSliderStyleBottom);
  scene.slider->setDrawTransparentHandle(true);  // the masked draw, composed offscreen
  scene.slider->setValue(0.3f);
  frame.addView(scene.slider);
  track->forget();
  handle->forget();

  auto* buttonBitmap = new Bitmap(131);
  scene.button = new OnOffButton({25, 307, 50, 332}, listener, 2, buttonBitmap);
  scene.button->setValue(1.0f);
  frame.addView(scene.button);
  buttonBitmap->forget();

  auto* switchBitmap = new Bitmap(132);
  scene.switchControl =
      new VerticalSwitch({178, 73, 218, 133}, listener, 5, 4, 60, 4, switchBitmap, {0, 0});
  scene.switchControl->setValue(2.0f / 3.0f);
  frame.addView(scene.switchControl);
  switchBitmap->forget();

  scene.display = new ParamDisplay(kSceneDisplay);
  scene.display->setValue(0.5f);
  frame.addView(scene.display);

  scene.box = new TextEdit(kSceneTextBox, listener, 99, "Saw", nullptr, kParamDisplay3DIn);
  frame.addView(scene.box);
  return scene;
}

std::vector<Rect> sceneTextAreas() {
  // The value display draws its text with an outline around it (right and
  // bottom edges included), the text box with edge lines; both clip the text
  // to [left, right) x [top, bottom).
  return {{kSceneDisplay.left + 1, kSceneDisplay.top + 1, kSceneDisplay.right, kSceneDisplay.bottom},
          {kSceneTextBox.left + 1, kSceneTextBox.top + 1, kSceneTextBox.right, kSceneTextBox.bottom}};
}

std::vector<std::string> metricTexts() { return {"Gain", "0.50", "Saw", "Delay Time 1234 ms"}; }
