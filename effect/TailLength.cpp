#include "effect/TailLength.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dsp/TrackingOscillator.h"
#include "effect/EffectCore.h"

namespace {

constexpr double kInfinite = std::numeric_limits<double>::infinity();
// A resonance this close to 1 lets the filter's feedback loop sustain itself.
constexpr double kSelfOscillatingResonance = 0.99;
// Sections in the filter's cascade.
constexpr double kFilterSections = 4.0;

bool holds(const TailSettings& settings, StageKind kind)
{
  return std::find(settings.order.begin(), settings.order.end(), kind) != settings.order.end();
}

// Samples for a decay of `perStep` per sample (0 < perStep < 1) to reach the silence level.
double samplesToSilence(double perStep)
{
  if (!(perStep > 0.0)) return 0.0;
  if (perStep >= 1.0) return kInfinite;
  return std::ceil(std::log(kTailSilenceLevel) / std::log(perStep));
}

}  // namespace

double moxHoldSamples(const TailSettings& settings)
{
  if (!holds(settings, StageKind::mox)) return 0.0;
  return static_cast<double>(settings.analysisLength) +
         std::ceil(settings.sampleRate / static_cast<double>(TrackingOscillator::kLowestFrequencyHz));
}

double filterRingSamples(const TailSettings& settings)
{
  if (!holds(settings, StageKind::filter) || settings.filterMode == FilterMode::off) return 0.0;
  // The lowest normalised cut-off the filter may run at: the fixed one, or,
  // when it follows the Mox stage, the lowest tracked frequency.
  double lowestHz = EffectCore::kFixedCutOffHz;
  if (holds(settings, StageKind::mox)) lowestHz = TrackingOscillator::kLowestFrequencyHz;
  const double x = std::clamp(settings.cutOffFactor * lowestHz / settings.sampleRate, 0.0, 1.0);
  // Each section's pole, from the filter's coefficient formulas: gain
  // g = (0.8 (1 - x) + 1) x, pole at 1 - 2g. Only a pole on the positive
  // side rings; one on the negative side sits on the section's zero at -1.
  const double gain = ((1.0 - x) * 0.8 + 1.0) * x;
  const double pole = 1.0 - 2.0 * gain;
  const double sectionDecay = pole > 0.0 ? samplesToSilence(pole) : 1.0;
  if (settings.resonance >= kSelfOscillatingResonance) return kInfinite;
  // Four sections in a row each add their decay; the feedback returns a
  // share r of the signal on each pass, stretching the ring by 1 / (1 - r).
  return kFilterSections * sectionDecay / (1.0 - std::max(0.0, settings.resonance));
}

double delayEchoSamples(const TailSettings& settings)
{
  if (!holds(settings, StageKind::delay) || !settings.delayRuns) return 0.0;
  const double level = std::fabs(settings.mix);
  if (!(level >= kTailSilenceLevel)) return 0.0;
  const double lap = std::max(1, settings.delayLength);
  const double feedback = std::fabs(settings.feedback);
  if (feedback >= 1.0) return kInfinite;
  // Echo k (from 1) comes back at k laps with level mix x feedback^(k-1).
  double echoes = 1.0;
  if (feedback > 0.0) echoes += std::floor(std::log(kTailSilenceLevel / level) / std::log(feedback));
  return echoes * lap;
}

int32_t tailSamples(const TailSettings& settings)
{
  const double total = moxHoldSamples(settings) + filterRingSamples(settings) + delayEchoSamples(settings);
  const double cap = std::floor(kMaxTailSeconds * settings.sampleRate);
  const double bounded = std::min(total, cap);
  if (!(bounded >= 1.0)) return 1;
  return static_cast<int32_t>(std::min(bounded, double(std::numeric_limits<int32_t>::max())));
}
