#pragma once

#include <cstdint>
#include <memory>

// The precise pitch estimate of one analysis frame, taken from the packed
// spectrum the classic peak search already has (no second transform):
//
//  1. a Hann window in time order, applied as a three-bin combination of each
//     bin with its neighbours. The analysis ring is transformed in slot order,
//     so the frame's oldest sample sits at slot `oldestSlot`; the neighbours are
//     turned by e^(+-2 pi i oldestSlot / N) so the window's zeros fall on the
//     seam between the newest and the oldest sample, not in the middle;
//  2. the strongest windowed bin of the band, refined between bins from the
//     ratio of its larger neighbour (exact for the Hann main lobe of a steady
//     sine), and its level corrected for the window and for where the tone
//     lies between two bins, so a steady tone has a steady level;
//  3. the fundamental chosen among peak / 1 .. peak / kMaxDivisor by harmonic
//     evidence: for each candidate, the magnitudes at its harmonics minus those
//     half-way between them, over the same span of the spectrum. A subharmonic
//     of the true pitch adds only noise, a harmonic of it misses the partials
//     in between, so the true fundamental wins; a lower candidate must beat the
//     higher ones clearly.
//
// Only + - * / and sqrt decide the result (the few sines and cosines are
// polynomials evaluated here), so it is the same on every platform.
//
// Threads: audio thread only (called from the oscillator's analysis). All
// buffers are allocated by the constructor for the longest frame.
class PrecisePitchEstimator {
public:
  static constexpr int32_t kMaxLength = 8192;
  // Candidates for the fundamental: the peak divided by 1 .. kMaxDivisor.
  static constexpr int32_t kMaxDivisor = 12;
  // The band searched for the strongest partial and its harmonics. A voice's
  // or an instrument's strongest partial lies below it; the few bins examined
  // keep the cost near the classic peak search.
  static constexpr double kBandTopHz = 4000.0;
  // The lowest fundamental considered (the oscillator's floor).
  static constexpr double kLowestCandidateHz = 30.0;

  struct Estimate {
    float frequency;  // Hz; 0 when no bin was examined
    float amplitude;  // of the strongest partial, corrected for the window
  };

  PrecisePitchEstimator();

  PrecisePitchEstimator(const PrecisePitchEstimator&) = delete;
  PrecisePitchEstimator& operator=(const PrecisePitchEstimator&) = delete;

  // `packed`: the unscaled packed spectrum of a frame of `length` samples
  // (a power of two up to kMaxLength), laid out as Fft::transform writes it.
  // `firstBin`: the lowest bin that may hold the strongest partial.
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
  Estimate estimate(const float* packed, int32_t length, int32_t oldestSlot, float binSpacing, int32_t firstBin);

private:
  struct Evidence {
    double total = 0.0;    // sum of (harmonic - half-way below)
    double between = 0.0;  // sum of the half-way magnitudes
    double claimed = 0.0;  // sum of the harmonics not shared with the chosen candidate
    int32_t positions = 0;
    int32_t claimedPositions = 0;
  };

  double magnitudeNear(double bin) const;
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
  Evidence harmonicEvidence(double peakBin, int32_t divisor, int32_t chosen, double spanBins) const;

  std::unique_ptr<double[]> power_;  // windowed |X[k]|^2, bins 0 .. N/2; then |X[k]|
  int32_t topBin_ = 0;               // power_ holds bins 0 .. topBin_
};

// The squared magnitudes of the Hann-windowed (in time order) spectrum for bins
// firstBin .. lastBin (1 <= firstBin, lastBin <= N/2), written to
// power[firstBin .. lastBin]. The window 0.5 - 0.5 cos(2 pi m / N) is applied to
// the frame read from slot `oldestSlot` onwards round the ring.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void hannWindowedPower(const float* packed, int32_t length, int32_t oldestSlot, int32_t firstBin, int32_t lastBin,
                       double* power);
