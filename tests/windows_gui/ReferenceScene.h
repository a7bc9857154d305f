// The scene the Windows layer is checked on, built the same way on Linux (on
// the headless layer, whose pictures are committed as the reference) and on
// Windows (in a real child window under wine): the plug-in's own artwork with
// a slider, an on/off button, a switch, a value display and a text box.
#pragma once

#include <string>
#include <vector>

#include "gui/Control.h"
#include "gui/Frame.h"
#include "gui/Geometry.h"

class OnOffButton;
class ParamDisplay;
class Slider;
class TextEdit;
class VerticalSwitch;

inline constexpr int kSceneWidth = 560;
inline constexpr int kSceneHeight = 420;
// Inside the on/off button.
inline constexpr Point kSceneButtonClick{37, 319};
inline constexpr Rect kSceneTextBox{10, 257, 65, 270};
inline constexpr Rect kSceneDisplay{100, 257, 160, 275};
inline constexpr Rect kSceneSlider{25, 73, 50, 248};
inline constexpr int kSceneSliderTop = 73;      // the handle's top at value 1
inline constexpr int kSceneSliderBottom = 226;  // the handle's top at value 0

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

// The plug-in's editor: its size and the areas of its two text boxes.
inline constexpr int kEditorWidth = 560;
inline constexpr int kEditorHeight = 420;
inline std::vector<Rect> editorTextAreas() {
  // The wave shape's name and the delay time, each inside its edge lines.
  return {{11, 258, 65, 270}, {325, 258, 359, 270}};
}
