// The controls under scripted mouse and keyboard input: the slider's and the
// switch's press -> drag -> release state machines with Shift and Alt, switch
// zones, on/off toggling, text box edits and the parameter display's text.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OnOffButton.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "gui/ValueBar.h"
#include "gui/VerticalSwitch.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

constexpr Colour kTrack{0, 0, 128, 0};
constexpr Colour kHandle{127, 127, 127, 0};

// The editor's slider geometry: a 25 x 175 track at y 73, a 25 x 22 handle
// travelling from 73 to 226.
constexpr Rect kSliderRect{25, 73, 50, 248};
constexpr int kMinTop = 73;
constexpr int kMaxTop = 226;

class ControlsTest : public HeadlessGuiTest {
protected:
  void SetUp() override
  {
    HeadlessGuiTest::SetUp();
    addSolidBitmap(129, 25, 175, kTrack.toRgb());
    // Handle: grey with a white left margin of 3 pixels (see-through).
    addBitmap(130, 25, 22, [](int x, int) { return x < 3 ? 0xFFFFFFu : kHandle.toRgb(); });
    frame = std::make_unique<Frame>(Rect{0, 0, 300, 300}, kFakeParentWindow);
    window = backend.newestWindow();
  }
  void TearDown() override
  {
    frame.reset();
    HeadlessGuiTest::TearDown();
  }

  Slider* addSlider(float value)
  {
    auto* track = new Bitmap(129);
    auto* handle = new Bitmap(130);
    auto* slider = new Slider(kSliderRect, &listener, 4, kMinTop, kMaxTop, handle, track, {0, 0}, kSliderStyleBottom);
    track->forget();
    handle->forget();
    slider->setValue(value);
    frame->addView(slider);
    window->paint();
    return slider;
  }

  // The handle's top row on screen, found from the picture (-1 if absent).
  int handleTopInPicture() const
  {
    for (int y = kSliderRect.top; y < kSliderRect.bottom; ++y)
      if (window->pixel({kSliderRect.left + 10, y}) == kHandle) return y;
    return -1;
  }

  // The value a handle with its top at `top` stands for, from the geometry.
  static float valueForHandleTop(double top) { return float(1.0 - (top - kMinTop) / double(kMaxTop - kMinTop)); }

  std::unique_ptr<Frame> frame;
  HeadlessWindow* window = nullptr;
  RecordingListener listener;
};

TEST_F(ControlsTest, sliderDrawsValueOneAtTheTopAndZeroAtTheBottomOverItsTrack)
{
  Slider* slider = addSlider(1.0f);
  EXPECT_EQ(handleTopInPicture(), 73);
  EXPECT_EQ(window->pixel({26, 80}), kTrack) << "white handle pixels show the track";
  slider->setValue(0.0f);
  frame->idle();
  EXPECT_EQ(handleTopInPicture(), 226);
  EXPECT_EQ(window->pixel({35, 247}), kHandle);
  EXPECT_EQ(window->pixel({35, 225}), kTrack);
  slider->setValue(0.5f);
  frame->idle();
  EXPECT_EQ(handleTopInPicture(), 73 + 76);  // 0.5 * 153 truncated
}

TEST_F(ControlsTest, draggingTheHandleKeepsItUnderTheMouse)
{
  Slider* slider = addSlider(0.5f);
  const int top = handleTopInPicture();
  ASSERT_EQ(top, 149);
  backend.press({30, top + 6}, kMouseLeft);  // grab the handle 6 pixels below its top
  backend.moveTo({30, 150}, kMouseLeft);
  backend.moveTo({31, 100}, kMouseLeft);
  backend.release();
  // The value maps back to pixels by truncation, so the handle may sit one pixel higher.
  EXPECT_NEAR(handleTopInPicture(), 100 - 6, 1);
  EXPECT_NEAR(slider->getValue(), valueForHandleTop(94), 1e-6);
  EXPECT_GE(listener.calls.size(), 2u);
  EXPECT_EQ(listener.calls.back().control, slider);
}

TEST_F(ControlsTest, aDragIsOneTouchAndAClickThatMissesOrIsReleasedAtOnceIsNone)
{
  Slider* slider = addSlider(0.5f);
  backend.press({30, 155}, kMouseLeft);
  backend.moveTo({30, 140}, kMouseLeft);
  backend.moveTo({30, 120}, kMouseLeft);
  backend.release();
  // The grab itself maps back from a whole pixel (0.5 becomes 0.503), then two moves.
  EXPECT_EQ(listener.touches, "[vvv]") << "begin, the changes, end";
  // Holding the handle without moving, or a quick click on it, is still a
  // touch, with nothing in it.
  listener.touches.clear();
  backend.press({30, handleTopInPicture() + 2}, kMouseLeft);
  backend.release();
  backend.tap({30, handleTopInPicture() + 2});
  EXPECT_EQ(listener.touches, "[][]");
  // A slider keeps its rules: beside the handle there is no drag and no
  // touch, moves and a release after it change nothing; Alt resets as a
  // plain change.
  listener.touches.clear();
  const float before = slider->getValue();
  backend.press({30, 240}, kMouseLeft);
  backend.moveTo({30, 100}, kMouseLeft);
  backend.release();
  EXPECT_EQ(slider->getValue(), before);
  backend.press({30, 240}, kMouseLeft | kModifierAlt);
  backend.release();
  EXPECT_EQ(listener.touches, "v");
}

TEST_F(ControlsTest, draggingFarBeyondTheTrackLimitsTheValue)
{
  Slider* slider = addSlider(0.5f);
  backend.press({30, 155}, kMouseLeft);
  backend.moveTo({30, -500}, kMouseLeft);
  backend.release();
  EXPECT_EQ(slider->getValue(), 1.0f);
  backend.press({30, 80}, kMouseLeft);
  backend.moveTo({30, 5000}, kMouseLeft);
  backend.release();
  EXPECT_EQ(slider->getValue(), 0.0f);
}

TEST_F(ControlsTest, shiftDragMovesTheValueOneTenthAsFar)
{
  Slider* slider = addSlider(0.5f);
  backend.press({30, 155}, kMouseLeft | kModifierShift);
  backend.moveTo({30, 155 - 50}, kMouseLeft | kModifierShift);
  backend.release();
  // Without Shift the value would follow the handle to 105 - 6; with it, it
  // goes a tenth of the way from where it started.
  const float full = valueForHandleTop(105 - 6);
  EXPECT_NEAR(slider->getValue(), 0.5f + (full - 0.5f) / 10.0f, 1e-5);
  EXPECT_LT(slider->getValue(), 0.54f);
}

TEST_F(ControlsTest, pressingShiftMidDragTakesTheValueAtThatMomentAsReference)
{
  Slider* slider = addSlider(0.5f);
  backend.press({30, 155}, kMouseLeft);
  backend.moveTo({30, 125}, kMouseLeft);                   // 30 pixels up, full speed
  backend.moveTo({30, 125}, kMouseLeft | kModifierShift);  // Shift goes down here
  backend.moveTo({30, 75}, kMouseLeft | kModifierShift);   // 50 more pixels, fine
  backend.release();
  const float atShift = valueForHandleTop(125 - 6);
  EXPECT_NEAR(slider->getValue(), atShift + (50.0f / 153.0f) / 10.0f, 1e-5);
}

TEST_F(ControlsTest, shiftPressedAgainContinuesFromTheCurrentValueWithoutAJump)
{
  Slider* slider = addSlider(0.5f);
  backend.press({30, 155}, kMouseLeft | kModifierShift);
  backend.moveTo({30, 135}, kMouseLeft | kModifierShift);  // fine from the start
  backend.moveTo({30, 115}, kMouseLeft);                   // Shift up: follows the mouse
  backend.moveTo({30, 115}, kMouseLeft | kModifierShift);  // Shift down again
  backend.moveTo({30, 65}, kMouseLeft | kModifierShift);
  backend.release();
  const float released = valueForHandleTop(115 - 6);
  EXPECT_NEAR(slider->getValue(), released + (50.0f / 153.0f) / 10.0f, 1e-5);
}

TEST_F(ControlsTest, altClickResetsTheSliderToItsDefault)
{
  Slider* slider = addSlider(0.9f);
  backend.press({30, 240}, kMouseLeft | kModifierAlt);  // anywhere on the control
  EXPECT_EQ(slider->getValue(), 0.5f);
  ASSERT_EQ(listener.calls.size(), 1u);
  EXPECT_EQ(listener.calls[0].value, 0.5f);
  EXPECT_EQ(handleTopInPicture(), 149);
  backend.press({30, 240}, kMouseLeft | kModifierAlt);  // already there: nothing to report
  EXPECT_EQ(listener.calls.size(), 1u);
}

TEST_F(ControlsTest, clickBesideTheHandleRightClickAndOtherModifiersAreIgnored)
{
  Slider* slider = addSlider(0.5f);  // handle 149..171
  const struct {
    int y;
    int state;
  } presses[] = {{100, kMouseLeft}, {155, kMouseRight}, {155, kMouseLeft | kModifierControl}};  // track, right, Ctrl
  for (const auto& press : presses) {
    backend.press({30, press.y}, press.state);
    backend.moveTo({30, 80}, press.state);
    backend.release();
  }
  EXPECT_EQ(slider->getValue(), 0.5f);
  EXPECT_TRUE(listener.calls.empty());
  slider->setMouseEnabled(false);
  backend.press({30, 155}, kMouseLeft);
  backend.moveTo({30, 80}, kMouseLeft);
  backend.release();
  EXPECT_EQ(slider->getValue(), 0.5f);
}

TEST_F(ControlsTest, handleEdgesCountForTheClick)
{
  Slider* slider = addSlider(0.5f);  // handle x 25..50, y 149..171 inclusive
  backend.press({50, 171}, kMouseLeft);
  backend.moveTo({30, 100}, kMouseLeft);
  backend.release();
  EXPECT_NE(slider->getValue(), 0.5f);
}

// ---- the press -> drag -> release state machines ----

// One scripted gesture: what the user does, what the listener must hear
// ('[' begin, 'v' a change, ']' end) and the value the control is left with.
struct Step {
  enum Kind { press, move, release, lose } kind;
  Point where;
  int state;
};
struct Gesture {
  const char* what;
  float startValue;
  std::vector<Step> steps;
  std::string heard;
  float endValue;
};

void play(HeadlessBackend& backend, const std::vector<Step>& steps)
{
  for (const Step& step : steps) {
    switch (step.kind) {
      case Step::press: backend.press(step.where, step.state); break;
      case Step::move: backend.moveTo(step.where, step.state); break;
      case Step::release: backend.release(); break;
      case Step::lose: backend.losePointer(); break;
    }
  }
}

TEST_F(ControlsTest, eachGestureOnASliderIsHeardAsItsExactBeginChangesAndEnd)
{
  constexpr int L = kMouseLeft;
  constexpr int S = kModifierShift;
  // Slider value 0.5 puts the handle's top at 149: grabbed at 155, 6 below it.
  const float atGrab = valueForHandleTop(149);
  const Gesture gestures[] = {
      {"drag",
       0.5f,
       {{Step::press, {30, 155}, L}, {Step::move, {30, 125}, L}, {Step::move, {31, 95}, L}, {Step::release, {}, 0}},
       "[vvv]",
       valueForHandleTop(89)},
      {"fine drag",
       0.5f,
       {{Step::press, {30, 155}, L | S}, {Step::move, {30, 105}, L | S}, {Step::release, {}, 0}},
       "[vv]",
       0.5f + (valueForHandleTop(99) - 0.5f) / 10.0f},
      {"release outside the control",
       0.5f,
       {{Step::press, {30, 155}, L}, {Step::move, {200, 125}, L}, {Step::release, {}, 0}},
       "[vv]",
       valueForHandleTop(119)},
      {"release outside the window",
       0.5f,
       {{Step::press, {30, 155}, L}, {Step::move, {-40, -500}, L}, {Step::release, {}, 0}},
       "[vv]",
       1.0f},
      {"pointer taken away",
       0.5f,
       {{Step::press, {30, 155}, L}, {Step::move, {30, 125}, L}, {Step::lose, {}, 0}, {Step::move, {30, 90}, L}},
       "[vv]",
       valueForHandleTop(119)},
      {"a second button waits",
       0.5f,
       {{Step::press, {30, 155}, L},
        {Step::move, {30, 125}, L | kMouseRight},
        {Step::move, {30, 105}, L},
        {Step::release, {}, 0}},
       "[vv]",
       valueForHandleTop(99)},
      {"quick click on the handle", 0.5f, {{Step::press, {30, 155}, L}, {Step::release, {}, 0}}, "[v]", atGrab},
      {"alt-click", 0.9f, {{Step::press, {30, 240}, L | kModifierAlt}, {Step::release, {}, 0}}, "v", 0.5f},
      {"click on the track",
       0.5f,
       {{Step::press, {30, 100}, L}, {Step::move, {30, 60}, L}, {Step::release, {}, 0}},
       "",
       0.5f},
  };
  for (const Gesture& gesture : gestures) {
    SCOPED_TRACE(gesture.what);
    Slider* slider = addSlider(gesture.startValue);
    listener.touches.clear();
    play(backend, gesture.steps);
    EXPECT_EQ(listener.touches, gesture.heard);
    EXPECT_NEAR(slider->getValue(), gesture.endValue, 1e-6);
    EXPECT_EQ(frame->getDragView(), nullptr) << "the drag is over";
    frame->removeView(slider);
    delete slider;
  }
}

// ---- switches ----

class SwitchTest : public ControlsTest {
protected:
  VerticalSwitch* addSwitch(VerticalSwitch::PositionOfValue positionOf = {})
  {
    // Four 62 x 100 images, each a different colour.
    addBitmap(133, 62, 400, [](int, int y) {
      static const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
      return colours[y / 100];
    });
    auto* bitmap = new Bitmap(133);
    auto* sw = new VerticalSwitch({20, 50, 82, 150}, &listener, 14, 4, 100, 4, bitmap, {0, 0}, std::move(positionOf));
    bitmap->forget();
    frame->addView(sw);
    window->paint();
    return sw;
  }
};

TEST_F(SwitchTest, hundredPixelFourPositionSwitchZones)
{
  VerticalSwitch* sw = addSwitch();
  const struct {
    int dy;
    float value;
  } cases[] = {{0, 0.0f},         {24, 0.0f},        {25, 1.0f / 3.0f}, {49, 1.0f / 3.0f},
               {50, 2.0f / 3.0f}, {74, 2.0f / 3.0f}, {75, 1.0f},        {100, 1.0f}};
  for (const auto& c : cases) {
    backend.tap({30, 50 + c.dy});
    EXPECT_FLOAT_EQ(sw->getValue(), c.value) << "dy " << c.dy;
  }
}

TEST_F(SwitchTest, eachGestureOnASwitchIsHeardAsItsExactBeginChangesAndEnd)
{
  constexpr float kThird = 1.0f / 3.0f;
  // The switch spans y 50..150 in four zones of 25 pixels.
  const Gesture gestures[] = {
      {"quick click", 0.0f, {{Step::press, {30, 130}, kMouseLeft}, {Step::release, {}, 0}}, "[v]", 1.0f},
      {"drag across",
       0.0f,
       {{Step::press, {30, 55}, kMouseLeft},
        {Step::move, {30, 80}, kMouseLeft},
        {Step::move, {30, 110}, kMouseLeft},
        {Step::release, {}, 0}},
       "[vv]",
       2.0f * kThird},
      {"right-button drag, released outside the window",
       kThird,
       {{Step::press, {30, 55}, kMouseRight},
        {Step::move, {30, -300}, kMouseRight},
        {Step::move, {400, 1000}, kMouseRight},
        {Step::release, {}, 0}},
       "[vv]",
       1.0f},
      {"pointer taken away",
       0.0f,
       {{Step::press, {30, 80}, kMouseLeft}, {Step::lose, {}, 0}, {Step::move, {30, 140}, kMouseLeft}},
       "[v]",
       kThird},
      {"alt-click", 1.0f, {{Step::press, {30, 140}, kMouseLeft | kModifierAlt}, {Step::release, {}, 0}}, "v", 0.0f},
  };
  VerticalSwitch* sw = addSwitch();
  for (const Gesture& gesture : gestures) {
    SCOPED_TRACE(gesture.what);
    sw->setValue(gesture.startValue);
    frame->idle();  // shows it, as the editor's idle would
    listener.touches.clear();
    play(backend, gesture.steps);
    EXPECT_EQ(listener.touches, gesture.heard);
    EXPECT_FLOAT_EQ(sw->getValue(), gesture.endValue);
    EXPECT_EQ(frame->getDragView(), nullptr) << "the drag is over";
  }
}

TEST_F(SwitchTest, shownImageFollowsTheValueIncludingTheFloatThirds)
{
  VerticalSwitch* sw = addSwitch();
  const struct {
    float value;
    Colour colour;
  } cases[] = {{0.0f, kRedColour},    {1.0f / 3.0f, kGreenColour}, {2.0f / 3.0f, kBlueColour},
               {1.0f, kYellowColour}, {0.2f, kRedColour},          {0.5f, kGreenColour}};
  for (const auto& c : cases) {
    sw->setValue(c.value);
    frame->drawView(sw);
    EXPECT_EQ(window->pixel({40, 100}), c.colour) << c.value;
  }
}

TEST_F(SwitchTest, theOwnersRulePicksTheImageAndPositionsBeyondTheEndsShowTheEnds)
{
  // Position = the whole part of the value: 1.0 and 2.0 would show the last
  // image by the default rule.
  VerticalSwitch* sw = addSwitch([](float value) { return static_cast<int>(value); });
  const struct {
    float value;
    Colour colour;
  } cases[] = {
      {1.0f, kGreenColour}, {2.0f, kBlueColour}, {3.5f, kYellowColour}, {-3.0f, kRedColour}, {9.0f, kYellowColour}};
  for (const auto& c : cases) {
    sw->setValue(c.value);
    frame->drawView(sw);
    EXPECT_EQ(window->pixel({40, 100}), c.colour) << c.value;
  }
}

TEST_F(SwitchTest, draggingMovesThroughThePositionsWithAnyButton)
{
  VerticalSwitch* sw = addSwitch();
  backend.press({30, 55}, kMouseRight);
  backend.moveTo({30, 80}, kMouseRight);
  backend.moveTo({30, 140}, kMouseRight);
  backend.release();
  EXPECT_EQ(sw->getValue(), 1.0f);
  // The first position equals what is shown already, so only the moves report.
  ASSERT_EQ(listener.calls.size(), 2u);
  EXPECT_FLOAT_EQ(listener.calls[0].value, 1.0f / 3.0f);
  EXPECT_EQ(listener.calls[1].value, 1.0f);
  EXPECT_EQ(window->pixel({40, 100}), kYellowColour);
}

TEST_F(SwitchTest, aClickReleasedAtOnceStillSelectsItsZoneAsOneTouch)
{
  VerticalSwitch* sw = addSwitch();
  // The release comes with the press: every zone, in an order that changes
  // the value each time, and each a touch of its own.
  const struct {
    int dy;
    float value;
  } cases[] = {{80, 1.0f}, {10, 0.0f}, {55, 2.0f / 3.0f}, {30, 1.0f / 3.0f}, {99, 1.0f}};
  for (const auto& c : cases) {
    listener.touches.clear();
    backend.tap({30, 50 + c.dy});
    EXPECT_FLOAT_EQ(sw->getValue(), c.value) << "dy " << c.dy;
    EXPECT_EQ(listener.touches, "[v]") << "dy " << c.dy;
  }
  EXPECT_EQ(window->pixel({40, 100}), kYellowColour) << "redrawn for the last position";
  // A tap on the position shown already changes nothing, inside one touch.
  listener.touches.clear();
  backend.tap({30, 140});
  EXPECT_EQ(listener.touches, "[]");
  // Dragging with the button held is one touch through all the positions.
  listener.touches.clear();
  backend.press({30, 55}, kMouseLeft);
  backend.moveTo({30, 80}, kMouseLeft);
  backend.release();
  EXPECT_EQ(listener.touches, "[vv]");
}

TEST_F(SwitchTest, altClickResetsTheSwitchToZero)
{
  VerticalSwitch* sw = addSwitch();
  backend.tap({30, 140});
  ASSERT_EQ(sw->getValue(), 1.0f);
  backend.press({30, 140}, kMouseLeft | kModifierAlt);
  backend.release();
  EXPECT_EQ(sw->getValue(), 0.0f);
  EXPECT_EQ(window->pixel({40, 100}), kRedColour);
}

// ---- value bars ----

class ValueBarTest : public ControlsTest {
protected:
  static constexpr Rect kBar{40, 200, 140, 216};  // 100 x 16: one pixel is a hundredth
  static constexpr Colour kEmpty{0, 0, 64, 0};
  static constexpr Colour kLit{200, 100, 0, 0};

  // A bar from a picture of the empty bar (dark blue) above the lit one (amber).
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the value, then the bar's kind, as ValueBar takes them
  ValueBar* addBar(float value, int positions = 0)
  {
    addBitmap(138, 100, 32, [](int, int y) { return y < 16 ? kEmpty.toRgb() : kLit.toRgb(); });
    auto* images = new Bitmap(138);
    auto* bar = new ValueBar(kBar, &listener, 20, images, positions);
    images->forget();
    bar->setValue(value);
    frame->addView(bar);
    window->paint();
    return bar;
  }
  // The lit columns along the bar's bottom row, where no text reaches.
  int litColumns() const { return countPixels(*window, {kBar.left, kBar.bottom - 1, kBar.right, kBar.bottom}, kLit); }
};

TEST_F(ValueBarTest, eachGestureSetsTheValueUnderThePointerAsOneTouch)
{
  constexpr int L = kMouseLeft;
  constexpr int S = kModifierShift;
  const Gesture gestures[] = {
      {"click", 0.0f, {{Step::press, {65, 208}, L}, {Step::release, {}, 0}}, "[v]", 0.25f},
      {"drag beyond the right end",
       0.0f,
       {{Step::press, {90, 208}, L}, {Step::move, {120, 300}, L}, {Step::move, {400, 208}, L}, {Step::release, {}, 0}},
       "[vvv]",
       1.0f},
      {"drag beyond the left end",
       0.5f,
       {{Step::press, {100, 208}, L}, {Step::move, {-50, 208}, L}, {Step::release, {}, 0}},
       "[vv]",
       0.0f},
      {"fine drag from the value, not the pointer",
       0.5f,
       {{Step::press, {120, 208}, L | S}, {Step::move, {70, 208}, L | S}, {Step::release, {}, 0}},
       "[v]",
       0.45f},
      {"shift pressed in the middle of a drag",
       0.0f,
       {{Step::press, {80, 208}, L},
        {Step::move, {90, 208}, L | S},
        {Step::move, {140, 208}, L | S},
        {Step::release, {}, 0}},
       "[vv]",
       0.45f},
      {"a second button waits",
       0.2f,
       {{Step::press, {60, 208}, L}, {Step::move, {130, 208}, L | kMouseRight}, {Step::release, {}, 0}},
       "[]",
       0.2f},
      {"alt-click sets the default", 0.9f, {{Step::press, {50, 208}, L | kModifierAlt}}, "v", 0.25f},
      {"right button", 0.3f, {{Step::press, {50, 208}, kMouseRight}, {Step::release, {}, 0}}, "", 0.3f},
  };
  for (const Gesture& gesture : gestures) {
    SCOPED_TRACE(gesture.what);
    ValueBar* bar = addBar(gesture.startValue);
    bar->setDefaultValue(0.25f);
    listener.touches.clear();
    play(backend, gesture.steps);
    EXPECT_NEAR(bar->getValue(), gesture.endValue, 1e-6);
    EXPECT_EQ(listener.touches, gesture.heard);
    EXPECT_EQ(frame->getDragView(), nullptr) << "the drag is over";
    frame->removeView(bar);
    delete bar;
  }
}

TEST_F(ValueBarTest, aSwitchBarTakesTheZoneUnderThePointerAndLightsIt)
{
  // Four zones of 25 pixels: positions at 0, 1/3, 2/3 and 1.
  ValueBar* bar = addBar(0.0f, 4);
  const struct {
    int x;
    float value;
    int litFrom;
  } cases[] = {{40, 0.0f, 40},   {64, 0.0f, 40},   {65, 1.0f / 3.0f, 65}, {114, 2.0f / 3.0f, 90},
               {115, 1.0f, 115}, {139, 1.0f, 115}, {500, 1.0f, 115},      {-9, 0.0f, 40}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    backend.press({c.x < 0 ? 45 : std::min(c.x, 139), 208}, kMouseLeft);
    backend.moveTo({c.x, 208}, kMouseLeft);
    backend.release();
    EXPECT_FLOAT_EQ(bar->getValue(), c.value);
    frame->idle();
    EXPECT_EQ(litColumns(), 25);
    EXPECT_EQ(window->pixel({c.litFrom, kBar.bottom - 1}), kLit);
    EXPECT_EQ(window->pixel({c.litFrom + 24, kBar.bottom - 1}), kLit);
    EXPECT_EQ(bar->litArea(bar->getValue()), (Rect{c.litFrom, kBar.top, c.litFrom + 25, kBar.bottom}));
  }
}

TEST_F(ValueBarTest, theLitPartFollowsTheValueAndTheTextStandsOverIt)
{
  ValueBar* bar = addBar(0.0f);
  const struct {
    float value;
    int lit;
  } cases[] = {{0.0f, 0}, {0.37f, 37}, {1.0f, 100}, {-2.0f, 0}, {7.0f, 100}, {std::nanf(""), 0}};
  for (const auto& c : cases) {
    bar->setValue(c.value);
    frame->idle();
    EXPECT_EQ(litColumns(), c.lit) << c.value;
  }
  bar->setValue(0.5f);
  frame->idle();
  const int before = countPixels(*window, kBar, kLit) + countPixels(*window, kBar, kEmpty);
  EXPECT_EQ(before, 100 * 16) << "no text yet";
  bar->setText("-56.0 dB");
  frame->idle();  // a new text alone redraws the bar
  const int after = countPixels(*window, kBar, kLit) + countPixels(*window, kBar, kEmpty);
  EXPECT_GT(100 * 16 - after, 40) << "the text covers some of the bar";
  EXPECT_EQ(bar->text(), "-56.0 dB");
}

// ---- on/off button ----

TEST_F(ControlsTest, onOffButtonTogglesOnLeftAndRightClickAndShowsTheMatchingImage)
{
  addBitmap(131, 25, 50, [](int, int y) { return y < 25 ? 0xFF0000u : 0x00FF00u; });
  auto* bitmap = new Bitmap(131);
  auto* button = new OnOffButton({25, 10, 50, 35}, &listener, 2, bitmap);
  bitmap->forget();
  button->setValue(1.0f);
  frame->addView(button);
  window->paint();
  EXPECT_EQ(window->pixel({30, 20}), kGreenColour) << "lower image for on";
  backend.press({30, 20}, kMouseLeft);
  EXPECT_EQ(button->getValue(), 0.0f);
  EXPECT_EQ(window->pixel({30, 20}), kRedColour);
  backend.press({30, 20}, kMouseRight);
  EXPECT_EQ(button->getValue(), 1.0f);
  EXPECT_EQ(window->pixel({30, 20}), kGreenColour);
  backend.press({30, 20}, kMouseLeft | kModifierAlt);  // no reset for buttons: a toggle
  EXPECT_EQ(button->getValue(), 0.0f);
  ASSERT_EQ(listener.calls.size(), 3u);
  EXPECT_EQ(listener.calls[0].value, 0.0f);
  EXPECT_EQ(listener.calls[1].value, 1.0f);
  button->setValue(0.5f);  // integer part 0: counts as off when toggled
  backend.press({30, 20}, kMouseLeft);
  EXPECT_EQ(button->getValue(), 1.0f);
}

// ---- text boxes and displays ----

TEST_F(ControlsTest, textEditFinishedWithAChangeTellsTheListenerAndRedraws)
{
  auto* box = new TextEdit({10, 257, 65, 270}, &listener, 11, "1.000", nullptr, kParamDisplay3DIn);
  frame->addView(box);
  window->paint();
  backend.press({20, 260}, kMouseLeft);
  HeadlessTextField* field = backend.activeTextField();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->text(), "1.000");
  EXPECT_EQ(field->area(), (Rect{10, 257, 66, 271}));
  EXPECT_EQ(field->font().sizePixels, 12);
  EXPECT_EQ(field->font().weight, 400);
  EXPECT_EQ(frame->getFocusView(), box);

  field->replaceText("2.5");
  field->pressEnter();
  EXPECT_EQ(backend.activeTextField(), nullptr);
  EXPECT_EQ(frame->getFocusView(), nullptr);
  EXPECT_EQ(box->text(), "2.5");
  ASSERT_EQ(listener.calls.size(), 1u);
  EXPECT_EQ(listener.calls[0].control, box);
}

TEST_F(ControlsTest, textEditFinishedWithoutAChangeStaysQuietButStillRedraws)
{
  auto* box = new TextEdit({10, 20, 65, 33}, &listener, 99, "Saw", nullptr, kParamDisplay3DIn);
  frame->addView(box);
  window->paint();
  backend.press({20, 25}, kMouseLeft);
  ASSERT_NE(backend.activeTextField(), nullptr);
  window->canvas()->fillRect({0, 0, 300, 300}, kRedColour);  // spoil the picture
  backend.activeTextField()->loseKeyboardFocus();
  EXPECT_TRUE(listener.calls.empty());
  EXPECT_EQ(window->pixel({30, 21}), kBlackColour) << "the box was drawn again";
  EXPECT_EQ(window->pixel({5, 5}), kRedColour);
}

TEST_F(ControlsTest, textEditOpensOnlyForAPlainLeftClick)
{
  auto* box = new TextEdit({10, 20, 65, 33}, &listener, 99, "Saw");
  frame->addView(box);
  backend.press({20, 25}, kMouseRight);
  backend.press({20, 25}, kMouseLeft | kModifierShift);
  EXPECT_EQ(backend.activeTextField(), nullptr);
  backend.press({20, 25}, kMouseLeft);
  HeadlessTextField* field = backend.activeTextField();
  ASSERT_NE(field, nullptr);
  backend.press({20, 25}, kMouseLeft);  // already editing: the same field stays
  EXPECT_EQ(backend.activeTextField(), field);
}

TEST_F(ControlsTest, clickOnAnotherControlEndsTheEditBeforeThatControlActs)
{
  auto* box = new TextEdit({10, 20, 65, 33}, &listener, 11, "1.000");
  addBitmap(131, 25, 50, [](int, int y) { return y < 25 ? 0xFF0000u : 0x00FF00u; });
  auto* bitmap = new Bitmap(131);
  auto* button = new OnOffButton({100, 10, 125, 35}, &listener, 2, bitmap);
  bitmap->forget();
  frame->addView(box);
  frame->addView(button);
  backend.press({20, 25}, kMouseLeft);
  backend.activeTextField()->typeText("5");
  backend.press({110, 20}, kMouseLeft);
  EXPECT_EQ(backend.activeTextField(), nullptr);
  ASSERT_EQ(listener.calls.size(), 2u);
  EXPECT_EQ(listener.calls[0].control, box);
  EXPECT_EQ(box->text(), "1.0005");
  EXPECT_EQ(listener.calls[1].control, button);
}

TEST_F(ControlsTest, editedTextIsCutTo254CharactersAndSetTextTo255)
{
  auto* box = new TextEdit({10, 20, 65, 33}, &listener, 11, "");
  frame->addView(box);
  box->setText(std::string(400, 'a').c_str());
  EXPECT_EQ(box->text().size(), 255u);
  char buffer[ParamDisplay::kTextCapacity];
  box->getText(buffer);
  EXPECT_EQ(std::string(buffer), box->text());
  backend.press({20, 25}, kMouseLeft);
  backend.activeTextField()->replaceText(std::string(300, 'b'));
  backend.activeTextField()->pressEnter();
  EXPECT_EQ(box->text(), std::string(254, 'b'));
  box->setText(nullptr);  // ignored
  EXPECT_EQ(box->text(), std::string(254, 'b'));
}

TEST_F(ControlsTest, setTextMakesTheNextIdleRedrawTheBox)
{
  auto* box = new TextEdit({10, 20, 65, 33}, &listener, 99, "");
  frame->addView(box);
  window->paint();
  frame->idle();
  window->canvas()->fillRect({0, 0, 300, 300}, kRedColour);
  frame->idle();
  EXPECT_EQ(window->pixel({30, 25}), kRedColour) << "nothing changed yet";
  box->setText("Square");
  frame->idle();
  EXPECT_EQ(window->pixel({30, 21}), kBlackColour);
}

// The display's picture of `value`, compared with text boxes showing given texts.
TEST_F(ControlsTest, paramDisplayShowsTheValueWithTwoDecimals)
{
  const Rect area{10, 10, 70, 30};
  auto pictureOf = [&](View* view) {
    frame->addView(view);
    window->canvas()->fillRect({0, 0, 300, 300}, kBlackColour);
    frame->drawView(view);
    std::vector<uint32_t> pixels;
    for (int y = area.top; y <= area.bottom; ++y)
      for (int x = area.left; x <= area.right; ++x) pixels.push_back(window->pixel({x, y}).toRgb());
    frame->removeView(view);
    delete view;
    return pixels;
  };
  auto* display = new ParamDisplay(area);
  display->setValue(0.5f);
  const auto shown = pictureOf(display);
  const auto expected = pictureOf(new TextEdit(area, nullptr, 0, "0.50"));
  const auto tooShort = pictureOf(new TextEdit(area, nullptr, 0, "0.5"));
  const auto tooLong = pictureOf(new TextEdit(area, nullptr, 0, "0.500"));
  EXPECT_EQ(shown, expected);
  EXPECT_NE(shown, tooShort);
  EXPECT_NE(shown, tooLong);
}

TEST_F(ControlsTest, paramDisplayLookSettersForceTheNextRedraw)
{
  auto* display = new ParamDisplay({10, 10, 70, 30});
  frame->addView(display);
  window->paint();
  window->canvas()->fillRect({0, 0, 300, 300}, kRedColour);
  frame->idle();
  EXPECT_EQ(window->pixel({40, 12}), kRedColour);
  display->setBackColour(kBlueColour);
  frame->idle();
  EXPECT_EQ(window->pixel({40, 12}), kBlueColour);
  display->setBackColour(kBlueColour);  // same colour: no redraw needed
  EXPECT_EQ(display->getOldValue(), display->getValue());
}

TEST_F(ControlsTest, editLinesStyleDrawsTopLeftInBackAndBottomRightInFrameColour)
{
  auto* display = new ParamDisplay({10, 10, 70, 30}, nullptr, kParamDisplay3DIn);
  display->setBackColour(kBlueColour);
  display->setFrameColour(kRedColour);
  display->setStringConvert([](float, char* text) { text[0] = '\0'; });
  frame->addView(display);
  window->paint();
  EXPECT_EQ(window->pixel({10, 20}), kBlueColour);  // left edge
  EXPECT_EQ(window->pixel({40, 10}), kBlueColour);  // top edge
  EXPECT_EQ(window->pixel({70, 10}), kBlueColour);  // the top line reaches one past the corner
  EXPECT_EQ(window->pixel({70, 20}), kRedColour);   // right edge
  EXPECT_EQ(window->pixel({40, 30}), kRedColour);   // bottom edge
  EXPECT_EQ(window->pixel({40, 20}), kBlueColour);  // filled inside
}

// The effect stores values and display texts from whatever thread changed a
// parameter while the interface thread keeps drawing (the ThreadSanitizer
// build checks that this is free of data races).
TEST_F(ControlsTest, valuesAndTextsStoredFromAnotherThreadWhileIdleDraws)
{
  Slider* slider = addSlider(0.5f);
  auto* box = new TextEdit({10, 257, 65, 270}, &listener, 11, "0.000");
  frame->addView(box);
  window->paint();
  std::thread writer([&] {
    for (int i = 0; i <= 200; ++i) {
      slider->setValue(float(i) / 200.0f);
      box->setText(std::to_string(i).c_str());
    }
  });
  for (int i = 0; i < 50; ++i) frame->idle();
  writer.join();
  frame->idle();
  EXPECT_EQ(box->text(), "200");
  EXPECT_EQ(slider->getValue(), 1.0f);
  EXPECT_EQ(handleTopInPicture(), kMinTop) << "the last value is what is shown";
}

}  // namespace
