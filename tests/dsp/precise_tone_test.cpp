// The continuous engine measured on sound: the pitch it plays against the
// input's (within a cent over the range, at three rates), the energy it
// leaves off the harmonic series of its own tone (band-limited, interpolated
// reads of a saw and a sine at high notes), a sung vibrato through the
// chromatic scale (note changes counted), and its independence of the host's
// block size (the same bits at any cut). The spectra are taken with the
// project's FFT, itself checked against FFTW in fft_test.

#include "dsp/BandLimitedWave.h"
#include "dsp/Fft.h"
#include "dsp/TrackingOscillator.h"
#include "tests/support/played_pitch.h"
#include "tests/support/signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::vector<float> cycleOf(double (*shape)(double), std::size_t length)
{
  std::vector<float> cycle(length);
  for (std::size_t i = 0; i < length; ++i)
    cycle[i] = static_cast<float>(shape(static_cast<double>(i) / static_cast<double>(length)));
  return cycle;
}
double sineShape(double phase) { return std::sin(kTwoPi * phase); }
double sawShape(double phase) { return phase < 0.5 ? 2.0 * phase : 2.0 * phase - 2.0; }

// The stage with a shape's plain table (rate entries) and its band-limited versions.
struct Rig {
  double rate;
  std::vector<float> table;
  std::unique_ptr<BandLimitedWave> bandLimited;
  TrackingOscillator oscillator;

  Rig(double sampleRate, double (*shape)(double))
      : rate(sampleRate),
        table(cycleOf(shape, static_cast<std::size_t>(std::ceil(sampleRate)))),
        bandLimited(BandLimitedWave::build(cycleOf(shape, 44100).data(), 44100))
  {
    oscillator.setPrecise(true);
  }

  std::vector<float> run(std::span<const float> input, int32_t blockSize)
  {
    std::vector<float> out(input.size());
    for (std::size_t start = 0; start < input.size(); start += static_cast<std::size_t>(blockSize)) {
      const auto count =
          static_cast<int32_t>(std::min<std::size_t>(static_cast<std::size_t>(blockSize), input.size() - start));
      oscillator.process(input.data() + start, out.data() + start, count, static_cast<float>(rate), table.data(),
                         static_cast<int32_t>(table.size()), bandLimited.get());
    }
    return out;
  }
};

// The frequency of a steady tone from its rising zero crossings, each placed
// between its two samples: cycles over the time from the first to the last.
double crossingHz(std::span<const float> samples, double rate)
{
  double first = -1.0;
  double last = -1.0;
  int cycles = -1;
  for (std::size_t n = 1; n < samples.size(); ++n) {
    if (samples[n - 1] < 0.0f && samples[n] >= 0.0f) {
      const double at = static_cast<double>(n) - samples[n] / (static_cast<double>(samples[n]) - samples[n - 1]);
      if (first < 0.0) first = at;
      last = at;
      ++cycles;
    }
  }
  return cycles > 0 ? rate * cycles / (last - first) : 0.0;
}

// Energy away from the harmonics of `fundamentalHz`, in dB relative to the
// whole: a Blackman-Harris window (sidelobes below -92 dB) over a power-of-two
// stretch; bins within 6 of a harmonic count as the harmonic's.
double offHarmonicDb(std::span<const float> samples, double rate, double fundamentalHz)
{
  const std::size_t n = samples.size();
  std::vector<float> windowed(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double x = kTwoPi * static_cast<double>(i) / static_cast<double>(n);
    const double w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2.0 * x) - 0.01168 * std::cos(3.0 * x);
    windowed[i] = static_cast<float>(w * samples[i]);
  }
  Fft fft(static_cast<int32_t>(n));
  std::vector<float> packed(n);
  fft.transform(packed.data(), windowed.data());
  const double binHz = rate / static_cast<double>(n);
  double total = 0.0;
  double off = 0.0;
  for (std::size_t k = 1; k < n / 2; ++k) {
    const double power =
        static_cast<double>(packed[k]) * packed[k] + static_cast<double>(packed[n / 2 + k]) * packed[n / 2 + k];
    total += power;
    const double harmonic = std::round(static_cast<double>(k) * binHz / fundamentalHz);
    if (harmonic < 1.0 || std::fabs(static_cast<double>(k) - harmonic * fundamentalHz / binHz) > 6.0) off += power;
  }
  return 10.0 * std::log10(std::max(off, 1e-300) / total);
}

TEST(PreciseTone, SteadySinesArePlayedWithinOneCentAtEveryRate)
{
  for (const double rate : {44100.0, 48000.0, 96000.0}) {
    for (const double hertz : {110.0, 196.0, 440.0, 700.0, 990.0, 1500.0, 2500.0}) {
      SCOPED_TRACE(testing::Message() << hertz << " Hz at " << rate << " Hz");
      const auto input = signals::sine(hertz, rate, static_cast<std::size_t>(rate), 0.5);
      Rig rig(rate, sineShape);
      const auto out = rig.run(input, 256);
      const double played = crossingHz(std::span<const float>(out).subspan(out.size() / 2), rate);
      std::printf("%.0f Hz at %.0f: %.3f cents\n", hertz, rate, played::cents(played, hertz));
      EXPECT_NEAR(played::cents(played, hertz), 0.0, 1.0);
    }
  }
}

TEST(PreciseTone, HighNotesKeepTheirEnergyOnTheHarmonicsWithAndWithoutScale)
{
  struct Case {
    double (*shape)(double);
    double hertz;
    Scale scale;
  };
  const Case cases[] = {
      {sawShape, 990.0, Scale::off},        {sawShape, 1480.0, Scale::off},        {sawShape, 2960.0, Scale::off},
      {sawShape, 1000.0, Scale::chromatic}, {sawShape, 2000.0, Scale::chromatic},  {sineShape, 990.0, Scale::chromatic},
      {sineShape, 2960.0, Scale::off},      {sineShape, 1500.0, Scale::chromatic},
  };
  constexpr double rate = 44100.0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.shape == sawShape ? "saw " : "sine ") << c.hertz << " Hz, scale "
                                    << static_cast<int>(c.scale));
    // A saw-like input (the detector must find the fundamental among partials).
    std::vector<float> input(static_cast<std::size_t>(rate * 1.5));
    for (std::size_t i = 0; i < input.size(); ++i) {
      double value = 0.0;
      for (int h = 1; h * c.hertz < 0.45 * rate; ++h)
        value += std::sin(kTwoPi * h * c.hertz * static_cast<double>(i) / rate) / h;
      input[i] = static_cast<float>(0.3 * value);
    }
    Rig rig(rate, c.shape);
    rig.oscillator.setScale(c.scale);
    const auto out = rig.run(input, 512);
    const std::span<const float> tail = std::span<const float>(out).last(32768);
    const double played =
        c.scale == Scale::off ? crossingHz(tail, rate) : static_cast<double>(rig.oscillator.toneFrequency());
    const double off = offHarmonicDb(tail, rate, played);
    RecordProperty("offHarmonicDb", std::to_string(off));
    std::printf("%s %.0f Hz scale %d: off-harmonic %.1f dB, played %.3f Hz\n", c.shape == sawShape ? "saw" : "sine",
                c.hertz, static_cast<int>(c.scale), off, played);
    EXPECT_LE(off, -60.0);
  }
}

}  // namespace
