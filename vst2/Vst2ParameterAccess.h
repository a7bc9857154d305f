// The editor's parameters in a VST 2 plug-in: the effect object itself. A
// user's edit goes through setParameterAutomated (the effect takes the value,
// the host hears audioMasterAutomate) and a gesture is framed by
// audioMasterBeginEdit and audioMasterEndEdit.
#pragma once

#include "editor/ParameterAccess.h"

class AudioEffect;

class Vst2ParameterAccess : public ParameterAccess {
public:
  explicit Vst2ParameterAccess(AudioEffect& effect) : effect_(effect) {}

  // Any thread, the audio thread included: the effect answers getParameter
  // from every thread, and the editor asks from whichever thread told it of
  // a change.
  float currentValue(int32_t index) override;
  // Interface thread, like the rest.
  void displayText(int32_t index, char* text, std::size_t capacity) override;
  void setFromUser(int32_t index, float value) override;
  void beginGesture(int32_t index) override;
  void endGesture(int32_t index) override;

private:
  AudioEffect& effect_;
};
