// The tracking oscillator measured from the outside: what it detects in known
// signals (sines centred on FFT bins, checked against a direct DFT) and what it
// plays (period by zero crossings, level by peak/RMS, envelope through a flat
// table), across block sizes, rates and hostile input.

#include "dsp/TrackingOscillator.h"
#include "tests/support/signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <span>
#include <vector>

namespace {

enum class Shape { Sine, Flat, Saw };

// One cycle of `rate` entries, as the wave-shape store provides it.
std::vector<float> waveTable(Shape shape, double rate)
{
  const auto length = static_cast<std::size_t>(std::ceil(rate));
  std::vector<float> table(length);
  for (std::size_t i = 0; i < length; ++i) {
    const double phase = static_cast<double>(i) / rate;
    switch (shape) {
      case Shape::Sine: table[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * phase)); break;
      case Shape::Flat: table[i] = 1.0f; break;
      case Shape::Saw: table[i] = static_cast<float>(phase); break;
    }
  }
  return table;
}

struct Rig {
  double rate = 44100.0;
  int32_t length = 2048;
  bool stabilize = false;
  bool quickDetect = false;
  std::vector<float> table;
  TrackingOscillator oscillator;

  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): rate and length differ by orders of magnitude
  Rig(double sampleRate, int32_t fftLength, Shape shape)
      : rate(sampleRate), length(fftLength), table(waveTable(shape, sampleRate))
  {}

  double binHz(int bin) const { return bin * rate / length; }

  void block(const float* in, float* out, int32_t count)
  {
    oscillator.setStabilize(stabilize);
    oscillator.setQuickDetect(quickDetect);
    oscillator.setAnalysisLength(length);
    oscillator.process(in, out, count, static_cast<float>(rate), table.data(), static_cast<int32_t>(table.size()));
  }

  std::vector<float> block(std::span<const float> in)
  {
    std::vector<float> out(in.size(), 0.0f);
    block(in.data(), out.data(), static_cast<int32_t>(in.size()));
    return out;
  }

  // Feeds `in` cut into consecutive blocks whose lengths cycle through `sizes`.
  std::vector<float> run(std::span<const float> in, std::span<const int> sizes)
  {
    std::vector<float> out(in.size(), 0.0f);
    std::size_t start = 0;
    for (std::size_t b = 0; start < in.size(); ++b) {
      const auto count = std::min<std::size_t>(static_cast<std::size_t>(sizes[b % sizes.size()]), in.size() - start);
      block(in.data() + start, out.data() + start, static_cast<int32_t>(count));
      start += count;
    }
    return out;
  }

  std::vector<float> run(std::span<const float> in, int blockSize)
  {
    return run(in, std::span<const int>(&blockSize, 1));
  }
};

std::vector<float> binSine(const Rig& rig, int bin, std::size_t count, double amplitude)
{
  return signals::sine(rig.binHz(bin), rig.rate, count, amplitude);
}

std::span<const float> tail(const std::vector<float>& samples, std::size_t from)
{
  return std::span<const float>(samples).subspan(from);
}

// Every rising zero crossing of the tail is exactly `period` samples after the previous one.
void expectCyclesOf(std::span<const float> samples, int period)
{
  const auto crossings = signals::risingZeroCrossings(samples);
  ASSERT_GE(crossings.size(), 3u);
  for (std::size_t i = 1; i < crossings.size(); ++i)
    ASSERT_EQ(crossings[i] - crossings[i - 1], static_cast<std::size_t>(period)) << "crossing " << i;
}

struct BinCase {
  double rate;
  int32_t length;
  int bin;
  double amplitude;
  float ratio;
};

TEST(TrackingOscillator, SineOnABinIsDetectedAtItsFrequencyAndLevelAndPlayedAtTheShiftedPeriod)
{
  const BinCase cases[] = {
      {44100.0, 2048, 40, 0.5, 1.0f}, {48000.0, 1024, 7, 0.8, 1.0f},  {96000.0, 8192, 100, 0.25, 1.0f},
      {8000.0, 1024, 30, 1.0, 1.0f},  {44100.0, 4096, 90, 0.3, 1.5f}, {22050.0, 2048, 100, 0.7, 0.5f},
      {384000.0, 4096, 3, 0.3, 1.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rate << " Hz, N " << c.length << ", bin " << c.bin << ", ratio " << c.ratio);
    Rig rig(c.rate, c.length, Shape::Sine);
    rig.oscillator.setRatio(c.ratio);
    const auto input = binSine(rig, c.bin, static_cast<std::size_t>(c.length) * 6, c.amplitude);
    const auto output = rig.run(input, c.length);

    EXPECT_NEAR(rig.oscillator.detectedFrequency(), rig.binHz(c.bin), 1e-6 * rig.binHz(c.bin));
    EXPECT_NEAR(rig.oscillator.lastAmplitude(), c.amplitude, 1e-5 * c.amplitude);
    const int period = static_cast<int>(std::floor(c.rate / (rig.binHz(c.bin) * c.ratio)));
    const auto settled = tail(output, static_cast<std::size_t>(c.length) * 2);
    expectCyclesOf(settled, period);
    EXPECT_NEAR(signals::peak(settled), c.amplitude, 0.01 * c.amplitude);
    EXPECT_NEAR(signals::rms(settled), c.amplitude / std::sqrt(2.0), 0.02 * c.amplitude);
  }
}

// With a flat table the output is the envelope itself.
TEST(TrackingOscillator, LevelRampsLinearlyOverHalfTheNewSamplesAfterTheCarriedCycle)
{
  Rig rig(44100.0, 2048, Shape::Flat);
  const double loud = 0.8;
  auto out = rig.block(binSine(rig, 40, 2048, loud));
  // From silence: 0 at the first sample, full level after 1024 samples.
  for (std::size_t j = 0; j < out.size(); ++j)
    ASSERT_NEAR(out[j], loud * std::min(1.0, j / 1024.0), 2e-5) << "j = " << j;

  const int carried = rig.oscillator.pendingCount();
  const int period = static_cast<int>(std::floor(2048.0 / 40.0));
  EXPECT_EQ(carried, ((2048 / period) + 1) * period - 2048);

  const double quiet = 0.2;
  out = rig.block(binSine(rig, 40, 2048, quiet));
  const double rampLength = (2048 - carried) / 2.0;
  for (std::size_t j = 0; j < out.size(); ++j) {
    double expected = loud;
    if (static_cast<int>(j) >= carried)
      expected = loud + (quiet - loud) * std::min(1.0, (static_cast<double>(j) - carried) / rampLength);
    ASSERT_NEAR(out[j], expected, 2e-5) << "j = " << j;
  }
}

TEST(TrackingOscillator, ConcatenatedOutputDoesNotDependOnHowASteadyInputIsCut)
{
  const double amplitude = 0.6;
  const int bin = 40;
  const std::size_t primeLength = std::size_t{3} * 2048;
  const std::size_t stretch = 12000;

  auto render = [&](std::span<const int> sizes) {
    Rig rig(44100.0, 2048, Shape::Sine);
    const auto input = binSine(rig, bin, primeLength + stretch, amplitude);
    // Identical priming: the ring is full and the level settled before the cut varies.
    rig.run(std::span<const float>(input).first(primeLength), 2048);
    return rig.run(std::span<const float>(input).subspan(primeLength), sizes);
  };
  const int reference = 2048;
  const auto expected = render(std::span<const int>(&reference, 1));
  expectCyclesOf(expected, 51);  // floor(2048 / 40)
  ASSERT_NEAR(signals::peak(expected), amplitude, 0.01);

  const std::vector<std::vector<int>> cuttings = {
      {1},
      {3},
      {64},
      {100},
      {441},
      {512},
      {1000},
      {2047},  // every block shorter than the frame
      // Every block at least one frame. (The stretch never ends in a short block
      // after long ones: a long block's remainder is not written into the ring,
      // so that frame would have a gap and its level may rightly differ.)
      {2400},
      {3000},
      {4096},
      {6000},
      {8191},
      {12000},
      {5, 700, 1, 333, 2047, 64, 409},  // irregular, all short
  };
  for (const auto& sizes : cuttings) {
    const auto output = render(sizes);
    double worst = 0.0;
    for (std::size_t i = 0; i < output.size(); ++i)
      worst = std::max(worst, std::fabs(static_cast<double>(output[i]) - expected[i]));
    EXPECT_LT(worst, 1e-5) << "blocks of " << sizes.front() << (sizes.size() > 1 ? " (irregular)" : "");
  }
}

TEST(TrackingOscillator, ShortBlocksPlayTheCarriedCycleBeforeTheNewEstimateTakesOver)
{
  Rig rig(44100.0, 2048, Shape::Flat);
  const double first = 0.5;
  rig.block(binSine(rig, 5, 2048, first));
  const int firstPeriod = static_cast<int>(std::floor(2048.0 / 5.0));  // 409
  int pending = rig.oscillator.pendingCount();
  ASSERT_EQ(pending, 6 * firstPeriod - 2048);  // 406

  // 128 samples of a bin-48 sine are exactly three of its cycles, so Quick
  // Detect sees a clean sine: the estimate moves at once, the sound does not.
  rig.quickDetect = true;
  const double second = 0.25;
  const auto next = binSine(rig, 48, 128, second);
  while (pending > 128) {
    const auto out = rig.block(next);
    EXPECT_FLOAT_EQ(rig.oscillator.detectedFrequency(), static_cast<float>(rig.binHz(48)));
    EXPECT_EQ(rig.oscillator.pendingCount(), pending - 128);
    EXPECT_FLOAT_EQ(rig.oscillator.lastAmplitude(), static_cast<float>(first));
    for (float x : out) ASSERT_NEAR(x, first, 1e-6);
    pending -= 128;
  }
  const auto out = rig.block(next);
  const double rampLength = (128 - pending) / 2.0;
  for (int j = 0; j < 128; ++j) {
    const double expected = j < pending ? first : first + (second - first) * std::min(1.0, (j - pending) / rampLength);
    ASSERT_NEAR(out[static_cast<std::size_t>(j)], expected, 1e-5) << "j = " << j;
  }
  const int newPeriod = static_cast<int>(std::floor(2048.0 / 48.0));  // 42
  const int fresh = 128 - pending;
  EXPECT_EQ(rig.oscillator.pendingCount(), (fresh / newPeriod + 1) * newPeriod - fresh);
  EXPECT_NEAR(rig.oscillator.lastAmplitude(), second, 1e-5);
}

TEST(TrackingOscillator, ABlockAsLongAsTheCarryHoldsOnlyCarriedSamplesAndCarriesAWholeNewCycle)
{
  Rig rig(44100.0, 2048, Shape::Saw);
  const auto input = binSine(rig, 5, 2048 + 406, 0.5);
  rig.block(std::span<const float>(input).first(2048));
  ASSERT_EQ(rig.oscillator.pendingCount(), 406);
  const auto out = rig.block(std::span<const float>(input).subspan(2048));
  // The carried samples are the end of a 409-sample saw cycle: rising, none at its start.
  EXPECT_GT(out.front(), 0.0f);
  EXPECT_TRUE(std::is_sorted(out.begin(), out.end()));
  EXPECT_EQ(rig.oscillator.pendingCount(), 409);
}

struct StabilizeCase {
  int bin;          // on a 20 Hz grid: 40960 Hz / 2048
  double expected;  // Hz, after a previous estimate of 200 Hz
};

TEST(TrackingOscillator, StablizeFoldsSecondAndThirdHarmonicJumpsBackDown)
{
  const StabilizeCase cases[] = {{30, 200.0}, {20, 200.0}, {25, 250.0}, {17, 340.0}, {35, 700.0 / 3.0}, {10, 200.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "new estimate " << c.bin * 20 << " Hz");
    Rig rig(40960.0, 2048, Shape::Sine);
    rig.stabilize = true;
    rig.block(binSine(rig, 10, 2048, 0.5));
    ASSERT_FLOAT_EQ(rig.oscillator.detectedFrequency(), 200.0f);
    rig.block(binSine(rig, c.bin, 2048, 0.5));
    EXPECT_NEAR(rig.oscillator.detectedFrequency(), c.expected, 1e-4 * c.expected);
  }

  Rig off(40960.0, 2048, Shape::Sine);
  off.block(binSine(off, 10, 2048, 0.5));
  off.block(binSine(off, 30, 2048, 0.5));
  EXPECT_FLOAT_EQ(off.oscillator.detectedFrequency(), 600.0f);

  Rig firstEstimate(40960.0, 2048, Shape::Sine);  // nothing to compare against yet
  firstEstimate.stabilize = true;
  firstEstimate.block(binSine(firstEstimate, 30, 2048, 0.5));
  EXPECT_FLOAT_EQ(firstEstimate.oscillator.detectedFrequency(), 600.0f);
}

TEST(TrackingOscillator, BinsBelow20HzAreIgnoredAndBothFrequenciesHaveA30HzFloor)
{
  // 12800 Hz / 1024: bins of 12.5 Hz. A strong 12.5 Hz tone is not a candidate;
  // the weaker 25 Hz one wins and is raised to 30 Hz.
  Rig rig(12800.0, 1024, Shape::Sine);
  auto input = binSine(rig, 1, std::size_t{1024} * 4, 0.9);
  const auto weak = binSine(rig, 2, input.size(), 0.1);
  for (std::size_t i = 0; i < input.size(); ++i) input[i] += weak[i];
  rig.run(input, 1024);
  EXPECT_FLOAT_EQ(rig.oscillator.detectedFrequency(), 30.0f);
  EXPECT_NEAR(rig.oscillator.lastAmplitude(), 0.1, 1e-4);

  // 100 Hz shifted down by 0.1 would be 10 Hz; it plays at 30 Hz instead,
  // while the estimate itself stays 100 Hz.
  Rig shifted(12800.0, 1024, Shape::Sine);
  shifted.oscillator.setRatio(0.1f);
  const auto out = shifted.run(binSine(shifted, 8, std::size_t{1024} * 12, 0.5), 1024);
  EXPECT_FLOAT_EQ(shifted.oscillator.detectedFrequency(), 100.0f);
  expectCyclesOf(tail(out, 2048), static_cast<int>(std::floor(12800.0 / 30.0)));
}

TEST(TrackingOscillator, SilenceSettlesOn30HzAndFadesOut)
{
  Rig rig(44100.0, 2048, Shape::Flat);
  rig.block(binSine(rig, 40, 2048, 0.5));
  const std::vector<float> silence(4096, 0.0f);
  const auto out = rig.run(silence, 2048);
  EXPECT_FLOAT_EQ(rig.oscillator.detectedFrequency(), 30.0f);  // bin 1, 21.5 Hz, raised
  EXPECT_EQ(rig.oscillator.lastAmplitude(), 0.0f);
  EXPECT_GT(out.front(), 0.4f);
  EXPECT_EQ(signals::peak(tail(out, 2048)), 0.0);
}

TEST(TrackingOscillator, QuickDetectAnalysesTheBlockRepeatedToFillTheFrame)
{
  Rig rig(44100.0, 2048, Shape::Sine);
  rig.quickDetect = true;
  auto input = signals::sine(523.0, rig.rate, 100, 0.4);
  const auto second = signals::sine(1777.0, rig.rate, 100, 0.3, 1.0);
  for (std::size_t i = 0; i < input.size(); ++i) input[i] += second[i];

  std::vector<float> frame(2048);
  for (std::size_t j = 0; j < frame.size(); ++j)
    frame[j] = input[j % input.size()];  // 20 whole copies, then the first 48 samples
  const auto spectrum = signals::dft(frame);
  const double spacing = rig.rate / 2048.0;
  std::size_t strongest = 0;
  double magnitude = -1.0;
  for (std::size_t i = 0; i < 1024; ++i) {
    const double m = std::hypot(spectrum.re[i], spectrum.im[i]);
    if (static_cast<double>(i) * spacing >= 20.0 && m > magnitude) {
      magnitude = m;
      strongest = i;
    }
  }
  rig.block(input);
  EXPECT_FLOAT_EQ(rig.oscillator.detectedFrequency(), static_cast<float>(std::max(30.0, strongest * spacing)));
  EXPECT_NEAR(rig.oscillator.lastAmplitude(), 2.0 * magnitude / 2048.0, 1e-5);
  EXPECT_EQ(rig.oscillator.writePosition(), 0);
}

// Without Quick Detect the frame holds the latest N samples, written round the ring.
TEST(TrackingOscillator, RingKeepsTheLatestFrameOfInputAcrossShortBlocks)
{
  Rig rig(44100.0, 1024, Shape::Sine);
  const double rate = rig.rate;
  // A glide, so that every frame has a different strongest bin and level.
  std::vector<float> input(std::size_t{1024} * 5);
  double phase = 0.0;
  for (std::size_t n = 0; n < input.size(); ++n) {
    const double hz = 300.0 + 2000.0 * static_cast<double>(n) / static_cast<double>(input.size());
    phase += 2.0 * std::numbers::pi * hz / rate;
    input[n] =
        static_cast<float>((0.2 + 0.5 * static_cast<double>(n) / static_cast<double>(input.size())) * std::sin(phase));
  }
  std::vector<float> ring(1024, 0.0f);
  std::size_t slot = 0;
  const std::size_t blockSize = 300;
  std::vector<float> out(blockSize);
  for (std::size_t start = 0; start + blockSize <= input.size(); start += blockSize) {
    for (std::size_t i = 0; i < blockSize; ++i) {
      ring[slot] = input[start + i];
      slot = (slot + 1) % ring.size();
    }
    rig.block(input.data() + start, out.data(), static_cast<int32_t>(blockSize));
    const auto spectrum = signals::dft(ring);
    std::size_t strongest = 0;
    double magnitude = -1.0;
    for (std::size_t i = 1; i < 512; ++i) {
      const double m = std::hypot(spectrum.re[i], spectrum.im[i]);
      if (m > magnitude) {
        magnitude = m;
        strongest = i;
      }
    }
    SCOPED_TRACE(testing::Message() << "block at " << start);
    EXPECT_FLOAT_EQ(rig.oscillator.detectedFrequency(), static_cast<float>(strongest * rate / 1024.0));
    EXPECT_NEAR(rig.oscillator.lastAmplitude(), 2.0 * magnitude / 1024.0, 1e-5);
  }
}

TEST(TrackingOscillator, LongBlockRemainderContinuesTheLastFramesEstimate)
{
  Rig rig(44100.0, 2048, Shape::Sine);
  auto input = binSine(rig, 40, 3000, 0.5);
  const auto other = binSine(rig, 80, 3000, 0.5);
  std::copy(other.begin() + 2048, other.end(), input.begin() + 2048);  // the last 952 samples differ
  const auto out = rig.block(input);
  EXPECT_NEAR(rig.oscillator.detectedFrequency(), rig.binHz(40), 1e-3);
  expectCyclesOf(tail(out, 1100), 51);
}

TEST(TrackingOscillator, ChangingTheFftLengthRestartsTheCycleButKeepsTheEstimate)
{
  Rig rig(40960.0, 2048, Shape::Saw);
  rig.stabilize = true;
  rig.block(binSine(rig, 10, 2048, 0.5));  // 200 Hz
  ASSERT_GT(rig.oscillator.pendingCount(), 0);
  const float level = rig.oscillator.lastAmplitude();

  rig.length = 4096;                                        // bins of 10 Hz now
  const auto out = rig.block(binSine(rig, 60, 4096, 0.5));  // 600 Hz
  EXPECT_EQ(rig.oscillator.fftLength(), 4096);
  EXPECT_FLOAT_EQ(rig.oscillator.detectedFrequency(), 200.0f);  // still folded against the old estimate
  EXPECT_EQ(out[0], 0.0f);                                      // a new cycle from table index 0
  EXPECT_NEAR(out[1], level * 200.0 / 40960.0, 1e-6);           // second saw entry at the old level

  rig.length = 3000;  // not a power of two: ignored
  rig.block(binSine(rig, 60, 4096, 0.5));
  EXPECT_EQ(rig.oscillator.fftLength(), 4096);
}

TEST(TrackingOscillator, TargetAboveTheSampleRateSilencesTheBlockAndKeepsTheCycleForLater)
{
  Rig rig(44100.0, 2048, Shape::Sine);
  Rig twin(44100.0, 2048, Shape::Sine);
  rig.quickDetect = twin.quickDetect = true;
  const auto steady = binSine(rig, 40, 2048, 0.5);
  rig.block(steady);
  twin.block(steady);
  const int pending = rig.oscillator.pendingCount();
  ASSERT_GT(pending, 0);

  rig.oscillator.setRatio(10.0f);
  const auto high = binSine(rig, 232, 512 + 4096 + 100, 0.5);  // ~5 kHz, x10 is above 44.1 kHz
  for (int count : {512, 4096 + 100}) {
    std::vector<float> out(static_cast<std::size_t>(count), 7.0f);
    rig.block(high.data(), out.data(), count);
    EXPECT_EQ(signals::peak(out), 0.0) << count;
    EXPECT_NEAR(rig.oscillator.detectedFrequency(), rig.binHz(232), 1e-2);
    EXPECT_EQ(rig.oscillator.pendingCount(), pending);
    EXPECT_FLOAT_EQ(rig.oscillator.lastAmplitude(), twin.oscillator.lastAmplitude());
  }
  // Back in range, the interrupted cycle is finished first, as if nothing happened.
  rig.oscillator.setRatio(1.0f);
  const auto resumed = rig.block(std::span<const float>(steady).first(64));
  const auto reference = twin.block(std::span<const float>(steady).first(64));
  for (int j = 0; j < pending; ++j)
    ASSERT_EQ(resumed[static_cast<std::size_t>(j)], reference[static_cast<std::size_t>(j)]) << j;
}

TEST(TrackingOscillator, Rates384kHzAndAboveKeepEveryCycleInsideTheCarry)
{
  for (int blockSize : {64, 1000, 100000}) {
    Rig rig(384000.0, 8192, Shape::Sine);
    rig.oscillator.setRatio(0.5f);  // 46.9 Hz -> 23.4 Hz -> the 30 Hz floor: 12800 samples
    const auto out = rig.run(binSine(rig, 1, 200000, 0.5), blockSize);
    EXPECT_LE(rig.oscillator.pendingCount(), 12800);
    expectCyclesOf(tail(out, 60000), 12800);
    EXPECT_NEAR(signals::peak(tail(out, 60000)), 0.5, 0.01);
  }
  // At twice that rate a 30 Hz cycle would be 25600 samples; the lowest pitch
  // rises instead so that a cycle still fits.
  Rig fast(768000.0, 8192, Shape::Sine);
  fast.oscillator.setRatio(0.1f);
  const auto out = fast.run(binSine(fast, 1, 300000, 0.5), 4096);
  EXPECT_LE(fast.oscillator.pendingCount(), TrackingOscillator::kCarryCapacity);
  expectCyclesOf(tail(out, 100000), TrackingOscillator::kCarryCapacity);
}

// robustness: NaN or infinite samples into the pitch tracker => heard as silence
TEST(TrackingOscillator, NonFiniteInputIsHeardAsSilence)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (bool quick : {false, true}) {
    Rig dirty(44100.0, 2048, Shape::Sine);
    Rig clean(44100.0, 2048, Shape::Sine);
    dirty.quickDetect = clean.quickDetect = quick;
    auto input = binSine(dirty, 40, 20000, 0.5);
    for (std::size_t i = 3000; i < 3700; ++i)  // a stretch of garbage ...
      input[i] = (i % 3 == 0) ? nan : (i % 3 == 1 ? inf : -inf);
    input[9000] = nan;  // ... and single bad samples
    input[15001] = -inf;
    auto zeroed = input;
    for (auto& x : zeroed)
      if (!std::isfinite(x)) x = 0.0f;
    const int sizes[] = {256, 1000, 4096, 37};
    const auto heard = dirty.run(input, sizes);
    EXPECT_EQ(heard, clean.run(zeroed, sizes)) << "quick detect " << quick;
    EXPECT_TRUE(std::all_of(heard.begin(), heard.end(), [](float x) { return std::isfinite(x); }));
    EXPECT_NEAR(signals::peak(tail(heard, 16000)), 0.5, 0.01);  // recovered
  }
}

// robustness: input whose spectrum overflows float range => finite output
TEST(TrackingOscillator, InputBeyondFloatRangeAfterTheTransformGivesFiniteOutput)
{
  Rig rig(44100.0, 2048, Shape::Sine);
  const auto huge = signals::noise(8192, 3u, 3.0e38);
  const auto out = rig.run(huge, 512);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); }));
  rig.run(binSine(rig, 40, 8192, 0.5), 512);
  EXPECT_NEAR(rig.oscillator.lastAmplitude(), 0.5, 1e-3);
}

// robustness: empty blocks to the pitch tracker => nothing changes
TEST(TrackingOscillator, EmptyBlocksAreSafeAndChangeNothingUnderQuickDetect)
{
  Rig withEmpty(44100.0, 2048, Shape::Sine);
  Rig without(44100.0, 2048, Shape::Sine);
  withEmpty.quickDetect = without.quickDetect = true;
  const auto input = binSine(withEmpty, 48, std::size_t{128} * 40, 0.5);
  std::vector<float> a(input.size());
  std::vector<float> b(input.size());
  for (std::size_t start = 0; start < input.size(); start += 128) {
    withEmpty.block(nullptr, nullptr, 0);
    withEmpty.block(input.data() + start, a.data() + start, 128);
    withEmpty.block(input.data() + start, a.data() + start, 0);
    without.block(input.data() + start, b.data() + start, 128);
  }
  EXPECT_EQ(a, b);

  Rig ring(44100.0, 2048, Shape::Sine);  // no Quick Detect: nothing is added to the ring
  ring.block(nullptr, nullptr, 0);
  ring.run(binSine(ring, 40, 4096, 0.5), 100);
  ring.block(nullptr, nullptr, 0);
  EXPECT_EQ(ring.oscillator.writePosition(), 2048);  // 4096 samples written: two full turns, about to wrap
  const auto after = ring.run(binSine(ring, 40, 4096, 0.5), 100);
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float x) { return std::isfinite(x); }));
  EXPECT_NEAR(signals::peak(tail(after, 2048)), 0.5, 0.01);
}

// robustness: pitch tracker given a zero, negative, NaN or infinite rate, a table shorter than the rate, or no table => silence for that block with the estimate kept; no table read past its end
TEST(TrackingOscillator, UnusableSampleRateOrTableAndRatioAreHandledSafely)
{
  Rig rig(44100.0, 2048, Shape::Sine);
  rig.block(binSine(rig, 40, 2048, 0.5));
  const float estimate = rig.oscillator.detectedFrequency();
  const int pending = rig.oscillator.pendingCount();
  const auto input = binSine(rig, 80, 512, 0.5);
  for (float rate :
       {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 0.0f, -44100.0f}) {
    std::vector<float> out(512, 7.0f);
    rig.oscillator.process(input.data(), out.data(), 512, rate, rig.table.data(),
                           static_cast<int32_t>(rig.table.size()));
    EXPECT_EQ(signals::peak(out), 0.0) << rate;
    EXPECT_EQ(rig.oscillator.detectedFrequency(), estimate);
    EXPECT_EQ(rig.oscillator.pendingCount(), pending);
  }

  // A table shorter than the rate is never read past its end; no table is silence.
  const std::vector<float> shortTable(100, 1.0f);
  std::vector<float> out(2048, 7.0f);
  rig.oscillator.process(input.data(), out.data(), 512, 44100.0f, shortTable.data(), 100);
  EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 512, [](float x) { return std::fabs(x) <= 0.51f; }));
  const auto carried = static_cast<std::size_t>(rig.oscillator.pendingCount());
  const auto frame = binSine(rig, 80, 2048, 0.5);
  rig.oscillator.process(frame.data(), out.data(), 2048, 44100.0f, nullptr, 0);
  EXPECT_GT(signals::peak(std::span<const float>(out).first(carried)), 0.0);  // the cycle already begun
  EXPECT_EQ(signals::peak(tail(out, carried)), 0.0);

  rig.oscillator.setRatio(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(rig.oscillator.ratio(), 1.0f);
  rig.oscillator.setRatio(2.0f);
  EXPECT_EQ(rig.oscillator.ratio(), 2.0f);
}

// Whatever it heard and played before, a reset oscillator plays the next
// input exactly as a new one with the same settings: every piece of state
// (ring, carry, level, estimate, gate, glide, exact-cycle fractions) cleared.
TEST(TrackingOscillator, AResetOscillatorPlaysAsANewOne)
{
  struct Case {
    const char* name;
    int32_t length;
    bool precise;
    float glideSeconds;
    Scale scale;
    float gateDecibels;
  };
  const Case cases[] = {{"classic", 2048, false, 0.0f, Scale::off, TrackingOscillator::kGateOff},
                        {"precise, 4096", 4096, true, 0.0f, Scale::off, TrackingOscillator::kGateOff},
                        {"glide, scale, gate", 1024, false, 0.2f, Scale::major, -30.0f}};
  const std::vector<float> before = signals::noise(30000, 7, 0.9);
  const std::vector<float> after = signals::sine(220.0, 44100.0, 20000, 0.5);
  for (const Case& c : cases) {
    Rig played(44100.0, c.length, Shape::Saw);
    Rig fresh(44100.0, c.length, Shape::Saw);
    for (Rig* rig : {&played, &fresh}) {
      rig->oscillator.setPrecise(c.precise);
      rig->oscillator.setGlideTime(c.glideSeconds);
      rig->oscillator.setScale(c.scale);
      rig->oscillator.setGateThreshold(c.gateDecibels);
    }
    std::vector<float> out(before.size());
    for (std::size_t at = 0; at < before.size(); at += 333)
      played.block(before.data() + at, out.data() + at,
                   static_cast<int32_t>(std::min<std::size_t>(333, before.size() - at)));
    played.oscillator.reset();
    std::vector<float> again(after.size()), expected(after.size());
    for (std::size_t at = 0; at < after.size(); at += 500) {
      played.block(after.data() + at, again.data() + at, 500);
      fresh.block(after.data() + at, expected.data() + at, 500);
    }
    EXPECT_EQ(again, expected) << c.name;
  }
}

}  // namespace
