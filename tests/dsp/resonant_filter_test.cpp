#include "dsp/ResonantFilter.h"
#include "tests/support/measure_stages.h"
#include "tests/support/signals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace {

using ::testing::ElementsAreArray;

constexpr int32_t kTypes[] = {ResonantFilter::lowPass, ResonantFilter::highPass, ResonantFilter::bandPass};
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

auto stageOf(ResonantFilter& filter, int32_t type)
{
  return [&filter, type](const float* in, float* out, int32_t count) { filter.process(in, out, count, type); };
}

ResonantFilter filterWith(float cutoff, float resonance)
{
  ResonantFilter filter;
  filter.setCoefficients(cutoff, resonance);
  return filter;
}

// The small-signal frequency response of the filter, derived from its
// coefficients as a transfer function rather than by running the recursion.
// One section: H(z) = g (1 + z^-1) / (1 + p z^-1). The first section sees
// u = x - f z^-1 L u, where L = H^4 is the low-pass path, so u = x / (1 + f z^-1 L).
// Low-pass L u, high-pass (1 - L) u, band-pass 3 (H^3 - H^4) u.
struct Responses {
  std::complex<double> low;
  std::complex<double> high;
  std::complex<double> band;

  std::complex<double> of(int32_t type) const
  {
    return type == ResonantFilter::lowPass ? low : type == ResonantFilter::highPass ? high : band;
  }
};

Responses analyticResponses(const ResonantFilter& filter, double cyclesPerSample)
{
  const std::complex<double> zInv = std::polar(1.0, -2.0 * std::numbers::pi * cyclesPerSample);
  const double g = filter.gainCoef();
  const double p = filter.poleCoef();
  const double f = filter.feedbackGain();
  const std::complex<double> section = g * (1.0 + zInv) / (1.0 + p * zInv);
  const std::complex<double> lowPath = std::pow(section, 4);
  const std::complex<double> fedBack = 1.0 / (1.0 + f * zInv * lowPath);
  return {lowPath * fedBack, (1.0 - lowPath) * fedBack, 3.0 * (std::pow(section, 3) - lowPath) * fedBack};
}

TEST(ResonantFilterTest, coefficientsAgreeWithAnIndependentlyExpandedFormula)
{
  for (const double r : {0.0, 0.3, 1.0}) {
    for (int step = 0; step <= 64; ++step) {
      const double x = step / 64.0;
      const ResonantFilter filter = filterWith(static_cast<float>(x), static_cast<float>(r));
      const double d = 1.0 - x;
      const double gain = x * (1.8 - 0.8 * x);
      const double feedback = r * (1.0 + 0.5 * d * (x + 5.6 * d * d));
      SCOPED_TRACE(testing::Message() << "x=" << x << " r=" << r);
      EXPECT_NEAR(filter.gainCoef(), gain, 1e-7);
      EXPECT_NEAR(filter.poleCoef(), 2.0 * gain - 1.0, 2e-7);
      EXPECT_NEAR(filter.feedbackGain(), feedback, 4e-7);
    }
  }
  // Landmarks: fully open is the construction state; half way; fully closed.
  const ResonantFilter fresh;
  const ResonantFilter open = filterWith(1.0f, 0.0f);
  EXPECT_EQ(open.gainCoef(), fresh.gainCoef());
  EXPECT_EQ(open.poleCoef(), fresh.poleCoef());
  EXPECT_EQ(open.feedbackGain(), fresh.feedbackGain());
  EXPECT_EQ(fresh.gainCoef(), 1.0f);
  EXPECT_EQ(fresh.poleCoef(), 1.0f);
  EXPECT_EQ(fresh.feedbackGain(), 0.0f);
  const ResonantFilter half = filterWith(0.5f, 0.8f);
  EXPECT_NEAR(half.gainCoef(), 0.7, 1e-7);
  EXPECT_NEAR(half.poleCoef(), 0.4, 1e-7);
  EXPECT_NEAR(half.feedbackGain(), 1.475 * 0.8, 1e-6);
  const ResonantFilter closed = filterWith(0.0f, 0.5f);
  EXPECT_EQ(closed.gainCoef(), 0.0f);
  EXPECT_EQ(closed.poleCoef(), -1.0f);
  EXPECT_NEAR(closed.feedbackGain(), 1.9, 1e-6);
}

// robustness: filter cut-off or resonance outside 0..1 or NaN => clamped, NaN ignored
TEST(ResonantFilterTest, settingsAreClampedToTheUnitRangeAndNaNIsIgnored)
{
  ResonantFilter filter;
  filter.setCoefficients(1.7f, 1.3f);
  EXPECT_EQ(filter.cutoff(), 1.0f);
  EXPECT_EQ(filter.resonance(), 1.0f);
  EXPECT_EQ(filter.gainCoef(), 1.0f);
  EXPECT_EQ(filter.feedbackGain(), 1.0f);
  filter.setCoefficients(-0.2f, -0.5f);
  EXPECT_EQ(filter.cutoff(), 0.0f);
  EXPECT_EQ(filter.resonance(), 0.0f);
  filter.setCoefficients(0.25f, 0.6f);
  filter.setCoefficients(kNaN, kNaN);
  EXPECT_EQ(filter.cutoff(), 0.25f);
  EXPECT_EQ(filter.resonance(), 0.6f);
  EXPECT_EQ(filter.gainCoef(), filterWith(0.25f, 0.6f).gainCoef());
  EXPECT_EQ(filter.feedbackGain(), filterWith(0.25f, 0.6f).feedbackGain());
  filter.setCoefficients(kInf, -kInf);
  EXPECT_EQ(filter.cutoff(), 1.0f);
  EXPECT_EQ(filter.resonance(), 0.0f);
}

// Steady-state gain of stepped sines, each on an exact bin of the analysis
// window, against the transfer function of the filter's own coefficients. The
// level is low enough that the cubic clip is negligible.
TEST(ResonantFilterTest, measuredGainOfSteppedSinesFollowsTheAnalyticResponse)
{
  constexpr std::size_t kWindow = 4096;
  constexpr std::size_t kSettle = 32768;
  constexpr double kLevel = 1e-3;
  for (const float cutoff : {0.02f, 0.1f, 0.35f}) {
    for (const float resonance : {0.0f, 0.5f, 0.9f}) {
      for (const int32_t type : kTypes) {
        for (const std::size_t bin : {4u, 20u, 60u, 150u, 400u, 1000u, 1900u}) {
          const double cycles = static_cast<double>(bin) / kWindow;
          ResonantFilter filter = filterWith(cutoff, resonance);
          const auto input = signals::sine(cycles, 1.0, kSettle + kWindow, kLevel);
          const auto output = measure::inBlocks(stageOf(filter, type), input, 512);
          const std::span<const float> tail(output.data() + kSettle, kWindow);
          const std::span<const float> inTail(input.data() + kSettle, kWindow);
          const double measured = signals::dftMagnitude(tail, bin) / signals::dftMagnitude(inTail, bin);
          const double expected = std::abs(analyticResponses(filter, cycles).of(type));
          SCOPED_TRACE(testing::Message()
                       << "cutoff=" << cutoff << " resonance=" << resonance << " type=" << type << " bin=" << bin);
          EXPECT_NEAR(measured, expected, 0.003 * expected + 2e-4);
        }
      }
    }
  }
}

TEST(ResonantFilterTest, resonanceRaisesAMeasuredPeakNearTheCutoff)
{
  // Largest measured low-pass gain over sines from 0.2 to 2 times the cut-off.
  constexpr std::size_t kWindow = 2048;
  constexpr std::size_t kSettle = 16384;
  const auto peakGain = [&](float resonance) {
    double best = 0.0;
    for (std::size_t bin = 20; bin <= 400; bin += 10) {
      ResonantFilter filter = filterWith(0.1f, resonance);
      const auto input = signals::sine(static_cast<double>(bin) / kWindow, 1.0, kSettle + kWindow, 1e-3);
      const auto output = measure::inBlocks(stageOf(filter, ResonantFilter::lowPass), input, 512);
      best = std::max(best, signals::dftMagnitude(std::span<const float>(output.data() + kSettle, kWindow), bin) /
                                signals::dftMagnitude(std::span<const float>(input.data() + kSettle, kWindow), bin));
    }
    return best;
  };
  const double none = peakGain(0.0f);
  const double some = peakGain(0.6f);
  const double strong = peakGain(0.95f);
  EXPECT_LT(none, 1.0);
  EXPECT_GT(some, none);
  EXPECT_GT(strong, 2.0 * some);
}

TEST(ResonantFilterTest, splittingTheBlockNeverChangesTheOutput)
{
  const auto input = signals::noise(12000, 7, 0.9);
  for (const int32_t type : kTypes) {
    ResonantFilter whole = filterWith(0.12f, 0.85f);
    const auto reference = measure::inBlocks(stageOf(whole, type), input, input.size());
    for (const std::size_t blockSize : {1u, 7u, 64u, 4096u}) {
      ResonantFilter split = filterWith(0.12f, 0.85f);
      EXPECT_THAT(measure::inBlocks(stageOf(split, type), input, blockSize), ElementsAreArray(reference))
          << "type " << type << ", blocks of " << blockSize;
    }
  }
}

TEST(ResonantFilterTest, coefficientsSwitchedBetweenCallsCarryTheStateOver)
{
  // The pitch-tracking path filters the first part of a block with one cut-off
  // and the rest with another; in place, in one call or sample by sample.
  const auto input = signals::noise(3000, 11, 0.7);
  constexpr std::size_t kSplit = 1234;
  ResonantFilter twoCalls = filterWith(0.05f, 0.7f);
  std::vector<float> inPlace = input;
  twoCalls.process(inPlace.data(), inPlace.data(), kSplit, ResonantFilter::bandPass);
  twoCalls.setCoefficients(0.3f, 0.7f);
  twoCalls.process(inPlace.data() + kSplit, inPlace.data() + kSplit, static_cast<int32_t>(input.size() - kSplit),
                   ResonantFilter::bandPass);

  ResonantFilter perSample = filterWith(0.05f, 0.7f);
  std::vector<float> separate(input.size());
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (i == kSplit) perSample.setCoefficients(0.3f, 0.7f);
    perSample.process(&input[i], &separate[i], 1, ResonantFilter::bandPass);
  }
  EXPECT_THAT(inPlace, ElementsAreArray(separate));
}

TEST(ResonantFilterTest, highPassIsTheInputAfterFeedbackMinusTheLowPass)
{
  const auto input = signals::noise(5000, 3, 0.8);
  for (const float resonance : {0.0f, 0.6f, 1.0f}) {
    ResonantFilter low = filterWith(0.2f, resonance);
    ResonantFilter high = filterWith(0.2f, resonance);
    const auto lowOut = measure::inBlocks(stageOf(low, ResonantFilter::lowPass), input, 256);
    const auto highOut = measure::inBlocks(stageOf(high, ResonantFilter::highPass), input, 256);
    const double feedback = low.feedbackGain();
    for (std::size_t i = 0; i < input.size(); ++i) {
      const double previousLow = i == 0 ? 0.0 : lowOut[i - 1];
      const double afterFeedback = input[i] - feedback * previousLow;
      ASSERT_NEAR(highOut[i], afterFeedback - lowOut[i], 1e-6) << "sample " << i << " resonance " << resonance;
    }
  }
}

TEST(ResonantFilterTest, unknownTypeLeavesTheOutputAloneButAdvancesTheState)
{
  const auto first = signals::noise(700, 5, 0.5);
  const auto second = signals::noise(700, 6, 0.5);
  ResonantFilter silentRun = filterWith(0.15f, 0.6f);
  ResonantFilter lowRun = filterWith(0.15f, 0.6f);

  std::vector<float> untouched(first.size(), 42.0f);
  silentRun.process(first.data(), untouched.data(), static_cast<int32_t>(first.size()), 3);
  EXPECT_THAT(untouched, testing::Each(42.0f));
  std::vector<float> scratch(first.size());
  lowRun.process(first.data(), scratch.data(), static_cast<int32_t>(first.size()), ResonantFilter::lowPass);

  std::vector<float> a(second.size());
  std::vector<float> b(second.size());
  silentRun.process(second.data(), a.data(), static_cast<int32_t>(second.size()), ResonantFilter::lowPass);
  lowRun.process(second.data(), b.data(), static_cast<int32_t>(second.size()), ResonantFilter::lowPass);
  EXPECT_THAT(a, ElementsAreArray(b));
}

TEST(ResonantFilterTest, silenceStaysSilentAndAnEmptyBlockChangesNothing)
{
  const std::vector<float> silence(2048, 0.0f);
  for (const float cutoff : {0.0f, 0.01f, 0.5f, 1.0f}) {
    for (const int32_t type : kTypes) {
      ResonantFilter filter = filterWith(cutoff, 1.0f);
      EXPECT_THAT(measure::inBlocks(stageOf(filter, type), silence, 100), testing::Each(0.0f));
    }
  }
  ResonantFilter touched = filterWith(0.3f, 0.5f);
  ResonantFilter untouched = filterWith(0.3f, 0.5f);
  float sentinel = 9.0f;
  touched.process(nullptr, &sentinel, 0, ResonantFilter::lowPass);
  touched.process(nullptr, &sentinel, -5, ResonantFilter::lowPass);
  EXPECT_EQ(sentinel, 9.0f);
  const auto input = signals::noise(300, 1, 0.5);
  EXPECT_THAT(measure::inBlocks(stageOf(touched, 0), input, 64),
              ElementsAreArray(measure::inBlocks(stageOf(untouched, 0), input, 64)));
}

TEST(ResonantFilterTest, zeroCutoffShutsTheInputOutAndLetsStage4DecayAlone)
{
  const auto warmUp = signals::sine(0.01, 1.0, 2000, 0.8);
  ResonantFilter a = filterWith(0.3f, 0.0f);
  ResonantFilter b = filterWith(0.3f, 0.0f);
  measure::inBlocks(stageOf(a, 0), warmUp, 2000);
  measure::inBlocks(stageOf(b, 0), warmUp, 2000);
  a.setCoefficients(0.0f, 0.0f);
  b.setCoefficients(0.0f, 0.0f);
  // Different inputs, same output: nothing reaches the sections any more.
  const auto outA = measure::inBlocks(stageOf(a, 0), signals::noise(20000, 1, 1.0), 512);
  const auto outB = measure::inBlocks(stageOf(b, 0), std::vector<float>(20000, 0.0f), 512);
  EXPECT_THAT(outA, ElementsAreArray(outB));
  // Only the soft clip acts on stage4 now: it shrinks slowly, without changing sign.
  ASSERT_NE(outA.front(), 0.0f);
  for (std::size_t i = 1; i < outA.size(); ++i) {
    ASSERT_LE(std::fabs(outA[i]), std::fabs(outA[i - 1])) << i;
    ASSERT_GE(outA[i] * outA.front(), 0.0f) << i;
  }
  EXPECT_LT(std::fabs(outA.back()), 0.5 * std::fabs(outA.front()));
  EXPECT_GT(std::fabs(outA[10]), 0.9 * std::fabs(outA.front()));  // slowly
}

// At high cut-off and full resonance a full-scale input drives the clip's
// argument beyond the point where the cubic turns back; the filter must
// still stay finite and bounded for every type.
// robustness: resonance 1.0 with input far above full scale => output bounded
TEST(ResonantFilterTest, fullResonanceAndHotInputStayBounded)
{
  const double clipPeak = 2.0 * std::sqrt(2.0) / 3.0;
  for (const float cutoff : {0.001f, 0.05f, 0.3f, 0.65f, 0.9f, 1.0f}) {
    for (const double level : {1.0, 4.0, 1e6}) {
      std::vector<float> input = signals::sine(0.137, 1.0, 20000, level);
      const auto noise = signals::noise(20000, 9, level);
      input.insert(input.end(), noise.begin(), noise.end());
      for (const int32_t type : kTypes) {
        ResonantFilter filter = filterWith(cutoff, 1.0f);
        const auto out = measure::inBlocks(stageOf(filter, type), input, 512);
        const double bound = type == ResonantFilter::lowPass ? clipPeak : 200.0 * level;
        for (float y : out) {
          ASSERT_TRUE(std::isfinite(y)) << "cutoff " << cutoff << " level " << level << " type " << type;
          ASSERT_LE(std::fabs(y), bound + 1e-6) << "cutoff " << cutoff << " level " << level;
        }
      }
    }
  }
}

// robustness: NaN or infinite samples into the filter => filtered as silence; the state is not poisoned
TEST(ResonantFilterTest, nonFiniteSamplesAreFilteredAsSilence)
{
  const auto clean = signals::noise(4000, 21, 0.6);
  std::vector<float> dirty = clean;
  std::vector<float> zeroed = clean;
  for (const std::size_t at : {10u, 500u, 501u, 2999u}) {
    dirty[at] = at % 2 ? kNaN : (at == 10 ? kInf : -kInf);
    zeroed[at] = 0.0f;
  }
  for (const int32_t type : kTypes) {
    ResonantFilter a = filterWith(0.2f, 0.9f);
    ResonantFilter b = filterWith(0.2f, 0.9f);
    const auto outDirty = measure::inPlaceInBlocks(stageOf(a, type), dirty, 128);
    EXPECT_THAT(outDirty, ElementsAreArray(measure::inBlocks(stageOf(b, type), zeroed, 128)));
  }
  // The largest floats are limited rather than overflowing the state.
  ResonantFilter filter = filterWith(0.9f, 0.5f);
  std::vector<float> huge(1000);
  for (std::size_t i = 0; i < huge.size(); ++i)
    huge[i] = i % 3 ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max();
  for (const int32_t type : kTypes) {
    for (float y : measure::inBlocks(stageOf(filter, type), huge, 100)) ASSERT_TRUE(std::isfinite(y));
  }
}

TEST(ResonantFilterTest, resetGivesTheBehaviourOfAFreshFilter)
{
  ResonantFilter used = filterWith(0.07f, 0.95f);
  std::vector<float> abuse = signals::noise(5000, 2, 1e10);
  abuse[17] = kNaN;
  measure::inBlocks(stageOf(used, ResonantFilter::bandPass), abuse, 333);
  used.reset();
  ResonantFilter fresh = filterWith(0.07f, 0.95f);
  const auto input = signals::noise(3000, 4, 0.5);
  EXPECT_THAT(measure::inBlocks(stageOf(used, ResonantFilter::bandPass), input, 64),
              ElementsAreArray(measure::inBlocks(stageOf(fresh, ResonantFilter::bandPass), input, 64)));
}

}  // namespace
