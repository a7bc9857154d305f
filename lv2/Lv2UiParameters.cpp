#include "lv2/Lv2UiParameters.h"

#include <bit>
#include <cmath>
#include <utility>

#include "editor/EditorPanel.h"
#include "effect/ParameterPorts.h"
#include "effect/ParameterText.h"
#include "effect/ParameterUnits.h"

namespace {

// What the effect reports for parameter `index` once its port holds `unitValue`.
float reportedForUnit(int32_t index, float unitValue)
{
  return reportedValue(index, keptValue(index, normalisedFor(index, unitValue)));
}

}  // namespace

Lv2UiParameters::Lv2UiParameters(const HostCalls& host, std::vector<std::string> shapeNames)
    : host_(host), shapeNames_(std::move(shapeNames))
{
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const auto i = static_cast<std::size_t>(index);
    unitValues_[i] = unitValueFor(index, parameterInfo(index).initialValue);
    values_[i] = reportedForUnit(index, unitValues_[i]);
  }
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): port, then value, as port events have them
void Lv2UiParameters::portChanged(uint32_t port, float unitValue)
{
  const int32_t index = parameterForPort(port);
  if (!isParameterIndex(index) || std::isnan(unitValue)) return;
  const auto i = static_cast<std::size_t>(index);
  if (held_[i]) {
    arrivedWhileHeld_[i] = true;
    valueArrivedWhileHeld_[i] = unitValue;
    return;
  }
  take(index, unitValue);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as every parameter call has them
void Lv2UiParameters::take(int32_t index, float unitValue)
{
  const auto i = static_cast<std::size_t>(index);
  unitValues_[i] = unitValue;
  values_[i] = reportedForUnit(index, unitValue);
  if (panel_) panel_->parameterChanged(index, values_[i]);
}

float Lv2UiParameters::currentValue(int32_t index)
{
  if (!isParameterIndex(index)) return 0.0f;
  return values_[static_cast<std::size_t>(aliasTarget(index))];
}

void Lv2UiParameters::displayText(int32_t index, char* text, std::size_t capacity)
{
  if (text == nullptr || capacity == 0) return;
  char display[kParameterTextCapacity] = {};
  if (isParameterIndex(index)) {
    const int32_t target = aliasTarget(index);
    writeParameterDisplay(target, keptValue(target, values_[static_cast<std::size_t>(target)]), shapeNames_, display);
  }
  copyBoundedText(text, capacity, display);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as every parameter call has them
void Lv2UiParameters::setFromUser(int32_t index, float value)
{
  if (!isParameterIndex(index) || std::isnan(value)) return;
  const int32_t target = aliasTarget(index);
  const uint32_t port = portForParameter(target);
  if (port == kNoPort) return;
  float unitValue = unitValueFor(target, value);
  const auto i = static_cast<std::size_t>(target);
  // Compared as bits: within a band that plays one setting (the ratio 1 in
  // the middle of Pitch Shift) a drag changes nothing the host should record;
  // the control still goes back to the value the port holds, so a slider
  // rests in the band's middle the whole way through it.
  if (std::bit_cast<uint32_t>(unitValue) == std::bit_cast<uint32_t>(unitValues_[i])) {
    if (panel_) panel_->parameterChanged(target, values_[i]);
    return;
  }
  if (host_.write) host_.write(host_.controller, port, sizeof unitValue, 0, &unitValue);
  arrivedWhileHeld_[i] = false;  // the user's value is the later one
  take(target, unitValue);
}

void Lv2UiParameters::beginGesture(int32_t index) { touch(index, true); }

void Lv2UiParameters::endGesture(int32_t index) { touch(index, false); }

void Lv2UiParameters::touch(int32_t index, bool grabbed)
{
  if (!isParameterIndex(index)) return;
  const int32_t target = aliasTarget(index);
  const uint32_t port = portForParameter(target);
  if (port == kNoPort) return;
  const auto i = static_cast<std::size_t>(target);
  held_[i] = grabbed;
  if (host_.touch && host_.touch->touch) host_.touch->touch(host_.touch->handle, port, grabbed);
  // Released: what the host sent during the gesture, after the user's last
  // edit, is what the port holds now.
  if (!grabbed && std::exchange(arrivedWhileHeld_[i], false)) take(target, valueArrivedWhileHeld_[i]);
  if (grabbed) arrivedWhileHeld_[i] = false;
}
