// The processing chain: which stages run, in which order, on which buffer.
// The references are the stages themselves, created here and chained by hand
// the way each order is meant to run them, plus measurements of the sound.
#include <algorithm>
#include <cmath>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dsp/Distortion.h"
#include "dsp/FeedbackDelay.h"
#include "dsp/ResonantFilter.h"
#include "dsp/TrackingOscillator.h"
#include "shapes/WaveShapeTable.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/support/signals.h"

namespace {

using effecttest::renderReplacing;
using effecttest::setOrder;
using ::testing::FloatNear;
using ::testing::Pointwise;

constexpr float rate = 44100.0f;
constexpr int32_t block = 512;

// A tone whose pitch steps every 1500 samples, so the tracked pitch (and with
// it a following cut-off) changes within blocks.
std::vector<float> steppedTone(std::size_t count)
{
  const double pitches[] = {220.0, 330.0, 247.0, 415.0, 196.0, 523.0};
  std::vector<float> out(count);
  double phase = 0.0;
  for (std::size_t n = 0; n < count; ++n) {
    out[n] = static_cast<float>(0.6 * std::sin(phase));
    phase += 2.0 * 3.141592653589793 * pitches[(n / 1500) % 6] / rate;
  }
  return out;
}

double maxDifference(const std::vector<float>& a, const std::vector<float>& b)
{
  double worst = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::fabs(double(a[i]) - double(b[i])));
  return worst;
}

// The Mox stage as the effect configures it at the program-0 settings.
struct ManualMox {
  TrackingOscillator oscillator;
  const WaveShapeTable& shapes;
  explicit ManualMox(const PluginEffect& effect) : shapes(effect.waveShapes()) {}
  void run(const float* in, float* out, int32_t n)
  {
    oscillator.process(in, out, n, rate, shapes.currentTable(), shapes.tableLength());
  }
};

// The filter on the path that follows the oscillator: the first samples of a
// block (those finishing the previous block's cycle) at the previous pitch,
// the rest at the pitch now synthesised, the cut-off `factor` times the pitch.
struct ManualTrackingFilter {
  ResonantFilter filter;
  int32_t carried = 0;
  float previousPitch = 0.0f;
  void run(float* out, int32_t n, const TrackingOscillator& oscillator, double factor, int32_t mode)
  {
    const int32_t first = std::min(carried, n);
    filter.setCoefficients(static_cast<float>(factor * previousPitch / rate), 0.0f);
    filter.process(out, out, first, mode);
    const auto now = static_cast<float>(static_cast<double>(oscillator.detectedFrequency()) * oscillator.ratio());
    filter.setCoefficients(static_cast<float>(factor * now / rate), 0.0f);
    filter.process(out + first, out + first, n - first, mode);
    previousPitch = now;
    carried = oscillator.pendingCount();
  }
  void runFixed(const float* in, float* out, int32_t n, double factor, int32_t mode)
  {
    filter.setCoefficients(static_cast<float>(factor * 400.0 / rate), 0.0f);
    filter.process(in, out, n, mode);
  }
};

class ChainTest : public ::testing::Test {
protected:
  effecttest::ShippedShapes shapes;
  std::unique_ptr<PluginEffect> effect = effecttest::makeEffect(rate);
  std::vector<float> input = steppedTone(12 * std::size_t{block});

  // Runs the blocks of `input` through `reference(in, out, n)` into one buffer.
  template <typename Reference>
  std::vector<float> referenceRun(Reference reference)
  {
    std::vector<float> out(input.size());
    for (std::size_t start = 0; start < input.size(); start += block) {
      reference(input.data() + start, out.data() + start, block);
    }
    return out;
  }
};

TEST_F(ChainTest, programZeroRunsMoxThenTheLowPassThatFollowsThePitch)
{
  ASSERT_FALSE(effect->hasLoadFailed());
  const auto actual = renderReplacing(*effect, input, block);

  ManualMox mox(*effect);
  ManualTrackingFilter filter;
  const auto expected = referenceRun([&](const float* in, float* out, int32_t n) {
    mox.run(in, out, n);
    filter.run(out, n, mox.oscillator, 8.0, ResonantFilter::lowPass);
  });
  EXPECT_THAT(actual.left, Pointwise(FloatNear(1e-6f), expected));

  // The same Mox output through the fixed 3200 Hz path sounds measurably
  // different, so the comparison above does tell the two paths apart.
  ManualMox mox2(*effect);
  ManualTrackingFilter fixedFilter;
  const auto fixedPath = referenceRun([&](const float* in, float* out, int32_t n) {
    mox2.run(in, out, n);
    fixedFilter.runFixed(out, out, n, 8.0, ResonantFilter::lowPass);
  });
  EXPECT_GT(maxDifference(fixedPath, expected), 1e-3);
}

TEST_F(ChainTest, filterFirstOrderLetsMoxOverwriteTheFilterAndTheDelayReadTheHostInput)
{
  // Order Filter, Mox, Delay, Distortion, with delay and distortion off: the
  // filter's result is overwritten by the Mox stage, which read the host's
  // input because the filter was away from its home slot.
  setOrder(*effect, 1, 0, 2, 3);
  const auto moxOnly = renderReplacing(*effect, input, block);
  ManualMox mox(*effect);
  EXPECT_THAT(
      moxOnly.left,
      Pointwise(FloatNear(0.0f), referenceRun([&](const float* in, float* out, int32_t n) { mox.run(in, out, n); })));
}

TEST_F(ChainTest, filterFirstOrderWithDelayAndDistortionGivesDistortionOfTheDelayedHostInput)
{
  setOrder(*effect, 1, 0, 2, 3);
  effect->setParameter(9, 0.0078125f);  // 2^-7 x 5 s x 44100 = 1722.66 samples
  effect->setParameter(10, 0.3f);
  effect->setParameter(8, 0.5f);
  effect->setParameter(12, 0.5f);  // drive 26
  const auto actual = renderReplacing(*effect, input, block);

  FeedbackDelay delay;
  delay.configure(1722, 0.3f, 0.5f);
  Distortion distortion;
  distortion.setDrive(26.0f);
  const auto expected = referenceRun([&](const float* in, float* out, int32_t n) {
    delay.process(in, out, n);
    distortion.process(out, out, n);
  });
  EXPECT_THAT(actual.left, Pointwise(FloatNear(0.0f), expected));
}

TEST_F(ChainTest, withoutADelayTheDistortionReadsTheHostInputAgain)
{
  setOrder(*effect, 1, 0, 2, 3);
  effect->setParameter(12, 1.0f);  // drive 51, delay mix stays 0
  const auto actual = renderReplacing(*effect, input, block);
  Distortion distortion;
  distortion.setDrive(51.0f);
  EXPECT_THAT(actual.left, Pointwise(FloatNear(0.0f), referenceRun([&](const float* in, float* out, int32_t n) {
                                       distortion.process(in, out, n);
                                     })));
}

TEST_F(ChainTest, moxRunsOnlyOnceWhenItStandsInTwoSlots)
{
  setOrder(*effect, 0, 0, 2, 3);
  const auto actual = renderReplacing(*effect, input, block);
  ManualMox mox(*effect);
  EXPECT_THAT(
      actual.left,
      Pointwise(FloatNear(0.0f), referenceRun([&](const float* in, float* out, int32_t n) { mox.run(in, out, n); })));
}

TEST_F(ChainTest, aSecondFilterEntryRunsOnTheFixedPathInPlace)
{
  setOrder(*effect, 0, 1, 1, 3);
  effect->setParameter(6, 0.5f);  // factor 1: the fixed path at 400 Hz
  const auto actual = renderReplacing(*effect, input, block);
  ManualMox mox(*effect);
  ManualTrackingFilter filter;  // one filter object: both entries share its state
  const auto expected = referenceRun([&](const float* in, float* out, int32_t n) {
    mox.run(in, out, n);
    filter.run(out, n, mox.oscillator, 1.0, ResonantFilter::lowPass);
    filter.runFixed(out, out, n, 1.0, ResonantFilter::lowPass);
  });
  EXPECT_THAT(actual.left, Pointwise(FloatNear(1e-6f), expected));
}

TEST_F(ChainTest, aDelayInTwoSlotsRunsTwiceThroughTheSameLine)
{
  setOrder(*effect, 2, 1, 2, 3);  // filter entry stays off below
  effect->setParameter(5, 0.1f);
  effect->setParameter(9, 0.002f);  // 441 samples
  effect->setParameter(8, 0.7f);
  const auto actual = renderReplacing(*effect, input, block);
  FeedbackDelay delay;
  delay.configure(441, 0.0f, 0.7f);
  const auto expected = referenceRun([&](const float* in, float* out, int32_t n) {
    delay.process(in, out, n);
    delay.process(out, out, n);
  });
  EXPECT_THAT(actual.left, Pointwise(FloatNear(0.0f), expected));
}

// Only the filter runs (order Delay, Filter, Delay, Distortion with the delay
// and the distortion off), on the fixed path at 400 Hz. A 5 kHz tone is lost
// through a low-pass and kept through a high-pass.
double filteredLevel(PluginEffect& effect, float filterType)
{
  setOrder(effect, 2, 1, 2, 3);
  effect.setParameter(6, 0.5f);
  effect.setParameter(5, filterType);
  const auto tone = signals::sine(5000.0, rate, 8 * std::size_t{block}, 0.5);
  const auto out = renderReplacing(effect, tone, block);
  return signals::rms(std::span<const float>(out.left).subspan(2 * std::size_t{block})) / signals::rms(tone);
}

TEST_F(ChainTest, theFloatsNearestTheFilterThresholdsStayInTheLowerBand)
{
  ASSERT_LT(double(0.51f), 0.51);
  EXPECT_LT(filteredLevel(*effect, 0.51f), 0.05);  // still low-pass
  auto second = effecttest::makeEffect(rate);
  EXPECT_GT(filteredLevel(*second, std::nextafter(0.51f, 1.0f)), 0.7);  // high-pass
  auto third = effecttest::makeEffect(rate);
  EXPECT_GT(filteredLevel(*third, 0.76f), 0.7);  // still high-pass
  auto fourth = effecttest::makeEffect(rate);
  const double bandPass = filteredLevel(*fourth, 0.77f);
  EXPECT_LT(bandPass, 0.5);
}

TEST_F(ChainTest, aFilterTypeOfAQuarterSwitchesTheFilterOffAndTheInputPassesDry)
{
  setOrder(*effect, 2, 1, 2, 3);
  effect->setParameter(5, 0.25f);
  const auto out = renderReplacing(*effect, input, block);
  EXPECT_EQ(out.left, input);
}

TEST_F(ChainTest, outputIsMonoAndTheSecondInputIsNeverHeard)
{
  const auto noiseA = signals::noise(input.size(), 1, 0.9);
  const auto noiseB = signals::noise(input.size(), 2, 0.9);
  const auto first = renderReplacing(*effect, input, block, noiseA);
  auto other = effecttest::makeEffect(rate);
  const auto second = renderReplacing(*other, input, block, noiseB);
  EXPECT_EQ(first.left, first.right);
  EXPECT_EQ(first.left, second.left);
  EXPECT_GT(signals::rms(first.left), 0.01);
}

TEST_F(ChainTest, volumeScalesTheWholeResult)
{
  const auto unity = renderReplacing(*effect, input, block);
  auto louder = effecttest::makeEffect(rate);
  louder->setParameter(13, 0.75f);  // gain 3
  const auto loud = renderReplacing(*louder, input, block);
  std::vector<float> tripled(unity.left.size());
  std::transform(unity.left.begin(), unity.left.end(), tripled.begin(), [](float x) { return 3.0f * x; });
  EXPECT_THAT(loud.left, Pointwise(FloatNear(1e-6f), tripled));
  EXPECT_EQ(loud.left, loud.right);
}

// Delay only: an impulse comes back after the delay time, at the rate the
// tables were built for when the time was set.
std::size_t echoPosition(PluginEffect& effect, std::size_t length)
{
  setOrder(effect, 1, 1, 2, 3);
  effect.setParameter(5, 0.0f);
  effect.setParameter(8, 1.0f);
  effect.setParameter(9, 0.2f);
  std::vector<float> impulse(length, 0.0f);
  impulse[0] = 1.0f;
  const auto out = renderReplacing(effect, impulse, 4096);
  EXPECT_EQ(out.left[0], 1.0f);
  for (std::size_t i = 1; i < out.left.size(); ++i) {
    if (out.left[i] != 0.0f) return i;
  }
  return 0;
}

TEST_F(ChainTest, delayTimeFollowsTheTableRateAfterARateChange)
{
  EXPECT_EQ(echoPosition(*effect, 50000), 44100u);  // 0.2 x 5 s at 44100 Hz
  auto other = effecttest::makeEffect(rate);
  other->setSampleRate(48000.0f);
  std::vector<float> silence(256, 0.0f);
  renderReplacing(*other, silence, 256);  // the tables follow the new rate
  EXPECT_EQ(echoPosition(*other, 50000), 48000u);
}

TEST_F(ChainTest, aRateChangeRebuildsEveryTableAtTheStartOfTheNextBlock)
{
  const WaveShapeTable& tables = effect->waveShapes();
  ASSERT_EQ(tables.tableLength(), 44100);
  std::vector<std::vector<float>> before;
  for (int s = 0; s < tables.shapeCount(); ++s) before.emplace_back(tables.shapeTable(s), tables.shapeTable(s) + 44100);

  effect->setSampleRate(48000.0f);
  EXPECT_EQ(tables.tableRate(), 44100.0f);  // nothing happens until a block runs
  std::vector<float> silence(64, 0.0f);
  renderReplacing(*effect, silence, 64);
  ASSERT_EQ(tables.tableRate(), 48000.0f);
  ASSERT_EQ(tables.tableLength(), 48000);
  // Nearest-lower picking with the step 44100/48000 rounded to a float
  // (0.91874999..., a hair below the exact ratio): new entry 160 takes old
  // entry 146, where the exact ratio would give 147.
  const auto step = static_cast<double>(44100.0f / 48000.0f);
  ASSERT_LT(step, 0.91875);
  for (int s = 0; s < tables.shapeCount(); ++s) {
    const float* table = tables.shapeTable(s);
    const auto& old = before[static_cast<std::size_t>(s)];
    EXPECT_EQ(table[160], old[146]);
    double position = 0.0;
    for (int j = 0; j < 48000; ++j, position += step) {
      ASSERT_EQ(table[j], old[static_cast<std::size_t>(position)]) << "shape " << s << " entry " << j;
    }
  }
  // Shape 0 is a sine: entries 146 and 147 differ, so the pick is visible.
  ASSERT_NE(before[0][146], before[0][147]);
}

TEST_F(ChainTest, suspendSilencesTheDelayTailButNotTheOscillatorsLastCycle)
{
  // Delay only, long feedback: the tail would ring on for seconds.
  setOrder(*effect, 1, 1, 2, 3);
  effect->setParameter(5, 0.0f);
  effect->setParameter(8, 1.0f);
  effect->setParameter(10, 0.9f);
  effect->setParameter(9, 0.002f);
  renderReplacing(*effect, input, block);
  auto control = effecttest::makeEffect(rate);
  setOrder(*control, 1, 1, 2, 3);
  control->setParameter(5, 0.0f);
  control->setParameter(8, 1.0f);
  control->setParameter(10, 0.9f);
  control->setParameter(9, 0.002f);
  renderReplacing(*control, input, block);

  effect->suspend();
  effect->resume();
  const std::vector<float> silence(4 * std::size_t{block}, 0.0f);
  EXPECT_EQ(signals::peak(renderReplacing(*effect, silence, block).left), 0.0);
  EXPECT_GT(signals::peak(renderReplacing(*control, silence, block).left), 0.01);

  // Default chain: the oscillator's unfinished cycle still plays after suspend.
  auto mox = effecttest::makeEffect(rate);
  mox->setParameter(5, 0.0f);  // Mox alone
  renderReplacing(*mox, signals::sine(100.0, rate, 4096, 0.5), 4096);
  const int32_t pending = mox->oscillator().pendingCount();
  ASSERT_GT(pending, 8);
  mox->suspend();
  mox->resume();
  const auto after = renderReplacing(*mox, std::vector<float>(64, 0.0f), 64);
  EXPECT_GT(signals::peak(std::span<const float>(after.left).first(std::min<std::size_t>(64, pending))), 0.01);
}

TEST_F(ChainTest, accumulatingProcessAddsTheResultAndGrowsItsBuffersOnce)
{
  input = steppedTone(25000);
  auto replacing = effecttest::makeEffect(rate);
  const auto expected = renderReplacing(*replacing, input, 10000);

  std::vector<float> in0(input), in1(input.size(), 0.3f);
  std::vector<float> out0(input.size(), 0.25f), out1(input.size(), -0.5f);
  EXPECT_EQ(effect->scratchFrames(), 8192);
  for (std::size_t start = 0; start < input.size(); start += 10000) {
    const auto n = static_cast<int32_t>(std::min<std::size_t>(10000, input.size() - start));
    float* inputs[2] = {in0.data() + start, in1.data() + start};
    float* outputs[2] = {out0.data() + start, out1.data() + start};
    effect->process(inputs, outputs, n);
  }
  EXPECT_EQ(effect->scratchFrames(), 10000);
  for (std::size_t i = 0; i < input.size(); ++i) {
    ASSERT_NEAR(out0[i], 0.25f + expected.left[i], 1e-6f) << i;
    ASSERT_NEAR(out1[i], -0.5f + expected.left[i], 1e-6f) << i;
  }
  // A smaller block keeps the buffers as they are.
  float* inputs[2] = {in0.data(), in1.data()};
  float* outputs[2] = {out0.data(), out1.data()};
  effect->process(inputs, outputs, 512);
  EXPECT_EQ(effect->scratchFrames(), 10000);
}

}  // namespace
