#include "effect/ParameterTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "effect/LiveControls.h"

namespace {

// FFT length bands (upper edges; the first one is inclusive), each twice as
// long as the one before.
constexpr int32_t shortestFftSize = 1024;
constexpr double fft1024End = 0.25;
constexpr double fft2048End = 0.51;
constexpr double fft4096End = 0.76;

constexpr double switchOnFrom = 0.5;

// Filter type bands: off up to and including 0.25, then low, high, band.
constexpr double filterOffEnd = 0.25;
constexpr double lowPassEnd = 0.51;
constexpr double highPassEnd = 0.76;

// Pitch shift: (v + 1) x 20 - 30 spans -10..10 over 0..1.
constexpr double pitchSpan = 20.0;
constexpr double pitchOffset = 30.0;
// Closed interval a derived setting is kept within.
struct Bounds {
  double low;
  double high;
};

constexpr Bounds pitchRatioBounds{0.1, 10.0};

// Cut-off: (v + 1) x 16 - 24 spans -8..8 over 0..1.
constexpr double cutOffSpan = 16.0;
constexpr double cutOffOffset = 24.0;
constexpr Bounds cutOffFactorBounds{0.125, 8.0};

// Volume: 2v up to the middle, 4v above it.
constexpr double volumeKnee = 0.5;
constexpr Bounds volumeGainBounds{-16.0, 16.0};

// A bipolar multiplier from the usual "x >= 1: x; x <= -1: -1/x; else 1" curve,
// which makes the 0..1 range symmetric in octaves around the middle.
double bipolarMultiplier(double x)
{
  if (x >= 1.0) return x;
  if (x <= -1.0) return -1.0 / x;
  return 1.0;
}

// The inverse over the two branches: x for a ratio above 1, -1/ratio below it,
// and the flat band's middle (x = 0) for 1; then v from x = (v + 1) span - offset.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the value, then the curve's two constants in the order the curve uses them
float valueForMultiplier(double multiplier, double span, double offset)
{
  const double x = multiplier > 1.0 ? multiplier : multiplier < 1.0 ? -1.0 / multiplier : 0.0;
  return static_cast<float>((x + offset) / span - 1.0);
}

double bounded(double value, Bounds bounds)
{
  // NaN falls to the low end: every caller treats it as the safe one.
  if (!(value >= bounds.low)) return bounds.low;
  return value > bounds.high ? bounds.high : value;
}

// Upper edges of the Mox and Filter stage-order bands. Decimal constants, not
// 1/3 and 2/3: the float nearest 1/3 (0.33333334) lies above 0.333333 and so
// selects Filter.
constexpr double moxBandEnd = 0.333333;
constexpr double filterBandEnd = 0.666666;
constexpr double delayBandEnd = 1.0;
// 1/3 rounded to a 32-bit float: the step between the kinds' program values.
constexpr float stageKindValueStep = 1.0f / 3.0f;

// Drive: (v + 0.02) x 50.
constexpr float driveOffset = 0.02f;
constexpr float driveScale = 50.0f;

// Switch positions, as the editor's controls offer them.
constexpr int32_t continuous = 0;
constexpr int32_t onOff = 2;
constexpr int32_t fourWay = 4;

using Keep = ParameterKeeping;
using Show = ParameterDisplay;
using Scale = ParameterScale;

// Every parameter may be automated but 11: it sets the same delay time as 9,
// so a host offering both would show two lanes fighting over one setting (and
// 11 has no name to list it by). Old sessions that automate 11 still play it.
// One row per parameter, kept one line each so the columns read as a table.
// clang-format off
const std::array<ParameterInfo, kParameterCount> parameterTable{{
    // name, symbol, initial value, switch positions, kept as, shown as, alias of, automatable, scale
    {" WaveShape ", "wave_shape", 0.0f, continuous, Keep::asGiven, Show::shapeName, kNoAlias, true, Scale::normalised},
    {" FFT length ", "fft_length", 0.35f, fourWay, Keep::asGiven, Show::fftLength, kNoAlias, true, Scale::positions},
    {" Stablize ", "stablize", 0.0f, onOff, Keep::onOff, Show::onOff, kNoAlias, true, Scale::positions},
    {" Quick Detect ", "quick_detect", 0.0f, onOff, Keep::onOff, Show::onOff, kNoAlias, true, Scale::positions},
    {" Pitch Shift ", "pitch_shift", 0.5f, continuous, Keep::asGiven, Show::number, kNoAlias, true, Scale::pitchRatio},
    {" Filter Type ", "filter_type", 0.35f, fourWay, Keep::asGiven, Show::filterType, kNoAlias, true, Scale::positions},
    {" CutOff ", "cutoff", 1.0f, continuous, Keep::asGiven, Show::number, kNoAlias, true, Scale::cutOffRatio},
    {" Resonance ", "resonance", 0.0f, continuous, Keep::asGiven, Show::number, kNoAlias, true, Scale::normalised},
    {" Delay Mix ", "delay_mix", 0.0f, continuous, Keep::asGiven, Show::threeDecimals, kNoAlias, true, Scale::normalised},
    {" Delay Time ", "delay_time", 0.0f, continuous, Keep::asGiven, Show::delaySeconds, kNoAlias, true, Scale::delaySeconds},
    {" Delay FeedBack", "delay_feedback", 0.0f, continuous, Keep::asGiven, Show::threeDecimals, kNoAlias, true, Scale::normalised},
    {nullptr, nullptr, 0.0f, continuous, Keep::asGiven, Show::none, delayTimeParameter, false, Scale::delaySeconds},
    {" Drive ", "drive", 0.0f, continuous, Keep::asGiven, Show::number, kNoAlias, true, Scale::normalised},
    {" Volume ", "volume", 0.5f, continuous, Keep::asGiven, Show::none, kNoAlias, true, Scale::volumeDecibels},
    {" First ", "first", 0.0f, fourWay, Keep::stageKind, Show::stageKind, kNoAlias, true, Scale::positions},           // Mox
    {" Second  ", "second", 1.0f / 3.0f, fourWay, Keep::stageKind, Show::stageKind, kNoAlias, true, Scale::positions},  // Filter
    {" Third ", "third", 2.0f / 3.0f, fourWay, Keep::stageKind, Show::stageKind, kNoAlias, true, Scale::positions},    // Delay
    {" Forth ", "forth", 1.0f, fourWay, Keep::stageKind, Show::stageKind, kNoAlias, true, Scale::positions},           // Distortion
    {" Precise ", "precise", 0.0f, onOff, Keep::onOff, Show::onOff, kNoAlias, true, Scale::positions},
    // The live controls: each at its initial value leaves the sound as it was
    // before they existed (the chain alone, no gate, no glide, no scale in C).
    {" Dry/Wet ", "dry_wet", 1.0f, continuous, Keep::asGiven, Show::threeDecimals, kNoAlias, true, Scale::normalised},
    {" Gate ", "gate", 0.0f, continuous, Keep::asGiven, Show::gateLevel, kNoAlias, true, Scale::gateDecibels},
    {" Glide ", "glide", 0.0f, continuous, Keep::asGiven, Show::glideTime, kNoAlias, true, Scale::glideMilliseconds},
    {" Scale ", "scale", 0.0f, kScalePositions, Keep::asGiven, Show::scaleName, kNoAlias, true, Scale::positions},
    {" Key ", "key", 0.0f, kKeyPositions, Keep::asGiven, Show::keyName, kNoAlias, true, Scale::positions},
}};
// clang-format on

constexpr std::array<int32_t, kParameterCount> applyOrder{0,  2,  3,  4,  6,  7,  5,  1,  9,  11, 10, 8,
                                                          12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};

}  // namespace

const ParameterInfo& parameterInfo(int32_t index) { return parameterTable[static_cast<std::size_t>(index)]; }

const std::array<int32_t, kParameterCount>& programApplyOrder() { return applyOrder; }

int32_t aliasTarget(int32_t index)
{
  const int32_t alias = parameterInfo(index).aliasOf;
  return alias == kNoAlias ? index : alias;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as setParameter has them
float heldToRange(int32_t index, float value)
{
  switch (index) {
    case volumeParameter: return value;
    case waveShapeParameter: return std::min(value, 1.0f);
    default: return std::clamp(value, 0.0f, 1.0f);
  }
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as setParameter has them
float keptValue(int32_t index, float value)
{
  switch (parameterInfo(index).keeping) {
    case ParameterKeeping::asGiven:
    case ParameterKeeping::onOff: return value;
    // The program keeps the kind, not the value: the same value set again
    // lands in the same band.
    case ParameterKeeping::stageKind: return stageKindProgramValue(stageKindFor(value));
  }
  return value;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as setParameter has them
float reportedValue(int32_t index, float kept)
{
  switch (parameterInfo(index).keeping) {
    case ParameterKeeping::asGiven: return kept;
    case ParameterKeeping::onOff: return switchIsOn(kept) ? 1.0f : 0.0f;
    case ParameterKeeping::stageKind: return stageKindReportedValue(stageKindFor(kept));
  }
  return kept;
}

int32_t fftLengthPositionFor(float value)
{
  const double v = value;
  if (v <= fft1024End) return 0;
  if (v < fft2048End) return 1;
  if (v < fft4096End) return 2;
  return 3;
}

int32_t fftSizeFor(float value) { return shortestFftSize << fftLengthPositionFor(value); }

bool switchIsOn(float value) { return static_cast<double>(value) >= switchOnFrom; }

float ratioFor(float value)
{
  const double x = (static_cast<double>(value) + 1.0) * pitchSpan - pitchOffset;
  return static_cast<float>(bounded(bipolarMultiplier(x), pitchRatioBounds));
}

FilterMode filterModeFor(float value)
{
  const double v = value;
  if (!(v > filterOffEnd)) return FilterMode::off;
  if (v < lowPassEnd) return FilterMode::lowPass;
  if (v < highPassEnd) return FilterMode::highPass;
  return FilterMode::bandPass;
}

float valueForRatio(double ratio) { return valueForMultiplier(ratio, pitchSpan, pitchOffset); }

float cutOffFactorFor(float value)
{
  const float x = static_cast<float>((static_cast<double>(value) + 1.0) * cutOffSpan - cutOffOffset);
  return static_cast<float>(bounded(bipolarMultiplier(x), cutOffFactorBounds));
}

float volumeGainFor(float value)
{
  const double v = value;
  const double gain = v <= volumeKnee ? 2.0 * v : 4.0 * v;
  return static_cast<float>(bounded(gain, volumeGainBounds));
}

float valueForCutOffFactor(double factor) { return valueForMultiplier(factor, cutOffSpan, cutOffOffset); }

float valueForVolumeGain(double gain)
{
  const double kneeGain = 2.0 * volumeKnee;  // the gain at the middle, 1
  const double stepGain = 4.0 * volumeKnee;  // just above the middle, 2
  if (gain <= kneeGain) return static_cast<float>(gain / 2.0);
  if (gain < stepGain) {
    const auto knee = static_cast<float>(volumeKnee);
    return gain < std::sqrt(kneeGain * stepGain) ? knee : std::nextafter(knee, 1.0f);
  }
  return static_cast<float>(gain / 4.0);
}

float driveFactorFor(float value)
{
  return static_cast<float>((static_cast<double>(value) + driveOffset) * driveScale);
}

double delaySecondsFor(float value) { return static_cast<double>(value) * kLongestDelaySeconds; }

float valueForDelaySeconds(double seconds) { return static_cast<float>(seconds * (1.0 / kLongestDelaySeconds)); }

StageKind stageKindFor(float value)
{
  const double v = value;
  if (v < moxBandEnd) return StageKind::mox;
  if (v < filterBandEnd) return StageKind::filter;
  if (v < delayBandEnd) return StageKind::delay;
  return StageKind::distortion;
}

float stageKindProgramValue(StageKind kind)
{
  return static_cast<float>(static_cast<int32_t>(kind)) * stageKindValueStep;
}

float stageKindReportedValue(StageKind kind)
{
  switch (kind) {
    case StageKind::mox: return 0.0f;
    case StageKind::filter: return 0.4f;
    case StageKind::delay: return 0.7f;
    case StageKind::distortion: return 1.0f;
  }
  return 0.0f;
}

int32_t shapeIndexFor(float value, int32_t shapeCount)
{
  if (!(value >= 0.0f) || shapeCount <= 0) return -1;
  const auto spacing = static_cast<float>(1.0 / shapeCount);
  double bestDistance = 2.0;
  int32_t best = 0;
  for (int32_t i = 0; i < shapeCount; ++i) {
    const double distance = std::fabs(static_cast<double>(i) * static_cast<double>(spacing) - value);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

const char* fftLengthText(float value)
{
  switch (fftSizeFor(value)) {
    case 1024: return "1024";
    case 2048: return "2048";
    case 4096: return "4096";
    default: return "8192";
  }
}

const char* filterTypeText(float value)
{
  switch (filterModeFor(value)) {
    case FilterMode::off: return "Off";
    case FilterMode::lowPass: return "LOWPASS";
    case FilterMode::highPass: return "HIGHPASS";
    case FilterMode::bandPass: return "BANDPASS";
  }
  return "";
}

const char* switchText(bool on) { return on ? "On" : "Off"; }

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as setParameter has them
int32_t switchPositionFor(int32_t index, float value)
{
  switch (parameterInfo(index).display) {
    case ParameterDisplay::fftLength: return fftLengthPositionFor(value);
    // Off, then the three modes in their order.
    case ParameterDisplay::filterType:
      return static_cast<int32_t>(filterModeFor(value)) - static_cast<int32_t>(FilterMode::off);
    case ParameterDisplay::stageKind: return static_cast<int32_t>(stageKindFor(value));
    case ParameterDisplay::onOff: return switchIsOn(value) ? 1 : 0;
    case ParameterDisplay::scaleName:
    case ParameterDisplay::keyName: return nearestSwitchPosition(value, parameterInfo(index).positions);
    default: return 0;
  }
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): a value and a count, as every switch conversion takes them
int32_t nearestSwitchPosition(float value, int32_t positions)
{
  const double last = static_cast<double>(positions - 1);
  const double scaled = static_cast<double>(value) * last;
  if (!(scaled > 0.0)) return 0;
  return static_cast<int32_t>(std::min(std::floor(scaled + 0.5), last));
}

void copyBoundedText(char* text, std::size_t capacity, const char* source)
{
  if (text == nullptr || capacity == 0) return;
  std::size_t length = 0;
  if (source != nullptr) {
    while (length + 1 < capacity && source[length] != '\0') ++length;
    // A cut inside a multi-byte character drops that character whole: step
    // back over its continuation bytes and its lead byte.
    const auto continues = [source](std::size_t at) {
      return (static_cast<unsigned char>(source[at]) & 0xC0u) == 0x80u;
    };
    if (continues(length)) {
      while (length > 0 && continues(length)) --length;
    }
    std::memcpy(text, source, length);
  }
  text[length] = '\0';
}
