// The editor without the VST 2 classes or the effect, the way an interface
// running apart from the DSP (LV2) builds it: the panel inside a parent
// window, its parameters a store of values of its own, its idle driven by
// the caller. This program links the toolkit, the panel and the parameter
// table with its texts only, so the panel cannot reach AudioEffect or the
// effect.
#include <gtest/gtest.h>

#include <cairo.h>

#include <array>
#include <cstdio>
#include <string>

#include "editor/EditorLayout.h"
#include "editor/EditorPanel.h"
#include "editor/ParameterAccess.h"
#include "effect/ParameterTable.h"
#include "effect/ParameterText.h"
#include "gui/Frame.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "platform/headless/CairoCanvas.h"
#include "platform/headless/HeadlessBackend.h"

namespace {

// Any non-null value serves as the host's window for the headless layer.
void* const kParentWindow = reinterpret_cast<void*>(uintptr_t(0x5150));

// A parameter store as a format with its own copy of the values keeps it:
// every parameter at the value a fresh instance reports, display texts of
// its own, and a log of what the panel asks of it ('[' begin, 'v' a value,
// ']' end).
class StoreParameters : public ParameterAccess {
public:
  StoreParameters()
  {
    for (int32_t i = 0; i < kParameterCount; ++i)
      values[std::size_t(i)] = reportedValue(i, keptValue(i, parameterInfo(i).initialValue));
  }
  float currentValue(int32_t index) override { return values[std::size_t(index)]; }
  void displayText(int32_t index, char* text, std::size_t capacity) override
  {
    char display[kParameterTextCapacity] = {};
    writeParameterDisplay(index, values[std::size_t(index)], {"Sine"}, display);
    std::snprintf(text, capacity, "%s", display);
  }
  void setFromUser(int32_t index, float value) override
  {
    values[std::size_t(index)] = value;
    log += 'v';
  }
  void beginGesture(int32_t /*index*/) override { log += '['; }
  void endGesture(int32_t /*index*/) override { log += ']'; }

  std::array<float, kParameterCount> values{};
  std::string log;
};

class EditorPanelTest : public ::testing::Test {
protected:
  EditorPanelTest() { setCurrentBackend(&backend); }
  ~EditorPanelTest() override { setCurrentBackend(nullptr); }

  HeadlessBackend backend;
  StoreParameters store;
};

TEST_F(EditorPanelTest, thePanelAloneDrawsTheVst2EditorsPictureAndPassesADragAsOneGesture)
{
  EditorPanel panel(store);
  panel.open(kParentWindow);
  HeadlessWindow* window = backend.newestWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->parent(), kParentWindow);
  window->paint();
  panel.idle();

  // Program 0's values and texts: the picture the VST 2 editor's tests drew
  // for the documentation, pixel for pixel.
  cairo_surface_t* expected = cairo_image_surface_create_from_png(BRASKLIN_EDITOR_PROGRAM0_PICTURE);
  ASSERT_EQ(cairo_surface_status(expected), CAIRO_STATUS_SUCCESS);
  ASSERT_EQ(cairo_image_surface_get_width(expected), EditorPanel::kWidth);
  ASSERT_EQ(cairo_image_surface_get_height(expected), EditorPanel::kHeight);
  int differing = 0;
  for (int y = 0; y < EditorPanel::kHeight; ++y)
    for (int x = 0; x < EditorPanel::kWidth; ++x) differing += window->pixel({x, y}) != surfacePixel(expected, {x, y});
  cairo_surface_destroy(expected);
  EXPECT_EQ(differing, 0);

  // A drag of the Volume handle: one gesture, the store holds the result.
  const int x = layout::kVolume.rect.left + 12;
  const int grab = static_cast<Slider*>(panel.boundControl(volumeParameter))->getHandleTop() + 11;
  backend.press({x, grab}, kMouseLeft);
  backend.moveTo({x, grab - 30}, kMouseLeft);
  backend.release();
  EXPECT_EQ(store.log, "[vv]");
  EXPECT_EQ(store.values[volumeParameter], panel.boundControl(volumeParameter)->getValue());

  // A change the host made elsewhere reaches the control and its text box
  // at the next idle, not before.
  store.values[delayTimeParameter] = 0.5f;
  panel.parameterChanged(delayTimeParameter, 0.5f);
  EXPECT_EQ(panel.boundControl(delayTimeParameter)->getValue(), 0.0f);
  panel.idle();
  EXPECT_EQ(panel.boundControl(delayTimeParameter)->getValue(), 0.5f);
  EXPECT_EQ(panel.delayTimeBox()->text(), "2.500");

  // Closed, it records nothing; the window goes with the frame.
  panel.close();
  EXPECT_FALSE(panel.isListening());
  panel.parameterChanged(volumeParameter, 0.1f);
  EXPECT_TRUE(backend.windows().empty());
}

}  // namespace
