// The effect's host parameters: one row per parameter with every fact about it
// (host name, initial value, switch positions, how it is kept and shown, the
// index it stands in for, whether hosts may automate it), and one conversion
// per setting from a normalised value to the stage's own units, named after
// those units. setParameter, getParameter, getParameterDisplay, the programs,
// the host answers, the editor, the preset generator and the tests all read
// from here, so no fact or formula is written twice.
//
// Every normalised value is a 32-bit float, nominally 0..1. Thresholds are
// double constants compared with the float promoted to double: the float
// nearest 0.51 lies just below 0.51 and therefore still counts as below it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "dsp/FeedbackDelay.h"
#include "effect/StageKind.h"

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
  preciseParameter = 18,  // the precise pitch detector instead of the strongest bin
  // The controls for playing live (see LiveControls.h).
  dryWetParameter = 19,  // the chain's output against the dry input
  gateParameter = 20,    // the Mox stage's level threshold
  glideParameter = 21,   // the Mox stage's time to a new note
  scaleParameter = 22,   // the scale the Mox stage's pitch snaps to
  keyParameter = 23,     // that scale's root
};

inline constexpr int32_t kParameterCount = 24;

// Room a display or name text may take, terminator included. Names and fixed
// displays need at most 16 bytes; a wave-shape name from the shape list is cut
// to this size (whole UTF-8 characters only) so a long name cannot run past a
// host's buffer.
inline constexpr std::size_t kParameterTextCapacity = 24;

constexpr bool isParameterIndex(int32_t index) { return index >= 0 && index < kParameterCount; }

// How a parameter's value is kept in the programs and answered to hosts.
enum class ParameterKeeping : int32_t {
  asGiven,    // kept and answered as given
  onOff,      // kept as given, answered as 1 (on) or 0 (off)
  stageKind,  // kept as the kind's program value, answered as the middle of its band
};

// How a parameter's display text is formed from its kept value.
enum class ParameterDisplay : int32_t {
  shapeName,      // the selected wave shape's name
  fftLength,      // "1024" .. "8192"
  onOff,          // "On" or "Off"
  number,         // the host's usual number text
  filterType,     // "Off", "LOWPASS", "HIGHPASS" or "BANDPASS"
  threeDecimals,  // the value, three decimals
  delaySeconds,   // the delay in seconds, three decimals
  stageKind,      // "Mox", "Filter", "Delay" or "Distortion"
  none,           // the empty text
  gateLevel,      // "off" or the threshold, "-56.0 dB"
  glideTime,      // the glide time, "250 ms"
  scaleName,      // "Off", "Chromatic", "Major", ...
  keyName,        // "C", "C#/Db", ... "B"
};

// How a parameter's value reads in the unit a user knows it by, for formats
// that show real units (see ParameterUnits.h); the VST 2 interface carries only
// the normalised value.
enum class ParameterScale : int32_t {
  normalised,         // 0..1 as it is
  positions,          // a switch: its position 0, 1, ... (positions - 1)
  delaySeconds,       // the delay time in seconds
  pitchRatio,         // the pitch-shift ratio, 0.1..10
  cutOffRatio,        // the cut-off multiplier, 1/8..8
  volumeDecibels,     // the output gain in dB
  gateDecibels,       // the gate threshold in dBFS, its lowest value meaning off
  glideMilliseconds,  // the glide time in ms
};

inline constexpr int32_t kNoAlias = -1;

struct ParameterInfo {
  const char* name;  // the host's text, spaces included; null: no name (index 11)
  // A stable identifier: lower case, digits and underscores, never changed
  // once published (saved sessions address the setting by it); null for an
  // alias, which is no setting of its own.
  const char* symbol;
  float initialValue;  // what every program starts with
  // Positions of a switch: 2 for on/off, 4 for the four-way switches (their
  // k-th position is the value k / 3), 7 for the scale and 12 for the key;
  // 0 for a continuous parameter. Hosts are told this through
  // effGetParameterProperties.
  int32_t positions;
  ParameterKeeping keeping;
  ParameterDisplay display;
  // Another index that sets the same setting (11 is a second entry for the
  // delay time, 9): a value set through either is kept in both and answered
  // as the target's.
  int32_t aliasOf;
  bool automatable;  // what hosts are told through effCanBeAutomated
  ParameterScale scale;
};

// Row `index` of the table; `index` must satisfy isParameterIndex.
const ParameterInfo& parameterInfo(int32_t index);

// The index whose setting `index` sets (isParameterIndex): its alias target,
// or `index` itself. Values are kept and answered, and the editor's controls
// shown and sent, under this index.
int32_t aliasTarget(int32_t index);

// The order in which a selected program's values are applied: the wave shape
// and the detector first, the delay time (9, then 11) before feedback and
// mix, then the stage order, the precise detector and the live controls.
const std::array<int32_t, kParameterCount>& programApplyOrder();

// The value the effect takes when `value` (finite) is set for `index`
// (isParameterIndex), whatever the format it came through: held to 0..1, the
// range every parameter has, so no setting plays beyond its full value (a
// delay mix of 1e6 would be an echo 120 dB over the input). Two conversions
// say themselves what lies beyond, and hosts and saved banks may rely on it,
// so those values pass: " Volume " follows its curve (2 gives a gain of 8,
// see volumeGainFor), and a negative " WaveShape " is refused by the shape
// selection (only its top is held).
float heldToRange(int32_t index, float value);

// What the programs keep of `value` set for `index` (isParameterIndex).
float keptValue(int32_t index, float value);
// What getParameter answers for the kept value `kept` of `index`.
float reportedValue(int32_t index, float kept);

// ---- conversions, normalised value -> the stage's own units ----

// Analysis length of the Mox stage: 1024 (<= 0.25), 2048 (< 0.51), 4096 (< 0.76), else 8192;
// and its position among the four, 0 to 3.
int32_t fftSizeFor(float value);
int32_t fftLengthPositionFor(float value);

// " Stablize " and " Quick Detect ": on from 0.5 up.
bool switchIsOn(float value);

// Pitch-shift ratio: x = (v + 1) x 20 - 30 from -10 to +10; x when x >= 1,
// -1/x when x <= -1, otherwise 1. Bounded to 0.1..10, the span 0..1 gives and
// the oscillator is built for, so a wild value cannot throw it off its tables.
float ratioFor(float value);
// And back: a value whose ratio is `ratio` (0.1..10); ratio 1 gives 0.5, the
// middle of the band where the ratio stays 1.
float valueForRatio(double ratio);

enum class FilterMode : int32_t { off = -1, lowPass = 0, highPass = 1, bandPass = 2 };

// " Filter Type ": off at <= 0.25, low-pass below 0.51, high-pass below 0.76,
// band-pass from there up. The chain and the display both read this.
FilterMode filterModeFor(float value);

// Cut-off multiplier: x = (v + 1) x 16 - 24 rounded to a float, from -8 to 8;
// x when x >= 1, -1/x when x <= -1, otherwise 1. Bounded to 1/8..8 so a wild
// value cannot turn the tracked cut-off into infinity or NaN.
float cutOffFactorFor(float value);
// And back: a value whose multiplier is `factor` (1/8..8); 1 gives 0.5.
float valueForCutOffFactor(double factor);

// Output gain: 2v up to 0.5, 4v above (a step from 1 to just above 2 at the
// middle). Bounded to -16..16: out-of-range values still follow the curve
// (2.0 gives 8), but no finite value can overflow the output.
float volumeGainFor(float value);
// And back, for a gain of 0..4: gains between 1 and 2, which no value gives,
// take the nearer end (in dB) of the step.
float valueForVolumeGain(double gain);

// Curve factor of the distortion: (v + 0.02) x 50 formed in double and
// rounded to float; 0 gives 1.0, 0.5 gives 26.0, 1 gives 51.0.
float driveFactorFor(float value);

// " Delay Time ": 0..1 is 0..kLongestDelaySeconds, formed in double; and back
// (what the editor's delay-time box sends for a typed number of seconds).
inline constexpr double kLongestDelaySeconds = FeedbackDelay::kLongestSeconds;
double delaySecondsFor(float value);
float valueForDelaySeconds(double seconds);

// A normalised stage-order value -> kind. The thresholds are the decimal
// numbers 0.333333 and 0.666666 compared in double precision, not 1/3 and 2/3,
// so saved automation keeps landing on the same kinds.
StageKind stageKindFor(float value);
// What a program keeps for a kind: kind x 1/3, both as 32-bit floats
// (0, 0.33333334, 0.6666667, 1).
float stageKindProgramValue(StageKind kind);
// What getParameter reports for a kind (0, 0.4, 0.7, 1): the middle of each
// band, so a host writing the value back gets the same kind again.
float stageKindReportedValue(StageKind kind);

// The shape a " WaveShape " value selects among `shapeCount` shapes: the one
// whose position i / shapeCount (1 / shapeCount as a float) is nearest, ties
// to the lower index; -1 when `value` is below 0 or NaN or there are no shapes.
int32_t shapeIndexFor(float value, int32_t shapeCount);

// ---- display texts ----

// "1024", "2048", "4096" or "8192".
const char* fftLengthText(float value);
// "Off", "LOWPASS", "HIGHPASS" or "BANDPASS".
const char* filterTypeText(float value);
// "On" or "Off".
const char* switchText(bool on);

// ---- switch positions ----

// The position (0 .. positions - 1, as ParameterInfo counts them) of the
// setting `value` selects for switch parameter `index`: the FFT length, the
// filter type (off first), the stage kind, off/on, the scale or the key. Its
// k-th position is also what the value k / (positions - 1) selects. 0 for a
// continuous one.
int32_t switchPositionFor(int32_t index, float value);

// The nearest of `positions` (2 or more) evenly spread positions to `value`:
// position k stands at k / (positions - 1), so each holds the middle of its
// band; out-of-range values take the nearer end, NaN the first. The scale and
// key switches select by this rule.
int32_t nearestSwitchPosition(float value, int32_t positions);

// Copies `source` into `text` (capacity bytes, terminator included), reading
// at most `capacity` bytes of `source` even when it is unterminated, cutting
// it at the last whole UTF-8 character that fits. Null `text` or zero capacity
// writes nothing; null `source` writes the empty text.
void copyBoundedText(char* text, std::size_t capacity, const char* source);
