#pragma once

// Signal generators and measurements shared by the tests. Everything here is
// written independently of the code under test and uses double precision.

#include <cstddef>
#include <span>
#include <vector>

namespace signals {

// amplitude * sin(2 pi frequencyHz n / sampleRate + phase), n = 0 .. count - 1.
std::vector<float> sine(double frequencyHz, double sampleRate, std::size_t count, double amplitude = 1.0,
                        double phase = 0.0);

// Same, cosine.
std::vector<float> cosine(double frequencyHz, double sampleRate, std::size_t count, double amplitude = 1.0);

// Reproducible white noise in [-amplitude, amplitude].
std::vector<float> noise(std::size_t count, unsigned seed, double amplitude = 1.0);

double rms(std::span<const float> samples);
double peak(std::span<const float> samples);  // largest absolute value

// Positions n where samples[n - 1] < 0 <= samples[n].
std::vector<std::size_t> risingZeroCrossings(std::span<const float> samples);

// Mean distance between rising zero crossings, in samples; 0 if fewer than two.
double meanCrossingPeriod(std::span<const float> samples);

// Magnitude of the DFT bin `bin` of `samples`, computed directly in double.
double dftMagnitude(std::span<const float> samples, std::size_t bin);

// Complex DFT X[k] = sum x[n] e^(-2 pi i k n / N), k = 0 .. N-1, in double, exact
// twiddles (angle reduced modulo N before the cosine); O(N^2).
struct Spectrum {
  std::vector<double> re;
  std::vector<double> im;
};
Spectrum dft(std::span<const float> samples);

}  // namespace signals
