// An automation thread changes parameters, programs, names and the sample rate
// while another thread processes blocks, the way hosts drive a plug-in. Built
// with ThreadSanitizer this shows that nothing shared is touched without an
// atomic; in any build it shows the audio stays finite and mono throughout.
#include <atomic>
#include <functional>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/FeedbackDelay.h"
#include "shapes/WaveShapeTable.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/support/signals.h"
#include "tests/support/WaitDeadline.h"

namespace {

// robustness: automation on another thread while the audio thread runs blocks => no data race (ThreadSanitizer build), the output stays sound
TEST(EffectThreadsTest, automationWhileProcessingIsRaceFreeAndKeepsTheOutputSound)
{
  effecttest::ShippedShapes shapes;
  auto effect = effecttest::makeEffect();
  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  std::atomic<int> badBlocks{0};

  std::thread audio([&] {
    const auto input = signals::sine(262.0, 44100.0, 2048, 0.7);
    std::vector<float> out0(2048), out1(2048);
    std::mt19937 random(11);
    while (!stop.load(std::memory_order_relaxed)) {
      float* inputs[2] = {const_cast<float*>(input.data()), const_cast<float*>(input.data())};
      float* outputs[2] = {out0.data(), out1.data()};
      const auto frames = static_cast<int32_t>(64 + random() % 1984);
      if (random() % 4 == 0) {
        std::fill(out0.begin(), out0.end(), 0.0f);
        std::fill(out1.begin(), out1.end(), 0.0f);
        effect->process(inputs, outputs, frames);
      } else {
        effect->processReplacing(inputs, outputs, frames);
      }
      for (int32_t i = 0; i < frames; ++i) {
        if (!std::isfinite(out0[static_cast<std::size_t>(i)]) ||
            out0[static_cast<std::size_t>(i)] != out1[static_cast<std::size_t>(i)]) {
          badBlocks.fetch_add(1, std::memory_order_relaxed);
          break;
        }
      }
      blocks.fetch_add(1, std::memory_order_relaxed);
    }
  });

  std::mt19937 random(22);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
  char text[64];
  // Keep changing things until the audio thread has been through plenty of
  // blocks, so the two really overlap.
  const testsupport::WaitDeadline deadline("300 blocks from the audio thread");
  for (int round = 0; round < 3000 || blocks.load(std::memory_order_relaxed) < 300; ++round) {
    deadline.check();
    const auto index = static_cast<int32_t>(random() % kParameterCount);
    effect->setParameterAutomated(index, value(random));
    effect->getParameterDisplay(index, text);
    (void)effect->getParameter(index);
    if (round % 97 == 0) effect->setProgram(static_cast<int32_t>(random() % 16));
    if (round % 211 == 0) effect->setSampleRate(rates[random() % std::size(rates)]);
    if (round % 389 == 0) effect->suspend();
    if (round % 50 == 0) {
      effect->getProgramName(text);
      effect->setProgramName(text);
    }
  }
  stop.store(true, std::memory_order_relaxed);
  audio.join();
  EXPECT_GE(blocks.load(), 300);
  EXPECT_EQ(badBlocks.load(), 0);
}

// The period of the tone `effect` makes of a 220 Hz sine at `rate`, measured
// over the second half of one second (the detector has settled by then).
double tonePeriod(PluginEffect& effect, float rate)
{
  const auto input = signals::sine(220.0, rate, static_cast<std::size_t>(rate), 0.7);
  const auto out = effecttest::renderReplacing(effect, input, 512);
  return signals::meanCrossingPeriod(std::span<const float>(out.left).subspan(out.left.size() / 2));
}

// robustness: 4000 sample-rate changes while blocks run => no freed table read; the tables follow the last rate
// Neither AddressSanitizer nor ThreadSanitizer finds anything, and the tone
// keeps its pitch afterwards.
TEST(EffectThreadsTest, sampleRateChangesWhileBlocksRunLeaveTheTablesBuiltForTheLastRate)
{
  effecttest::ShippedShapes shapes;
  // Low rates keep each rebuild of the tables short.
  auto effect = effecttest::makeEffect(8000.0f);
  // Short blocks of a chain without the Mox stage (the filter in two slots):
  // the audio thread takes offered tables every few hundred nanoseconds, so
  // it often does so in the middle of a rate change.
  effect->setParameter(firstParameter, effecttest::orderValue(1));
  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  std::thread audio([&] {
    constexpr int32_t kFrames = 32;
    const auto input = signals::sine(220.0, 8000.0, kFrames, 0.7);
    std::vector<float> out0(kFrames), out1(kFrames);
    float* inputs[2] = {const_cast<float*>(input.data()), const_cast<float*>(input.data())};
    float* outputs[2] = {out0.data(), out1.data()};
    while (!stop.load(std::memory_order_relaxed)) {
      effect->processReplacing(inputs, outputs, kFrames);
      blocks.fetch_add(1, std::memory_order_release);
    }
  });
  const testsupport::WaitDeadline deadline("blocks from the audio thread");
  // Once a block has started after the call, the rate set last is in force.
  const auto awaitBlockAfterRateChange = [&] {
    for (const int seen = blocks.load(std::memory_order_acquire); blocks.load(std::memory_order_acquire) < seen + 2;) {
      deadline.check();
      std::this_thread::yield();
    }
  };

  // Back and forth, as a host does on device changes: the rate the tables
  // are built for is set again while the audio thread may be taking the
  // tables offered for the one before. Every so often the host pauses, and
  // then the tables must follow it.
  const float rates[] = {11025.0f, 8000.0f, 16000.0f, 8000.0f};
  constexpr int kChanges = 4000;
  int ratesLost = 0;
  for (int change = 0; change < kChanges; ++change) {
    const float rate = rates[change % std::size(rates)];
    effect->setSampleRate(rate);
    if (change % 16 == 15) {
      awaitBlockAfterRateChange();
      if (effect->waveShapes().tableRate() != rate) ++ratesLost;
    }
  }
  const float lastRate = rates[(kChanges - 1) % std::size(rates)];
  awaitBlockAfterRateChange();
  stop.store(true, std::memory_order_relaxed);
  audio.join();

  EXPECT_EQ(ratesLost, 0);
  EXPECT_EQ(effect->waveShapes().tableRate(), lastRate);
  EXPECT_EQ(effect->waveShapes().tableLength(), static_cast<int>(lastRate));
  // The Mox stage back in: the same tone as an instance that only ever ran at the last rate.
  effect->setParameter(firstParameter, effecttest::orderValue(0));
  const auto fresh = effecttest::makeEffect(lastRate);
  EXPECT_NEAR(tonePeriod(*effect, lastRate), tonePeriod(*fresh, lastRate), 0.01 * tonePeriod(*fresh, lastRate));
}

// robustness: delay time, feedback and mix set on three threads at once => none undoes another; sounds like a fresh one
// A host's automation and the editor set different delay settings at the
// same moment, many times: no setter ever carries an old value of another's
// setting into the delay, and the delay then sounds like a fresh instance
// given the final values, to the sample.
TEST(EffectThreadsTest, delaySettingsSetOnThreeThreadsAtOnceNeverUndoEachOther)
{
  effecttest::ShippedShapes shapes;
  const auto delayAlone = [] {
    auto effect = effecttest::makeEffect();
    effecttest::setOrder(*effect, 1, 1, 2, 3);
    effect->setParameter(filterTypeParameter, 0.0f);  // the filter off
    return effect;
  };
  auto effect = delayAlone();
  const FeedbackDelay& delay = effect->delayStage();

  // Each thread sets one setting to a new value every time; before each set
  // it checks that the delay still holds the value it set last, which only
  // another setter carrying an old value along could have changed.
  constexpr int kSets = 20000;
  const auto valueOf = [](int set) { return 0.01f * static_cast<float>(1 + set % 50); };
  struct Setting {
    int32_t index;
    std::function<bool(float)> holds;
  };
  const Setting settings[] = {
      {delayTimeParameter,
       [&](float time) {
         return effect->core().delayLengthAt(44100.0) ==
                FeedbackDelay::lengthForSeconds(delaySecondsFor(time), 44100.0);
       }},
      {delayFeedBackParameter, [&](float feedback) { return delay.feedback() == feedback; }},
      {delayMixParameter, [&](float mix) { return delay.mix() == mix; }},
  };
  std::atomic<int> undone{0};
  std::vector<std::thread> setters;
  for (const Setting& setting : settings) {
    setters.emplace_back([&] {
      for (int set = 0; set < kSets; ++set) {
        if (set > 0 && !setting.holds(valueOf(set - 1))) undone.fetch_add(1, std::memory_order_relaxed);
        effect->setParameter(setting.index, valueOf(set));
      }
    });
  }
  for (auto& thread : setters) thread.join();
  EXPECT_EQ(undone.load(), 0);

  auto fresh = delayAlone();
  for (const Setting& setting : settings) fresh->setParameter(setting.index, valueOf(kSets - 1));
  const auto input = signals::sine(330.0, 44100.0, 44100, 0.5);
  EXPECT_EQ(effecttest::renderReplacing(*effect, input, 512).left,
            effecttest::renderReplacing(*fresh, input, 512).left);
}

}  // namespace
