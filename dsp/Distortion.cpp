#include "dsp/Distortion.h"

#include <algorithm>
#include <cmath>
#include <limits>

Distortion::Distortion() = default;

void Distortion::setDrive(float drive)
{
  if (std::isnan(drive)) {
    return;
  }
  drive_.store(std::clamp(drive, 1.0f, std::numeric_limits<float>::max()), std::memory_order_relaxed);
}

void Distortion::process(const float* input, float* output, int32_t sampleCount) const
{
  const double k = drive_.load(std::memory_order_relaxed);
  const double kMinusOne = k - 1.0;
  for (int32_t i = 0; i < sampleCount; ++i) {
    const float sample = input[i];
    if (!std::isfinite(sample)) {
      // The curve tends to +-1 as |x| grows; NaN says nothing, so silence.
      output[i] = std::isnan(sample) ? 0.0f : std::copysign(1.0f, sample);
      continue;
    }
    // Every float squared still fits a double, so any finite sample is safe.
    const double x = sample;
    const double a = std::fabs(x);
    output[i] = static_cast<float>(x * (k + a) / (kMinusOne * a + x * x + 1.0));
  }
}
