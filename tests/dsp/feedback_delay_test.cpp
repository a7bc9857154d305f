#include "dsp/FeedbackDelay.h"
#include "tests/support/measure_stages.h"
#include "tests/support/signals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace {

// " Delay Time " values as the effect turns them into seconds (0..1 is 0..5 s).
int32_t lengthForTime(float delayTime, double tableRate)
{
  return FeedbackDelay::lengthForSeconds(static_cast<double>(delayTime) * FeedbackDelay::kLongestSeconds, tableRate);
}

using ::testing::ElementsAreArray;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

auto stageOf(FeedbackDelay& delay)
{
  return [&delay](const float* in, float* out, int32_t count) { delay.process(in, out, count); };
}

// The delay line is 1.9 MB: keep it off the stack.
std::unique_ptr<FeedbackDelay> delayWith(int32_t length, float feedback, float mix)
{
  auto delay = std::make_unique<FeedbackDelay>();
  delay->configure(length, feedback, mix);
  return delay;
}

// Every non-zero output sample, by position.
std::map<std::size_t, float> nonZero(const std::vector<float>& samples)
{
  std::map<std::size_t, float> found;
  for (std::size_t i = 0; i < samples.size(); ++i)
    if (samples[i] != 0.0f) found[i] = samples[i];
  return found;
}

TEST(FeedbackDelayTest, lengthFollowsTheDelayTimeAndIsBoundedByTheLine)
{
  EXPECT_EQ(lengthForTime(0.2f, 44100.0), 44100);
  EXPECT_EQ(lengthForTime(1.0f, 44100.0), 220500);
  EXPECT_EQ(lengthForTime(1.0f, 96000.0), 480000);
  EXPECT_EQ(lengthForTime(0.5f, 48000.0), 120000);
  EXPECT_EQ(lengthForTime(0.0f, 44100.0), 0);
  // Truncated toward zero, on both sides.
  EXPECT_EQ(lengthForTime(0.33333334f, 8000.0), 13333);
  EXPECT_EQ(lengthForTime(-0.1f, 44100.0), -22050);
  // Beyond the line (possible above 96 kHz), and values that are not numbers.
  EXPECT_EQ(lengthForTime(1.0f, 384000.0), FeedbackDelay::capacity);
  EXPECT_EQ(lengthForTime(1e30f, 44100.0), FeedbackDelay::capacity);
  EXPECT_EQ(lengthForTime(kInf, 44100.0), FeedbackDelay::capacity);
  EXPECT_EQ(lengthForTime(-kInf, 44100.0), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(lengthForTime(kNaN, 44100.0), 0);
  EXPECT_EQ(lengthForTime(0.5f, std::nan("")), 0);
  EXPECT_EQ(lengthForTime(0.0f, std::numeric_limits<double>::infinity()), 0);
}

TEST(FeedbackDelayTest, impulseComesBackEveryDelayScaledByMixThenByFeedback)
{
  const int32_t length = lengthForTime(0.2f, 44100.0);  // one second
  auto delay = delayWith(length, 0.5f, 0.8f);
  const auto out = measure::inBlocks(stageOf(*delay), measure::impulse(4 * 44100 + 10), 512);
  const std::map<std::size_t, float> expected{{0, 1.0f}, {44100, 0.8f}, {88200, 0.4f}, {132300, 0.2f}, {176400, 0.1f}};
  EXPECT_EQ(nonZero(out), expected);
}

TEST(FeedbackDelayTest, feedbackZeroGivesOneEchoAndOneRepeatsWithoutDecay)
{
  auto single = delayWith(300, 0.0f, 0.7f);
  EXPECT_EQ(nonZero(measure::inBlocks(stageOf(*single), measure::impulse(3000), 128)),
            (std::map<std::size_t, float>{{0, 1.0f}, {300, 0.7f}}));

  auto endless = delayWith(300, 1.0f, 0.7f);
  std::map<std::size_t, float> expected{{0, 1.0f}};
  for (std::size_t k = 1; k <= 60; ++k) expected[k * 300] = 0.7f;
  EXPECT_EQ(nonZero(measure::inBlocks(stageOf(*endless), measure::impulse(60 * 300 + 1), 128)), expected);

  // Above 1 every lap would be louder than the last, up to infinity: taken as 1.
  auto runaway = delayWith(300, 2.5f, 0.7f);
  EXPECT_EQ(runaway->feedback(), 1.0f);
  EXPECT_EQ(nonZero(measure::inBlocks(stageOf(*runaway), measure::impulse(60 * 300 + 1), 128)), expected);
  auto inverting = delayWith(10, -3.0f, 1.0f);
  EXPECT_EQ(inverting->feedback(), -1.0f);
}

// robustness: delay length 0 or negative => a delay of one sample
TEST(FeedbackDelayTest, zeroOrNegativeLengthIsADelayOfOneSample)
{
  for (const int32_t length : {0, 1, -5, std::numeric_limits<int32_t>::min()}) {
    auto delay = delayWith(length, 0.5f, 1.0f);
    const auto out = measure::inBlocks(stageOf(*delay), measure::impulse(8), 3);
    EXPECT_THAT(out, ElementsAreArray({1.0f, 1.0f, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f, 0.015625f}))
        << "length " << length;
    EXPECT_EQ(delay->cursor(), 0);
  }
}

TEST(FeedbackDelayTest, theWholeLineIsUsedAtHighRatesWithoutReachingBeyondIt)
{
  // Five seconds at 384 kHz would need 1.92 million entries; the length is held to the line.
  auto delay = delayWith(lengthForTime(1.0f, 384000.0), 0.5f, 1.0f);
  const auto out = measure::inBlocks(stageOf(*delay), measure::impulse(2 * FeedbackDelay::capacity + 1), 100000);
  EXPECT_EQ(delay->length(), FeedbackDelay::capacity);
  EXPECT_EQ(nonZero(out), (std::map<std::size_t, float>{
                              {0, 1.0f}, {FeedbackDelay::capacity, 1.0f}, {2 * FeedbackDelay::capacity, 0.5f}}));
  // A length far beyond the line, given directly, is bounded as well.
  auto direct = delayWith(std::numeric_limits<int32_t>::max(), 0.0f, 1.0f);
  EXPECT_EQ(direct->pendingLength(), FeedbackDelay::capacity);
  const auto directOut = measure::inBlocks(stageOf(*direct), measure::impulse(FeedbackDelay::capacity + 1), 65536);
  EXPECT_EQ(nonZero(directOut), (std::map<std::size_t, float>{{0, 1.0f}, {FeedbackDelay::capacity, 1.0f}}));
}

TEST(FeedbackDelayTest, newLengthWaitsForTheNextBlock)
{
  auto delay = delayWith(100, 0.0f, 1.0f);
  EXPECT_EQ(delay->length(), 0);
  EXPECT_EQ(delay->pendingLength(), 100);
  std::vector<float> block(64, 0.0f);
  delay->process(block.data(), block.data(), 64);
  EXPECT_EQ(delay->length(), 100);

  // To a new length and back to the one in force before any block: the
  // latest plays, and a new one given after it takes force.
  delay->configure(200, 0.0f, 1.0f);
  delay->configure(100, 0.0f, 1.0f);
  EXPECT_EQ(delay->pendingLength(), 100);
  delay->process(block.data(), block.data(), 64);
  EXPECT_EQ(delay->length(), 100);
  delay->configure(200, 0.0f, 1.0f);
  delay->process(block.data(), block.data(), 64);
  EXPECT_EQ(delay->length(), 200);

  // An empty block takes nothing.
  delay->configure(50, 0.0f, 1.0f);
  delay->process(nullptr, nullptr, 0);
  EXPECT_EQ(delay->length(), 200);
  EXPECT_EQ(delay->cursor(), 92);
}

TEST(FeedbackDelayTest, aChangeMidBlockTakesForceOnlyAtTheNextBlockAndKeepsTheCursor)
{
  auto delay = delayWith(1000, 0.0f, 1.0f);
  std::vector<float> block(512, 0.0f);
  block[0] = 1.0f;  // written at cursor 0
  delay->process(block.data(), block.data(), 512);
  delay->configure(300, 0.0f, 1.0f);  // shorter than the cursor's index (512)
  EXPECT_EQ(delay->cursor(), 512);
  std::vector<float> next(1, 0.0f);
  delay->process(next.data(), next.data(), 1);
  EXPECT_EQ(delay->cursor(), 0) << "the cursor returns to the start after its next step";
  // The impulse sits at index 0 and is met again at once, 513 samples after it was written.
  std::vector<float> rest(400, 0.0f);
  delay->process(rest.data(), rest.data(), 400);
  EXPECT_EQ(nonZero(rest), (std::map<std::size_t, float>{{0, 1.0f}}));
}

TEST(FeedbackDelayTest, longerLengthRunsIntoWhatTheLineStillHolds)
{
  auto delay = delayWith(70, 0.0f, 1.0f);
  const auto first = signals::noise(70, 3, 0.5);
  std::vector<float> out(70);
  delay->process(first.data(), out.data(), 70);  // entries 0..69 hold `first`, cursor back at 0
  const std::vector<float> silence(70, 0.0f);
  delay->configure(50, 0.0f, 1.0f);
  delay->process(silence.data(), out.data(), 50);  // replays 0..49 and zeroes them
  EXPECT_THAT(std::vector<float>(out.begin(), out.begin() + 50),
              ElementsAreArray(std::vector<float>(first.begin(), first.begin() + 50)));
  // Back to 70: entries 50..69 were never cleared, so the old sound comes back.
  delay->configure(70, 0.0f, 1.0f);
  delay->process(silence.data(), out.data(), 70);
  std::vector<float> expected(70, 0.0f);
  std::copy(first.begin() + 50, first.end(), expected.begin() + 50);
  EXPECT_THAT(out, ElementsAreArray(expected));
}

TEST(FeedbackDelayTest, splitBlocksAndInPlaceProcessingGiveIdenticalOutput)
{
  const auto input = signals::noise(20000, 17, 0.8);
  auto whole = delayWith(1237, 0.7f, 0.6f);
  const auto reference = measure::inBlocks(stageOf(*whole), input, input.size());
  for (const std::size_t blockSize : {1u, 7u, 64u, 4096u}) {
    auto separate = delayWith(1237, 0.7f, 0.6f);
    EXPECT_THAT(measure::inBlocks(stageOf(*separate), input, blockSize), ElementsAreArray(reference))
        << "blocks of " << blockSize;
    auto inPlace = delayWith(1237, 0.7f, 0.6f);
    EXPECT_THAT(measure::inPlaceInBlocks(stageOf(*inPlace), input, blockSize), ElementsAreArray(reference))
        << "in place, blocks of " << blockSize;
  }
  // Against a plain model of an echo chain: y[n] = x[n] + mix * w[n - L], w[n] = x[n] + fb * w[n - L].
  std::vector<double> written(input.size());
  for (std::size_t n = 0; n < input.size(); ++n) {
    const double old = n >= 1237 ? written[n - 1237] : 0.0;
    written[n] = static_cast<float>(input[n] + 0.7f * old);
    ASSERT_NEAR(reference[n], input[n] + 0.6f * old, 1e-6) << n;
  }
}

TEST(FeedbackDelayTest, clearSilencesTheLineButKeepsCursorAndLength)
{
  auto delay = delayWith(400, 0.9f, 1.0f);
  const auto loud = signals::noise(1000, 8, 0.9);
  std::vector<float> scratch(loud.size());
  delay->process(loud.data(), scratch.data(), static_cast<int32_t>(loud.size()));
  const int32_t cursor = delay->cursor();
  delay->clear();
  EXPECT_EQ(delay->cursor(), cursor);
  EXPECT_EQ(delay->length(), 400);
  const auto quiet = signals::noise(400, 9, 0.5);
  std::vector<float> out(quiet.size());
  delay->process(quiet.data(), out.data(), static_cast<int32_t>(quiet.size()));
  EXPECT_THAT(out, ElementsAreArray(quiet));  // nothing left to echo
}

// robustness: NaN or infinite samples into the delay => enter the line as silence; nothing non-finite circulates
TEST(FeedbackDelayTest, nonFiniteSamplesPassThroughAsSilence)
{
  const auto clean = signals::noise(3000, 12, 0.5);
  std::vector<float> dirty = clean;
  std::vector<float> zeroed = clean;
  for (const std::size_t at : {0u, 250u, 251u, 1999u}) {
    dirty[at] = at == 250 ? kInf : (at == 251 ? -kInf : kNaN);
    zeroed[at] = 0.0f;
  }
  auto a = delayWith(97, 1.0f, 0.8f);
  auto b = delayWith(97, 1.0f, 0.8f);
  EXPECT_THAT(measure::inPlaceInBlocks(stageOf(*a), dirty, 100),
              ElementsAreArray(measure::inBlocks(stageOf(*b), zeroed, 100)));

  // A steady stream of the largest floats, fed back without loss, stays finite.
  auto saturated = delayWith(1, 1.0f, FeedbackDelay::kLargestMix);
  const std::vector<float> huge(50000, std::numeric_limits<float>::max());
  for (float y : measure::inBlocks(stageOf(*saturated), huge, 4096)) ASSERT_TRUE(std::isfinite(y));
}

// robustness: NaN delay feedback or mix => ignored, the value in force stays
TEST(FeedbackDelayTest, nanSettingsAreIgnoredAndDryGainIsAlwaysOne)
{
  auto delay = delayWith(10, 0.25f, 0.5f);
  delay->configure(10, kNaN, kNaN);
  EXPECT_EQ(delay->feedback(), 0.25f);
  EXPECT_EQ(delay->mix(), 0.5f);
  EXPECT_EQ(delay->dryGain(), 1.0f);
  delay->configure(10, 0.1f, kInf);
  EXPECT_EQ(delay->mix(), FeedbackDelay::kLargestMix);
  // Mix outside 0..1 passes: a louder (or inverted) echo.
  delay->configure(10, 0.0f, -1.5f);
  const auto out = measure::inBlocks(stageOf(*delay), measure::impulse(30), 30);
  EXPECT_EQ(nonZero(out), (std::map<std::size_t, float>{{0, 1.0f}, {10, -1.5f}}));
  EXPECT_EQ(delay->lastDelayed(), 0.0f);
}

// Settings arrive from the interface thread while the audio thread runs; under
// ThreadSanitizer this also proves the hand-over is race-free.
// robustness: delay settings changed from another thread mid-block => the cursor stays within the line
TEST(FeedbackDelayTest, configuringFromAnotherThreadWhileProcessingStaysWithinTheLine)
{
  auto delay = delayWith(1000, 0.5f, 0.5f);
  std::atomic<bool> done{false};
  std::thread settings([&] {
    for (uint32_t i = 0; !done.load(); ++i) {
      // Lengths from -1000 to twice the line, feedback 0 .. 1, mix 0 .. 1.
      const auto length = static_cast<int32_t>(i * 7919u % (2u * FeedbackDelay::capacity)) - 1000;
      delay->configure(length, static_cast<float>(i % 3) * 0.5f, static_cast<float>(i % 5) * 0.25f);
    }
  });
  std::vector<float> block = signals::noise(256, 5, 0.5);
  for (int pass = 0; pass < 2000; ++pass) {
    delay->process(block.data(), block.data(), static_cast<int32_t>(block.size()));
    ASSERT_LE(delay->length(), FeedbackDelay::capacity);
    ASSERT_GE(delay->cursor(), 0);
    ASSERT_LT(delay->cursor(), FeedbackDelay::capacity);
    for (float& y : block) {
      ASSERT_TRUE(std::isfinite(y));
      y *= 0.5f;
    }
  }
  done.store(true);
  settings.join();
}

}  // namespace
