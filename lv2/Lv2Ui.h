// One instance of the LV2 edition's editor (an X11 interface): Brasklin's
// 560 x 420 editor panel embedded in the window the host gives (ui:parent),
// its parameters the control ports (Lv2UiParameters). It lives in a binary of
// its own that holds the toolkit, the panel and the parameter table but none
// of the DSP: hosts may run it in another process than the plug-in.
//
// The panel's frame window is larger than what it shows (see EditorPanel), so
// it sits in a window of exactly 560 x 420 of our own, the one handed to the
// host as the interface's widget and announced through ui:resize.
//
// Threads: every call comes from the host's interface thread, as LV2 has it.
// Each returns as soon as its work is done: the window's events are handled
// at idle (ui:idleInterface) one by one, and a drag is a series of events, so
// the host's thread is never held.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/EditorPanel.h"
#include "gui/Backend.h"
#include "lv2/Lv2UiParameters.h"

class Lv2Ui final : private WindowEvents {
public:
  // Null when the host gives no parent window, the window cannot be made
  // there (no X server, a parent id that is no window) or memory runs out.
  // `bundlePath` is where the shape list is read from ("Brasklin" folder).
  static std::unique_ptr<Lv2Ui> create(const char* bundlePath, LV2UI_Write_Function write, LV2UI_Controller controller,
                                       const LV2_Feature* const* features);
  ~Lv2Ui() override;
  Lv2Ui(const Lv2Ui&) = delete;
  Lv2Ui& operator=(const Lv2Ui&) = delete;

  // The window the host embeds (an X11 window id).
  LV2UI_Widget widget() const;
  // A control port's new value (format 0, one float); anything else is ignored.
  void portEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
  // Handles the window's waiting events and redraws what changed. 0: the
  // interface stays (it is never closed from inside).
  int idle();

  // The names of the shapes the bundle's list holds, in list order, as the DSP
  // names them; empty when the list cannot be read.
  static std::vector<std::string> shapeNamesIn(const std::string& bundlePath);

private:
  Lv2Ui(const Lv2UiParameters::HostCalls& host, std::vector<std::string> shapeNames);

  // The holder window's own events: the panel's frame covers all of it.
  void windowPaint(Canvas& /*canvas*/) override {}
  void windowMouse(const MouseEvent& /*event*/) override {}
  void windowDestroyed() override {}

  Lv2UiParameters parameters_;
  EditorPanel panel_;
  std::unique_ptr<ChildWindow> holder_;
};
