#include "editor/PluginEditor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "effect/ParameterTable.h"
#include "effect/PluginEffect.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/OnOffButton.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "gui/VerticalSwitch.h"

namespace {

// Where the controls sit. Sliders and buttons take their size from their
// bitmaps; the rest have fixed rectangles.
constexpr int kSliderTop = 73;
constexpr int kButtonTop = 307;
constexpr int kSwitchPositions = 4;
// The frame reaches 100 pixels beyond the editor's left and top edges, so its
// window is 100 pixels wider and higher than the area the host shows.
constexpr int kFrameMargin = 100;

// The rectangle of `size` (width, height) at `origin`, corners in order even
// for a negative size.
Rect orderedRect(Point origin, Point size) {
  const int x2 = origin.x + size.x;
  const int y2 = origin.y + size.y;
  return {std::min(origin.x, x2), std::min(origin.y, y2), std::max(origin.x, x2),
          std::max(origin.y, y2)};
}

void loadIfMissing(Bitmap*& bitmap, int32_t resourceId) {
  if (!bitmap) bitmap = new Bitmap(resourceId);
}

void release(Bitmap*& bitmap) {
  if (bitmap) bitmap->forget();
  bitmap = nullptr;
}

// The text as a number of seconds, read the way the C library's text-to-number
// conversion reads it (leading blanks, an optional sign, the longest number
// that follows; anything else counts as 0), but independent of the host's
// locale, so "2.5" means two and a half seconds everywhere.
double secondsFromText(const char* text) {
  std::string_view rest(text);
  while (!rest.empty() && (rest.front() == ' ' || (rest.front() >= '\t' && rest.front() <= '\r')))
    rest.remove_prefix(1);
  bool negative = false;
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
    // from_chars takes no sign of its own; a second one is no number.
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) return 0.0;
  }
  double seconds = 0.0;
  const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), seconds);
  if (result.ec == std::errc::invalid_argument) return 0.0;
  if (result.ec == std::errc::result_out_of_range) {
    // Too large counts as very large (and is limited later), too small as 0:
    // a negative exponent is what makes a number too small.
    const std::string_view number(rest.data(), static_cast<std::size_t>(result.ptr - rest.data()));
    const auto exponent = number.find_first_of("eE");
    const bool tiny = exponent != std::string_view::npos && exponent + 1 < number.size() &&
                      number[exponent + 1] == '-';
    seconds = tiny ? 0.0 : HUGE_VAL;
  }
  return negative ? -seconds : seconds;
}

}  // namespace

PluginEditor::PluginEditor(PluginEffect* effect) : AEffGUIEditor(effect), pluginEffect(effect) {
  background = new Bitmap(kBackgroundBitmap);
  // A constant: the editor keeps its size even when the background is missing.
  rect = ERect{0, 0, kHeight, kWidth};
}

PluginEditor::~PluginEditor() {
  // The host should have closed the editor; if it did not, the frame still
  // holds references to the bitmaps and is deleted here with its controls.
  if (frame) close();
  release(background);
}

intptr_t PluginEditor::open(void* parent) {
  // A second open without a close would lose the first frame: replace it.
  if (frame) close();
  AEffGUIEditor::open(parent);

  loadIfMissing(sliderTrack, kSliderTrackBitmap);
  loadIfMissing(sliderHandle, kSliderHandleBitmap);
  loadIfMissing(filterTypeImages, kFilterTypeBitmap);
  loadIfMissing(fftLengthImages, kFftLengthBitmap);
  for (std::size_t i = 0; i < stageImages.size(); ++i)
    loadIfMissing(stageImages[i], kFirstStageBitmap + static_cast<int32_t>(i));

  frame = new Frame(Rect{-kFrameMargin, -kFrameMargin, background->getWidth(), background->getHeight()},
                    parent, this);
  frame->setBackground(background);
  buildControls();

  // From here on changes are recorded; whatever arrives while the controls
  // are loaded below is applied again at the next idle, which is harmless.
  controlsBuilt.store(true, std::memory_order_release);
  for (int32_t index = 0; index < kParameterCount; ++index) {
    mailboxes[static_cast<std::size_t>(index)].changed.store(false, std::memory_order_relaxed);
    showParameter(index, effect->getParameter(index));
  }
  postUpdate();
  return 1;
}

void PluginEditor::buildControls() {
  // Drawing follows the order controls are added; where rectangles overlap,
  // the one added later takes the click.
  const int trackWidth = sliderTrack->getWidth();
  const int trackHeight = sliderTrack->getHeight();
  const int handleTravel = trackHeight - sliderHandle->getHeight();
  std::size_t nextSlider = 0;
  const auto addSlider = [&](int x, int32_t tag) {
    auto* slider = new Slider(orderedRect({x, kSliderTop}, {trackWidth, trackHeight}), this, tag, kSliderTop,
                              kSliderTop + handleTravel, sliderHandle, sliderTrack, Point{0, 0},
                              kSliderStyleBottom);
    slider->setValue(effect->getParameter(tag));
    frame->addView(slider);
    sliders[nextSlider++] = slider;
  };
  const auto addTextBox = [&](const Rect& area, int32_t tag) {
    auto* box = new TextEdit(area, this, tag, nullptr, nullptr, kParamDisplay3DIn);
    frame->addView(box);
    return box;
  };
  std::size_t nextButton = 0;
  const auto addButton = [&](int x, int32_t tag) {
    loadIfMissing(onOffButtonImages, kOnOffButtonBitmap);
    auto* button = new OnOffButton(
        orderedRect({x, kButtonTop}, {onOffButtonImages->getWidth(), onOffButtonImages->getHeight() / 2}), this,
        tag, onOffButtonImages);
    button->setValue(1.0f);
    frame->addView(button);
    onOffButtons[nextButton++] = button;
  };
  const auto addSwitch = [&](const Rect& area, int32_t tag, Bitmap* images, int imageHeight) {
    auto* control = new VerticalSwitch(area, this, tag, kSwitchPositions, imageHeight, kSwitchPositions, images,
                                       Point{0, 0});
    frame->addView(control);
    return control;
  };

  addSlider(25, waveShapeParameter);
  waveShapeNameBox = addTextBox({10, 257, 65, 270}, kWaveShapeBoxTag);
  addSlider(90, pitchShiftParameter);
  addButton(25, stablizeParameter);
  addButton(89, quickDetectParameter);
  switches[1] = addSwitch({50, 73, 90, 133}, fftLengthParameter, fftLengthImages, 60);
  addSlider(153, cutOffParameter);
  addSlider(218, resonanceParameter);
  switches[0] = addSwitch({178, 73, 218, 133}, filterTypeParameter, filterTypeImages, 60);
  addSlider(281, delayMixParameter);
  addSlider(329, delayTimeParameter);
  delayTimeTextBox = addTextBox({324, 257, 359, 270}, delayTimeAltParameter);
  addSlider(377, delayFeedBackParameter);
  addSlider(441, driveParameter);
  addSlider(488, volumeParameter);
  // Each stage-order switch reaches 250 pixels to the right, under the ones
  // that follow; its images cover only the first 62, and a later switch wins
  // the clicks where they overlap, so each answers the column its image shows
  // and the last one everything to the window's right edge.
  for (std::size_t slot = 0; slot < stageSwitches.size(); ++slot) {
    const int left = 263 + 62 * static_cast<int>(slot);
    stageSwitches[slot] = addSwitch({left, 307, left + 250, 407}, firstParameter + static_cast<int32_t>(slot),
                                    stageImages[slot], 100);
  }
}

void PluginEditor::close() {
  controlsBuilt.store(false, std::memory_order_release);
  delete frame;  // deletes every control; a running text edit ends first
  frame = nullptr;
  clearControlPointers();
  releaseControlBitmaps();
}

void PluginEditor::releaseControlBitmaps() {
  release(sliderTrack);
  release(sliderHandle);
  release(onOffButtonImages);
  release(fftLengthImages);
  release(filterTypeImages);
  for (Bitmap*& images : stageImages) release(images);
}

void PluginEditor::clearControlPointers() {
  sliders.fill(nullptr);
  onOffButtons.fill(nullptr);
  switches.fill(nullptr);
  stageSwitches.fill(nullptr);
  waveShapeNameBox = nullptr;
  delayTimeTextBox = nullptr;
}

Control* PluginEditor::boundControl(int32_t index) const {
  if (!frame) return nullptr;
  switch (index) {
    case waveShapeParameter: return sliders[0];
    case pitchShiftParameter: return sliders[1];
    case cutOffParameter: return sliders[2];
    case resonanceParameter: return sliders[3];
    case delayMixParameter: return sliders[4];
    case delayTimeParameter: return sliders[5];
    case delayFeedBackParameter: return sliders[6];
    case driveParameter: return sliders[7];
    case volumeParameter: return sliders[8];
    case stablizeParameter: return onOffButtons[0];
    case quickDetectParameter: return onOffButtons[1];
    case filterTypeParameter: return switches[0];
    case fftLengthParameter: return switches[1];
    case firstParameter:
    case secondParameter:
    case thirdParameter:
    case forthParameter: return stageSwitches[static_cast<std::size_t>(index - firstParameter)];
    default: return nullptr;  // 11 (the delay-time box answers to nobody here) and the rest
  }
}

void PluginEditor::setParameter(int32_t index, float /*value*/) {
  // No control, frame or bitmap is touched here: the interface thread may be
  // deleting them at this very moment.
  if (!controlsBuilt.load(std::memory_order_acquire)) return;
  if (isParameterIndex(index)) {
    // Pull rather than take the value given: the effect knows what it made of
    // it (the stage-order slots, for instance, report the stage they now hold).
    Mailbox& mailbox = mailboxes[static_cast<std::size_t>(index)];
    mailbox.value.store(effect->getParameter(index), std::memory_order_relaxed);
    // Release: the idle that sees the flag also sees the value (or a newer one).
    mailbox.changed.store(true, std::memory_order_release);
  }
  postUpdate();
}

void PluginEditor::idle() {
  applyChangedParameters();
  AEffGUIEditor::idle();
}

void PluginEditor::applyChangedParameters() {
  if (!frame) return;
  for (int32_t index = 0; index < kParameterCount; ++index) {
    Mailbox& mailbox = mailboxes[static_cast<std::size_t>(index)];
    // A change that lands after the exchange sets the flag again and is shown
    // at the following idle.
    if (mailbox.changed.exchange(false, std::memory_order_acquire))
      showParameter(index, mailbox.value.load(std::memory_order_relaxed));
  }
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as setParameter has them
void PluginEditor::showParameter(int32_t index, float value) {
  if (Control* control = boundControl(index)) control->setValue(value);
  if (index == waveShapeParameter) showDisplayText(waveShapeParameter, waveShapeNameBox);
  if (index == delayTimeParameter) showDisplayText(delayTimeParameter, delayTimeTextBox);
}

void PluginEditor::showDisplayText(int32_t index, TextEdit* box) {
  if (!box) return;
  char text[ParamDisplay::kTextCapacity] = {};
  pluginEffect->getParameterDisplay(index, text);
  text[sizeof(text) - 1] = '\0';
  box->setText(text);
}

void PluginEditor::valueChanged(DrawContext* context, Control* control) {
  if (!control) return;
  const int32_t tag = control->getTag();
  // The wave-shape name box (tag 99) is for the eye only.
  if (!isParameterIndex(tag)) return;

  if (tag == waveShapeParameter) showDisplayText(waveShapeParameter, waveShapeNameBox);
  if (tag == delayTimeParameter) showDisplayText(delayTimeParameter, delayTimeTextBox);
  if (tag == delayTimeAltParameter) {
    if (auto* box = dynamic_cast<TextEdit*>(control)) takeTypedDelayTime(context, box);
  }

  // Comes back through the effect into setParameter; this is the interface
  // thread, so the control and the text boxes take what the effect made of
  // the value at once rather than at the next idle. A change outside a drag
  // is a touch of its own: begin, automate, end.
  const bool ownTouch = tag != touchedParameter;
  if (ownTouch) effect->beginEdit(tag);
  effect->setParameterAutomated(tag, control->getValue());
  if (ownTouch) effect->endEdit(tag);
  applyChangedParameters();
  if (context) control->updateIfChanged(context);
}

void PluginEditor::controlBeginEdit(Control* control) {
  if (!control || !isParameterIndex(control->getTag())) return;
  touchedParameter = control->getTag();
  effect->beginEdit(touchedParameter);
}

void PluginEditor::controlEndEdit(Control* control) {
  if (!control || control->getTag() != touchedParameter) return;
  effect->endEdit(touchedParameter);
  touchedParameter = kNoTouch;
}

void PluginEditor::takeTypedDelayTime(DrawContext* context, TextEdit* box) {
  char text[ParamDisplay::kTextCapacity] = {};
  box->getText(text);
  double seconds = secondsFromText(text);
  // "nan" and "-inf" are no usable delay time: they count as 0 like any other
  // text that is not a number. Negative numbers pass on, scaled.
  if (std::isnan(seconds) || seconds == -HUGE_VAL) seconds = 0.0;
  if (seconds > kMaxDelaySeconds) {
    box->setText("5");
    seconds = kMaxDelaySeconds;
  }
  // Seconds to the normalised delay time: five seconds is 1.0.
  const auto value = static_cast<float>(seconds * 0.2);
  box->setValue(value);
  if (Control* slider = boundControl(delayTimeParameter)) {
    slider->setValue(value);
    if (context) slider->updateIfChanged(context);
  }
}
