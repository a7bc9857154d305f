// The scene the Windows layer is checked on, built the same way on Linux (on
// the headless layer, whose pictures are committed as the reference) and on
// Windows (in a real child window under wine): the plug-in's own artwork with
// a slider, an on/off button, a switch, a value display and a text box.
#pragma once

#include <string>
#include <vector>

#include "editor/EditorLayout.h"
#include "gui/Control.h"
#include "gui/Frame.h"
#include "gui/Geometry.h"

class OnOffButton;
class ParamDisplay;
class Slider;
class TextEdit;
class VerticalSwitch;

// The controls stand where the editor has its own of the same kinds.
inline constexpr Rect rectOf(const layout::Box& box) { return {box.left, box.top, box.right, box.bottom}; }
inline constexpr int kSceneWidth = layout::kWindowWidth;
inline constexpr int kSceneHeight = layout::kWindowHeight;
inline constexpr Rect kSceneButton = rectOf(layout::kStablize.rect);
// Inside the on/off button.
inline constexpr Point kSceneButtonClick{layout::centreOf(layout::kStablize).x, layout::centreOf(layout::kStablize).y};
inline constexpr Rect kSceneTextBox = rectOf(layout::kShapeNameBox.rect);
inline constexpr Rect kSceneDisplay{100, 257, 160, 275};
inline constexpr Rect kSceneSlider = rectOf(layout::kWaveShape.rect);
inline constexpr Rect kSceneSwitch = rectOf(layout::kFilterType.rect);
inline constexpr int kSceneSliderTop = kSceneSlider.top;                            // the handle's top at value 1
inline constexpr int kSceneSliderBottom = kSceneSliderTop + layout::kHandleTravel;  // the handle's top at value 0

struct SceneControls {
  Slider* slider = nullptr;
  OnOffButton* button = nullptr;
  VerticalSwitch* switchControl = nullptr;
  ParamDisplay* display = nullptr;
  TextEdit* box = nullptr;
};

// Fills `frame` (kSceneWidth x kSceneHeight) with the scene; the controls
// report to `listener`.
SceneControls buildReferenceScene(Frame& frame, ControlListener* listener);

// Where the scene draws text: font rasterisers differ between systems, so
// these areas (each a text clip minus its top and left edge lines, which are
// compared) are checked for placement only, not pixel by pixel.
std::vector<Rect> sceneTextAreas();

// Texts measured in each "Arial" font of the toolkit (ids 0 to 4) to compare
// text metrics between the layers.
std::vector<std::string> metricTexts();

// The plug-in's editor: its size and the areas where it writes text.
inline constexpr int kEditorWidth = layout::kWindowWidth;
inline constexpr int kEditorHeight = layout::kWindowHeight;
inline std::vector<Rect> editorTextAreas()
{
  // The wave shape's name and the delay time, each inside its top and left
  // edge lines, and the value written over each bar of the live controls
  // (inside its one-pixel bezel).
  std::vector<Rect> areas;
  for (const layout::Control& control : layout::kControls) {
    if (control.kind == layout::Kind::textBox)
      areas.push_back({control.rect.left + 1, control.rect.top + 1, control.rect.right, control.rect.bottom});
    if (control.kind == layout::Kind::valueBar)
      areas.push_back({control.rect.left + 1, control.rect.top + 1, control.rect.right - 1, control.rect.bottom - 1});
  }
  return areas;
}
