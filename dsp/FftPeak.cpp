#include "dsp/FftPeak.h"

#include "dsp/FftSimd.h"

#include <cmath>

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the order reads like the declaration's comment
SpectrumPeak findSpectrumPeakScalar(const float* packed, int32_t length, int32_t firstBin)
{
  const int32_t half = length / 2;
  SpectrumPeak peak{-1, 0.0};
  for (int32_t i = firstBin < 0 ? 0 : firstBin; i < half; ++i) {
    const double re = packed[i];
    const double im = (i == 0) ? 0.0 : static_cast<double>(packed[half + i]);
    const double magnitude = std::sqrt(re * re + im * im);
    if (peak.bin < 0 ? !std::isnan(magnitude) : magnitude > peak.magnitude) peak = {i, magnitude};
  }
  return peak;
}

SpectrumPeak findSpectrumPeak(const float* packed, int32_t length, int32_t firstBin, FftPath path)
{
#if BRASKLIN_FFT_X86
  // Bin 0 has its imaginary slot taken by bin N/2: leave it to the scalar search.
  if (firstBin >= 1 && path != FftPath::scalar && Fft::supports(path)) {
    const SpectrumPeakRange range{packed, length / 2, firstBin};
    const int32_t bin = (path == FftPath::avx2) ? spectrumPeakAvx2(range) : spectrumPeakSse2(range);
    if (bin < 0) return {-1, 0.0};
    const double re = packed[bin];
    const double im = packed[length / 2 + bin];
    return {bin, std::sqrt(re * re + im * im)};
  }
#else
  static_cast<void>(path);
#endif
  return findSpectrumPeakScalar(packed, length, firstBin);
}
