#pragma once

// The vector versions of the FFT passes and of the spectrum peak search, one
// per instruction set. Internal to the dsp library: Fft and findSpectrumPeak
// choose among them; nothing else calls them directly.
//
// Each one performs, element by element, exactly the float (or double)
// operations of the scalar code in the same order; only the grouping of
// independent operations into vectors differs, so results are bit-identical.

#include "dsp/FftTables.h"

#include <cstdint>

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__) || defined(_M_X64))
#define BRASKLIN_FFT_X86 1
#else
#define BRASKLIN_FFT_X86 0
#endif

// What a vector transform needs from its engine. `work` is the N-float
// ping-pong partner of the output.
struct FftVectorJob {
  const FftVectorTables* tables;
  float* work;
  int32_t bitCount;  // at least 5: N >= FftVectorTables::kShortestLength
  float sqrtHalf;
};

// Strongest bin of a packed spectrum, see FftPeak.h.
struct SpectrumPeakRange {
  const float* packed;
  int32_t half;      // N / 2: bins [firstBin, half) are searched
  int32_t firstBin;  // at least 1
};

#if BRASKLIN_FFT_X86
void fftTransformSse2(const FftVectorJob& job, float* output, const float* input);
// Index of the first strongest bin (equal magnitudes keep the lowest), or -1
// when no bin has a magnitude to compare (all NaN).
int32_t spectrumPeakSse2(const SpectrumPeakRange& range);

// False when this build could not compile the AVX2 file (then the two functions
// below must not be called).
extern const bool kFftAvx2Built;
void fftTransformAvx2(const FftVectorJob& job, float* output, const float* input);
int32_t spectrumPeakAvx2(const SpectrumPeakRange& range);
#endif
