#pragma once

#include <atomic>
#include <cstdint>

// The distortion stage: every sample goes through one rational soft-clipping curve
//   f(x) = x (k + |x|) / ((k - 1) |x| + x^2 + 1),   k = drive
// which is odd, has slope k at 0, passes through +-1 at +-1 for every k, and
// beyond +-1 rises a little above 1 in magnitude before falling back toward it.
// For k >= 1 the denominator is at least 1, so it never divides by zero.
// The stage has no memory and no table.
//
// Threads: setDrive() may run on any thread while process() runs on the audio thread.
class Distortion {
public:
  // drive 1.0.
  Distortion();

  // Any thread. Sets the curve factor k. Values below 1 are taken as 1: they
  // only come from " Drive " values below 0, for which the stage does not run,
  // and they would let the denominator reach zero. A NaN is ignored and +inf
  // is taken as the largest float.
  void setDrive(float drive);

  float drive() const { return drive_.load(std::memory_order_relaxed); }

  // Audio thread. Writes one output sample per input sample; `input` and
  // `output` may be the same array. A count of 0 or less does nothing.
  // NaN gives 0, and +-infinity gives +-1, the curve's limit.
  void process(const float* input, float* output, int32_t sampleCount) const;

private:
  std::atomic<float> drive_{1.0f};
};
