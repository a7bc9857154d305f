// The editor's parameters in the LV2 interface, which runs apart from the DSP
// (in another thread, possibly another process) and meets it only through the
// control ports: a store of the ports' values of its own. The host's port
// events fill it; a user's edit goes out through the host's write function in
// the port's unit (ParameterUnits.h), and a gesture through the touch feature
// when the host offers one. Values are kept as the effect would report them
// for what the port holds, so a switch shows the setting that plays and a
// slider the value the DSP takes. Display texts come from the parameter
// table, the wave-shape names from the bundle's shape list.
//
// Threads: the host's interface thread only, like every LV2 interface call.
#pragma once

#include <lv2/ui/ui.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/ParameterAccess.h"
#include "effect/ParameterTable.h"

class EditorPanel;

class Lv2UiParameters final : public ParameterAccess {
public:
  // What the host gave the interface to reach it. `touch` may be null (the
  // host records no gestures).
  struct HostCalls {
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Touch* touch = nullptr;
  };

  // Every parameter at program 0's value, the ports' defaults.
  Lv2UiParameters(const HostCalls& host, std::vector<std::string> shapeNames);

  // The panel that shows the values; told of every change from here on.
  void showChangesIn(EditorPanel& panel) { panel_ = &panel; }

  // The host reports that control port `port` holds `unitValue`. Ignored for
  // a port that sets no parameter and for NaN. While the user holds the
  // parameter in a gesture the control stays where the user puts it, and the
  // host's latest value is kept: it is shown at the release unless the user
  // set the parameter after it arrived (the later value is what the port holds).
  void portChanged(uint32_t port, float unitValue);

  float currentValue(int32_t index) override;
  void displayText(int32_t index, char* text, std::size_t capacity) override;
  // Writes the port of `index` (of the setting an alias stands for) in its
  // unit; a value the port already holds is not written again.
  void setFromUser(int32_t index, float value) override;
  void beginGesture(int32_t index) override;
  void endGesture(int32_t index) override;

private:
  // Records what the port of `index` now holds and tells the panel.
  void take(int32_t index, float unitValue);
  void touch(int32_t index, bool grabbed);

  HostCalls host_;
  std::vector<std::string> shapeNames_;
  EditorPanel* panel_ = nullptr;
  std::array<float, kParameterCount> unitValues_{};  // what each port holds
  std::array<float, kParameterCount> values_{};      // normalised, as the effect reports them
  std::array<bool, kParameterCount> held_{};         // the user holds it in a gesture
  // The host's value that arrived during the gesture after the user's last
  // edit, to show at the release.
  std::array<bool, kParameterCount> arrivedWhileHeld_{};
  std::array<float, kParameterCount> valueArrivedWhileHeld_{};
};
