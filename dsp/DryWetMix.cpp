#include "dsp/DryWetMix.h"

#include <algorithm>
#include <cmath>

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
    if (output != dry) std::copy_n(dry, count, output);
    return;
  }
  const double w = share;
  const double d = 1.0 - w;
  for (int32_t i = 0; i < count; ++i)
    output[i] = static_cast<float>(d * static_cast<double>(dry[i]) + w * static_cast<double>(wet[i]));
}
