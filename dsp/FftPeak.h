#pragma once

#include "dsp/Fft.h"

#include <cstdint>

// The strongest bin of a packed spectrum (the layout Fft::transform writes).
struct SpectrumPeak {
  int32_t bin;       // -1 when no bin was examined or none had a magnitude (all NaN)
  double magnitude;  // sqrt(re^2 + im^2) in double; meaningless when bin is -1
};

// Searches bins firstBin .. N/2 - 1 of `packed` (N = `length` floats) for the
// largest magnitude, computed in double from the float parts; of equal
// magnitudes the lowest bin wins, and NaN magnitudes never win. Bin 0 counts
// with no imaginary part. `path` picks the implementation (results are identical
// on all); a path the processor lacks falls back to the scalar search.
SpectrumPeak findSpectrumPeak(const float* packed, int32_t length, int32_t firstBin, FftPath path);

// The reference: one bin after the other, keeping a running maximum.
SpectrumPeak findSpectrumPeakScalar(const float* packed, int32_t length, int32_t firstBin);
