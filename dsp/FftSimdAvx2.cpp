// The FFT passes and the peak search on AVX2, for processors that have it
// (checked at run time). This file alone is compiled with AVX2 enabled; it uses
// no fused multiply-add, which would round differently from the scalar code.

#include "dsp/FftSimd.h"

#if BRASKLIN_FFT_X86 && defined(__AVX2__)

#include "dsp/FftSimdKernels.h"

const bool kFftAvx2Built = true;

void fftTransformAvx2(const FftVectorJob& job, float* output, const float* input)
{
  // One sweep for passes one to three, then the later ones: start where the
  // last sweep ends in `output`.
  const bool oddSweeps = (laterSweeps(job.bitCount) % 2) != 0;
  float* latest = oddSweeps ? job.work : output;
  float* spare = oddSweeps ? output : job.work;
  const int32_t length = int32_t{1} << job.bitCount;
  // Eight groups at once need N/8 >= 8.
  if (length >= 64)
    firstThreePasses<Float8>(latest, input, job);
  else
    firstThreePasses<Float4>(latest, input, job);
  laterPasses<Float8, Float4>(latest, spare, job.bitCount, *job.tables);
}

namespace {

// Squared magnitudes of bins i .. i + 3, as the scalar search computes them.
__m256d squaredMagnitudes(const float* packed, int32_t half, int32_t i)
{
  const __m256d re = _mm256_cvtps_pd(_mm_loadu_ps(packed + i));
  const __m256d im = _mm256_cvtps_pd(_mm_loadu_ps(packed + half + i));
  return _mm256_add_pd(_mm256_mul_pd(re, re), _mm256_mul_pd(im, im));
}

}  // namespace

int32_t spectrumPeakAvx2(const SpectrumPeakRange& range)
{
  const float* packed = range.packed;
  const int32_t half = range.half;
  const int32_t first = range.firstBin;
  // Step one: the largest squared magnitude; NaN bins are passed over (maxpd
  // returns its second operand when the first is NaN). Two accumulators keep
  // the dependency chain short.
  __m256d bestA = _mm256_set1_pd(-1.0);
  __m256d bestB = bestA;
  int32_t i = first;
  for (; i + 8 <= half; i += 8) {
    bestA = _mm256_max_pd(squaredMagnitudes(packed, half, i), bestA);
    bestB = _mm256_max_pd(squaredMagnitudes(packed, half, i + 4), bestB);
  }
  double lanes[8];
  _mm256_storeu_pd(lanes, bestA);
  _mm256_storeu_pd(lanes + 4, bestB);
  double largest = -1.0;
  for (const double lane : lanes) {
    if (lane > largest) largest = lane;
  }
  for (; i < half; ++i) {
    const double m = squaredMagnitude(packed, half, i);
    if (m > largest) largest = m;
  }
  if (largest < 0.0) return -1;

  // Step two: the first bin whose magnitude equals the largest one.
  const double root = std::sqrt(largest);
  const __m256d threshold = _mm256_set1_pd(candidateThreshold(largest));
  i = first;
  for (; i + 4 <= half; i += 4) {
    const int mask = _mm256_movemask_pd(_mm256_cmp_pd(squaredMagnitudes(packed, half, i), threshold, _CMP_GE_OQ));
    if (mask == 0) continue;
    for (int32_t lane = 0; lane < 4; ++lane) {
      if ((mask & (1 << lane)) != 0 && isPeakCandidateFirst(packed, half, i + lane, root)) return i + lane;
    }
  }
  for (; i < half; ++i) {
    if (isPeakCandidateFirst(packed, half, i, root)) return i;
  }
  return -1;  // not reached: the bin that holds `largest` qualifies
}

#elif BRASKLIN_FFT_X86

// Built without AVX2 code generation: the path is simply not offered.
const bool kFftAvx2Built = false;

void fftTransformAvx2(const FftVectorJob& /*job*/, float* /*output*/, const float* /*input*/) {}

int32_t spectrumPeakAvx2(const SpectrumPeakRange& /*range*/) { return -1; }

#endif
