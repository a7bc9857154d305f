#pragma once

#include <cstdint>

// Four-pole resonant filter: four cascaded one-pole sections, a feedback path
// from the last section back to the input that produces the resonance, and a
// cubic soft clip on the last section. It works on a normalised cut-off
// (cut-off frequency divided by the sample rate, 0 .. 1) and knows nothing of
// hertz or sample rates.
//
// Each section computes s = (u + uPrevious) * gainCoef - sPrevious * poleCoef,
// i.e. H(z) = gainCoef (1 + z^-1) / (1 + poleCoef z^-1); the input seen by the
// first section is input - feedbackGain * (last sample's stage4).
//
// Threads: everything here belongs to the audio thread. The chain sets the
// coefficients right before it filters, possibly twice per block (the
// pitch-tracking path switches the cut-off where a new cycle begins), and the
// state carries over between calls exactly as if the block were one piece.
class ResonantFilter {
public:
  // Values of the `type` argument of process().
  static constexpr int32_t lowPass = 0;   // stage4
  static constexpr int32_t highPass = 1;  // input after feedback - stage4
  static constexpr int32_t bandPass = 2;  // 3 * (stage3 - stage4)

  // Coefficients for cut-off 1.0 and resonance 0; all state zero.
  ResonantFilter();

  // Clamps the cut-off and the resonance to [0, 1], records them and derives
  // gainCoef, poleCoef and feedbackGain. A NaN argument is ignored: the value
  // last set stays in force.
  void setCoefficients(float normalisedCutoff, float resonance);

  // Filters `sampleCount` samples of `input` into `output`; the two may be the
  // same array. `type` picks the output (lowPass, highPass, bandPass); any
  // other type leaves `output` untouched while the state advances as usual.
  // A count of 0 or less does nothing. Non-finite input samples are filtered
  // as silence, and finite ones are limited to +-kLoudestInput, so the state
  // never holds NaN or infinity.
  void process(const float* input, float* output, int32_t sampleCount, int32_t type);

  // Returns every state value to zero, as after construction; the
  // coefficients stay. The chain never needs it (the state lives on through
  // suspend and resume); it is the way back from a state a caller no longer wants.
  void reset();

  float cutoff() const { return cutoff_; }
  float resonance() const { return resonance_; }
  float gainCoef() const { return gainCoef_; }
  float poleCoef() const { return poleCoef_; }
  float feedbackGain() const { return feedbackGain_; }
  float stage4() const { return stage4_; }

  // Far beyond any audio level, and far enough below the float range that the
  // sections' gain (at most 2 each) and the band-pass factor cannot overflow.
  static constexpr float kLoudestInput = 1.0e30f;

private:
  // The block loop in two forms that give the same bits: processRounded as
  // far as it can (returns the samples done), processConverting for the rest.
  int32_t processRounded(const float* input, float* output, int32_t sampleCount, int32_t type);
  void processConverting(const float* input, float* output, int32_t sampleCount, int32_t type);

  float poleCoef_;
  float gainCoef_;
  float feedbackGain_;
  float lastInput_ = 0.0f;  // previous input after feedback
  float stage1_ = 0.0f;
  float stage2_ = 0.0f;
  float stage3_ = 0.0f;
  float stage4_ = 0.0f;    // after the soft clip
  float scratch1_ = 0.0f;  // last step's previous stage3
  float scratch2_ = 0.0f;  // last step's previous stage2
  float cutoff_;
  float resonance_;
};
