#include "editor/EditorPanel.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "editor/ParameterAccess.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/OnOffButton.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "gui/ValueBar.h"
#include "gui/VerticalSwitch.h"

namespace {

// The frame reaches 100 pixels beyond the editor's left and top edges, so its
// window is 100 pixels wider and higher than the area the host shows.
constexpr int kFrameMargin = 100;

// The layout's tags are the parameter indices.
static_assert(layout::kWaveShape.tag == waveShapeParameter);
static_assert(layout::kFftLength.tag == fftLengthParameter);
static_assert(layout::kStablize.tag == stablizeParameter);
static_assert(layout::kQuickDetect.tag == quickDetectParameter);
static_assert(layout::kPitchShift.tag == pitchShiftParameter);
static_assert(layout::kFilterType.tag == filterTypeParameter);
static_assert(layout::kCutOff.tag == cutOffParameter);
static_assert(layout::kResonance.tag == resonanceParameter);
static_assert(layout::kDelayMix.tag == delayMixParameter);
static_assert(layout::kDelayTime.tag == delayTimeParameter);
static_assert(layout::kDelayFeedBack.tag == delayFeedBackParameter);
static_assert(layout::kDelayTimeBox.tag == delayTimeAltParameter);
static_assert(layout::kDrive.tag == driveParameter);
static_assert(layout::kVolume.tag == volumeParameter);
static_assert(layout::kFirst.tag == firstParameter && layout::kForth.tag == forthParameter);
static_assert(layout::kPrecise.tag == preciseParameter);
static_assert(layout::kDryWet.tag == dryWetParameter && layout::kGate.tag == gateParameter);
static_assert(layout::kGlide.tag == glideParameter && layout::kScale.tag == scaleParameter);
static_assert(layout::kKey.tag == keyParameter);
static_assert(!isParameterIndex(layout::kWaveShapeBoxTag));
static_assert(kLongestDelaySeconds == 5.0, "the delay-time box's kLongestDelayText says it");

// The value written over a bar: the artwork's light legend grey, readable on
// the dark empty bar and on its lit part alike.
constexpr Colour kBarTextColour{0xf2, 0xf3, 0xf5, 0};

void loadIfMissing(Bitmap*& bitmap, int32_t resourceId)
{
  if (!bitmap) bitmap = new Bitmap(resourceId);
}

void release(Bitmap*& bitmap)
{
  if (bitmap) bitmap->forget();
  bitmap = nullptr;
}

// The text as a number of seconds, read the way the C library's text-to-number
// conversion reads it (leading blanks, an optional sign, the longest number
// that follows; anything else counts as 0), but independent of the host's
// locale, so "2.5" means two and a half seconds everywhere.
double secondsFromText(const char* text)
{
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
    const bool tiny = exponent != std::string_view::npos && exponent + 1 < number.size() && number[exponent + 1] == '-';
    seconds = tiny ? 0.0 : HUGE_VAL;
  }
  return negative ? -seconds : seconds;
}

}  // namespace

EditorPanel::EditorPanel(ParameterAccess& parameters) : parameters(parameters)
{
  background = new Bitmap(layout::kBackgroundBitmap);
}

EditorPanel::~EditorPanel()
{
  // The host should have closed the editor; if it did not, the frame still
  // holds references to the bitmaps and is deleted here with its controls.
  if (frame_) close();
  release(background);
}

void EditorPanel::open(void* parentWindow)
{
  // A second open without a close would lose the first frame: replace it.
  if (frame_) close();

  loadIfMissing(sliderTrack, layout::kSliderTrackBitmap);
  loadIfMissing(sliderHandle, layout::kSliderHandleBitmap);
  loadIfMissing(filterTypeImages, layout::kFilterTypeBitmap);
  loadIfMissing(fftLengthImages, layout::kFftLengthBitmap);
  loadIfMissing(valueBarImages, layout::kValueBarBitmap);
  for (std::size_t i = 0; i < stageImages.size(); ++i)
    loadIfMissing(stageImages[i], layout::kFirstStageBitmap + static_cast<int32_t>(i));

  frame_ = new Frame(Rect{-kFrameMargin, -kFrameMargin, background->getWidth(), background->getHeight()}, parentWindow);
  frame_->setBackground(background);
  buildControls();

  // From here on changes are recorded; whatever arrives while the controls
  // are loaded below is applied again at the next idle, which is harmless.
  controlsBuilt.store(true, std::memory_order_release);
  for (int32_t index = 0; index < kParameterCount; ++index) {
    mailboxes[static_cast<std::size_t>(index)].changed.store(false, std::memory_order_relaxed);
    showParameter(index, parameters.currentValue(index));
  }
}

Bitmap* EditorPanel::bitmapFor(int32_t id) const
{
  switch (id) {
    case layout::kSliderTrackBitmap: return sliderTrack;
    case layout::kOnOffButtonBitmap: return onOffButtonImages;
    case layout::kFilterTypeBitmap: return filterTypeImages;
    case layout::kFftLengthBitmap: return fftLengthImages;
    case layout::kValueBarBitmap: return valueBarImages;
    default:
      if (id >= layout::kFirstStageBitmap && id < layout::kFirstStageBitmap + layout::kStageSlots)
        return stageImages[static_cast<std::size_t>(id - layout::kFirstStageBitmap)];
      return nullptr;
  }
}

void EditorPanel::buildControls()
{
  // Each control's rectangle, tag and bitmap come from the layout, in its
  // order: drawing follows the order controls are added, and where
  // rectangles overlap, the one added later takes the click. (Each
  // stage-order switch reaches under the ones that follow; a later switch
  // wins the clicks where they overlap, so each answers the column its image
  // shows and the last one everything to the window's right edge.)
  for (const layout::Control& spec : layout::kControls) {
    const Rect area{spec.rect.left, spec.rect.top, spec.rect.right, spec.rect.bottom};
    switch (spec.kind) {
      case layout::Kind::slider: {
        auto* slider = new Slider(area, this, spec.tag, area.top, area.top + layout::kHandleTravel, sliderHandle,
                                  bitmapFor(spec.bitmap), Point{0, 0}, kSliderStyleBottom);
        slider->setValue(parameters.currentValue(spec.tag));
        frame_->addView(slider);
        bind(spec.tag, slider);
        break;
      }
      case layout::Kind::onOffButton: {
        loadIfMissing(onOffButtonImages, spec.bitmap);
        auto* button = new OnOffButton(area, this, spec.tag, onOffButtonImages);
        button->setValue(1.0f);  // open shows the parameter's value next
        frame_->addView(button);
        bind(spec.tag, button);
        break;
      }
      case layout::Kind::verticalSwitch: {
        // Each shows the position of the setting its value selects, by the
        // parameter's own bands (an FFT length of 0.6 plays and shows 4096).
        const int32_t tag = spec.tag;
        auto* control = new VerticalSwitch(area, this, tag, layout::kPositions, spec.imageHeight, layout::kPositions,
                                           bitmapFor(spec.bitmap), Point{0, 0},
                                           [tag](float value) { return int(switchPositionFor(tag, value)); });
        frame_->addView(control);
        bind(spec.tag, control);
        break;
      }
      case layout::Kind::valueBar: {
        // A switch's bar shows the position its value selects, as the
        // vertical switches do; Alt-click brings back the initial value (the
        // control off, or the chain alone).
        const int32_t tag = spec.tag;
        auto* bar = new ValueBar(area, this, tag, bitmapFor(spec.bitmap), parameterInfo(tag).positions,
                                 [tag](float value) { return int(switchPositionFor(tag, value)); });
        bar->setDefaultValue(parameterInfo(tag).initialValue);
        bar->setFontColour(kBarTextColour);
        frame_->addView(bar);
        bind(tag, bar);
        break;
      }
      case layout::Kind::textBox: {
        auto* box = new TextEdit(area, this, spec.tag, nullptr, nullptr, kParamDisplay3DIn);
        frame_->addView(box);
        if (spec.tag == layout::kWaveShapeBoxTag)
          waveShapeNameBox = box;
        else
          delayTimeTextBox = box;
        break;
      }
    }
  }
}

void EditorPanel::close()
{
  controlsBuilt.store(false, std::memory_order_release);
  delete frame_;  // deletes every control; a drag or a running text edit ends first
  frame_ = nullptr;
  touchedParameter = kNoTouch;
  clearControlPointers();
  releaseControlBitmaps();
}

void EditorPanel::releaseControlBitmaps()
{
  release(sliderTrack);
  release(sliderHandle);
  release(onOffButtonImages);
  release(fftLengthImages);
  release(filterTypeImages);
  release(valueBarImages);
  for (Bitmap*& images : stageImages) release(images);
}

void EditorPanel::clearControlPointers()
{
  boundControls.fill(nullptr);
  waveShapeNameBox = nullptr;
  delayTimeTextBox = nullptr;
}

void EditorPanel::bind(int32_t tag, Control* control)
{
  if (isParameterIndex(tag)) boundControls[static_cast<std::size_t>(tag)] = control;
}

Control* EditorPanel::boundControl(int32_t index) const
{
  if (!frame_ || !isParameterIndex(index)) return nullptr;
  return boundControls[static_cast<std::size_t>(index)];
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as every parameter call has them
void EditorPanel::parameterChanged(int32_t index, float value)
{
  // No control, frame or bitmap is touched here: the interface thread may be
  // deleting them at this very moment.
  if (!isListening() || !isParameterIndex(index)) return;
  Mailbox& mailbox = mailboxes[static_cast<std::size_t>(index)];
  mailbox.value.store(value, std::memory_order_relaxed);
  // Release: the idle that sees the flag also sees the value (or a newer one).
  mailbox.changed.store(true, std::memory_order_release);
}

void EditorPanel::idle()
{
  applyChangedParameters();
  if (frame_) frame_->idle();
}

void EditorPanel::applyChangedParameters()
{
  if (!frame_) return;
  for (int32_t index = 0; index < kParameterCount; ++index) {
    Mailbox& mailbox = mailboxes[static_cast<std::size_t>(index)];
    // A change that lands after the exchange sets the flag again and is shown
    // at the following idle.
    if (mailbox.changed.exchange(false, std::memory_order_acquire))
      showParameter(index, mailbox.value.load(std::memory_order_relaxed));
  }
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as parameterChanged has them
void EditorPanel::showParameter(int32_t index, float value)
{
  if (Control* control = boundControl(index)) {
    control->setValue(value);
    showBarText(control);
  }
  if (index == waveShapeParameter) showDisplayText(waveShapeParameter, waveShapeNameBox);
  if (index == delayTimeParameter) showDisplayText(delayTimeParameter, delayTimeTextBox);
}

void EditorPanel::showBarText(Control* control)
{
  auto* bar = dynamic_cast<ValueBar*>(control);
  if (!bar) return;
  char text[ParamDisplay::kTextCapacity] = {};
  parameters.displayText(bar->getTag(), text, sizeof text);
  bar->setText(text);
}

void EditorPanel::showDisplayText(int32_t index, TextEdit* box)
{
  if (!box) return;
  char text[ParamDisplay::kTextCapacity] = {};
  parameters.displayText(index, text, sizeof text);
  box->setText(text);
}

void EditorPanel::valueChanged(DrawContext* context, Control* control)
{
  if (!control) return;
  const int32_t tag = control->getTag();
  // The wave-shape name box (tag 99) is for the eye only.
  if (!isParameterIndex(tag)) return;

  if (tag == waveShapeParameter) showDisplayText(waveShapeParameter, waveShapeNameBox);
  if (tag == delayTimeParameter) showDisplayText(delayTimeParameter, delayTimeTextBox);
  if (tag == delayTimeAltParameter) {
    if (auto* box = dynamic_cast<TextEdit*>(control)) takeTypedDelayTime(context, box);
  }

  // The format may report the change back through parameterChanged (the VST
  // 2 effect does, with what it made of the value); this is the interface
  // thread, so the control and the text boxes take it at once rather than at
  // the next idle. A change outside a drag is a gesture of its own.
  // The delay-time box (tag 11) sends its time as " Delay Time " (9), the
  // setting it sets: hosts automate and record that one, not the unnamed
  // second index.
  const int32_t sent = aliasTarget(tag);
  const bool ownTouch = sent != touchedParameter;
  if (ownTouch) parameters.beginGesture(sent);
  parameters.setFromUser(sent, control->getValue());
  if (ownTouch) parameters.endGesture(sent);
  applyChangedParameters();
  // A bar's text follows the drag at once, also where the format tells the
  // editor nothing back.
  showBarText(control);
  if (context) control->updateIfChanged(context);
}

void EditorPanel::controlBeginEdit(Control* control)
{
  if (!control || !isParameterIndex(control->getTag())) return;
  touchedParameter = control->getTag();
  parameters.beginGesture(touchedParameter);
}

void EditorPanel::controlEndEdit(Control* control)
{
  if (!control || control->getTag() != touchedParameter) return;
  parameters.endGesture(touchedParameter);
  touchedParameter = kNoTouch;
}

void EditorPanel::takeTypedDelayTime(DrawContext* context, TextEdit* box)
{
  char text[ParamDisplay::kTextCapacity] = {};
  box->getText(text);
  double seconds = secondsFromText(text);
  // "nan" and "-inf" are no usable delay time: they count as 0 like any other
  // text that is not a number. Negative numbers pass on, scaled.
  if (std::isnan(seconds) || seconds == -HUGE_VAL) seconds = 0.0;
  if (seconds > kLongestDelaySeconds) {
    box->setText(kLongestDelayText);
    seconds = kLongestDelaySeconds;
  }
  const float value = valueForDelaySeconds(seconds);
  box->setValue(value);
  if (Control* slider = boundControl(delayTimeParameter)) {
    slider->setValue(value);
    if (context) slider->updateIfChanged(context);
  }
}
