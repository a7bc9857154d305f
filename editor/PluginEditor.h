// PluginEditor: Brasklin's 560 x 420 editor. Nine sliders, three on/off buttons,
// six multi-position switches and two text boxes, drawn from the plug-in's ten
// bitmaps and bound to the effect's parameters by their tags (tag = parameter
// index). It listens to its own controls and sends what the user changes to the
// host through setParameterAutomated; the effect tells it of every parameter
// change, whoever made it, through setParameter.
//
// Threads: open, close, idle and valueChanged run on the host's interface
// thread (the one owning the editor window); only they touch the frame, the
// controls and the bitmaps. setParameter runs on whichever thread changed the
// parameter, at any moment, even while the interface thread is opening or
// closing the editor: it only stores the effect's value of the parameter in a
// mailbox of its own (one atomic value and one changed flag per parameter) and
// posts an update. The next idle moves every changed value into its control
// and text box, and the frame draws what changed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "editor/EditorLayout.h"
#include "effect/ParameterTable.h"
#include "gui/AEffGUIEditor.h"
#include "gui/Control.h"

class Bitmap;
class OnOffButton;
class PluginEffect;
class Slider;
class TextEdit;
class VerticalSwitch;

class PluginEditor : public AEffGUIEditor, public ControlListener {
public:
  // Registers with `effect` (which from then on owns the editor) and loads the
  // background; the window is built by open().
  explicit PluginEditor(PluginEffect* effect);
  ~PluginEditor() override;

  // Builds the frame inside `parent` (the host's window) with every control,
  // loaded from the effect's current values. Returns 1.
  intptr_t open(void* parent) override;
  // Deletes the frame with its controls and lets the control bitmaps go.
  void close() override;
  // Interface thread: first hands every parameter changed since the last idle
  // to its control and text box, then lets the frame redraw.
  void idle() override;
  // Any thread, the audio thread included; no lock, no allocation. Records the
  // effect's current value of `index` (the value argument is not used) for
  // the next idle and posts an update. Ignored while the editor is closed:
  // open loads every control afresh.
  void setParameter(int32_t index, float value) override;
  // A control was changed by the user. Outside a drag (a click, a text box
  // commit) the change is framed as a touch of its own: begin, automate, end.
  void valueChanged(DrawContext* context, Control* control) override;
  // A slider drag or a switch's tracking starts and ends: the host hears
  // audioMasterBeginEdit and audioMasterEndEdit around the automate calls.
  void controlBeginEdit(Control* control) override;
  void controlEndEdit(Control* control) override;

  // The control bound to parameter `index`, null for index 11, for indices
  // the layout gives no control (outside 0..18) and while the editor is
  // closed.
  Control* boundControl(int32_t index) const;
  // The two text boxes; null while the editor is closed.
  TextEdit* waveShapeBox() const { return waveShapeNameBox; }
  TextEdit* delayTimeBox() const { return delayTimeTextBox; }

  static constexpr int kWidth = layout::kWindowWidth;
  static constexpr int kHeight = layout::kWindowHeight;
  // The wave-shape name box is bound to no parameter.
  static constexpr int32_t kWaveShapeBoxTag = layout::kWaveShapeBoxTag;
  // What the delay-time box shows when a longer delay than the longest
  // (kLongestDelaySeconds) is typed.
  static constexpr const char* kLongestDelayText = "5";

  // Bitmap resources.
  enum BitmapId : int32_t {
    kBackgroundBitmap = layout::kBackgroundBitmap,
    kSliderTrackBitmap = layout::kSliderTrackBitmap,
    kSliderHandleBitmap = layout::kSliderHandleBitmap,
    kOnOffButtonBitmap = layout::kOnOffButtonBitmap,
    kFilterTypeBitmap = layout::kFilterTypeBitmap,
    kFirstStageBitmap = layout::kFirstStageBitmap,  // 133..136: First, Second, Third, Forth
    kFftLengthBitmap = layout::kFftLengthBitmap,
  };

private:
  // A parameter's latest value as the effect reported it, waiting for idle.
  struct Mailbox {
    std::atomic<float> value{0.0f};
    std::atomic<bool> changed{false};
  };

  // Interface thread: every mailbox marked changed into its control.
  void applyChangedParameters();
  // Interface thread: the control bound to `index` (and the matching text
  // box) shows `value` and the effect's display text.
  void showParameter(int32_t index, float value);
  // The control shown for parameter `tag`, if `tag` is one.
  void bind(int32_t tag, Control* control);
  void buildControls();
  // The bitmap `id` as loaded by open, or null.
  Bitmap* bitmapFor(int32_t id) const;
  void releaseControlBitmaps();
  void clearControlPointers();
  // Copies the effect's display text of `index` into `box` (if there is one).
  void showDisplayText(int32_t index, TextEdit* box);
  // The user finished typing in the delay-time box: read it as seconds, limit
  // it and move the Delay Time slider along.
  void takeTypedDelayTime(DrawContext* context, TextEdit* box);

  // The same object as the inherited effect pointer, seen as what it is.
  PluginEffect* pluginEffect;
  // The parameter the user holds in a drag, or kNoTouch. Interface thread only.
  static constexpr int32_t kNoTouch = -1;
  int32_t touchedParameter = kNoTouch;

  // The slider, button or switch each parameter is shown by (by its layout
  // tag); null for 11, whose text box stands in for no control.
  std::array<Control*, kParameterCount> boundControls{};
  TextEdit* waveShapeNameBox = nullptr;  // tag 99
  TextEdit* delayTimeTextBox = nullptr;  // tag 11

  Bitmap* background = nullptr;
  Bitmap* sliderTrack = nullptr;
  Bitmap* sliderHandle = nullptr;
  Bitmap* onOffButtonImages = nullptr;
  Bitmap* filterTypeImages = nullptr;
  Bitmap* fftLengthImages = nullptr;
  std::array<Bitmap*, 4> stageImages{};

  std::array<Mailbox, kParameterCount> mailboxes{};  // one per parameter
  // Set by open once the controls exist, cleared by close before they go;
  // while clear, setParameter records nothing.
  std::atomic<bool> controlsBuilt{false};
};
