#include "dsp/PrecisePitchEstimator.h"

#include "dsp/FftSimd.h"

#include <algorithm>
#include <cmath>

#if BRASKLIN_FFT_X86
#include <emmintrin.h>
#endif

namespace {

constexpr double kPi = 3.14159265358979323846;
// A lower candidate (a larger divisor) must show this much more harmonic
// evidence than the best higher one: a subharmonic of the true pitch collects
// the same partials plus noise, and must not win on the noise.
constexpr double kLowerCandidateMargin = 1.2;
// The harmonics a lower candidate claims must average this many times the
// magnitude half-way between its harmonics: twice when they are well resolved,
// so noise (alike at both places) does not pass for partials; less when they
// lie closer than 8 bins, where the Hann main lobes (4 bins wide) of the
// neighbours fill the valleys in between.
constexpr double kClaimedOverFloor = 2.0;
constexpr double kClaimedOverFloorUnresolved = 1.5;
constexpr double kResolvedBins = 8.0;
constexpr double kUnresolvedBins = 6.0;

double claimedOverFloor(double fundamentalBins)
{
  const double resolved = std::clamp((fundamentalBins - kUnresolvedBins) / (kResolvedBins - kUnresolvedBins), 0.0, 1.0);
  return kClaimedOverFloorUnresolved + (kClaimedOverFloor - kClaimedOverFloorUnresolved) * resolved;
}
// The harmonics weighed reach at least this far, and twice the peak.
constexpr double kEvidenceSpanHz = 1200.0;
// At most this many harmonics of the lowest candidate are weighed.
constexpr double kMostHarmonics = 48.0;

// sin x and cos x for |x| <= pi/4 by their Taylor series (the terms left out
// are below 1e-17), evaluated with + and * only, so every platform agrees.
double sinSmall(double x)
{
  const double x2 = x * x;
  double sum = 1.0 / 1307674368000.0;  // 1/15!
  sum = 1.0 / 6227020800.0 - x2 * sum;
  sum = 1.0 / 39916800.0 - x2 * sum;
  sum = 1.0 / 362880.0 - x2 * sum;
  sum = 1.0 / 5040.0 - x2 * sum;
  sum = 1.0 / 120.0 - x2 * sum;
  sum = 1.0 / 6.0 - x2 * sum;
  return x - x * x2 * sum;
}

double cosSmall(double x)
{
  const double x2 = x * x;
  double sum = 1.0 / 20922789888000.0;  // 1/16!
  sum = 1.0 / 87178291200.0 - x2 * sum;
  sum = 1.0 / 479001600.0 - x2 * sum;
  sum = 1.0 / 3628800.0 - x2 * sum;
  sum = 1.0 / 40320.0 - x2 * sum;
  sum = 1.0 / 720.0 - x2 * sum;
  sum = 1.0 / 24.0 - x2 * sum;
  sum = 0.5 - x2 * sum;
  return 1.0 - x2 * sum;
}

struct Turn {
  double cosine;
  double sine;
};

// e^(2 pi i slot / length). slot / length is exact (length is a power of two);
// the nearest quarter turn is taken off exactly, leaving at most an eighth.
Turn turnOf(int32_t slot, int32_t length)
{
  const double fraction = static_cast<double>(slot) / static_cast<double>(length);
  const double quarters = std::floor(fraction * 4.0 + 0.5);
  const double x = 2.0 * kPi * (fraction - quarters * 0.25);
  const double c = cosSmall(x);
  const double s = sinSmall(x);
  switch (static_cast<int32_t>(quarters) & 3) {
    case 0: return {c, s};
    case 1: return {-s, c};
    case 2: return {-c, -s};
    default: return {s, -c};
  }
}

// sin(pi d) / (pi d) for |d| <= 0.5.
double sincHalfBin(double d)
{
  if (d == 0.0) return 1.0;
  const double x = kPi * std::fabs(d);
  // Above pi/4, sin x = cos(pi/2 - x).
  const double s = (x <= kPi * 0.25) ? sinSmall(x) : cosSmall(kPi * 0.5 - x);
  return s / x;
}

}  // namespace

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void hannWindowedPower(const float* packed, int32_t length, int32_t oldestSlot, int32_t firstBin, int32_t lastBin,
                       double* power)
{
  // Packed layout: re[k] = packed[k] (k = 0 .. N/2), and packed[N/2 + k] is
  // -Im X[k] (k = 1 .. N/2 - 1). Working with the conjugate Z = re + i packed[N/2 + k]
  // keeps the magnitudes. The frame in time order is the ring shifted by p =
  // oldestSlot, Y[k] = X[k] e^(2 pi i k p / N), and the window gives
  // Yw[k] = 0.5 Y[k] - 0.25 (Y[k-1] + Y[k+1]), whose magnitude is that of
  // 0.5 X[k] - 0.25 (X[k-1] e^(-i t) + X[k+1] e^(i t)), t = 2 pi p / N;
  // for the conjugates the turns swap sides.
  const int32_t half = length / 2;
  const Turn turn = turnOf(oldestSlot, length);
  const double c = 0.25 * turn.cosine;
  const double s = 0.25 * turn.sine;
  const auto windowed = [c, s](double belowRe, double belowIm, double re, double im, double aboveRe, double aboveIm) {
    // Z[k-1] e^(i t) + Z[k+1] e^(-i t), scaled by 0.25.
    const double sumRe = c * (belowRe + aboveRe) + s * (aboveIm - belowIm);
    const double sumIm = c * (belowIm + aboveIm) + s * (belowRe - aboveRe);
    const double outRe = 0.5 * re - sumRe;
    const double outIm = 0.5 * im - sumIm;
    return outRe * outRe + outIm * outIm;
  };
  // Bins 0 and N/2 have no imaginary slot, and bin N/2 + 1 mirrors bin
  // N/2 - 1 (conjugated): handled apart, so the loop between reads plainly.
  const float* re = packed;
  const float* im = packed + half;
  const auto imag = [im, half](int32_t k) { return (k <= 0 || k >= half) ? 0.0 : static_cast<double>(im[k]); };
  const auto edge = [&](int32_t k) {
    const bool mirrored = k + 1 > half;
    const double aboveRe = mirrored ? static_cast<double>(re[k - 1]) : static_cast<double>(re[k + 1]);
    const double aboveIm = mirrored ? -imag(k - 1) : imag(k + 1);
    power[k] = windowed(re[k - 1], imag(k - 1), re[k], imag(k), aboveRe, aboveIm);
  };
  const int32_t innerFirst = std::max(firstBin, 2);
  const int32_t innerLast = std::min(lastBin, half - 2);
  for (int32_t k = firstBin; k < innerFirst && k <= lastBin; ++k) edge(k);
  int32_t k = innerFirst;
#if BRASKLIN_FFT_X86
  // Two bins at a time, the same double operations in the same order as
  // `windowed` (SSE2 is part of every x86-64 processor), so the result is
  // bit-identical to the plain loop.
  const auto pair = [](const float* at) {
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at))));
  };
  const __m128d cc = _mm_set1_pd(c);
  const __m128d ss = _mm_set1_pd(s);
  const __m128d halfOf = _mm_set1_pd(0.5);
  for (; k + 1 <= innerLast; k += 2) {
    const __m128d belowRe = pair(re + k - 1);
    const __m128d belowIm = pair(im + k - 1);
    const __m128d aboveRe = pair(re + k + 1);
    const __m128d aboveIm = pair(im + k + 1);
    const __m128d sumRe =
        _mm_add_pd(_mm_mul_pd(cc, _mm_add_pd(belowRe, aboveRe)), _mm_mul_pd(ss, _mm_sub_pd(aboveIm, belowIm)));
    const __m128d sumIm =
        _mm_add_pd(_mm_mul_pd(cc, _mm_add_pd(belowIm, aboveIm)), _mm_mul_pd(ss, _mm_sub_pd(belowRe, aboveRe)));
    const __m128d outRe = _mm_sub_pd(_mm_mul_pd(halfOf, pair(re + k)), sumRe);
    const __m128d outIm = _mm_sub_pd(_mm_mul_pd(halfOf, pair(im + k)), sumIm);
    _mm_storeu_pd(power + k, _mm_add_pd(_mm_mul_pd(outRe, outRe), _mm_mul_pd(outIm, outIm)));
  }
#endif
  for (; k <= innerLast; ++k) power[k] = windowed(re[k - 1], im[k - 1], re[k], im[k], re[k + 1], im[k + 1]);
  for (int32_t k = std::max(innerLast + 1, innerFirst); k <= lastBin; ++k) edge(k);
}

PrecisePitchEstimator::PrecisePitchEstimator() : power_(std::make_unique<double[]>(kMaxLength / 2 + 1)) {}

// The larger magnitude of the two bins around fractional bin `bin` (power_
// holds magnitudes by then): a partial
// between two bins is seen at most 1.4 dB below its peak (Hann scalloping).
double PrecisePitchEstimator::magnitudeNear(double bin) const
{
  const auto lower = static_cast<int32_t>(bin);
  if (lower >= topBin_) return 0.0;
  return std::max(power_[lower], power_[lower + 1]);
}

// Magnitudes at the harmonics of peak / divisor up to `spanBins`, minus those
// half-way below each; and apart, the harmonics that are not also harmonics of
// peak / chosen (the partials the candidate claims beyond the chosen one).
PrecisePitchEstimator::Evidence PrecisePitchEstimator::harmonicEvidence(double peakBin, int32_t divisor, int32_t chosen,
                                                                        double spanBins) const
{
  const double fundamentalBins = peakBin / static_cast<double>(divisor);
  Evidence evidence;
  // m * chosen modulo divisor, kept by adding: zero where the harmonic is shared.
  int32_t remainder = chosen % divisor;
  // Written so a NaN span (from an overflowing frame) weighs nothing.
  for (int32_t m = 1; static_cast<double>(m) * fundamentalBins <= spanBins; ++m) {
    const double position = static_cast<double>(m) * fundamentalBins;
    const double harmonic = magnitudeNear(position);
    const double between = magnitudeNear(position - 0.5 * fundamentalBins);
    evidence.total += harmonic - between;
    evidence.between += between;
    ++evidence.positions;
    if (remainder != 0) {
      evidence.claimed += harmonic;
      ++evidence.claimedPositions;
    }
    remainder += chosen;
    while (remainder >= divisor) remainder -= divisor;
  }
  return evidence;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
PrecisePitchEstimator::Estimate PrecisePitchEstimator::estimate(const float* packed, int32_t length, int32_t oldestSlot,
                                                                float binSpacing, int32_t firstBin)
{
  const int32_t half = length / 2;
  const double spacing = binSpacing;
  if (firstBin < 1) firstBin = 1;
  // The search band: firstBin .. lastBin, and one bin more for the refinement.
  int32_t lastBin = half - 1;
  if (spacing > 0.0 && kBandTopHz / spacing < static_cast<double>(lastBin))
    lastBin = std::max(firstBin, static_cast<int32_t>(kBandTopHz / spacing));
  if (firstBin > lastBin || lastBin < 1) return {0.0f, 0.0f};
  topBin_ = lastBin + 1;
  double* power = power_.get();
  power[0] = 0.0;
  hannWindowedPower(packed, length, oldestSlot, 1, topBin_, power);

  // Strongest windowed bin; ties keep the lower one, NaN never wins.
  // Two running maxima over alternate bins, so the comparisons do not wait on
  // each other; of equal maxima the lower bin wins, as in one pass.
  int32_t peak = firstBin;
  double strongest = power[firstBin];
  int32_t otherPeak = firstBin;
  double otherStrongest = power[firstBin];
  int32_t k = firstBin + 1;
  for (; k + 1 <= lastBin; k += 2) {
    if (power[k] > strongest) {
      strongest = power[k];
      peak = k;
    }
    if (power[k + 1] > otherStrongest) {
      otherStrongest = power[k + 1];
      otherPeak = k + 1;
    }
  }
  if (k <= lastBin && power[k] > strongest) {
    strongest = power[k];
    peak = k;
  }
  if (otherStrongest > strongest || (otherStrongest == strongest && otherPeak < peak)) peak = otherPeak;
  if (!(power[peak] > 0.0)) return {static_cast<float>(static_cast<double>(peak) * binSpacing), 0.0f};

  // Between bins: for a sine d bins above bin k the Hann main lobe gives
  // |X[k+1]| / |X[k]| = (1 + d) / (2 - d), so d = (2r - 1) / (r + 1).
  const double centre = std::sqrt(power[peak]);
  const double below = std::sqrt(power[peak - 1]);
  const double above = std::sqrt(power[peak + 1]);
  const bool upwards = above >= below;
  const double r = (upwards ? above : below) / centre;
  double offset = (2.0 * r - 1.0) / (r + 1.0);
  offset = std::clamp(offset, 0.0, 0.5);
  if (!upwards) offset = -offset;
  const double peakBin = static_cast<double>(peak) + offset;
  // A sine of amplitude A at that offset gives |Yw[k]| = A N / 4 sinc(d) / (1 - d^2).
  const double amplitude = 4.0 * centre * (1.0 - offset * offset) / (static_cast<double>(length) * sincHalfBin(offset));

  // The fundamental: peak / divisor with the most harmonic evidence.
  const double peakHz = peakBin * spacing;
  const auto divisors = static_cast<int32_t>(std::min<double>(kMaxDivisor, std::floor(peakHz / kLowestCandidateHz)));
  double span = std::max(2.0 * peakBin, kEvidenceSpanHz / spacing);
  span = std::min(span, static_cast<double>(lastBin));
  if (divisors > 1) span = std::min(span, kMostHarmonics * peakBin / static_cast<double>(divisors));
  // From here on magnitudes, over the bins the evidence reads: each bin's
  // square root once, not at every look-up (sqrt is monotonic and correctly
  // rounded, so the larger of two roots is the root of the larger power, bit
  // for bit). A NaN span reads nothing.
  const int32_t readTop = (span >= 0.0) ? std::min(topBin_, static_cast<int32_t>(span) + 1) : 0;
  for (int32_t bin = 1; bin <= readTop; ++bin) power[bin] = std::sqrt(power[bin]);
  topBin_ = readTop;
  // A lower candidate wins only with clearly more evidence, and only if the
  // partials it claims beyond the chosen one stand out of the spectrum's floor
  // between its harmonics: a subharmonic in noise collects noise there.
  int32_t chosen = 1;
  double best = harmonicEvidence(peakBin, 1, 1, span).total;
  for (int32_t divisor = 2; divisor <= divisors; ++divisor) {
    const Evidence evidence = harmonicEvidence(peakBin, divisor, chosen, span);
    const bool standsOut =
        evidence.claimedPositions > 0 && evidence.claimed * static_cast<double>(evidence.positions) >
                                             claimedOverFloor(peakBin / static_cast<double>(divisor)) *
                                                 evidence.between * static_cast<double>(evidence.claimedPositions);
    if (standsOut && evidence.total > kLowerCandidateMargin * best) {
      chosen = divisor;
      best = evidence.total;
    }
  }
  return {static_cast<float>(peakHz / static_cast<double>(chosen)), static_cast<float>(amplitude)};
}
