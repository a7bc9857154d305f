// Hostile hosts: values that are not numbers or far out of range, indices and
// program numbers outside the tables, missing buffers, empty and huge blocks,
// every common sample rate and a change between any two blocks. Nothing may
// crash, nothing may leave a buffer, and finite input must give finite output.
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/FeedbackDelay.h"
#include "effect/ParameterTable.h"
#include "shapes/WaveShapeTable.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/support/signals.h"

namespace {

using effecttest::allFinite;
using effecttest::renderReplacing;

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
const float hostileValues[] = {nan, inf, -inf, 3.4e38f, -3.4e38f, 1e30f, -1e30f, 1e-40f, 2.0f, -1.0f, 7.5f};

class RobustnessTest : public ::testing::Test {
protected:
  effecttest::ShippedShapes shapes;
  std::unique_ptr<PluginEffect> effect = effecttest::makeEffect();
  std::vector<float> tone = signals::sine(330.0, 44100.0, 8192, 0.8);
};

// robustness: setParameter with NaN, +inf or -inf on every parameter => refused: the value, the program field and every derived setting stay as they were
TEST_F(RobustnessTest, valuesThatAreNotNumbersAreRefusedAndChangeNothing)
{
  std::vector<float> before(kParameterCount);
  for (int32_t i = 0; i < kParameterCount; ++i) before[static_cast<std::size_t>(i)] = effect->getParameter(i);
  const PluginProgram::Values stored = effect->programAt(0).values();
  for (int32_t i = 0; i < kParameterCount; ++i) {
    for (float v : {nan, inf, -inf}) effect->setParameter(i, v);
  }
  for (int32_t i = 0; i < kParameterCount; ++i)
    EXPECT_EQ(effect->getParameter(i), before[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(effect->programAt(0).values(), stored);
  EXPECT_EQ(effect->core().delayLengthAt(44100.0), 0);
}

// robustness: setParameter with huge (+-3.4e38, +-1e30), negative (-1), above-range (2, 7.5) or denormal values on each parameter => held to 0..1 (the Volume follows its curve up to a gain of 16; a negative WaveShape refused); the output stays finite and both outputs equal; the display fits its buffer
TEST_F(RobustnessTest, everyHostileValueOnEveryParameterKeepsTheOutputFinite)
{
  for (int32_t i = 0; i < kParameterCount; ++i) {
    for (float v : hostileValues) {
      auto subject = effecttest::makeEffect();
      subject->setParameter(8, 0.5f);   // delay and distortion running, so every
      subject->setParameter(12, 0.5f);  // stage sees what follows
      subject->setParameter(i, v);
      const auto out = renderReplacing(*subject, tone, 1024);
      ASSERT_TRUE(allFinite(out.left)) << "parameter " << i << " value " << v;
      ASSERT_EQ(out.left, out.right);
      ASSERT_TRUE(std::isfinite(subject->getParameter(i))) << i;
      char text[64];
      subject->getParameterDisplay(i, text);
      ASSERT_LT(std::strlen(text), kParameterTextCapacity) << i;
    }
  }
}

// robustness: Delay Time beyond the line (1.0 at 384 kHz = 1920000 samples, 3e38) => the length is held at the 480000-sample line
// robustness: Delay Time NaN => ignored: the delay length in force stays
// robustness: Delay Time negative (-5 on parameter 11) => held to 0: a delay of one sample; the output stays finite
TEST_F(RobustnessTest, delayLengthsStayWithinTheLineForAnyTimeAndRate)
{
  effect->setSampleRate(384000.0f);
  const auto lengthInForce = [this] {
    renderReplacing(*effect, std::vector<float>(64, 0.0f), 64);  // the next block takes the time
    return effect->delayStage().length();
  };
  effect->setParameter(8, 1.0f);
  effect->setParameter(9, 1.0f);  // 5 s at 384 kHz would be 1920000 samples
  EXPECT_EQ(lengthInForce(), FeedbackDelay::capacity);
  effect->setParameter(9, 3e38f);
  EXPECT_EQ(lengthInForce(), FeedbackDelay::capacity);
  effect->setParameter(9, 0.1f);
  EXPECT_EQ(lengthInForce(), 192000);
  effect->setParameter(9, nan);
  EXPECT_EQ(lengthInForce(), 192000);
  effect->setParameter(11, -5.0f);
  EXPECT_EQ(lengthInForce(), 0);
  EXPECT_TRUE(allFinite(renderReplacing(*effect, tone, 512).left));
}

// robustness: parameter index outside 0..23 (-1, 24, 99, 1000, INT32_MIN, INT32_MAX) for set, get, name, display and label => set ignored, get answers 0, name left as it was, display empty, label " "
// robustness: program number outside 0..15 (-1, 16, INT32_MIN, INT32_MAX) by setProgram and effSetProgram => ignored: the current program stays
// robustness: null text buffer for every name, label, display and program-name call, direct and through the dispatcher => nothing written, no crash
TEST_F(RobustnessTest, indicesAndProgramNumbersOutsideTheTablesAreHarmless)
{
  const int32_t badIndices[] = {-1, 24, 25, 99, 1000, INT32_MIN, INT32_MAX};
  for (int32_t index : badIndices) {
    effect->setParameter(index, 0.5f);
    EXPECT_EQ(effect->getParameter(index), 0.0f);
    char text[32] = "unchanged";
    effect->getParameterName(index, text);
    EXPECT_STREQ(text, "unchanged");
    effect->getParameterDisplay(index, text);
    EXPECT_STREQ(text, "");
    effect->getParameterLabel(index, text);
    EXPECT_STREQ(text, " ");
  }
  for (int32_t program : {-1, 16, INT32_MIN, INT32_MAX}) {
    effect->setProgram(program);
    effect->dispatcher(effSetProgram, 0, program, nullptr, 0.0f);
  }
  EXPECT_EQ(effect->getProgram(), 0);
  // Null text buffers, directly and through the dispatcher.
  for (int32_t index = -1; index <= 18; ++index) {
    effect->getParameterName(index, nullptr);
    effect->getParameterDisplay(index, nullptr);
    effect->getParameterLabel(index, nullptr);
    for (int32_t opcode : {effGetParamLabel, effGetParamDisplay, effGetParamName}) {
      effect->dispatcher(opcode, index, 0, nullptr, 0.0f);
    }
  }
  effect->setProgramName(nullptr);
  effect->getProgramName(nullptr);
  effect->dispatcher(effSetProgramName, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effGetProgramName, 0, 0, nullptr, 0.0f);
  char name[32];
  effect->getProgramName(name);
  EXPECT_STREQ(name, "Init 1");
}

// robustness: block of 0, -1 or INT32_MIN frames to processReplacing and process => returns at once, the outputs untouched
// robustness: block of 100000 frames (beyond the 8192-frame scratch) to processReplacing and process => processed whole, finite, both outputs equal; process grows its scratch to fit
// robustness: null inputs or outputs array, null first channel, null second output => nothing written, or the missing second output skipped
TEST_F(RobustnessTest, emptyHugeAndMissingBuffersAreHandled)
{
  std::vector<float> in(100000), out0(100000, 9.0f), out1(100000, 9.0f);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = tone[i % tone.size()];
  float* inputs[2] = {in.data(), in.data()};
  float* outputs[2] = {out0.data(), out1.data()};
  for (int32_t frames : {0, -1, INT32_MIN}) {
    effect->processReplacing(inputs, outputs, frames);
    effect->process(inputs, outputs, frames);
  }
  EXPECT_EQ(out0[0], 9.0f);  // nothing was written

  effect->processReplacing(inputs, outputs, 1);
  effect->processReplacing(inputs, outputs, 100000);
  EXPECT_TRUE(allFinite(out0));
  EXPECT_EQ(out0, out1);
  std::fill(out0.begin(), out0.end(), 0.0f);
  std::fill(out1.begin(), out1.end(), 0.0f);
  effect->process(inputs, outputs, 100000);
  EXPECT_EQ(effect->scratchFrames(), 100000);
  EXPECT_TRUE(allFinite(out0));
  EXPECT_EQ(out0, out1);

  // Missing arrays: nothing happens; a missing second output just is not written.
  effect->processReplacing(nullptr, outputs, 64);
  effect->processReplacing(inputs, nullptr, 64);
  effect->process(nullptr, nullptr, 64);
  float* noFirst[2] = {nullptr, out1.data()};
  effect->processReplacing(noFirst, outputs, 64);
  effect->processReplacing(inputs, noFirst, 64);
  float* onlyFirst[2] = {out0.data(), nullptr};
  effect->processReplacing(inputs, onlyFirst, 64);
  effect->process(inputs, onlyFirst, 64);
  float* monoIn[2] = {in.data(), nullptr};
  effect->process(monoIn, outputs, 64);
  EXPECT_TRUE(allFinite(std::span<const float>(out0).first(64)));
}

// robustness: sample rates 8000..384000 changed between any two blocks => tables rebuilt for each new rate at the next block, delay kept within its line, output finite
TEST_F(RobustnessTest, everySampleRateAndAChangeBetweenAnyTwoBlocks)
{
  const float rates[] = {8000.0f,  11025.0f, 22050.0f,  32000.0f,  44100.0f,  48000.0f,
                         88200.0f, 96000.0f, 176400.0f, 192000.0f, 352800.0f, 384000.0f};
  effect->setParameter(8, 0.4f);
  effect->setParameter(9, 0.05f);
  effect->setParameter(12, 0.3f);
  std::mt19937 random(1234);
  std::vector<float> out0(4096), out1(4096);
  for (int round = 0; round < 40; ++round) {
    const float rate = rates[random() % std::size(rates)];
    effect->setSampleRate(rate);
    const auto input = signals::sine(440.0, rate, 4096, 0.7);
    float* inputs[2] = {const_cast<float*>(input.data()), const_cast<float*>(input.data())};
    float* outputs[2] = {out0.data(), out1.data()};
    const auto frames = static_cast<int32_t>(1 + random() % 4096);
    effect->processReplacing(inputs, outputs, frames);
    ASSERT_EQ(effect->waveShapes().tableRate(), rate);
    ASSERT_EQ(effect->waveShapes().tableLength(), static_cast<int>(rate));
    ASSERT_TRUE(allFinite(std::span<const float>(out0).first(static_cast<std::size_t>(frames)))) << rate;
    // A delay time set now is measured at the new rate and stays in the line.
    effect->setParameter(9, 1.0f);
    ASSERT_LE(effect->delayStage().pendingLength(), FeedbackDelay::capacity);
    effect->setParameter(9, 0.05f);
  }
}

// robustness: sample rates no table can be built for (1, 500, 900000, 10000000 Hz) => the tables stay at the last usable rate, the output stays finite
TEST_F(RobustnessTest, ratesTheTablesCannotFollowLeaveThemAsTheyAreAndTheOutputSound)
{
  for (float rate : {1.0f, 500.0f, 900000.0f, 1e7f, 44100.0f}) {
    effect->setSampleRate(rate);
    const auto out = renderReplacing(*effect, tone, 4096);
    ASSERT_TRUE(allFinite(out.left)) << rate;
    const float built = effect->waveShapes().tableRate();
    EXPECT_TRUE(built == rate || (rate < 1000.0f || rate > 768000.0f)) << rate;
    EXPECT_EQ(effect->waveShapes().tableLength(), static_cast<int>(std::ceil(built)));
  }
  EXPECT_EQ(effect->waveShapes().tableRate(), 44100.0f);
}

// robustness: random automation mixing hostile values, bad indices, program changes, suspends and blocks of random length => never a sample that is not a finite number; both outputs equal
TEST_F(RobustnessTest, randomHostileAutomationNeverYieldsANumberThatIsNot)
{
  std::mt19937 random(20261208);
  std::uniform_real_distribution<float> normal(-0.2f, 1.2f);
  const auto input = signals::noise(3000, 7, 0.9);
  std::vector<float> out0(3000), out1(3000);
  for (int round = 0; round < 300; ++round) {
    // Every parameter and a couple of indices on either side of the table.
    const int32_t index = static_cast<int32_t>(random() % (kParameterCount + 4)) - 2;
    const float value = random() % 5 == 0 ? hostileValues[random() % std::size(hostileValues)] : normal(random);
    effect->setParameter(index, value);
    if (random() % 10 == 0) effect->setProgram(static_cast<int32_t>(random() % 18) - 1);
    if (random() % 15 == 0) effect->suspend();
    const auto frames = static_cast<int32_t>(random() % 3000);
    float* inputs[2] = {const_cast<float*>(input.data()), const_cast<float*>(input.data())};
    float* outputs[2] = {out0.data(), out1.data()};
    if (random() % 2 == 0) {
      effect->processReplacing(inputs, outputs, frames);
    } else {
      std::fill(out0.begin(), out0.end(), 0.0f);
      std::fill(out1.begin(), out1.end(), 0.0f);
      effect->process(inputs, outputs, frames);
    }
    const auto written = std::span<const float>(out0).first(static_cast<std::size_t>(frames));
    ASSERT_TRUE(allFinite(written)) << "round " << round;
    ASSERT_TRUE(std::equal(written.begin(), written.end(), out1.begin())) << "round " << round;
  }
}

}  // namespace
