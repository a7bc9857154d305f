#include "vst2/Vst2ParameterAccess.h"

#include <algorithm>
#include <cstring>

#include "vst2/interface/AudioEffect.h"

namespace {
// Room for any display text: hosts give 9 bytes by the interface's rule, and
// an effect that writes more (a long wave-shape name) still stays inside.
constexpr std::size_t kDisplayRoom = 256;
}  // namespace

float Vst2ParameterAccess::currentValue(int32_t index) { return effect_.getParameter(index); }

void Vst2ParameterAccess::displayText(int32_t index, char* text, std::size_t capacity)
{
  if (!text || capacity == 0) return;
  char display[kDisplayRoom] = {};
  effect_.getParameterDisplay(index, display);
  display[kDisplayRoom - 1] = '\0';
  const std::size_t length = std::min(std::strlen(display), capacity - 1);
  std::memcpy(text, display, length);
  text[length] = '\0';
}

void Vst2ParameterAccess::setFromUser(int32_t index, float value) { effect_.setParameterAutomated(index, value); }

void Vst2ParameterAccess::beginGesture(int32_t index) { effect_.beginEdit(index); }

void Vst2ParameterAccess::endGesture(int32_t index) { effect_.endEdit(index); }
