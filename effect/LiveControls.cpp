#include "effect/LiveControls.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "dsp/TrackingOscillator.h"
#include "effect/ParameterTable.h"

namespace {

constexpr std::array<const char*, kScalePositions> kScaleNames{
    "Off", "Chromatic", "Major", "Minor", "Major Pentatonic", "Minor Pentatonic", "Blues",
};

constexpr std::array<const char*, kKeyPositions> kKeyNames{
    "C", "C#/Db", "D", "D#/Eb", "E", "F", "F#/Gb", "G", "G#/Ab", "A", "A#/Bb", "B",
};

// A position added to either switch needs its name here too.
constexpr bool everyPositionNamed(const auto& names)
{
  return std::ranges::none_of(names, [](const char* name) { return name == nullptr; });
}
static_assert(everyPositionNamed(kScaleNames) && everyPositionNamed(kKeyNames));

// Below this a glide is shown with one decimal, so the first steps of the
// squared curve read as different times.
constexpr double kGlideWholeMillisecondsFrom = 10.0;

void writeText(char* text, std::size_t capacity, const char* format, double number)
{
  if (text == nullptr || capacity == 0) return;
  std::snprintf(text, capacity, format, number);
}

}  // namespace

float dryWetShareFor(float value) { return std::isnan(value) ? 1.0f : std::clamp(value, 0.0f, 1.0f); }

float gateThresholdDecibelsFor(float value)
{
  if (!(value > 0.0f)) return TrackingOscillator::kGateOff;
  const double v = std::min(static_cast<double>(value), 1.0);
  return static_cast<float>(kGateLowestDecibels + v * (kGateHighestDecibels - kGateLowestDecibels));
}

bool gateIsOff(float decibels) { return decibels == TrackingOscillator::kGateOff; }

float valueForGateDecibels(double decibels)
{
  if (!(decibels >= kGateLowestDecibels)) return 0.0f;
  const double v = (decibels - kGateLowestDecibels) / (kGateHighestDecibels - kGateLowestDecibels);
  return std::clamp(static_cast<float>(v), std::numeric_limits<float>::min(), 1.0f);
}

void gateText(float value, char* text, std::size_t capacity)
{
  const float decibels = gateThresholdDecibelsFor(value);
  if (gateIsOff(decibels)) {
    copyBoundedText(text, capacity, "off");
    return;
  }
  writeText(text, capacity, "%.1f dB", decibels);
}

float glideSecondsFor(float value)
{
  if (!(value > 0.0f)) return 0.0f;
  const double v = std::min(static_cast<double>(value), 1.0);
  return static_cast<float>(v * v * static_cast<double>(TrackingOscillator::kLongestGlideSeconds));
}

float valueForGlideSeconds(double seconds)
{
  if (!(seconds > 0.0)) return 0.0f;
  const double longest = TrackingOscillator::kLongestGlideSeconds;
  return static_cast<float>(std::sqrt(std::min(seconds, longest) / longest));
}

void glideText(float value, char* text, std::size_t capacity)
{
  const double milliseconds = static_cast<double>(glideSecondsFor(value)) * 1000.0;
  writeText(text, capacity, milliseconds < kGlideWholeMillisecondsFrom && milliseconds > 0.0 ? "%.1f ms" : "%.0f ms",
            milliseconds);
}

Scale scaleFor(float value) { return static_cast<Scale>(nearestSwitchPosition(value, kScalePositions)); }

int32_t keyFor(float value) { return nearestSwitchPosition(value, kKeyPositions); }

const char* scaleText(float value)
{
  return kScaleNames[static_cast<std::size_t>(nearestSwitchPosition(value, kScalePositions))];
}

const char* keyText(float value) { return kKeyNames[static_cast<std::size_t>(keyFor(value))]; }
