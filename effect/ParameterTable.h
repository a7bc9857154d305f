// The effect's 18 host parameters: one row per parameter with its host name and
// the value a fresh program holds, and one conversion per setting derived from
// a normalised value. setParameter, getParameterDisplay, the programs, the
// chain and the tests all read from here, so no formula is written twice.
//
// Every normalised value is a 32-bit float, nominally 0..1. Thresholds are
// double constants compared with the float promoted to double: the float
// nearest 0.51 lies just below 0.51 and therefore still counts as below it.
#pragma once

#include <cstddef>
#include <cstdint>

// Index of each parameter as the host and the editor address it.
enum ParameterIndex : int32_t {
  waveShapeParameter = 0,
  fftLengthParameter = 1,
  stablizeParameter = 2,
  quickDetectParameter = 3,
  pitchShiftParameter = 4,
  filterTypeParameter = 5,
  cutOffParameter = 6,
  resonanceParameter = 7,
  delayMixParameter = 8,
  delayTimeParameter = 9,
  delayFeedBackParameter = 10,
  delayTimeAltParameter = 11,  // second, unnamed entry for the delay time
  driveParameter = 12,
  volumeParameter = 13,
  firstParameter = 14,  // stage-order slot 1
  secondParameter = 15,
  thirdParameter = 16,
  forthParameter = 17,
};

inline constexpr int32_t kParameterCount = 18;

// Room a display or name text may take, terminator included. Names and fixed
// displays need at most 16 bytes; a wave-shape name from the shape list is cut
// to this size (whole UTF-8 characters only) so a long name cannot run past a
// host's buffer.
inline constexpr std::size_t kParameterTextCapacity = 24;

constexpr bool isParameterIndex(int32_t index) { return index >= 0 && index < kParameterCount; }

struct ParameterInfo {
  const char* name;    // the host's text, spaces included; null: no name (index 11)
  float initialValue;  // what every program starts with
  // Positions of a switch: 2 for on/off, 4 for the four-way switches (their
  // k-th position is the value k / 3); 0 for a continuous parameter. Hosts
  // are told this through effGetParameterProperties.
  int32_t positions;
};

// Row `index` of the table; `index` must satisfy isParameterIndex.
const ParameterInfo& parameterInfo(int32_t index);

// ---- conversions, normalised value -> the stage's own units ----

// Analysis length of the Mox stage: 1024 (<= 0.25), 2048 (< 0.51), 4096 (< 0.76), else 8192.
int32_t fftSizeFor(float value);

// " Stablize " and " Quick Detect ": on from 0.5 up.
bool switchIsOn(float value);

// Pitch-shift ratio: x = (v + 1) x 20 - 30 from -10 to +10; x when x >= 1,
// -1/x when x <= -1, otherwise 1. Bounded to 0.1..10, the span 0..1 gives and
// the oscillator is built for, so a wild value cannot throw it off its tables.
float pitchRatioFor(float value);

enum class FilterMode : int32_t { off = -1, lowPass = 0, highPass = 1, bandPass = 2 };

// " Filter Type ": off at <= 0.25, low-pass below 0.51, high-pass below 0.76,
// band-pass from there up. The chain and the display both read this.
FilterMode filterModeFor(float value);

// Cut-off multiplier: x = (v + 1) x 16 - 24 rounded to a float, from -8 to 8;
// x when x >= 1, -1/x when x <= -1, otherwise 1. Bounded to 1/8..8 so a wild
// value cannot turn the tracked cut-off into infinity or NaN.
float cutOffFactorFor(float value);

// Output gain: 2v up to 0.5, 4v above (a step from 1 to just above 2 at the
// middle). Bounded to -16..16: out-of-range values still follow the curve
// (2.0 gives 8), but no finite value can overflow the output.
float volumeGainFor(float value);

// ---- display texts ----

// "1024", "2048", "4096" or "8192".
const char* fftLengthText(float value);
// "Off", "LOWPASS", "HIGHPASS" or "BANDPASS".
const char* filterTypeText(float value);
// "On" or "Off".
const char* switchText(bool on);

// Copies `source` into `text` (capacity bytes, terminator included), reading
// at most `capacity` bytes of `source` even when it is unterminated, cutting
// it at the last whole UTF-8 character that fits. Null `text` or zero capacity
// writes nothing; null `source` writes the empty text.
void copyBoundedText(char* text, std::size_t capacity, const char* source);
