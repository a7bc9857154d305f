// The precise detector against the targets it is built for, measured from the
// oscillator's output on signals of known pitch (tests/support/pitch_tracks),
// and the windowed spectrum it reads, checked against a direct DFT of the
// frame in time order.

#include "dsp/Fft.h"
#include "dsp/TrackingOscillator.h"
#include "dsp/PrecisePitchEstimator.h"
#include "tests/support/pitch_tracks.h"
#include "tests/support/signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// The ring holds the frame rotated: slot p holds the oldest sample. The
// windowed power must be that of the time-ordered frame times a Hann window,
// so the window's zeros fall on the seam between newest and oldest sample.
TEST(PrecisePitchEstimator, WindowedPowerIsTheHannSpectrumOfTheFrameInTimeOrder)
{
  constexpr int32_t n = 256;
  const auto chirp = signals::sine(1234.5, 44100.0, n, 0.7);
  const auto hum = signals::noise(n, 11, 0.2);
  std::vector<float> timeOrder(n);
  for (int32_t i = 0; i < n; ++i)
    timeOrder[static_cast<std::size_t>(i)] = chirp[static_cast<std::size_t>(i)] + hum[static_cast<std::size_t>(i)];
  std::vector<float> windowed(n);
  for (int32_t m = 0; m < n; ++m)
    windowed[static_cast<std::size_t>(m)] = static_cast<float>(timeOrder[static_cast<std::size_t>(m)] *
                                                               (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * m / n)));
  const auto expected = signals::dft(windowed);

  Fft fft(n);
  for (const int32_t oldest : {0, 1, 63, 64, 100, 128, 200, 255}) {
    std::vector<float> ring(n);
    for (int32_t m = 0; m < n; ++m)
      ring[static_cast<std::size_t>((oldest + m) % n)] = timeOrder[static_cast<std::size_t>(m)];
    std::vector<float> packed(n);
    fft.transform(packed.data(), ring.data());
    std::vector<double> power(n / 2 + 1, -1.0);
    hannWindowedPower(packed.data(), n, oldest, 1, n / 2, power.data());
    for (int32_t k = 1; k <= n / 2; ++k) {
      const double want = expected.re[static_cast<std::size_t>(k)] * expected.re[static_cast<std::size_t>(k)] +
                          expected.im[static_cast<std::size_t>(k)] * expected.im[static_cast<std::size_t>(k)];
      ASSERT_NEAR(power[static_cast<std::size_t>(k)], want, 1e-4 * (1.0 + want))
          << "oldest slot " << oldest << ", bin " << k;
    }
  }
}

struct Target {
  pitch::Track track;
  int32_t fftLength;
  double minWithin;  // fraction of voiced frames within 50 cents
  double maxMedianCents;
  double maxHarmonic;      // fraction of octave or other harmonic errors
  double maxSpreadLoss;    // |output spread - input spread|, cents
  double maxLevelRangeDb;  // on constant-amplitude input only
};

// Two seconds of each signal, FFT as the targets name it, block 512.
TEST(PrecisePitchEstimator, MeetsTheTrackingTargetsOnTonesBassAndVoices)
{
  constexpr double kSeconds = 2.0;
  const Target targets[] = {
      {pitch::sineSweep(100.0, 1000.0, kSeconds), 2048, 0.95, 10.0, 0.05, 15.0, 0.5},
      {pitch::sawtoothMelody(kSeconds), 2048, 0.95, 10.0, 0.05, 15.0, 0.0},
      {pitch::bassLine(kSeconds), 4096, 0.85, 50.0, 0.05, 15.0, 0.0},
      {pitch::maleVoice(kSeconds), 2048, 0.80, 50.0, 0.05, 15.0, 0.0},
      {pitch::femaleVoice(kSeconds), 2048, 0.80, 50.0, 0.05, 15.0, 0.0},
  };
  for (const Target& target : targets) {
    SCOPED_TRACE(target.track.name);
    pitch::Settings settings;
    settings.fftLength = target.fftLength;
    settings.precise = true;
    const pitch::Figures f = pitch::evaluate(target.track, settings);
    ASSERT_GT(f.frames, 50);
    EXPECT_GE(f.withinFiftyCents, target.minWithin);
    EXPECT_LE(f.medianCents, target.maxMedianCents);
    EXPECT_LE(f.harmonicErrors, target.maxHarmonic);
    EXPECT_LE(std::fabs(f.spreadOutCents - f.spreadInCents), target.maxSpreadLoss);
    if (target.track.steadyLevel) {
      EXPECT_LE(f.levelRangeDb, target.maxLevelRangeDb);
    }
  }
}

// Where the classic detector's one strength lies: a long frame in heavy noise.
// The precise one must track at least as many frames there, and with the
// classic settings unchanged its figures must be what they always were.
TEST(PrecisePitchEstimator, InNoiseAtFft8192TracksNoWorseThanTheClassicDetector)
{
  const pitch::Track noisy = pitch::withNoise(pitch::sawtoothMelody(2.0), -20.0, 7);
  pitch::Settings settings;
  settings.fftLength = 8192;
  const pitch::Figures classic = pitch::evaluate(noisy, settings);
  settings.precise = true;
  const pitch::Figures precise = pitch::evaluate(noisy, settings);
  ASSERT_GT(classic.frames, 20);
  EXPECT_GE(precise.withinFiftyCents, classic.withinFiftyCents);
  EXPECT_LE(precise.harmonicErrors, classic.harmonicErrors);
}

// A frame loud enough to overflow the transform (inf and NaN bins) must give a
// finite output and let the next, ordinary frames track again.
TEST(PrecisePitchEstimator, AnOverflowingFrameStaysSilentOrFiniteAndTrackingResumes)
{
  const std::vector<float> table = signals::sine(1.0, 2048.0, 2048);
  const auto loud = signals::sine(220.0, pitch::kRate, 4096, 3.0e38);
  const auto tone = signals::sine(220.0, pitch::kRate, 8192, 0.5);
  TrackingOscillator oscillator;
  oscillator.setPrecise(true);
  std::vector<float> out(512);
  const auto run = [&](const std::vector<float>& in) {
    for (std::size_t at = 0; at + out.size() <= in.size(); at += out.size()) {
      oscillator.process(in.data() + at, out.data(), 512, static_cast<float>(pitch::kRate), table.data(), 2048);
      for (const float sample : out) ASSERT_TRUE(std::isfinite(sample));
    }
  };
  run(loud);
  run(tone);
  EXPECT_NEAR(oscillator.detectedFrequency(), 220.0f, 220.0f * 0.03f);
}

}  // namespace
