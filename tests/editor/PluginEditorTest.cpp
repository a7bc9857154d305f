// The editor on the headless window layer, inside a whole effect: its layout,
// how it follows the effect, what the user's clicks, drags and typing send to
// the host, and its life through many open/close rounds.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <atomic>
#include <bit>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dsp/TrackingOscillator.h"
#include "effect/ParameterTable.h"
#include "gui/Bitmap.h"
#include "gui/OnOffButton.h"
#include "gui/ValueBar.h"
#include "tests/editor/EditorTestSupport.h"
#include "tests/support/EditorStress.h"
#include "tests/support/WaitDeadline.h"

namespace editortest {
namespace {

using layout::Kind;

constexpr Point kDelayTimeBox = pointOf(layout::centreOf(layout::kDelayTimeBox));
constexpr Point kWaveShapeBox = pointOf(layout::centreOf(layout::kShapeNameBox));
constexpr Point kStablizeButton = pointOf(layout::centreOf(layout::kStablize));
constexpr int kDelayTimeSlider = layout::kDelayTime.rect.left;

bool isKind(View* view, Kind kind)
{
  switch (kind) {
    case Kind::slider: return dynamic_cast<Slider*>(view) != nullptr;
    case Kind::textBox: return dynamic_cast<TextEdit*>(view) != nullptr;
    case Kind::onOffButton: return dynamic_cast<OnOffButton*>(view) != nullptr;
    case Kind::verticalSwitch: return dynamic_cast<VerticalSwitch*>(view) != nullptr;
    case Kind::valueBar: return dynamic_cast<ValueBar*>(view) != nullptr;
  }
  return false;
}

// Every bound control holds the effect's value, and the two boxes its texts.
void expectSynchronised(PluginEditor& editor, PluginEffect& effect)
{
  for (int32_t i = 0; i < kParameterCount; ++i) {
    Control* control = editor.panel().boundControl(i);
    if (i == delayTimeAltParameter) {
      EXPECT_EQ(control, nullptr);
      continue;
    }
    ASSERT_NE(control, nullptr) << "parameter " << i;
    EXPECT_EQ(control->getTag(), i);
    EXPECT_EQ(control->getValue(), effect.getParameter(i)) << "parameter " << i;
  }
  char text[64] = {};
  effect.getParameterDisplay(waveShapeParameter, text);
  ASSERT_NE(editor.panel().waveShapeBox(), nullptr);
  EXPECT_EQ(editor.panel().waveShapeBox()->text(), text);
  ASSERT_NE(editor.panel().delayTimeBox(), nullptr);
  char seconds[16];
  std::snprintf(seconds, sizeof seconds, "%.3f", double(effect.getParameter(delayTimeParameter)) * 5.0);
  EXPECT_EQ(editor.panel().delayTimeBox()->text(), seconds);
}

// Values away from every parameter's default (and from each other's picture).
void setCustomValues(PluginEffect& effect)
{
  const std::array<float, kParameterCount> values{0.6f, 1.0f,  1.0f, 1.0f,  0.8f, 0.9f, 0.3f, 0.7f, 0.55f,
                                                  0.4f, 0.45f, 0.4f, 0.35f, 0.9f, 1.0f, 0.7f, 0.4f, 0.0f};
  for (int32_t i = 0; i < kParameterCount; ++i)
    if (i != delayTimeAltParameter) effect.setParameter(i, values[std::size_t(i)]);
}

using PluginEditorTest = EditorTest;

TEST_F(PluginEditorTest, effectOwnsAnEditorWithTheFixedRectangleBeforeAndAfterOpen)
{
  ASSERT_NE(editor, nullptr);
  EXPECT_NE(effect->getAeffect()->flags & effFlagsHasEditor, 0);
  const auto expectRect = [this] {
    ERect* rect = nullptr;
    ASSERT_EQ(editor->getRect(&rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, layout::kWindowHeight);
    EXPECT_EQ(rect->right, layout::kWindowWidth);
  };
  expectRect();
  EXPECT_EQ(editor->getFrame(), nullptr);
  openAndPaint();
  expectRect();
  // The frame reaches 100 pixels past the left and top edges; its window sits
  // at the host window's origin and shows the editor in its top-left corner.
  ASSERT_NE(editor->getFrame(), nullptr);
  EXPECT_EQ(editor->getFrame()->getRect(), (Rect{-100, -100, layout::kWindowWidth, layout::kWindowHeight}));
  EXPECT_EQ(window().width(), 660);
  EXPECT_EQ(window().height(), 520);
  EXPECT_EQ(window().parent(), kHostWindow);
  editor->close();
  expectRect();
}

TEST_F(PluginEditorTest, openBuildsEveryControlInItsPlaceAndOrder)
{
  openAndPaint();
  Frame* frame = editor->getFrame();
  ASSERT_EQ(frame->getViewCount(), int(layout::kControls.size()));
  for (std::size_t i = 0; i < layout::kControls.size(); ++i) {
    SCOPED_TRACE("control " + std::to_string(i + 1));
    const layout::Control& expected = layout::kControls[i];
    auto* control = dynamic_cast<Control*>(frame->getView(int(i)));
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(isKind(control, expected.kind));
    EXPECT_EQ(control->getTag(), expected.tag);
    EXPECT_EQ(control->getRect(), rectOf(expected.rect));
    EXPECT_EQ(control->getListener(), static_cast<const ControlListener*>(&editor->panel()));
    // A bound control is the one the editor updates for its parameter.
    if (expected.kind != Kind::textBox) {
      EXPECT_EQ(editor->panel().boundControl(expected.tag), control);
    }
  }
  EXPECT_EQ(frame->getBackground()->getResourceId(), layout::kBackgroundBitmap);
}

TEST_F(PluginEditorTest, openShowsTheEffectsValuesAndTexts)
{
  // Program 0 first: the first shape's name and no delay.
  openAndPaint();
  expectSynchronised(*editor, *effect);
  EXPECT_EQ(editor->panel().waveShapeBox()->text(), "Sine");
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "0.000");
  editor->close();

  // Then values set while the editor was closed.
  effect->setProgram(3);
  setCustomValues(*effect);
  openAndPaint();
  expectSynchronised(*editor, *effect);
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "2.000");  // 0.4 of five seconds
  EXPECT_NE(editor->panel().waveShapeBox()->text(), "Sine");
  // The buttons show the effect's state, not the 1.0 they are built with.
  effect->setParameter(stablizeParameter, 0.0f);
  editor->idle();
  EXPECT_EQ(editor->panel().boundControl(stablizeParameter)->getValue(), 0.0f);
}

// Selecting any program of a new instance, the factory sounds included, the
// switches light the settings the effect runs. A value inside the effect's
// band but short of the switch's own position (0.6 for an analysis length of
// 4096, say) would light the position below it.
TEST_F(PluginEditorTest, everyProgramsSwitchesShowTheSettingsTheEffectRuns)
{
  openAndPaint();
  const auto lit = [this](int32_t index) {
    const auto* control = dynamic_cast<VerticalSwitch*>(editor->panel().boundControl(index));
    return control == nullptr ? -1 : control->imageForValue(control->getValue());
  };
  for (int32_t program = 0; program < PluginEffect::kProgramCount; ++program) {
    SCOPED_TRACE(program);
    effect->setProgram(program);
    editor->idle();
    EXPECT_EQ(lit(fftLengthParameter), std::countr_zero(static_cast<unsigned>(effect->analysisLength() / 1024)));
    // Off, low-pass, high-pass, band-pass: the modes -1 to 2.
    EXPECT_EQ(lit(filterTypeParameter), static_cast<int>(filterModeFor(effect->getParameter(filterTypeParameter))) + 1);
    for (int32_t slot = 0; slot < kStageSlotCount; ++slot)
      EXPECT_EQ(lit(firstParameter + slot), static_cast<int>(effect->stageInSlot(slot))) << "slot " << slot;
  }
}

TEST_F(PluginEditorTest, automationOfEitherDelayTimeIndexMovesTheSliderAndTheBoxAtTheNextIdle)
{
  openAndPaint();
  const int sliderX = kDelayTimeSlider;
  EXPECT_EQ(drawnHandleTop(window(), sliderX), handleTopFor(0.0f));  // 0 s: at the bottom

  effect->setParameter(delayTimeParameter, 0.3f);
  // Nothing in the window is touched from the thread that changed the
  // parameter, not even a control's value ...
  EXPECT_EQ(editor->panel().boundControl(delayTimeParameter)->getValue(), 0.0f);
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "0.000");
  EXPECT_EQ(drawnHandleTop(window(), sliderX), handleTopFor(0.0f));
  // ... the host's next idle does it all.
  editor->idle();
  EXPECT_EQ(editor->panel().boundControl(delayTimeParameter)->getValue(), 0.3f);
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "1.500");
  EXPECT_EQ(drawnHandleTop(window(), sliderX), handleTopFor(0.3f));

  // Index 11 (an old session's automation) sets the same delay time, and the
  // slider and the box show it too.
  effect->setParameter(delayTimeAltParameter, 0.8f);
  EXPECT_EQ(effect->getParameter(delayTimeParameter), 0.8f);
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "1.500");
  editor->idle();
  EXPECT_EQ(editor->panel().boundControl(delayTimeParameter)->getValue(), 0.8f);
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "4.000");
  EXPECT_EQ(drawnHandleTop(window(), sliderX), handleTopFor(0.8f));
  EXPECT_TRUE(hostLog().automations.empty()) << "the host's own changes go back to it";
}

TEST_F(PluginEditorTest, parameterChangesWhileClosedAreIgnoredUntilTheNextOpen)
{
  effect->setParameter(cutOffParameter, 0.25f);  // closed: nothing to update, nothing to crash
  openAndPaint();
  EXPECT_EQ(editor->panel().boundControl(cutOffParameter)->getValue(), 0.25f);
  editor->close();
  EXPECT_EQ(editor->panel().boundControl(cutOffParameter), nullptr);
  effect->setParameter(cutOffParameter, 0.75f);
  for (int32_t i = -3; i < 30; ++i) editor->setParameter(i, 0.5f);  // any index, closed
  openAndPaint();
  expectSynchronised(*editor, *effect);
}

// The box sends the time as " Delay Time " itself, the lane hosts automate
// (they are not offered the second index), and then shows what the effect made
// of it.
TEST_F(PluginEditorTest, typedDelayTimeIsLimitedToFiveSecondsAndSentAsDelayTime)
{
  openAndPaint();
  typeInto(kDelayTimeBox, "7");
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "5.000");
  EXPECT_EQ(editor->panel().boundControl(delayTimeParameter)->getValue(), 1.0f);
  ASSERT_EQ(hostLog().automations.size(), 1u);
  EXPECT_EQ(hostLog().automations[0].index, delayTimeParameter);
  EXPECT_EQ(hostLog().automations[0].value, 1.0f);
  EXPECT_EQ(effect->getParameter(delayTimeParameter), 1.0f);
  // The slider was redrawn at once, before any idle.
  EXPECT_EQ(drawnHandleTop(window(), kDelayTimeSlider), handleTopFor(1.0f));
  // The box shows the limited text.
  editor->idle();
  EXPECT_GT(countLight(window(), rectOf(layout::kDelayTimeBox.rect)), 0);

  hostLog().clear();
  typeInto(kDelayTimeBox, "abc");
  ASSERT_EQ(hostLog().automations.size(), 1u);
  EXPECT_EQ(hostLog().automations[0].index, delayTimeParameter);
  EXPECT_EQ(hostLog().automations[0].value, 0.0f);
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "0.000");  // read as no time at all
  EXPECT_EQ(editor->panel().boundControl(delayTimeParameter)->getValue(), 0.0f);
  effect->setParameter(delayTimeParameter, 0.5f);
  editor->idle();
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "2.500");
}

TEST_F(PluginEditorTest, typedDelayTimeReadsLikeANumberAndRejectsWhatIsNone)
{
  openAndPaint();
  struct Case {
    const char* typed;
    float sent;
  };
  // Leading blanks and a sign are read, trailing text ignored; negative times
  // pass on scaled; what is not a usable number counts as 0.
  const Case cases[] = {{" 2.5 s", 0.5f}, {"+1", 0.2f},  {"-1", -0.2f},  {"1e999", 1.0f},
                        {"1e-999", 0.0f}, {"nan", 0.0f}, {"-inf", 0.0f}, {"inf", 1.0f},
                        {"--3", 0.0f},    {".5", 0.1f},  {"", 0.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
    typeInto(kDelayTimeBox, "9");  // a known state that differs from every case
    hostLog().clear();
    typeInto(kDelayTimeBox, c.typed);
    ASSERT_EQ(hostLog().automations.size(), 1u);
    EXPECT_EQ(hostLog().automations[0].index, delayTimeParameter);
    EXPECT_FLOAT_EQ(hostLog().automations[0].value, c.sent);
    EXPECT_TRUE(std::isfinite(effect->getParameter(delayTimeParameter)));
  }
}

TEST_F(PluginEditorTest, typingInTheWaveShapeBoxSendsNothing)
{
  openAndPaint();
  const std::vector<float> before = parameterValues();
  typeInto(kWaveShapeBox, "Anything");
  EXPECT_TRUE(hostLog().automations.empty());
  EXPECT_EQ(parameterValues(), before);
  EXPECT_EQ(editor->panel().waveShapeBox()->text(), "Anything");
  effect->setParameter(waveShapeParameter, 0.0f);
  editor->idle();
  EXPECT_EQ(editor->panel().waveShapeBox()->text(), "Sine");
}

TEST_F(PluginEditorTest, stageOrderRowAnswersByColumnWithTheLastSwitchReachingTheRightEdge)
{
  openAndPaint();
  struct Case {
    int x;
    int32_t slot;
  };
  // The bottom zone of each switch picks the last stage kind (Distortion).
  const int forthLeft = layout::kForth.rect.left;
  const Case cases[] = {{layout::kFirst.rect.left + 7, firstParameter},
                        {layout::kSecond.rect.left + 5, secondParameter},
                        {layout::kThird.rect.left + 13, thirdParameter},
                        {forthLeft - 1, thirdParameter},
                        {forthLeft, forthParameter},
                        {layout::kWindowWidth - 20, forthParameter}};
  for (const Case& c : cases) {
    SCOPED_TRACE("x " + std::to_string(c.x));
    for (int32_t slot = firstParameter; slot <= forthParameter; ++slot) effect->setParameter(slot, 0.0f);
    editor->idle();  // shows the reset, as the host's idle would
    hostLog().clear();
    click({c.x, layout::kFirst.rect.bottom - 7});
    ASSERT_EQ(hostLog().automations.size(), 1u);
    EXPECT_EQ(hostLog().automations[0].index, c.slot);
    EXPECT_EQ(hostLog().automations[0].value, 1.0f);
    EXPECT_EQ(effect->stageInSlot(c.slot - firstParameter), StageKind::distortion);
  }
}

TEST_F(PluginEditorTest, clickOnTheEdgeSharedByFftSwitchAndPitchSliderGoesToTheSwitch)
{
  // The Pitch Shift handle at the top, where the click lands.
  effect->setParameter(pitchShiftParameter, 1.0f);
  effect->setParameter(fftLengthParameter, 1.0f);
  openAndPaint();
  click({layout::kFftLength.rect.right, layout::kFftLength.rect.top + 7});
  ASSERT_EQ(hostLog().automations.size(), 1u);
  EXPECT_EQ(hostLog().automations[0].index, fftLengthParameter);
  EXPECT_EQ(hostLog().automations[0].value, 0.0f);  // the top zone
  EXPECT_EQ(effect->getParameter(pitchShiftParameter), 1.0f);
}

TEST_F(PluginEditorTest, draggingEachSliderOrSwitchChangesOnlyItsOwnParameter)
{
  openAndPaint();
  for (const layout::Control& placement : layout::kControls) {
    // (A control for a parameter the effect does not have yet is tried below.)
    if (placement.kind == Kind::textBox || !isParameterIndex(placement.tag)) continue;
    SCOPED_TRACE("tag " + std::to_string(placement.tag));
    const std::vector<float> before = parameterValues();
    hostLog().clear();
    const int x = placement.rect.left + 12;
    if (placement.kind == Kind::slider) {
      // Grab the handle in its middle and move it 40 pixels towards the far end.
      const int top = static_cast<Slider*>(editor->panel().boundControl(placement.tag))->getHandleTop();
      const int dy = before[std::size_t(placement.tag)] > 0.5f ? 40 : -40;
      drag({x, top + 11}, {x, top + 11 + dy});
    } else if (placement.kind == Kind::verticalSwitch) {
      // From the zone of the current value to the one below it (or above, at the bottom).
      const int zone = placement.rect.height() / 4;
      const int current = int(std::lround(before[std::size_t(placement.tag)] * 3.0f));
      const int target = current == 3 ? 2 : current + 1;
      drag({x, placement.rect.top + current * zone + 2}, {x, placement.rect.top + target * zone + 2});
    } else if (placement.kind == Kind::valueBar) {
      // From near the left end to the end farther from the current value.
      const int y = placement.rect.top + placement.rect.height() / 2;
      const bool high = before[std::size_t(placement.tag)] > 0.5f;
      drag({x, y}, {high ? placement.rect.left + 2 : placement.rect.right - 2, y});
    } else {
      click({x, placement.rect.top + 5});
    }
    ASSERT_FALSE(hostLog().automations.empty());
    for (const Automation& a : hostLog().automations) EXPECT_EQ(a.index, placement.tag);
    // The host can record it as one touch: begin, the automation, end, all
    // naming the control's parameter.
    const std::string& touches = hostLog().touches;
    EXPECT_EQ(touches, "[" + std::string(hostLog().automations.size(), 'a') + "]");
    for (int32_t index : hostLog().touchedIndices) EXPECT_EQ(index, placement.tag);
    const std::vector<float> after = parameterValues();
    for (int32_t i = 0; i < kParameterCount; ++i) {
      const bool own = i == placement.tag || (placement.tag == delayTimeParameter && i == delayTimeAltParameter);
      if (own)
        EXPECT_NE(after[std::size_t(i)], before[std::size_t(i)]) << "parameter " << i;
      else
        EXPECT_EQ(after[std::size_t(i)], before[std::size_t(i)]) << "parameter " << i;
    }
    EXPECT_EQ(editor->panel().boundControl(placement.tag)->getValue(), after[std::size_t(placement.tag)]);
    if (placement.kind == Kind::slider) {
      // 40 pixels of the handle's travel (up is more); the handle was drawn
      // at a whole pixel, so the grab point may be off by one.
      constexpr double kTravel = layout::kHandleTravel;
      const double moved = after[std::size_t(placement.tag)] - before[std::size_t(placement.tag)];
      const double expected = before[std::size_t(placement.tag)] > 0.5f ? -40.0 / kTravel : 40.0 / kTravel;
      EXPECT_NEAR(moved, expected, 1.0 / kTravel + 1e-6);
    }
  }
}

// Every gesture on a slider and on a switch reaches the host as one touch:
// begin, one automation per change, end, all for the control's parameter,
// and nothing else is asked of the host from inside the events (no idle).
TEST_F(PluginEditorTest, eachGestureReachesTheHostAsBeginTheAutomationAndEnd)
{
  openAndPaint();
  const int32_t volume = layout::kVolume.tag;
  const int x = layout::kVolume.rect.left + 12;
  const int grab = handleTopFor(0.5f) + layout::kHandleHeight / 2;  // the handle's middle at 0.5
  // What the slider makes of a handle top (the value maps back from the pixel).
  const auto atTop = [](int top) { return float(1.0 - double(top - layout::kSliderTop) / layout::kHandleTravel); };
  const float grabbed = atTop(handleTopFor(0.5f));
  const auto zone = [](int position) { return pointOf(layout::switchZoneCentre(layout::kFftLength, position)); };
  struct Case {
    const char* what;
    int32_t parameter;
    float start;
    std::function<void()> gesture;
    int automations;
    float end;
  };
  const Case cases[] = {
      {"drag", volume, 0.5f,
       [&] {
         backend.press({x, grab}, kMouseLeft);
         backend.moveTo({x, grab - 20}, kMouseLeft);
         backend.moveTo({x, grab - 40}, kMouseLeft);
         backend.release();
       },
       3, atTop(handleTopFor(0.5f) - 40)},
      {"fine drag", volume, 0.5f,
       [&] {
         backend.press({x, grab}, kMouseLeft | kModifierShift);
         backend.moveTo({x, grab - 40}, kMouseLeft | kModifierShift);
         backend.release();
       },
       2, 0.5f + (atTop(handleTopFor(0.5f) - 40) - 0.5f) / 10.0f},
      {"released outside the window", volume, 0.5f,
       [&] {
         backend.press({x, grab}, kMouseLeft);
         backend.moveTo({-10, -400}, kMouseLeft);
         backend.release();
       },
       2, 1.0f},
      {"pointer taken away", volume, 0.5f,
       [&] {
         backend.press({x, grab}, kMouseLeft);
         backend.moveTo({x, grab - 20}, kMouseLeft);
         backend.losePointer();
         backend.moveTo({x, grab - 60}, kMouseLeft);
       },
       2, atTop(handleTopFor(0.5f) - 20)},
      {"editor closed in the middle", volume, 0.5f,
       [&] {
         backend.press({x, grab}, kMouseLeft);
         backend.moveTo({x, grab - 20}, kMouseLeft);
         editor->close();
         openAndPaint();
       },
       2, atTop(handleTopFor(0.5f) - 20)},
      {"quick click on the handle", volume, 0.5f,
       [&] {
         backend.tap({x, grab});
       },
       1, grabbed},
      {"alt-click", volume, 0.2f,
       [&] {
         backend.press({x, layout::kVolume.rect.bottom - 3}, kMouseLeft | kModifierAlt);
         backend.release();
       },
       1, 0.5f},
      {"quick click on a switch", layout::kFftLength.tag, 0.0f, [&] { backend.tap(zone(3)); }, 1, 1.0f},
      {"drag across a switch", layout::kFftLength.tag, 0.0f,
       [&] {
         backend.press(zone(0), kMouseLeft);
         for (int position : {1, 2, 3}) backend.moveTo(zone(position), kMouseLeft);
         backend.release();
       },
       3, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    effect->setParameter(c.parameter, c.start);
    editor->idle();  // shows it, as the host's idle would
    hostLog().clear();
    c.gesture();
    EXPECT_EQ(hostLog().touches, "[" + std::string(std::size_t(c.automations), 'a') + "]");
    for (int32_t index : hostLog().touchedIndices) EXPECT_EQ(index, c.parameter);
    EXPECT_TRUE(hostLog().otherCalls.empty()) << "first other call: " << hostLog().otherCalls.front();
    EXPECT_NEAR(effect->getParameter(c.parameter), c.end, 1e-6);
  }
}

// Each switch, tapped in each zone with the release already in when the
// press is handled, selects that zone and sends it as one touch.
TEST_F(PluginEditorTest, aTapOnEverySwitchZoneSelectsItAsOneTouch)
{
  openAndPaint();
  for (const layout::Control& placement : layout::kControls) {
    if (placement.kind != Kind::verticalSwitch) continue;
    // From the bottom zone up, so every tap changes the value.
    effect->setParameter(placement.tag, 0.0f);
    editor->idle();
    for (int position : {3, 2, 1, 0}) {
      SCOPED_TRACE("tag " + std::to_string(placement.tag) + " position " + std::to_string(position));
      hostLog().clear();
      backend.tap(pointOf(layout::switchZoneCentre(placement, position)));
      ASSERT_EQ(hostLog().automations.size(), 1u);
      EXPECT_EQ(hostLog().automations[0].index, placement.tag);
      EXPECT_FLOAT_EQ(hostLog().automations[0].value, float(position) / 3.0f);
      EXPECT_EQ(hostLog().touches, "[a]");
      for (int32_t index : hostLog().touchedIndices) EXPECT_EQ(index, placement.tag);
      EXPECT_EQ(editor->panel().boundControl(placement.tag)->getValue(), effect->getParameter(placement.tag));
    }
  }
}

// Each switch shows the setting that plays: the position its parameter's value
// selects by the parameter's own bands, also for values between the ones the
// switch itself writes (a host's ramp, a preset), whether the effect reports
// the value (FFT length, filter type) or the control is simply given it.
TEST_F(PluginEditorTest, everySwitchShowsThePositionOfTheSettingItsValueSelects)
{
  openAndPaint();
  // Just above the stage-order thresholds 0.333333 and 0.666666, below 1/3 and 2/3.
  const float aboveMoxBand = std::nextafter(0.333333f, 1.0f);
  const float aboveFilterBand = std::nextafter(0.666666f, 1.0f);
  struct Case {
    float value;
    int fftOrFilter;  // FFT length 1024..8192 and filter type off..band-pass share their bands
    int stage;        // Mox..Distortion
  };
  const Case cases[] = {
      {0.0f, 0, 0},         {0.1f, 0, 0},
      {0.25f, 0, 0},        {0.26f, 1, 0},
      {0.3f, 1, 0},         {0.333333f, 1, 0},
      {aboveMoxBand, 1, 1}, {1.0f / 3.0f, 1, 1},
      {0.4f, 1, 1},         {0.51f, 1, 1},
      {0.52f, 2, 1},        {0.6f, 2, 1},
      {0.666666f, 2, 1},    {aboveFilterBand, 2, 2},
      {2.0f / 3.0f, 2, 2},  {0.7f, 2, 2},
      {0.76f, 2, 2},        {0.77f, 3, 2},
      {0.9f, 3, 2},         {0.999f, 3, 2},
      {1.0f, 3, 3},
  };
  const char* const fftNames[] = {"1024", "2048", "4096", "8192"};
  const char* const filterNames[] = {"Off", "LOWPASS", "HIGHPASS", "BANDPASS"};
  const char* const stageNames[] = {"Mox", "Filter", "Delay", "Distortion"};
  for (const layout::Control& placement : layout::kControls) {
    if (placement.kind != Kind::verticalSwitch) continue;
    const Artwork art(placement.bitmap);
    const auto shown = [&] {
      return shownImage(window(), rectOf(placement.rect).topLeft(), art, {placement.imageWidth, placement.imageHeight},
                        layout::kPositions);
    };
    const bool stageSwitch = placement.tag >= firstParameter && placement.tag <= forthParameter;
    const char* const* names = stageSwitch ? stageNames : placement.tag == fftLengthParameter ? fftNames : filterNames;
    for (const Case& c : cases) {
      SCOPED_TRACE("tag " + std::to_string(placement.tag) + " value " + std::to_string(c.value));
      const int expected = stageSwitch ? c.stage : c.fftOrFilter;
      effect->setParameter(placement.tag, c.value);
      editor->idle();
      EXPECT_EQ(shown(), expected) << "set through the effect";
      char text[32] = {};
      effect->getParameterDisplay(placement.tag, text);
      EXPECT_STREQ(text, names[expected]) << "what plays";
      effect->setParameter(placement.tag, c.value == 0.0f ? 1.0f : 0.0f);  // away, so the next draw is a change
      editor->idle();
      editor->panel().boundControl(placement.tag)->setValue(c.value);
      editor->idle();
      EXPECT_EQ(shown(), expected) << "given to the control";
    }
  }
}

// The Precise button is built and bound before the effect has its parameter:
// until then a click, the effect's or the host's change of the index reach no
// parameter and no per-parameter slot; once it has, a click is a touch.
TEST_F(PluginEditorTest, thePreciseButtonTurnsOnThePreciseDetectorAndShowsTheHostsChanges)
{
  openAndPaint();
  Control* button = editor->panel().boundControl(preciseParameter);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->getRect(), rectOf(layout::kPrecise.rect));
  EXPECT_EQ(button->getValue(), 0.0f);
  click(pointOf(layout::centreOf(layout::kPrecise)));
  EXPECT_EQ(hostLog().touches, "[a]");
  ASSERT_EQ(hostLog().automations.size(), 1u);
  EXPECT_EQ(hostLog().automations[0].index, preciseParameter);
  EXPECT_TRUE(effect->oscillator().precise());
  // The host turns it off again: the button follows at the next idle.
  effect->setParameter(preciseParameter, 0.0f);
  editor->idle();
  EXPECT_EQ(button->getValue(), 0.0f);
  EXPECT_FALSE(effect->oscillator().precise());
  expectSynchronised(*editor, *effect);
}

// A click on a button and a typed delay time are touches of their own.
TEST_F(PluginEditorTest, aButtonClickAndATextBoxCommitAreEachFramedAsATouch)
{
  openAndPaint();
  click(kStablizeButton);
  EXPECT_EQ(hostLog().touches, "[a]");
  EXPECT_EQ(hostLog().touchedIndices, (std::vector<int32_t>{stablizeParameter, stablizeParameter, stablizeParameter}));
  hostLog().clear();
  typeInto(kDelayTimeBox, "2.5");
  EXPECT_EQ(hostLog().touches, "[a]");
  EXPECT_EQ(hostLog().touchedIndices,
            (std::vector<int32_t>{delayTimeParameter, delayTimeParameter, delayTimeParameter}));
  // A host that changes a parameter itself hears nothing back.
  hostLog().clear();
  effect->setParameter(cutOffParameter, 0.2f);
  editor->idle();
  EXPECT_EQ(hostLog().touches, "");
}

TEST_F(PluginEditorTest, closeThenOpenGivesACompleteSynchronisedEditor)
{
  openAndPaint();
  setCustomValues(*effect);
  editor->close();
  EXPECT_EQ(editor->getFrame(), nullptr);
  EXPECT_TRUE(backend.windows().empty());
  EXPECT_EQ(Frame::windowClassUseCount(), 0);
  effect->setParameter(volumeParameter, 0.1f);
  openAndPaint();
  EXPECT_EQ(editor->getFrame()->getViewCount(), int(layout::kControls.size()));
  expectSynchronised(*editor, *effect);
  EXPECT_EQ(drawnHandleTop(window(), layout::kVolume.rect.left), handleTopFor(0.1f));
  // And it still answers the mouse.
  click(kStablizeButton);
  ASSERT_EQ(hostLog().automations.size(), 1u);
  EXPECT_EQ(hostLog().automations[0].index, stablizeParameter);
}

TEST_F(PluginEditorTest, closingDuringAnEditEndsItFirst)
{
  openAndPaint();
  click(kDelayTimeBox);
  ASSERT_NE(backend.activeTextField(), nullptr);
  backend.activeTextField()->replaceText("1");
  editor->close();
  ASSERT_EQ(hostLog().automations.size(), 1u);
  EXPECT_EQ(hostLog().automations[0].index, delayTimeParameter);
  EXPECT_FLOAT_EQ(hostLog().automations[0].value, 0.2f);
  EXPECT_EQ(editor->getFrame(), nullptr);
}

TEST_F(PluginEditorTest, openingTwiceOrNeverClosingLeavesOneWindowAndNoLeak)
{
  openAndPaint();
  openAndPaint();
  EXPECT_EQ(backend.windows().size(), 1u);
  EXPECT_EQ(Frame::windowClassUseCount(), 1);
  expectSynchronised(*editor, *effect);
  // The fixture deletes the effect with the editor still open.
}

TEST_F(PluginEditorTest, aThousandOpenCloseRoundsLeaveNothingBehind)
{
  for (int round = 0; round < 1000; ++round) {
    ASSERT_EQ(editor->open(kHostWindow), 1);
    if (round % 100 == 0) {
      backend.newestWindow()->paint();
      effect->setParameter(round % kParameterCount, 0.5f);
      editor->idle();
    }
    editor->close();
    ASSERT_EQ(Frame::windowClassUseCount(), 0);
  }
  // What memory is left is for the leak checker of the sanitizer build to find.
  openAndPaint();
  expectSynchronised(*editor, *effect);
}

// Run under ThreadSanitizer (scripts/test-sanitizers.sh): the effect tells the
// editor of automation on the thread that made it, while the interface thread
// keeps idling and drawing.
TEST_F(PluginEditorTest, automationFromAnotherThreadWhileTheEditorIdles)
{
  openAndPaint();
  std::atomic<bool> done{false};
  std::thread automation([this, &done] {
    for (int i = 0; i < 3000; ++i) {
      const auto index = int32_t(i % kParameterCount);
      effect->setParameter(index, float(i % 101) / 100.0f);
    }
    effect->setParameter(delayTimeParameter, 0.5f);
    effect->setParameter(volumeParameter, 0.25f);
    done = true;
  });
  const testsupport::WaitDeadline deadline("the automation thread");
  while (!done) {
    deadline.check();
    editor->idle();
  }
  automation.join();
  editor->idle();
  EXPECT_EQ(editor->panel().delayTimeBox()->text(), "2.500");
  EXPECT_EQ(drawnHandleTop(window(), layout::kVolume.rect.left), handleTopFor(0.25f));
  expectSynchronised(*editor, *effect);
}

// Run under ThreadSanitizer (scripts/test-sanitizers.sh picks it by name):
// the host opens and closes the editor on its interface thread while another
// thread automates every parameter and a third runs blocks. Setting a
// parameter once reached controls that close had just deleted.
TEST_F(PluginEditorTest, openCloseLoopWhileAnotherThreadAutomatesAndAThirdRunsAudio)
{
  const editorstress::Outcome outcome =
      editorstress::run(effect->getAeffect(), kHostWindow, std::chrono::milliseconds(3000), [this] {
        if (!backend.windows().empty()) backend.newestWindow()->paint();
      });
  EXPECT_TRUE(outcome.stoppedInTime);
  EXPECT_GE(outcome.openCloseRounds, 20);
  EXPECT_GE(outcome.automationCalls, kParameterCount * 20);
  EXPECT_GE(outcome.blocks, 20);
  EXPECT_EQ(outcome.unfiniteSamples, 0);
  // Quiet again, an opened editor shows what the effect holds.
  openAndPaint();
  expectSynchronised(*editor, *effect);
  EXPECT_EQ(Frame::windowClassUseCount(), 1);
}

}  // namespace
}  // namespace editortest
