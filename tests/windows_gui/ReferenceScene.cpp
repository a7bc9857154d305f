#include "tests/windows_gui/ReferenceScene.h"

#include "gui/Bitmap.h"
#include "gui/OnOffButton.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "gui/VerticalSwitch.h"

SceneControls buildReferenceScene(Frame& frame, ControlListener* listener)
{
  SceneControls scene;
  auto* background = new Bitmap(layout::kBackgroundBitmap);
  frame.setBackground(background);
  background->forget();

  auto* track = new Bitmap(layout::kSliderTrackBitmap);
  auto* handle = new Bitmap(layout::kSliderHandleBitmap);
  scene.slider = new Slider(kSceneSlider, listener, 0, kSceneSliderTop, kSceneSliderBottom, handle, track, {0, 0},
                            kSliderStyleBottom);
  scene.slider->setDrawTransparentHandle(true);  // the masked draw, composed offscreen
  scene.slider->setValue(0.3f);
  frame.addView(scene.slider);
  track->forget();
  handle->forget();

  auto* buttonBitmap = new Bitmap(layout::kOnOffButtonBitmap);
  scene.button = new OnOffButton(kSceneButton, listener, layout::kStablize.tag, buttonBitmap);
  scene.button->setValue(1.0f);
  frame.addView(scene.button);
  buttonBitmap->forget();

  auto* switchBitmap = new Bitmap(layout::kFilterTypeBitmap);
  scene.switchControl = new VerticalSwitch(kSceneSwitch, listener, layout::kFilterType.tag, layout::kPositions,
                                           layout::kSwitchImageHeight, layout::kPositions, switchBitmap, {0, 0});
  scene.switchControl->setValue(2.0f / 3.0f);
  frame.addView(scene.switchControl);
  switchBitmap->forget();

  scene.display = new ParamDisplay(kSceneDisplay);
  scene.display->setValue(0.5f);
  frame.addView(scene.display);

  scene.box = new TextEdit(kSceneTextBox, listener, layout::kWaveShapeBoxTag, "Saw", nullptr, kParamDisplay3DIn);
  frame.addView(scene.box);
  return scene;
}

std::vector<Rect> sceneTextAreas()
{
  // The value display draws its text with an outline around it (right and
  // bottom edges included), the text box with edge lines; both clip the text
  // to [left, right) x [top, bottom).
  return {{kSceneDisplay.left + 1, kSceneDisplay.top + 1, kSceneDisplay.right, kSceneDisplay.bottom},
          {kSceneTextBox.left + 1, kSceneTextBox.top + 1, kSceneTextBox.right, kSceneTextBox.bottom}};
}

std::vector<std::string> metricTexts() { return {"Gain", "0.50", "Saw", "Delay Time 1234 ms"}; }
