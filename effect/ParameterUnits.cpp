#include "effect/ParameterUnits.h"

#include <algorithm>
#include <cmath>

#include "effect/LiveControls.h"
#include "effect/StageKind.h"

namespace {

double decibelsFor(double gain) { return 20.0 * std::log10(gain); }
double gainFor(double decibels) { return std::pow(10.0, decibels / 20.0); }

// The filter's settings by name for users; the VST 2 display's upper-case
// words ("LOWPASS") are kept for that display.
constexpr const char* filterPositionNames[] = {"Off", "Low-pass", "High-pass", "Band-pass"};

constexpr double kMillisecondsPerSecond = 1000.0;
constexpr NamedValue gateOff{static_cast<float>(kGateOffDecibels), "off"};

// The normalised value of switch position `position` (k / (positions - 1)).
float positionValue(const ParameterInfo& info, int32_t position)
{
  return static_cast<float>(position) / static_cast<float>(info.positions - 1);
}

}  // namespace

UnitRange unitRange(int32_t index)
{
  const ParameterInfo& info = parameterInfo(index);
  switch (info.scale) {
    case ParameterScale::positions: return {0.0f, static_cast<float>(info.positions - 1)};
    case ParameterScale::delaySeconds:
    case ParameterScale::pitchRatio:
    case ParameterScale::cutOffRatio: return {unitValueFor(index, 0.0f), unitValueFor(index, 1.0f)};
    case ParameterScale::volumeDecibels: return {static_cast<float>(kVolumeFloorDecibels), unitValueFor(index, 1.0f)};
    case ParameterScale::gateDecibels:
    case ParameterScale::glideMilliseconds: return {unitValueFor(index, 0.0f), unitValueFor(index, 1.0f)};
    case ParameterScale::normalised: break;
  }
  return {0.0f, 1.0f};
}

float unitValueFor(int32_t index, float value)
{
  switch (parameterInfo(index).scale) {
    case ParameterScale::positions: return static_cast<float>(switchPositionFor(index, value));
    case ParameterScale::delaySeconds: return static_cast<float>(delaySecondsFor(value));
    case ParameterScale::pitchRatio: return ratioFor(value);
    case ParameterScale::cutOffRatio: return cutOffFactorFor(value);
    case ParameterScale::volumeDecibels: {
      const double gain = volumeGainFor(value);
      if (!(gain > 0.0)) return static_cast<float>(kVolumeFloorDecibels);
      return static_cast<float>(std::max(decibelsFor(gain), kVolumeFloorDecibels));
    }
    case ParameterScale::gateDecibels: {
      const float threshold = gateThresholdDecibelsFor(value);
      return gateIsOff(threshold) ? static_cast<float>(kGateOffDecibels) : threshold;
    }
    case ParameterScale::glideMilliseconds:
      return static_cast<float>(static_cast<double>(glideSecondsFor(value)) * kMillisecondsPerSecond);
    case ParameterScale::normalised: break;
  }
  return value;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as setParameter has them
float normalisedFor(int32_t index, float unitValue)
{
  if (std::isnan(unitValue)) return unitValue;
  const ParameterInfo& info = parameterInfo(index);
  if (info.scale == ParameterScale::normalised) return unitValue;
  const UnitRange range = unitRange(index);
  const double v = std::clamp(unitValue, range.minimum, range.maximum);
  switch (info.scale) {
    case ParameterScale::positions:
      // Position k of n is k / (n - 1): the value that selects the k-th setting.
      return static_cast<float>(std::round(v)) / static_cast<float>(info.positions - 1);
    case ParameterScale::delaySeconds: return valueForDelaySeconds(v);
    case ParameterScale::pitchRatio: return valueForRatio(v);
    case ParameterScale::cutOffRatio: return valueForCutOffFactor(v);
    case ParameterScale::volumeDecibels: return v <= kVolumeFloorDecibels ? 0.0f : valueForVolumeGain(gainFor(v));
    case ParameterScale::gateDecibels: return valueForGateDecibels(v);
    case ParameterScale::glideMilliseconds: return valueForGlideSeconds(v / kMillisecondsPerSecond);
    case ParameterScale::normalised: break;
  }
  return unitValue;
}

const char* positionName(int32_t index, int32_t position)
{
  const ParameterInfo& info = parameterInfo(index);
  if (info.positions <= 2 || position < 0 || position >= info.positions) return nullptr;
  switch (info.display) {
    case ParameterDisplay::fftLength: return fftLengthText(normalisedFor(index, static_cast<float>(position)));
    case ParameterDisplay::filterType: return filterPositionNames[static_cast<std::size_t>(position)];
    case ParameterDisplay::stageKind: return stageKindName(static_cast<StageKind>(position));
    case ParameterDisplay::scaleName: return scaleText(positionValue(info, position));
    case ParameterDisplay::keyName: return keyText(positionValue(info, position));
    default: return nullptr;
  }
}

const NamedValue* namedValueOf(int32_t index)
{
  return parameterInfo(index).scale == ParameterScale::gateDecibels ? &gateOff : nullptr;
}
