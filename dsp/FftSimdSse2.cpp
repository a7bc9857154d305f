// The FFT passes and the peak search on SSE2, which every x86-64 processor has.

#include "dsp/FftSimd.h"

#if BRASKLIN_FFT_X86

#include "dsp/FftSimdKernels.h"

void fftTransformSse2(const FftVectorJob& job, float* output, const float* input)
{
  // One sweep for passes one to three, then the later ones: start where the
  // last sweep ends in `output`.
  const bool oddSweeps = (laterSweeps(job.bitCount) % 2) != 0;
  float* latest = oddSweeps ? job.work : output;
  float* spare = oddSweeps ? output : job.work;
  firstThreePasses<Float4>(latest, input, job);
  laterPasses<Float4, Float4>(latest, spare, job.bitCount, *job.tables);
}

int32_t spectrumPeakSse2(const SpectrumPeakRange& range)
{
  const float* packed = range.packed;
  const int32_t half = range.half;
  const int32_t first = range.firstBin;
  // Step one: the largest squared magnitude. maxpd returns its second operand
  // when the first is NaN, so NaN bins are passed over like in a comparison.
  __m128d best = _mm_set1_pd(-1.0);
  int32_t i = first;
  for (; i + 4 <= half; i += 4) {
    const __m128 re = _mm_loadu_ps(packed + i);
    const __m128 im = _mm_loadu_ps(packed + half + i);
    const __m128d reLow = _mm_cvtps_pd(re);
    const __m128d imLow = _mm_cvtps_pd(im);
    const __m128d reHigh = _mm_cvtps_pd(_mm_movehl_ps(re, re));
    const __m128d imHigh = _mm_cvtps_pd(_mm_movehl_ps(im, im));
    const __m128d low = _mm_add_pd(_mm_mul_pd(reLow, reLow), _mm_mul_pd(imLow, imLow));
    const __m128d high = _mm_add_pd(_mm_mul_pd(reHigh, reHigh), _mm_mul_pd(imHigh, imHigh));
    best = _mm_max_pd(low, best);
    best = _mm_max_pd(high, best);
  }
  double lanes[2];
  _mm_storeu_pd(lanes, best);
  double largest = lanes[0] > lanes[1] ? lanes[0] : lanes[1];
  for (; i < half; ++i) {
    const double m = squaredMagnitude(packed, half, i);
    if (m > largest) largest = m;
  }
  if (largest < 0.0) return -1;

  // Step two: the first bin whose magnitude equals the largest one.
  const double root = std::sqrt(largest);
  const __m128d threshold = _mm_set1_pd(candidateThreshold(largest));
  i = first;
  for (; i + 4 <= half; i += 4) {
    const __m128 re = _mm_loadu_ps(packed + i);
    const __m128 im = _mm_loadu_ps(packed + half + i);
    const __m128d reLow = _mm_cvtps_pd(re);
    const __m128d imLow = _mm_cvtps_pd(im);
    const __m128d reHigh = _mm_cvtps_pd(_mm_movehl_ps(re, re));
    const __m128d imHigh = _mm_cvtps_pd(_mm_movehl_ps(im, im));
    const __m128d low = _mm_add_pd(_mm_mul_pd(reLow, reLow), _mm_mul_pd(imLow, imLow));
    const __m128d high = _mm_add_pd(_mm_mul_pd(reHigh, reHigh), _mm_mul_pd(imHigh, imHigh));
    const int mask =
        _mm_movemask_pd(_mm_cmpge_pd(low, threshold)) | (_mm_movemask_pd(_mm_cmpge_pd(high, threshold)) << 2);
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

#endif
