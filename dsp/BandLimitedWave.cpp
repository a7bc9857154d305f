#include "dsp/BandLimitedWave.h"

#include "dsp/Fft.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The cycle is read at this many evenly spaced points for its harmonics.
// Reading one cycle at M points folds harmonic h onto harmonic h mod M, which
// is still a harmonic: the versions stay exactly periodic, and harmonics up to
// the top version's 512 take at most the fold of those above 7680, which in
// any wave shape are tiny.
constexpr int32_t kAnalysisLength = 8192;
// Guard entries around each cycle, for the cubic read.
constexpr int32_t kGuardBefore = 1;
constexpr int32_t kGuardAfter = 2;

}  // namespace

std::unique_ptr<BandLimitedWave> BandLimitedWave::build(const float* cycle, int32_t length)
{
  if (cycle == nullptr || length <= 0) return nullptr;
  // The cycle at kAnalysisLength points, read between its entries.
  std::vector<float> points(kAnalysisLength);
  for (int32_t i = 0; i < kAnalysisLength; ++i) {
    const double position = static_cast<double>(i) * length / kAnalysisLength;
    const auto below = static_cast<int32_t>(position);
    const int32_t above = below + 1 < length ? below + 1 : 0;
    const double fraction = position - below;
    const double value = cycle[below] + fraction * (static_cast<double>(cycle[above]) - cycle[below]);
    points[static_cast<std::size_t>(i)] = static_cast<float>(std::isfinite(value) ? value : 0.0);
  }
  std::vector<float> spectrum(kAnalysisLength);
  Fft analysis(kAnalysisLength);
  analysis.transform(spectrum.data(), points.data());

  // Each version by the Hartley transform, its own inverse, computed with the
  // real FFT: for x[n] = A0 + sum A_h cos(2 pi h n / L) + B_h sin(2 pi h n / L),
  // x[n] = sum_k G[k] cas(2 pi k n / L) with G[0] = A0, G[h] = (A_h + B_h) / 2 and
  // G[L - h] = (A_h - B_h) / 2. The packed spectrum holds M A_h / 2 and M B_h / 2.
  constexpr int32_t half = kAnalysisLength / 2;
  const auto cosinePart = [&spectrum](int32_t h) {
    return 2.0 * static_cast<double>(spectrum[static_cast<std::size_t>(h)]) / kAnalysisLength;
  };
  const auto sinePart = [&spectrum](int32_t h) {
    return 2.0 * static_cast<double>(spectrum[static_cast<std::size_t>(half) + static_cast<std::size_t>(h)]) /
           kAnalysisLength;
  };
  std::unique_ptr<BandLimitedWave> wave(new BandLimitedWave);
  std::ptrdiff_t total = 0;
  for (int32_t level = 0; level < kLevelCount; ++level) {
    wave->offsets_[static_cast<std::size_t>(level)] = total + kGuardBefore;
    total += kGuardBefore + lengthOf(level) + kGuardAfter;
  }
  wave->data_ = std::make_unique<float[]>(static_cast<std::size_t>(total));
  std::vector<float> hartley(kLongest);
  std::vector<float> packed(kLongest);
  std::unique_ptr<Fft> synthesis;
  for (int32_t level = 0; level < kLevelCount; ++level) {
    const int32_t n = lengthOf(level);
    if (!synthesis || synthesis->length() != n) synthesis = std::make_unique<Fft>(n);
    std::fill_n(hartley.begin(), n, 0.0f);
    hartley[0] = static_cast<float>(static_cast<double>(spectrum[0]) / kAnalysisLength);
    for (int32_t h = 1; h <= kHarmonics[static_cast<std::size_t>(level)]; ++h) {
      hartley[static_cast<std::size_t>(h)] = static_cast<float>(0.5 * (cosinePart(h) + sinePart(h)));
      hartley[static_cast<std::size_t>(n - h)] = static_cast<float>(0.5 * (cosinePart(h) - sinePart(h)));
    }
    synthesis->transform(packed.data(), hartley.data());
    // cas transform from the packed spectrum: Re X[m] - Im X[m], and for m past
    // n/2 the mirror, Re X[n - m] + Im X[n - m] (the packed second half is -Im).
    const int32_t half = n / 2;
    float* table = wave->data_.get() + wave->offsets_[static_cast<std::size_t>(level)];
    table[0] = packed[0];
    table[half] = packed[static_cast<std::size_t>(half)];
    for (int32_t m = 1; m < half; ++m) {
      const auto re = static_cast<double>(packed[static_cast<std::size_t>(m)]);
      const auto minusIm = static_cast<double>(packed[static_cast<std::size_t>(half) + static_cast<std::size_t>(m)]);
      table[m] = static_cast<float>(re + minusIm);
      table[n - m] = static_cast<float>(re - minusIm);
    }
    table[-1] = table[n - 1];
    table[n] = table[0];
    table[n + 1] = table[1];
  }
  return wave;
}

BandLimitedWave::Version BandLimitedWave::versionFor(double cyclesPerSample) const
{
  // Harmonic h lies below half the rate while h * cyclesPerSample < 0.5.
  if (!(cyclesPerSample > 0.0) || !(cyclesPerSample < 0.5)) return {nullptr, lengthOf(0), false};
  const double fitting = 0.5 / cyclesPerSample;
  std::size_t level = 0;
  while (level + 1 < kHarmonics.size() && static_cast<double>(kHarmonics[level + 1]) < fitting) ++level;
  return version(static_cast<int32_t>(level));
}
