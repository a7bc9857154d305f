#include "dsp/ResonantFilter.h"

#include <algorithm>
#include <cmath>

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
        case lowPass:
            output[i] = stage4;
            break;
        case highPass:
            output[i] = static_cast<float>(static_cast<double>(in) - stage4);
            break;
        case bandPass:
            output[i] = static_cast<float>((static_cast<double>(stage3) - stage4) * 3.0);
            break;
        default:
            break;  // unknown type: the state advances, the output stays as it was
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
