#include "dsp/DryWetMix.h"

#include <algorithm>
#include <cmath>

namespace {

// What the dry share plays of an input sample: nothing, for a sample that is
// not a number (the stages hear it as silence too).
double dryValue(float sample) { return std::isfinite(sample) ? static_cast<double>(sample) : 0.0; }

}  // namespace

void DryWetMix::setWetShare(float wet)
{
  wet_.store(std::isnan(wet) ? 1.0f : std::clamp(wet, 0.0f, 1.0f), std::memory_order_relaxed);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void DryWetMix::blend(float share, const float* dry, const float* wet, float* output, int32_t count)
{
  if (count <= 0) return;
  if (!needsDry(share)) {
    if (output != wet) std::copy_n(wet, count, output);
    return;
  }
  if (!(share > 0.0f)) {
    // Dry alone, whatever the chain made (even a non-finite sample).
    std::transform(dry, dry + count, output, [](float x) { return static_cast<float>(dryValue(x)); });
    return;
  }
  const double w = share;
  const double d = 1.0 - w;
  for (int32_t i = 0; i < count; ++i)
    output[i] = static_cast<float>(d * dryValue(dry[i]) + w * static_cast<double>(wet[i]));
}
