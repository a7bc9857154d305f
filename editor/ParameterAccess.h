// What the editor needs from the plug-in format it runs in: each parameter's
// value and display text, and a way to pass the user's edits on. The editor
// knows parameters only by their indices and normalised values (0..1), never
// the effect behind them: a VST 2 editor reaches the effect object, an
// interface running apart from the DSP (LV2) keeps a store of its own filled
// by the host's port events.
//
// Threads: the editor calls these on the thread that owns its window.
#pragma once

#include <cstddef>
#include <cstdint>

class ParameterAccess {
public:
  virtual ~ParameterAccess() = default;

  // The parameter's current normalised value.
  virtual float currentValue(int32_t index) = 0;
  // The text the host shows for the parameter's current value, written into
  // `text` (`capacity` bytes, terminator included, always terminated).
  virtual void displayText(int32_t index, char* text, std::size_t capacity) = 0;
  // The user set the parameter to `value`: the effect takes it and the host
  // records it (automation). Within a gesture it belongs to that gesture.
  virtual void setFromUser(int32_t index, float value) = 0;
  // The user takes hold of the parameter and lets it go again: the changes
  // in between are one touch for hosts that record touches.
  virtual void beginGesture(int32_t index) = 0;
  virtual void endGesture(int32_t index) = 0;
};
