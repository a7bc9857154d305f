#include "tests/support/signals.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace signals {

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::vector<float> sine(double frequencyHz, double sampleRate, std::size_t count, double amplitude, double phase)
{
  std::vector<float> out(count);
  for (std::size_t n = 0; n < count; ++n)
    out[n] = static_cast<float>(
        amplitude * std::sin(2.0 * std::numbers::pi * frequencyHz * static_cast<double>(n) / sampleRate + phase));
  return out;
}

std::vector<float> cosine(double frequencyHz, double sampleRate, std::size_t count, double amplitude)
{
  return sine(frequencyHz, sampleRate, count, amplitude, std::numbers::pi / 2.0);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::vector<float> noise(std::size_t count, unsigned seed, double amplitude)
{
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> uniform(-amplitude, amplitude);
  std::vector<float> out(count);
  for (auto& x : out) x = static_cast<float>(uniform(generator));
  return out;
}

double rms(std::span<const float> samples)
{
  if (samples.empty()) return 0.0;
  double sum = 0.0;
  for (float x : samples) sum += static_cast<double>(x) * x;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

double peak(std::span<const float> samples)
{
  double largest = 0.0;
  for (float x : samples) largest = std::max(largest, std::fabs(static_cast<double>(x)));
  return largest;
}

std::vector<std::size_t> risingZeroCrossings(std::span<const float> samples)
{
  std::vector<std::size_t> positions;
  for (std::size_t n = 1; n < samples.size(); ++n)
    if (samples[n - 1] < 0.0f && samples[n] >= 0.0f) positions.push_back(n);
  return positions;
}

double meanCrossingPeriod(std::span<const float> samples)
{
  const auto crossings = risingZeroCrossings(samples);
  if (crossings.size() < 2) return 0.0;
  return static_cast<double>(crossings.back() - crossings.front()) / static_cast<double>(crossings.size() - 1);
}

double dftMagnitude(std::span<const float> samples, std::size_t bin)
{
  const std::size_t n = samples.size();
  double re = 0.0;
  double im = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double angle = 2.0 * std::numbers::pi * static_cast<double>((bin * i) % n) / static_cast<double>(n);
    re += samples[i] * std::cos(angle);
    im -= samples[i] * std::sin(angle);
  }
  return std::hypot(re, im);
}

Spectrum dft(std::span<const float> samples)
{
  const std::size_t n = samples.size();
  std::vector<double> cosines(n);
  std::vector<double> sines(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double angle = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
    cosines[i] = std::cos(angle);
    sines[i] = std::sin(angle);
  }
  Spectrum result{std::vector<double>(n), std::vector<double>(n)};
  for (std::size_t k = 0; k < n; ++k) {
    double re = 0.0;
    double im = 0.0;
    std::size_t index = 0;  // k * i mod n, advanced without overflow
    for (std::size_t i = 0; i < n; ++i) {
      re += samples[i] * cosines[index];
      im -= samples[i] * sines[index];
      index += k;
      if (index >= n) index -= n;
    }
    result.re[k] = re;
    result.im[k] = im;
  }
  return result;
}

}  // namespace signals
