// Brasklin's 560 x 420 editor, for any plug-in format: nine sliders, three
// on/off buttons, six multi-position switches, two text boxes and the five
// value bars of the live controls, drawn from the plug-in's eleven bitmaps and
// bound to the parameters by their tags (tag = parameter index). It owns the frame and its controls, listens to them
// and passes what the user changes to a ParameterAccess; the format around it (the VST 2 PluginEditor, an LV2
// interface) gives it the host's window, drives its idle and tells it of every parameter change made elsewhere.
//
// Threads: open, close, idle and the control callbacks run on the thread that
// owns the editor window (the host's interface thread); only they touch the
// frame, the controls and the bitmaps. parameterChanged runs on whichever
// thread changed the parameter, at any moment, even while the interface thread
// is opening or closing the editor: it only stores the value in a mailbox of
// its own (one atomic value and one changed flag per parameter). The next
// idle moves every changed value into its control and text box, and the frame
// draws what changed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "editor/EditorLayout.h"
#include "effect/ParameterTable.h"
#include "gui/Control.h"

class Bitmap;
class Frame;
class ParameterAccess;
class TextEdit;

class EditorPanel : public ControlListener {
public:
  // Loads the background; the window is built by open().
  explicit EditorPanel(ParameterAccess& parameters);
  ~EditorPanel() override;
  EditorPanel(const EditorPanel&) = delete;
  EditorPanel& operator=(const EditorPanel&) = delete;

  // Builds the frame inside `parentWindow` (the host's native window: an X11
  // window id, an HWND) with every control, loaded from the parameters'
  // current values. A second open replaces the first frame.
  void open(void* parentWindow);
  // Deletes the frame with its controls (a drag or an edit in progress ends
  // first) and lets the control bitmaps go.
  void close();
  // Interface thread: every parameter changed since the last idle to its
  // control and text box, then the frame's redraw of what changed.
  void idle();
  // Interface thread: the first half of idle alone, for a format whose own
  // editor base runs the frame's idle.
  void applyChangedParameters();
  // Any thread, the audio thread included; no lock, no allocation. Records
  // that parameter `index` now holds `value`, for the next idle. Ignored
  // while the editor is closed (open loads every control afresh) and for
  // indices that are no parameter.
  void parameterChanged(int32_t index, float value);
  // Any thread: whether parameterChanged records anything now.
  bool isListening() const { return controlsBuilt.load(std::memory_order_acquire); }

  // ControlListener. A change outside a drag (a click, a text box commit)
  // is framed as a gesture of its own: begin, the value, end.
  void valueChanged(DrawContext* context, Control* control) override;
  void controlBeginEdit(Control* control) override;
  void controlEndEdit(Control* control) override;

  // The frame while open, null while closed.
  Frame* frame() const { return frame_; }
  // The control bound to parameter `index`, null for index 11, for indices
  // the layout gives no control and while the editor is closed.
  Control* boundControl(int32_t index) const;
  // The two text boxes; null while the editor is closed.
  TextEdit* waveShapeBox() const { return waveShapeNameBox; }
  TextEdit* delayTimeBox() const { return delayTimeTextBox; }

  // What the host shows: the window's top-left 560 x 420.
  static constexpr int kWidth = layout::kWindowWidth;
  static constexpr int kHeight = layout::kWindowHeight;
  // What the delay-time box shows when a longer delay than the longest
  // (kLongestDelaySeconds) is typed.
  static constexpr const char* kLongestDelayText = "5";

private:
  // A parameter's latest value as reported, waiting for idle.
  struct Mailbox {
    std::atomic<float> value{0.0f};
    std::atomic<bool> changed{false};
  };

  // Interface thread: the control bound to `index` (and the matching text
  // box) shows `value` and the parameter's display text.
  void showParameter(int32_t index, float value);
  // The control shown for parameter `tag`, if `tag` is one.
  void bind(int32_t tag, Control* control);
  void buildControls();
  // The bitmap `id` as loaded by open, or null.
  Bitmap* bitmapFor(int32_t id) const;
  void releaseControlBitmaps();
  void clearControlPointers();
  // Copies the display text of `index` into `box` (if there is one).
  void showDisplayText(int32_t index, TextEdit* box);
  // A value bar shows its parameter's display text; other controls show none.
  void showBarText(Control* control);
  // The user finished typing in the delay-time box: read it as seconds, limit
  // it and move the Delay Time slider along.
  void takeTypedDelayTime(DrawContext* context, TextEdit* box);

  ParameterAccess& parameters;
  Frame* frame_ = nullptr;

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
  Bitmap* valueBarImages = nullptr;
  std::array<Bitmap*, layout::kStageSlots> stageImages{};

  std::array<Mailbox, kParameterCount> mailboxes{};  // one per parameter
  // Set by open once the controls exist, cleared by close before they go;
  // while clear, parameterChanged records nothing.
  std::atomic<bool> controlsBuilt{false};
};
