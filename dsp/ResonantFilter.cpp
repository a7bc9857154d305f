#include "dsp/ResonantFilter.h"

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cmath>
#include <limits>

namespace {

// The soft clip y - y^3 * kCubicShare. The constant is the float nearest 0.166667,
// not 1/6, and the curve's shape depends on it.
constexpr double kCubicShare = static_cast<double>(0.166667f);

// The cubic rises to its peak 2*sqrt(2)/3 at y = sqrt(2), falls back to 0 at
// y = sqrt(6) and beyond that turns into -y^3/6. Because stage4 feeds its own
// section, a value out there comes back larger with the opposite sign and the
// filter runs away to infinity within a few samples (a full-scale input at high
// cut-off and resonance is enough). Holding the argument within +-sqrt(6) keeps
// stage4 within +-0.943 and so the whole filter bounded, while every step whose
// argument lies inside the interval is computed exactly as before.
constexpr double kClipArgumentLimit = 2.449489742783178;  // sqrt(6)

// NaN or an infinity carries no usable signal: it is filtered as silence, so it
// cannot settle in the state for good. Huge finite samples are limited.
inline float usableSample(float x)
{
  if (!std::isfinite(x)) {
    return 0.0f;
  }
  return std::clamp(x, -ResonantFilter::kLoudestInput, ResonantFilter::kLoudestInput);
}

// ---- The quick block loop ----
//
// Every value the recursion stores is a float, and the next step widens it to
// double again. The loop below keeps each value as the double of that float
// instead, and gets it from the double result by rounding the significand to
// float precision in place, on the 29 bits a float does not have: adding half
// a float unit and dropping those bits rounds to nearest, a carry out of the
// significand raising the exponent as it should. That is exactly what
// narrowing and widening give, in any denormal mode, for a result of float
// normal size, except for one case: a result exactly half way, whose kept part
// is even, goes up here and down (to even) there. Such a result, or any other
// the test below does not pass (a float denormal, or beyond float range), ends
// the quick loop and the converting loop carries on from there. The rounding
// then costs two integer operations on the chain from one sample to the next,
// where the conversions cost about ten cycles.
//
// Two lanes carry the same value, so the arithmetic and the integer rounding
// are single vector instructions with no shuffles between them.
using Lanes = double __attribute__((vector_size(16)));
using LaneBits = uint64_t __attribute__((vector_size(16)));
using LaneMask = int64_t __attribute__((vector_size(16)));
using LaneWords = uint32_t __attribute__((vector_size(16)));

inline Lanes splat(double value) { return Lanes{value, value}; }

inline LaneBits splat64(uint64_t value) { return LaneBits{value, value}; }

constexpr uint64_t kDroppedBits = 29;  // double significand 52 bits, float 23
constexpr uint64_t kDroppedMask = (uint64_t{1} << kDroppedBits) - 1;
constexpr uint64_t kHalfUnit = uint64_t{1} << (kDroppedBits - 1);
// The dropped bits and the lowest kept one, and their pattern for a result
// half way between two floats whose kept part is even.
constexpr uint32_t kTieBits = (uint32_t{1} << (kDroppedBits + 1)) - 1;
constexpr uint32_t kEvenTie = uint32_t{1} << (kDroppedBits - 1);

inline Lanes toFloatPrecision(Lanes value)
{
  const auto bits = std::bit_cast<LaneBits>(value);
  return std::bit_cast<Lanes>((bits + kHalfUnit) & ~kDroppedMask);
}

// Whether a scalar result is a tie the quick rounding would get wrong.
inline bool isEvenTie(double value)
{
  return (static_cast<uint32_t>(std::bit_cast<uint64_t>(value)) & kTieBits) == kEvenTie;
}

// Nonzero in the low words (0 and 2) of the lanes holding such a tie.
inline LaneWords evenTies(Lanes pair)
{
  const LaneWords low = std::bit_cast<LaneWords>(pair) & LaneWords{kTieBits, 0u, kTieBits, 0u};
  return low == LaneWords{kEvenTie, 1u, kEvenTie, 1u};
}

constexpr double kSmallestNormal = 0x1p-126;  // std::numeric_limits<float>::min()
constexpr double kLargestSafe = 0x1p127;      // rounds to at most 2^127: no overflow

// All lanes set where each of the four values (two per argument) is one
// toFloatPrecision rounds exactly as narrowing and widening do: a float
// normal size, and not so large that rounding might leave float range. Zero
// would round exactly too, but outside silence it is rare enough to be left
// to the converting loop, which keeps this test to a few vector compares.
inline LaneMask inQuickRange(Lanes first, Lanes second)
{
  const LaneBits sign = splat64(uint64_t{1} << 63);
  const auto sizeA = std::bit_cast<Lanes>(std::bit_cast<LaneBits>(first) & ~sign);
  const auto sizeB = std::bit_cast<Lanes>(std::bit_cast<LaneBits>(second) & ~sign);
  const Lanes smallest = splat(kSmallestNormal);
  const Lanes largest = splat(kLargestSafe);
  return (sizeA >= smallest) & (sizeB >= smallest) & (sizeA <= largest) & (sizeB <= largest);
}

struct Coefficients {
  Lanes gain;
  Lanes pole;
  Lanes feedback;
};

struct RoundedState {
  Lanes lastInput;
  Lanes stage1;
  Lanes stage2;
  Lanes stage3;
  Lanes stage4;
  Lanes scratch1;
  Lanes scratch2;
};

// Filters samples begin .. end - 1 and returns the index of the first sample
// it left alone: `end`, or a sample whose rounding the quick loop cannot do
// exactly (nothing of that sample is committed). The output type is a
// template argument, so the loop carries no switch.
//
// kWithoutFeedback: the feedback gain is +0 or -0, so input - gain * stage4 is
// the input itself whenever the input is not zero. Leaving stage4 out then cuts
// the dependence of each sample on the last one's soft clip, and successive
// samples overlap in the processor. A zero input, whose sign after the
// subtraction depends on stage4's sign, ends the loop (as does any input
// usableSample would change); the caller takes that sample through the full
// formula.
template <bool kWithoutFeedback, int32_t kType>
int32_t runRounded(RoundedState& s, const Coefficients& c, const float* input, float* output, int32_t begin,
                   int32_t end)
{
  const Lanes clipLimit = splat(kClipArgumentLimit);
  const Lanes cubicShare = splat(kCubicShare);
  for (int32_t i = begin; i < end; ++i) {
    double inExact = 0.0;
    if constexpr (kWithoutFeedback) {
      // Zero (see above), below the normal range, beyond the loudest
      // input or not finite: not for this loop. Everything else passes
      // usableSample unchanged, so the test stands for it as well.
      const float sample = input[i];
      const float size = std::fabs(sample);
      if (!((size >= std::numeric_limits<float>::min()) & (size <= ResonantFilter::kLoudestInput))) {
        return i;
      }
      inExact = sample;
    } else {
      inExact = usableSample(input[i]) - c.feedback[0] * s.stage4[0];
    }
    const Lanes in = toFloatPrecision(splat(inExact));
    const Lanes raw1 = (in + s.lastInput) * c.gain - s.stage1 * c.pole;
    const Lanes stage1 = toFloatPrecision(raw1);
    const Lanes raw2 = (stage1 + s.stage1) * c.gain - s.stage2 * c.pole;
    const Lanes stage2 = toFloatPrecision(raw2);
    const Lanes raw3 = (stage2 + s.stage2) * c.gain - s.stage3 * c.pole;
    const Lanes stage3 = toFloatPrecision(raw3);
    Lanes y = (stage3 + s.stage3) * c.gain - s.stage4 * c.pole;
    if (y[0] < -kClipArgumentLimit) {
      y = -clipLimit;
    } else if (y[0] > kClipArgumentLimit) {
      y = clipLimit;
    }
    const Lanes raw4 = y - y * y * y * cubicShare;
    const Lanes pairA{raw1[0], raw2[0]};
    const Lanes pairB{raw3[0], raw4[0]};
    const LaneMask usable = inQuickRange(pairA, pairB);
    const LaneWords ties = evenTies(pairA) | evenTies(pairB);
    if (((usable[0] & usable[1]) == 0) | ((ties[0] | ties[2]) != 0)) {
      return i;
    }
    if constexpr (!kWithoutFeedback) {
      // A zero input after feedback is common (a zero input sample when
      // there is no feedback) and rounds exactly.
      const double inSize = std::fabs(inExact);
      if (isEvenTie(inExact) | !((inSize == 0.0) | ((inSize >= kSmallestNormal) & (inSize <= kLargestSafe)))) {
        return i;
      }
    }
    const Lanes stage4 = toFloatPrecision(raw4);
    s.scratch1 = s.stage3;
    s.scratch2 = s.stage2;
    s.lastInput = in;
    s.stage1 = stage1;
    s.stage2 = stage2;
    s.stage3 = stage3;
    s.stage4 = stage4;
    // Every operand is the double of a float here, as in the converting loop.
    if constexpr (kType == ResonantFilter::lowPass) {
      output[i] = static_cast<float>(stage4[0]);
    } else if constexpr (kType == ResonantFilter::highPass) {
      output[i] = static_cast<float>(in[0] - stage4[0]);
    } else if constexpr (kType == ResonantFilter::bandPass) {
      output[i] = static_cast<float>((stage3[0] - stage4[0]) * 3.0);
    }
  }
  return end;
}

// The whole block through the quick loop, as far as it goes; returns the
// number of samples done.
template <int32_t kType>
int32_t runRoundedBlock(RoundedState& s, const Coefficients& c, bool withoutFeedback, const float* input, float* output,
                        int32_t count)
{
  if (!withoutFeedback) {
    return runRounded<false, kType>(s, c, input, output, 0, count);
  }
  int32_t done = 0;
  while (done < count) {
    done = runRounded<true, kType>(s, c, input, output, done, count);
    if (done == count) {
      break;
    }
    // A sample that loop leaves (zero, denormal, beyond the loudest input
    // or not finite): that one sample through the full formula.
    const int32_t next = runRounded<false, kType>(s, c, input, output, done, done + 1);
    if (next == done) {
      break;
    }
    done = next;
  }
  return done;
}

}  // namespace

ResonantFilter::ResonantFilter()
    : poleCoef_(1.0f), gainCoef_(1.0f), feedbackGain_(0.0f), cutoff_(1.0f), resonance_(0.0f)
{
  setCoefficients(1.0f, 0.0f);
}

void ResonantFilter::setCoefficients(float normalisedCutoff, float resonance)
{
  // A NaN says nothing about the wanted setting: keep the one in force.
  if (!std::isnan(normalisedCutoff)) {
    cutoff_ = std::clamp(normalisedCutoff, 0.0f, 1.0f);
  }
  if (!std::isnan(resonance)) {
    resonance_ = std::clamp(resonance, 0.0f, 1.0f);
  }

  const double x = cutoff_;
  const double d = 1.0 - x;
  gainCoef_ = static_cast<float>((d * 0.8 + 1.0) * x);
  poleCoef_ = static_cast<float>(static_cast<double>(gainCoef_) + gainCoef_ - 1.0);
  // The resonance feedback grows toward low cut-offs: r at x = 1, 3.8 r at x = 0,
  // which keeps the resonant peak roughly even across the range.
  feedbackGain_ = static_cast<float>(((d * d * 5.6 + (1.0 - d)) * d * 0.5 + 1.0) * resonance_);
}

// The argument order is the one every stage's block operation shares.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void ResonantFilter::process(const float* input, float* output, int32_t sampleCount, int32_t type)
{
  if (sampleCount <= 0) {
    return;
  }
  int32_t done = 0;
  // The quick rounding below always rounds to nearest, as the conversion
  // does in the default mode; under any other mode every sample takes the
  // conversions.
  if (std::fegetround() == FE_TONEAREST) {
    done = processRounded(input, output, sampleCount, type);
  }
  if (done < sampleCount) {
    processConverting(input + done, output + done, sampleCount - done, type);
  }
}

// The recursion as written: every value stored as a float and widened again
// where it is used. Each narrowing and widening costs about five cycles, and
// all of them lie on the sample-to-sample chain; processRounded avoids them
// where that gives the same bits, this loop is the rest.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void ResonantFilter::processConverting(const float* input, float* output, int32_t sampleCount, int32_t type)
{
  const double gain = gainCoef_;
  const double pole = poleCoef_;
  const double feedback = feedbackGain_;
  float lastInput = lastInput_;
  float stage1 = stage1_;
  float stage2 = stage2_;
  float stage3 = stage3_;
  float stage4 = stage4_;
  float scratch1 = scratch1_;
  float scratch2 = scratch2_;

  for (int32_t i = 0; i < sampleCount; ++i) {
    const float in = static_cast<float>(usableSample(input[i]) - feedback * stage4);
    scratch1 = stage1;
    scratch2 = stage2;
    stage1 = static_cast<float>((static_cast<double>(in) + lastInput) * gain - stage1 * pole);
    stage2 = static_cast<float>((static_cast<double>(stage1) + scratch1) * gain - stage2 * pole);
    scratch1 = stage3;
    stage3 = static_cast<float>((static_cast<double>(stage2) + scratch2) * gain - stage3 * pole);
    double y = (static_cast<double>(stage3) + scratch1) * gain - stage4 * pole;
    y = std::clamp(y, -kClipArgumentLimit, kClipArgumentLimit);
    stage4 = static_cast<float>(y - y * y * y * kCubicShare);
    lastInput = in;

    switch (type) {
      case lowPass: output[i] = stage4; break;
      case highPass: output[i] = static_cast<float>(static_cast<double>(in) - stage4); break;
      case bandPass: output[i] = static_cast<float>((static_cast<double>(stage3) - stage4) * 3.0); break;
      default: break;  // unknown type: the state advances, the output stays as it was
    }
  }

  lastInput_ = lastInput;
  stage1_ = stage1;
  stage2_ = stage2;
  stage3_ = stage3;
  stage4_ = stage4;
  scratch1_ = scratch1;
  scratch2_ = scratch2;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
int32_t ResonantFilter::processRounded(const float* input, float* output, int32_t sampleCount, int32_t type)
{
  const Coefficients coefficients{splat(gainCoef_), splat(poleCoef_), splat(feedbackGain_)};
  // A feedback gain of zero (either sign) contributes nothing but the sign of
  // a zero input: see runRounded.
  const bool withoutFeedback = feedbackGain_ == 0.0f;
  RoundedState state{splat(lastInput_), splat(stage1_),   splat(stage2_),  splat(stage3_),
                     splat(stage4_),    splat(scratch1_), splat(scratch2_)};
  int32_t done = 0;
  switch (type) {
    case lowPass:
      done = runRoundedBlock<lowPass>(state, coefficients, withoutFeedback, input, output, sampleCount);
      break;
    case highPass:
      done = runRoundedBlock<highPass>(state, coefficients, withoutFeedback, input, output, sampleCount);
      break;
    case bandPass:
      done = runRoundedBlock<bandPass>(state, coefficients, withoutFeedback, input, output, sampleCount);
      break;
    default: done = runRoundedBlock<-1>(state, coefficients, withoutFeedback, input, output, sampleCount); break;
  }
  if (done > 0) {
    // Every value the loop kept is a float (or zero) in the normal range:
    // narrowing it back is exact.
    lastInput_ = static_cast<float>(state.lastInput[0]);
    stage1_ = static_cast<float>(state.stage1[0]);
    stage2_ = static_cast<float>(state.stage2[0]);
    stage3_ = static_cast<float>(state.stage3[0]);
    stage4_ = static_cast<float>(state.stage4[0]);
    scratch1_ = static_cast<float>(state.scratch1[0]);
    scratch2_ = static_cast<float>(state.scratch2[0]);
  }
  return done;
}

void ResonantFilter::reset()
{
  lastInput_ = 0.0f;
  stage1_ = 0.0f;
  stage2_ = 0.0f;
  stage3_ = 0.0f;
  stage4_ = 0.0f;
  scratch1_ = 0.0f;
  scratch2_ = 0.0f;
}
