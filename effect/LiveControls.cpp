#include "effect/LiveControls.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "dsp/TrackingOscillator.h"
#include "effect/ParameterTable.h"

namespace {

// The nearest of `positions` switch positions (k / (positions - 1)) to
// `value`, clamped to the first and last; NaN gives the first.
int32_t switchPosition(float value, int32_t positions)
{
  const double scaled = static_cast<double>(value) * static_cast<double>(positions - 1);
  if (!(scaled > 0.0)) return 0;
  return static_cast<int32_t>(std::min(std::floor(scaled + 0.5), static_cast<double>(positions - 1)));
}

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

void gateText(float value, char* text, std::size_t capacity)
{
  const float decibels = gateThresholdDecibelsFor(value);
  if (decibels == TrackingOscillator::kGateOff) {
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

void glideText(float value, char* text, std::size_t capacity)
{
  const double milliseconds = static_cast<double>(glideSecondsFor(value)) * 1000.0;
  writeText(text, capacity, milliseconds < kGlideWholeMillisecondsFrom && milliseconds > 0.0 ? "%.1f ms" : "%.0f ms",
            milliseconds);
}

Scale scaleFor(float value) { return static_cast<Scale>(switchPosition(value, kScalePositions)); }

int32_t keyFor(float value) { return switchPosition(value, kKeyPositions); }

const char* scaleText(float value)
{
  return kScaleNames[static_cast<std::size_t>(switchPosition(value, kScalePositions))];
}

const char* keyText(float value) { return kKeyNames[static_cast<std::size_t>(keyFor(value))]; }
