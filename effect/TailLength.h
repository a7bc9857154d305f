// How long the effect's output can keep sounding after its input falls
// silent, for hosts that keep running a plug-in past the end of a region
// (effGetTailSize). The stages run in series, so their tails add up:
// - the Mox stage still hears the input until it has left the analysis
//   window (the analysis length), and then finishes the cycle it started,
//   which at the lowest tracked frequency is rate / 30 Hz samples long;
// - the filter rings until its slowest section has decayed below -90 dB,
//   stretched by the resonance feedback (see filterRingSamples);
// - the delay repeats its line once per lap, each echo weaker by the
//   feedback, until an echo falls below -90 dB.
// The sum is capped at kMaxTailSeconds (a feedback of 1 repeats for ever),
// and a chain in which nothing rings answers 1, the interface's "no tail".
#pragma once

#include <array>
#include <cstdint>

#include "effect/ParameterTable.h"
#include "effect/StageKind.h"

// What a tail depends on, read from the effect's current settings.
struct TailSettings {
  double sampleRate;  // Hz
  std::array<StageKind, kStageSlotCount> order;
  int32_t analysisLength;  // the Mox stage's FFT length, samples
  FilterMode filterMode;
  double cutOffFactor;  // the cut-off multiplier (1/8 .. 8)
  double resonance;     // 0 .. 1
  bool delayRuns;       // " Delay Mix " above 0
  int32_t delayLength;  // samples per lap (0 and 1 both mean one sample)
  double feedback;      // -1 .. 1, as the delay holds it
  double mix;           // the level of the first echo
};

// Longest tail reported, in seconds.
inline constexpr double kMaxTailSeconds = 60.0;
// An echo or a ring counts until it is this far below the input: -90 dB.
inline constexpr double kTailSilenceLevel = 3.1622776601683795e-5;

// Samples the output keeps sounding, 1 .. kMaxTailSeconds x rate.
int32_t tailSamples(const TailSettings& settings);

// The parts, in samples (uncapped; infinity when the part never dies out).
double moxHoldSamples(const TailSettings& settings);
double filterRingSamples(const TailSettings& settings);
double delayEchoSamples(const TailSettings& settings);
