// What a VST 2.4 host asks of the effect beyond parameters and audio, asked the
// way a host asks it: through the descriptor's dispatcher, into buffers of the
// sizes hosts provide, with guard bytes after them that must stay untouched.
#include <array>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BrasklinVersion.h"
#include "effect/FactorySounds.h"
#include "effect/ParameterTable.h"
#include "effect/TailLength.h"
#include "tests/effect/EffectTestSupport.h"

namespace {

constexpr char kGuard = '\x5a';

class HostAnswersTest : public ::testing::Test {
protected:
  effecttest::ShippedShapes shapes;
  std::unique_ptr<PluginEffect> effect = effecttest::makeEffect();
  AEffect* record = effect->getAeffect();

  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr)
  {
    return record->dispatcher(record, opcode, index, value, ptr, 0.0f);
  }

  // The text an opcode writes into a buffer of `size` bytes; fails the test if
  // a byte beyond the buffer changed.
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the opcode first, as the dispatcher takes it
  std::string askText(int32_t opcode, std::size_t size, int32_t index = 0, intptr_t expected = 1)
  {
    std::array<char, 128> buffer{};
    buffer.fill(kGuard);
    EXPECT_EQ(dispatch(opcode, index, 0, buffer.data()), expected) << "opcode " << opcode << " index " << index;
    for (std::size_t i = size; i < buffer.size(); ++i) {
      EXPECT_EQ(buffer[i], kGuard) << "opcode " << opcode << " wrote byte " << i << " of a " << size << "-byte buffer";
    }
    if (std::memchr(buffer.data(), '\0', size) == nullptr) return "<unterminated or untouched>";
    return buffer.data();
  }

  int32_t tail() { return static_cast<int32_t>(dispatch(effGetTailSize)); }
};

TEST_F(HostAnswersTest, identityNameVendorVersionCategoryAndInterfaceVersion)
{
  EXPECT_EQ(askText(effGetEffectName, kVstMaxEffectNameBytes), "Brasklin");
  EXPECT_EQ(askText(effGetVendorString, kVstMaxVendorStringBytes), "Brasklin");
  EXPECT_EQ(askText(effGetProductString, kVstMaxProductStringBytes), "Brasklin");
  EXPECT_EQ(dispatch(effGetPlugCategory), 1);
  EXPECT_EQ(dispatch(effGetVstVersion), 2400);
  // One number from the project's version: major x 1000 + minor x 100 + patch.
  int major = -1, minor = -1, patch = -1;
  ASSERT_EQ(std::sscanf(kBrasklinVersionText, "%d.%d.%d", &major, &minor, &patch), 3) << kBrasklinVersionText;
  EXPECT_EQ(dispatch(effGetVendorVersion), major * 1000 + minor * 100 + patch);
  EXPECT_EQ(dispatch(effGetVendorVersion), kBrasklinVendorVersion);
  // What stays as it was: flags 25 (no program chunks).
  EXPECT_EQ(record->flags, effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing);
}

// Index 11 sets the same delay time as 9 and is not offered a lane of its own.
TEST_F(HostAnswersTest, everyParameterButTheSecondDelayTimeCanBeAutomatedAndNothingElse)
{
  for (int32_t index = -2; index <= kParameterCount + 1; ++index) {
    const bool offered = index >= 0 && index < kParameterCount && index != delayTimeAltParameter;
    EXPECT_EQ(dispatch(effCanBeAutomated, index), offered ? 1 : 0) << index;
  }
}

TEST_F(HostAnswersTest, canDoInsertsAndSendsButNoMidiOrTimeInfo)
{
  const struct {
    const char* text;
    intptr_t answer;
  } cases[] = {
      {"plugAsChannelInsert", 1},
      {"plugAsSend", 1},
      {"sendVstEvents", -1},
      {"sendVstMidiEvent", -1},
      {"receiveVstEvents", -1},
      {"receiveVstMidiEvent", -1},
      {"receiveVstTimeInfo", -1},
      {"sendVstTimeInfo", -1},
      {"midiProgramNames", -1},
      {"bypass", 0},
      {"", 0},
      {"plugAsSend ", 0},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(dispatch(effCanDo, 0, 0, text.data()), c.answer) << '"' << c.text << '"';
  }
}

// Hosts list the programs by these names: "Init 1" first, then the factory
// sounds in their list's order, through both name calls.
TEST_F(HostAnswersTest, programNamesByIndexWithoutSelecting)
{
  ASSERT_EQ(factorySounds().size(), 15u);
  std::vector<std::string> names{"Init 1"};
  for (const FactorySound& sound : factorySounds()) names.emplace_back(sound.name);
  for (int32_t program = 0; program < 16; ++program) {
    EXPECT_EQ(askText(effGetProgramNameIndexed, kVstMaxProgramNameBytes, program),
              names[static_cast<std::size_t>(program)]);
  }
  EXPECT_EQ(dispatch(effGetProgram), 0);
  for (int32_t program = 15; program >= 0; --program) {
    dispatch(effSetProgram, 0, program);
    EXPECT_EQ(askText(effGetProgramName, kVstMaxProgramNameBytes, 0, 0), names[static_cast<std::size_t>(program)]);
  }
  // Rename program 3 the host's way (select, name), go back to program 0.
  dispatch(effSetProgram, 0, 3);
  char name[] = "A name of 23 characters and more";
  dispatch(effSetProgramName, 0, 0, name);
  dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(askText(effGetProgramNameIndexed, kVstMaxProgramNameBytes, 3), "A name of 23 characters");
  EXPECT_EQ(askText(effGetProgramNameIndexed, kVstMaxProgramNameBytes, 15), names[15]);
  EXPECT_EQ(dispatch(effGetProgram), 0) << "asking for a name selected a program";
  // Outside 0..15: 0, and the buffer untouched.
  for (int32_t outside : {-1, 16, 1000}) {
    EXPECT_EQ(askText(effGetProgramNameIndexed, 0, outside, 0), "<unterminated or untouched>") << outside;
  }
}

TEST_F(HostAnswersTest, switchesAreAnnouncedAsStepsAndContinuousParametersGetNothing)
{
  struct Expected {
    int32_t index;
    int32_t flags;
    int32_t lastPosition;
  };
  constexpr int32_t steps = kVstParameterUsesFloatStep;
  const Expected switches[] = {{1, steps, 3},
                               {2, steps | kVstParameterIsSwitch, 1},
                               {3, steps | kVstParameterIsSwitch, 1},
                               {5, steps, 3},
                               {14, steps, 3},
                               {15, steps, 3},
                               {16, steps, 3},
                               {17, steps, 3},
                               {18, steps | kVstParameterIsSwitch, 1},
                               {22, steps, 6},
                               {23, steps, 11}};
  for (int32_t index = -1; index <= kParameterCount; ++index) {
    SCOPED_TRACE(index);
    // The record and as many guard bytes again behind it.
    std::array<unsigned char, 2 * sizeof(VstParameterProperties)> bytes{};
    bytes.fill(0xA5);
    auto* properties = reinterpret_cast<VstParameterProperties*>(bytes.data());
    const intptr_t answer = dispatch(effGetParameterProperties, index, 0, properties);
    for (std::size_t i = sizeof(VstParameterProperties); i < bytes.size(); ++i)
      ASSERT_EQ(bytes[i], 0xA5) << "byte " << i;
    const Expected* expected = nullptr;
    for (const Expected& e : switches) {
      if (e.index == index) expected = &e;
    }
    if (expected == nullptr) {
      EXPECT_EQ(answer, 0);
      for (std::size_t i = 0; i < sizeof(VstParameterProperties); ++i) ASSERT_EQ(bytes[i], 0xA5) << "byte " << i;
      continue;
    }
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(properties->flags, expected->flags);
    // Steps in the normalised range, and no integer range a host could take
    // for the range of the values it sends.
    const float step = 1.0f / float(expected->lastPosition);
    EXPECT_EQ(properties->stepFloat, step);
    EXPECT_EQ(properties->smallStepFloat, step);
    EXPECT_EQ(properties->largeStepFloat, step);
    EXPECT_EQ(properties->minInteger, 0);
    EXPECT_EQ(properties->maxInteger, 0);
    // A host stepping from 0 by the step lands on every display the editor's
    // switch shows, in order.
    std::string previous;
    for (int32_t k = 0; k <= expected->lastPosition; ++k) {
      effect->setParameter(index, float(k) * step);
      char text[64] = {};
      effect->getParameterDisplay(index, text);
      EXPECT_NE(previous, text) << "position " << k;
      previous = text;
    }
  }
}

TEST_F(HostAnswersTest, tailGrowsWithDelayTimeAndFeedbackAndIsOneWhenNothingRings)
{
  const int32_t rate = 44100;
  // Program 0: Mox (analysis 2048 + one 30 Hz cycle) and the low-pass filter.
  const int32_t moxHold = 2048 + int32_t(std::ceil(rate / 30.0));
  EXPECT_GT(tail(), moxHold);
  const int32_t noDelay = tail();
  effect->setParameter(delayMixParameter, 0.5f);
  effect->setParameter(delayTimeParameter, 0.1f);  // 0.5 s, 22050 samples a lap
  const int32_t oneEcho = tail();
  EXPECT_EQ(oneEcho, noDelay + 22050) << "no feedback: one echo";
  effect->setParameter(delayTimeParameter, 0.2f);
  EXPECT_EQ(tail(), noDelay + 44100) << "the lap doubled";
  effect->setParameter(delayFeedBackParameter, 0.5f);
  // Echo k at mix 0.5 x 0.5^(k-1) = 0.5^k: at or above -90 dB (3.16e-5) up to k = 14.
  EXPECT_EQ(tail(), noDelay + 14 * 44100);
  effect->setParameter(delayFeedBackParameter, 0.9f);
  const int32_t longFeedback = tail();
  EXPECT_GT(longFeedback, noDelay + 14 * 44100);
  effect->setParameter(delayFeedBackParameter, 1.0f);
  EXPECT_EQ(tail(), int32_t(kMaxTailSeconds * rate)) << "for ever, capped";
  // More resonance, longer ring.
  effect->setParameter(delayMixParameter, 0.0f);
  effect->setParameter(resonanceParameter, 0.8f);
  EXPECT_GT(tail(), noDelay);

  // Every stage off: the filter off, no delay mix, no drive, and no slot
  // holding the Mox stage.
  effect->setParameter(filterTypeParameter, 0.0f);
  effecttest::setOrder(*effect, 3, 1, 2, 3);
  EXPECT_EQ(tail(), 1);
  // The echoes alone, once the delay has a mix again.
  effect->setParameter(delayFeedBackParameter, 0.0f);
  effect->setParameter(delayMixParameter, 1.0f);
  EXPECT_EQ(tail(), 44100);
  effect->setParameter(delayMixParameter, 0.0f);
  EXPECT_EQ(tail(), 1);
}

// The answer covers what the output really holds: after an impulse, nothing
// beyond the reported tail reaches -90 dB, for the filter's ring and the echoes.
TEST_F(HostAnswersTest, nothingAudibleComesOutAfterTheReportedTail)
{
  struct Setting {
    float cutOff, resonance, delayMix, delayTime, feedback;
  };
  const Setting settings[] = {
      {0.0f, 0.0f, 0.0f, 0.0f, 0.0f},     // the slowest fixed cut-off, no resonance
      {0.0f, 0.9f, 0.0f, 0.0f, 0.0f},     // strong resonance
      {0.5f, 0.5f, 0.7f, 0.01f, 0.6f},    // filter and echoes
      {1.0f, 0.0f, 1.0f, 0.002f, -0.8f},  // short laps, negative feedback
  };
  for (const Setting& s : settings) {
    SCOPED_TRACE(testing::Message() << "cut-off " << s.cutOff << " resonance " << s.resonance << " mix " << s.delayMix
                                    << " time " << s.delayTime << " feedback " << s.feedback);
    auto fresh = effecttest::makeEffect();
    effecttest::setOrder(*fresh, 3, 1, 2, 3);  // filter and delay at home, no Mox
    fresh->setParameter(filterTypeParameter, 0.35f);
    fresh->setParameter(cutOffParameter, s.cutOff);
    fresh->setParameter(resonanceParameter, s.resonance);
    fresh->setParameter(delayTimeParameter, s.delayTime);
    fresh->setParameter(delayFeedBackParameter, s.feedback);
    fresh->setParameter(delayMixParameter, s.delayMix);
    const int32_t reported = fresh->getTailSize();
    ASSERT_GT(reported, 1);
    std::vector<float> input(std::size_t(reported) + 44100, 0.0f);
    input[0] = 1.0f;
    const auto out = effecttest::renderReplacing(*fresh, input, 512);
    std::size_t lastAudible = 0;
    for (std::size_t i = 0; i < out.left.size(); ++i) {
      if (std::fabs(out.left[i]) >= kTailSilenceLevel) lastAudible = i;
    }
    EXPECT_LT(lastAudible, std::size_t(reported)) << "reported " << reported;
    std::printf("tail reported %d, last sample at -90 dB or above: %zu\n", reported, lastAudible);
  }
}

}  // namespace
