// Where the editor's controls stand (window pixels), what each one is, the
// parameter it answers to, the bitmap it draws from, the sizes of the pictures
// and where the artwork writes each control's legend. The editor builds its
// controls by walking kControls, the artwork generator paints its pictures to
// these sizes and its legends at these places, and the tests take their click
// points and picture areas from here: the three read one definition, so a
// control moved here moves everywhere at once.
//
// Constant data only, with no dependencies: the artwork generator includes it
// without the rest of the plug-in.
#pragma once

#include <array>
#include <cstdint>

namespace layout {

struct Box {
  int left;
  int top;
  int right;
  int bottom;
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  constexpr double centreX() const { return (left + right) / 2.0; }
  constexpr double centreY() const { return (top + bottom) / 2.0; }
};

constexpr int kWindowWidth = 560;
constexpr int kWindowHeight = 420;

// The bitmap resources (ids as the resource script numbers them).
enum BitmapId : int32_t {
  kNoBitmap = 0,
  kBackgroundBitmap = 128,
  kSliderTrackBitmap = 129,
  kSliderHandleBitmap = 130,
  kOnOffButtonBitmap = 131,
  kFilterTypeBitmap = 132,
  kFirstStageBitmap = 133,  // 133..136: First, Second, Third, Forth
  kFftLengthBitmap = 137,
  kValueBarBitmap = 138,  // the live controls' bars: empty above, lit below
};
constexpr int kStageSlots = 4;

// Picture sizes. A strip stacks its images from the top.
constexpr int kTrackWidth = 25;
constexpr int kTrackHeight = 175;
constexpr int kHandleWidth = 25;
constexpr int kHandleHeight = 22;
constexpr int kButtonSize = 25;   // one of the on/off button's two images
constexpr int kButtonImages = 2;  // off above, on below
constexpr int kSwitchWidth = 40;  // filter-type and FFT-length strips
constexpr int kSwitchImageHeight = 60;
constexpr int kStageWidth = 62;  // stage-order strips
constexpr int kStageImageHeight = 100;
constexpr int kPositions = 4;  // every vertical switch has four positions
// The live controls' value bars: one image of the empty bar and one of the
// lit bar, each the bar's size.
constexpr int kBarWidth = 95;
constexpr int kBarHeight = 16;
constexpr int kBarImages = 2;

// Sliders: the track spans kSliderTop..kSliderTop + kTrackHeight; the
// handle's top runs from kSliderTop (value 1) down kHandleTravel pixels
// (value 0).
constexpr int kSliderTop = 73;
constexpr int kHandleTravel = kTrackHeight - kHandleHeight;  // 153
constexpr int kButtonTop = 307;
// The stage-order switches stand side by side from kStageLeft, ending at the
// window's right margin. A stage-order switch takes clicks 250 pixels to the
// right of its left edge, under the switches that follow; its picture covers
// only the first 62.
constexpr int kStageLeft = 300;
constexpr int kStageTop = 302;
constexpr int kStageClickWidth = 250;
// The live controls' bars stand one under the other, kBarPitch apart.
constexpr int kBarLeft = 185;
constexpr int kFirstBarTop = 305;
constexpr int kBarPitch = 21;

// A control's legend in the background artwork: one or two centred lines,
// or one line ending at `rightX` (beside the control rather than over it).
// A one-line legend has only `upper`.
struct Legend {
  const char* upper = nullptr;
  const char* lower = nullptr;
  double centreX = 0.0;
  double upperBaseline = 0.0;
  double lowerBaseline = 0.0;
  double rightX = 0.0;  // 0: centred on centreX
};

// valueBar: a horizontal bar showing its value as a lit part and as text
// (the parameter's display), set by a press and drag along it.
enum class Kind { slider, onOffButton, verticalSwitch, textBox, valueBar };

// The wave-shape name box answers to no parameter.
constexpr int32_t kWaveShapeBoxTag = 99;

struct Control {
  Kind kind;
  int32_t tag;  // the parameter index, or kWaveShapeBoxTag
  Box rect;     // where the control draws and takes clicks
  int32_t bitmap;
  int imageWidth;  // one image of its bitmap (0 without one)
  int imageHeight;
  Legend legend;
  // Where its picture shows: the top-left of its rectangle, one image in size.
  constexpr Box picture() const { return {rect.left, rect.top, rect.left + imageWidth, rect.top + imageHeight}; }
};

// Legend baselines above the slider row: a one-line legend sits on the lower
// one, a two-line legend uses both. Below a control the lines sit 14 and 25
// pixels under its bottom edge.
constexpr double kLegendUpper = 58.0;
constexpr double kLegendLower = 69.0;
constexpr double kBelowFirstLine = 14.0;
constexpr double kBelowSecondLine = 25.0;
// The stage-order columns carry their slot's name under them, on this baseline.
constexpr double kStageLegendBaseline = 413.0;
// A bar's legend ends this far left of the bar, on a baseline this far below its top.
constexpr double kBarLegendGap = 4.0;
constexpr double kBarLegendBaseline = 12.0;

constexpr Box sliderBox(int left) { return {left, kSliderTop, left + kTrackWidth, kSliderTop + kTrackHeight}; }

constexpr Legend above(const Box& box, const char* oneLine)
{
  return {oneLine, nullptr, box.centreX(), kLegendLower, 0.0};
}
constexpr Legend above(const Box& box, const char* upper, const char* lower)
{
  return {upper, lower, box.centreX(), kLegendUpper, kLegendLower};
}
constexpr Legend below(const Box& box, const char* oneLine)
{
  return {oneLine, nullptr, box.centreX(), box.bottom + kBelowFirstLine, 0.0};
}
constexpr Legend below(const Box& box, const char* upper, const char* lower)
{
  return {upper, lower, box.centreX(), box.bottom + kBelowFirstLine, box.bottom + kBelowSecondLine};
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): position, then tag, in every row below
constexpr Control slider(int left, int32_t tag, const char* upper, const char* lower = nullptr)
{
  const Box box = sliderBox(left);
  return {Kind::slider,
          tag,
          box,
          kSliderTrackBitmap,
          kTrackWidth,
          kTrackHeight,
          lower ? above(box, upper, lower) : above(box, upper)};
}
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): position, then tag, in every row below
constexpr Control button(int left, int32_t tag, const char* upper, const char* lower = nullptr)
{
  const Box box{left, kButtonTop, left + kButtonSize, kButtonTop + kButtonSize};
  return {Kind::onOffButton,
          tag,
          box,
          kOnOffButtonBitmap,
          kButtonSize,
          kButtonSize,
          lower ? below(box, upper, lower) : below(box, upper)};
}
constexpr Control valueSwitch(Box box, int32_t tag, int32_t bitmap, const char* upper, const char* lower)
{
  return {Kind::verticalSwitch, tag, box, bitmap, kSwitchWidth, kSwitchImageHeight, below(box, upper, lower)};
}
constexpr Control stageSwitch(int slot, const char* name)
{
  const int left = kStageLeft + kStageWidth * slot;
  const Box box{left, kStageTop, left + kStageClickWidth, kStageTop + kStageImageHeight};
  const Box column{left, box.top, left + kStageWidth, box.bottom};
  return {Kind::verticalSwitch,
          14 + slot,
          box,
          kFirstStageBitmap + slot,
          kStageWidth,
          kStageImageHeight,
          Legend{name, nullptr, column.centreX(), kStageLegendBaseline, 0.0}};
}
constexpr Control textBox(Box box, int32_t tag) { return {Kind::textBox, tag, box, kNoBitmap, 0, 0, {}}; }
// Bar `row` (0 at the top) of the live controls.
constexpr Control valueBar(int row, int32_t tag, const char* name)
{
  const int top = kFirstBarTop + kBarPitch * row;
  const Box box{kBarLeft, top, kBarLeft + kBarWidth, top + kBarHeight};
  return {Kind::valueBar,
          tag,
          box,
          kValueBarBitmap,
          kBarWidth,
          kBarHeight,
          Legend{name, nullptr, 0.0, top + kBarLegendBaseline, 0.0, kBarLeft - kBarLegendGap}};
}

// Tags are the effect's parameter indices.
inline constexpr Control kWaveShape = slider(25, 0, "WaveShape");
inline constexpr Control kShapeNameBox = textBox({10, 257, 65, 270}, kWaveShapeBoxTag);
inline constexpr Control kPitchShift = slider(90, 4, "Pitch Shift");
// The detector's three buttons stand 40 pixels apart, centred in their panel;
// the middle one's legend takes two lines so that the three fit side by side.
inline constexpr Control kStablize = button(16, 2, "Stablize");
inline constexpr Control kQuickDetect = button(56, 3, "Quick", "Detect");
inline constexpr Control kPrecise = button(96, 18, "Precise");
inline constexpr Control kFftLength = valueSwitch({50, 73, 90, 133}, 1, kFftLengthBitmap, "FFT", "length");
inline constexpr Control kCutOff = slider(153, 6, "CutOff");
inline constexpr Control kResonance = slider(218, 7, "Resonance");
inline constexpr Control kFilterType = valueSwitch({178, 73, 218, 133}, 5, kFilterTypeBitmap, "Filter", "Type");
inline constexpr Control kDelayMix = slider(281, 8, "Delay", "Mix");
inline constexpr Control kDelayTime = slider(329, 9, "Delay", "Time");
// The delay time typed in seconds, sent as the second delay-time index.
inline constexpr Control kDelayTimeBox = textBox({324, 257, 359, 270}, 11);
inline constexpr Control kDelayFeedBack = slider(377, 10, "Delay", "FeedBack");
inline constexpr Control kDrive = slider(441, 12, "Drive");
inline constexpr Control kVolume = slider(488, 13, "Volume");
inline constexpr Control kFirst = stageSwitch(0, "First");
inline constexpr Control kSecond = stageSwitch(1, "Second");
inline constexpr Control kThird = stageSwitch(2, "Third");
inline constexpr Control kForth = stageSwitch(3, "Forth");
// The controls for playing live, in the order hosts list them.
inline constexpr Control kDryWet = valueBar(0, 19, "Dry/Wet");
inline constexpr Control kGate = valueBar(1, 20, "Gate");
inline constexpr Control kGlide = valueBar(2, 21, "Glide");
inline constexpr Control kScale = valueBar(3, 22, "Scale");
inline constexpr Control kKey = valueBar(4, 23, "Key");

// Every control in the order the editor adds it: the order they are drawn,
// and the reverse of the order clicks are offered to them (where rectangles
// overlap, the later one takes the click).
inline constexpr std::array<Control, 25> kControls{
    kWaveShape,  kShapeNameBox, kPitchShift, kStablize,     kQuickDetect,   kPrecise, kFftLength, kCutOff, kResonance,
    kFilterType, kDelayMix,     kDelayTime,  kDelayTimeBox, kDelayFeedBack, kDrive,   kVolume,    kFirst,  kSecond,
    kThird,      kForth,        kDryWet,     kGate,         kGlide,         kScale,   kKey,
};

constexpr int countOf(Kind kind)
{
  int n = 0;
  for (const Control& control : kControls) n += control.kind == kind;
  return n;
}

// The control bound to `tag`, or null.
constexpr const Control* controlTagged(int32_t tag)
{
  for (const Control& control : kControls)
    if (control.tag == tag) return &control;
  return nullptr;
}

// The middle of zone `position` (0 at the top) of a vertical switch, as a
// click point: the rectangle's height split evenly into kPositions zones.
struct ClickPoint {
  int x;
  int y;
};
constexpr ClickPoint switchZoneCentre(const Control& control, int position, int insetX = 12)
{
  const int zone = control.rect.height() / kPositions;
  return {control.rect.left + insetX, control.rect.top + position * zone + zone / 2};
}
// The middle of a button or text box.
constexpr ClickPoint centreOf(const Control& control)
{
  return {(control.rect.left + control.rect.right) / 2, (control.rect.top + control.rect.bottom) / 2};
}

}  // namespace layout
