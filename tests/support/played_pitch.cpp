#include "tests/support/played_pitch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace played {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
}  // namespace

double cents(double hertz, double reference) { return 1200.0 * std::log2(hertz / reference); }
double decibels(double amplitude) { return 20.0 * std::log10(amplitude); }
double amplitudeOf(double decibels) { return std::pow(10.0, decibels / 20.0); }
double semitonesFromA4(double hertz) { return 12.0 * std::log2(hertz / 440.0); }
double noteHz(int semitonesFromA) { return 440.0 * std::pow(2.0, semitonesFromA / 12.0); }

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::vector<float> tone(double seconds, const std::function<double(double)>& hertz,
                        const std::function<double(double)>& amplitude)
{
  std::vector<float> out(static_cast<std::size_t>(seconds * kRate));
  double phase = 0.0;
  for (std::size_t n = 0; n < out.size(); ++n) {
    const double t = static_cast<double>(n) / kRate;
    out[n] = static_cast<float>(amplitude(t) * std::sin(phase));
    phase = std::fmod(phase + kTwoPi * hertz(t) / kRate, kTwoPi);
  }
  return out;
}

double blockHz(const Played& played, std::size_t b)
{
  if (b + 1 >= played.freshStart.size()) return 0.0;
  const std::size_t from = played.freshStart[b];
  const std::size_t to = played.freshStart[b + 1];
  const auto first = std::lower_bound(played.crossings.begin(), played.crossings.end(), from);
  const auto last = std::lower_bound(first, played.crossings.end(), to);
  if (first == last || *first != from) return 0.0;
  return kRate * static_cast<double>(last - first) / static_cast<double>(to - from);
}

double settledAt(const Played& played, double reference)
{
  std::size_t firstGood = 0;
  for (std::size_t k = 0; k + 1 < played.crossings.size(); ++k) {
    const double hz = kRate / static_cast<double>(played.crossings[k + 1] - played.crossings[k]);
    if (std::fabs(cents(hz, reference)) > 50.0) firstGood = k + 1;
  }
  return static_cast<double>(played.crossings[firstGood]) / kRate;
}

double finalHz(const Played& played, double seconds)
{
  const auto from = static_cast<std::size_t>(static_cast<double>(played.out.size()) - seconds * kRate);
  const auto first = std::lower_bound(played.crossings.begin(), played.crossings.end(), from);
  const auto cycles = static_cast<double>(played.crossings.end() - first - 1);
  return kRate * cycles / static_cast<double>(played.crossings.back() - *first);
}

}  // namespace played
