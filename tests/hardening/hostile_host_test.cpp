// Hosts that break the usual order of calls or send values no sane host
// sends, driving the plug-in through its descriptor only. Each test compares
// what such a host hears with what a well-behaved host hears from a second
// instance, so "no crash" is never the only thing checked.

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/hardening/HardeningSupport.h"

namespace {

using hardening::HostedPlugin;
using hardening::sine;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

bool allFinite(const std::vector<float>& samples)
{
  return std::all_of(samples.begin(), samples.end(), [](float x) { return std::isfinite(x); });
}

double energy(const std::vector<float>& samples, std::size_t from = 0)
{
  double sum = 0.0;
  for (std::size_t i = from; i < samples.size(); ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return sum;
}

// Chain without the Mox stage: Filter (switched off) in the first two slots,
// then the delay; the distortion is off. The output is dry + mix * echo.
void delayOnly(HostedPlugin& plugin, float feedback)
{
  plugin.set(hardening::kFirst, 0.5f);
  plugin.set(hardening::kSecond, 0.5f);
  plugin.set(hardening::kFilterType, 0.1f);
  plugin.set(hardening::kDelayTime, 0.01f);  // just under 50 ms: 2204 samples (the float 0.01f is below 0.01)
  plugin.set(hardening::kDelayFeedBack, feedback);
  plugin.set(hardening::kDelayMix, 1.0f);
}

// robustness: audio routine called before effOpen, effSetSampleRate, effSetBlockSize and resume => processes at the default 44100 Hz exactly as a plug-in started in the usual order
// robustness: host that never sets a sample rate => 44100 Hz is used; output identical to a plug-in told 44100
TEST(HostileHostTest, audioBeforeOpenRateAndResumeMatchesAPluginStartedInOrder)
{
  const auto input = sine(220.0, 44100.0, 44100, 0.7f);
  HostedPlugin eager;
  eager.everyStageOn(0.6f, 0.5f);
  const auto early = eager.render(input, 512);

  HostedPlugin orderly;
  orderly.dispatch(effOpen);
  orderly.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  orderly.dispatch(effSetBlockSize, 0, 512);
  orderly.dispatch(effMainsChanged, 0, 1);
  orderly.everyStageOn(0.6f, 0.5f);
  const auto proper = orderly.render(input, 512);

  ASSERT_TRUE(allFinite(early));
  EXPECT_GT(energy(early), 100.0) << "the chain must be audible for the comparison to mean anything";
  EXPECT_EQ(early, proper);
}

// robustness: audio routine called after suspend (effMainsChanged 0) without a resume => runs normally; the delay line starts empty, so no echo of what came before suspend
TEST(HostileHostTest, audioAfterSuspendRunsFromAnEmptyDelayLine)
{
  std::vector<float> impulse(512, 0.0f);
  impulse[0] = 1.0f;
  const std::vector<float> silence(4096, 0.0f);

  HostedPlugin playing;
  delayOnly(playing, 0.5f);
  (void)playing.render(impulse, 512);
  const auto echoes = playing.render(silence, 512);
  // The first echo is still to come, 2204 samples after the impulse.
  EXPECT_NEAR(echoes[2204 - 512], 1.0f, 1e-6f);

  HostedPlugin suspended;
  delayOnly(suspended, 0.5f);
  (void)suspended.render(impulse, 512);
  suspended.dispatch(effMainsChanged, 0, 0);
  const auto afterSuspend = suspended.render(silence, 512);
  EXPECT_EQ(energy(afterSuspend), 0.0);

  // Fresh input after suspend is delayed as usual.
  std::vector<float> later(4096, 0.0f);
  later[0] = 1.0f;
  const auto fresh = suspended.render(later, 512);
  EXPECT_EQ(fresh[0], 1.0f);
  EXPECT_NEAR(fresh[2204], 1.0f, 1e-6f);
}

// robustness: effSetSampleRate with 0, -0, a negative rate, NaN or an infinity, before and between blocks => ignored; the previous rate stays and the output is identical to a host that never sent them
TEST(HostileHostTest, ratesThatAreNotRatesLeaveTheRateAsItWas)
{
  const auto input = sine(330.0, 48000.0, 48000, 0.6f);
  HostedPlugin steady;
  steady.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  steady.everyStageOn(0.5f, 0.5f);
  const auto expected = steady.render(input, 1000);

  HostedPlugin pestered;
  pestered.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  pestered.everyStageOn(0.5f, 0.5f);
  const float nonsense[] = {0.0f, -0.0f, -48000.0f, kNaN, kInfinity, -kInfinity};
  std::vector<float> heard;
  for (std::size_t start = 0; start < input.size(); start += 1000) {
    for (const float rate : nonsense) pestered.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    const std::vector<float> block(input.begin() + static_cast<std::ptrdiff_t>(start),
                                   input.begin() + static_cast<std::ptrdiff_t>(start + 1000));
    const auto out = pestered.render(block, 1000);
    heard.insert(heard.end(), out.begin(), out.end());
  }
  EXPECT_EQ(heard, expected);
}

// robustness: block far larger than the size announced with effSetBlockSize (64 announced, 100000 sent) to processReplacing and to process => both routines run it whole; process (grows its scratch once) gives exactly what processReplacing gives
TEST(HostileHostTest, blocksBeyondTheAnnouncedSizeGiveTheSameResultInBothRoutines)
{
  const auto input = sine(440.0, 44100.0, 100000, 0.8f);
  HostedPlugin replacing;
  replacing.dispatch(effSetBlockSize, 0, 64);
  replacing.everyStageOn(0.7f, 0.6f);
  const auto viaReplacing = replacing.render(input, 100000, true);

  HostedPlugin accumulating;
  accumulating.dispatch(effSetBlockSize, 0, 64);
  accumulating.everyStageOn(0.7f, 0.6f);
  const auto viaProcess = accumulating.render(input, 100000, false);

  ASSERT_TRUE(allFinite(viaReplacing));
  EXPECT_GT(energy(viaReplacing), 100.0);
  EXPECT_EQ(viaReplacing, viaProcess);
}

// robustness: effSetProgram with values beyond 32 bits (2^40, -2^40), INT32_MIN, -1, 16 => ignored: current program and every parameter unchanged
TEST(HostileHostTest, programNumbersBeyondThirtyTwoBitsChangeNothing)
{
  HostedPlugin plugin;
  plugin.dispatch(effSetProgram, 0, 3);
  plugin.set(hardening::kCutOff, 0.3f);
  const intptr_t numbers[] = {intptr_t{1} << 40, -(intptr_t{1} << 40), INT32_MIN, -1, 16, 17, INTPTR_MIN};
  for (const intptr_t number : numbers) {
    plugin.dispatch(effSetProgram, 0, number);
    ASSERT_EQ(plugin.dispatch(effGetProgram), 3) << number;
    ASSERT_EQ(plugin.get(hardening::kCutOff), 0.3f) << number;
  }
}

// robustness: effSetProgramName with a 1000-character name => the first 23 bytes kept, terminated
// robustness: effSetProgramName with an unterminated 24-byte buffer => at most 23 bytes read, none beyond the buffer (AddressSanitizer build)
// robustness: program name cut inside a multi-byte UTF-8 character => the broken character dropped whole
TEST(HostileHostTest, longAndUnterminatedProgramNamesAreCutToTheField)
{
  HostedPlugin plugin;
  std::string longName(1000, 'q');
  plugin.dispatch(effSetProgramName, 0, 0, longName.data());
  // Exactly the bytes a host guarantees, read and written on the heap so that
  // the address sanitizer sees any byte beyond them.
  auto readBack = [&plugin] {
    const auto buffer = std::make_unique<char[]>(24);
    plugin.dispatch(effGetProgramName, 0, 0, buffer.get());
    return std::string(buffer.get(), strnlen(buffer.get(), 24));
  };
  EXPECT_EQ(readBack(), std::string(23, 'q'));

  const auto unterminated = std::make_unique<char[]>(24);
  std::memset(unterminated.get(), 'u', 24);
  plugin.dispatch(effSetProgramName, 0, 0, unterminated.get());
  EXPECT_EQ(readBack(), std::string(23, 'u'));

  // 22 ASCII bytes and a two-byte character that would end at byte 24.
  std::string accented(22, 'a');
  accented += "\xC3\xA9 and more";
  plugin.dispatch(effSetProgramName, 0, 0, accented.data());
  EXPECT_EQ(readBack(), std::string(22, 'a'));
}

// robustness: text opcodes (effGetParamName/Label/Display, effGetProgramName) for every index -1..24 and INT32_MIN/MAX into a buffer of exactly 24 bytes => a terminated text within 24 bytes, nothing written beyond (AddressSanitizer build)
TEST(HostileHostTest, textOpcodesStayWithinTwentyFourBytesForEveryIndex)
{
  HostedPlugin plugin;
  const int32_t opcodes[] = {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName};
  std::vector<int32_t> indices{INT32_MIN, INT32_MAX};
  for (int32_t index = -1; index <= kParameterCount; ++index) indices.push_back(index);
  // Hostile values first, so the displays print the widest numbers they can.
  for (int32_t index = 0; index < kParameterCount; ++index) plugin.set(index, index % 2 == 0 ? 3.0e38f : -1.0e-30f);
  for (const int32_t opcode : opcodes) {
    for (const int32_t index : indices) {
      const auto buffer = std::make_unique<char[]>(24);
      std::memset(buffer.get(), 0, 24);
      plugin.dispatch(opcode, index, 0, buffer.get());
      EXPECT_LT(strnlen(buffer.get(), 24), 24u) << "opcode " << opcode << " index " << index;
    }
  }
}

// robustness: dispatcher opcodes the plug-in does not know (-1, 25..200 but for the host questions it answers, INT32_MAX) with junk index, value, pointer and float => answered 0; no parameter, program or rate changes, the answered questions included
TEST(HostileHostTest, unknownOpcodesAnswerZeroAndChangeNothing)
{
  HostedPlugin plugin;
  plugin.set(hardening::kResonance, 0.4f);
  std::vector<char> junk(4096, '\x7f');
  std::vector<int32_t> opcodes{-1, INT32_MIN, INT32_MAX};
  for (int32_t opcode = 25; opcode <= 200; ++opcode) opcodes.push_back(opcode);
  // Category, the three names, the version, the tail and the interface
  // version answer whatever the index; the rest of what the plug-in knows
  // refuses an index of -7 or an unknown text.
  constexpr int32_t answeredWhateverTheIndex[] = {35, 45, 47, 48, 49, 52, 58};
  for (const int32_t opcode : opcodes) {
    const intptr_t answer = plugin.dispatch(opcode, -7, INTPTR_MAX, junk.data(), kNaN);
    if (std::find(std::begin(answeredWhateverTheIndex), std::end(answeredWhateverTheIndex), opcode) ==
        std::end(answeredWhateverTheIndex)) {
      EXPECT_EQ(answer, 0) << opcode;
    }
  }
  EXPECT_EQ(plugin.get(hardening::kResonance), 0.4f);
  EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
  const auto input = sine(440.0, 44100.0, 4096, 0.5f);
  HostedPlugin untouched;
  untouched.set(hardening::kResonance, 0.4f);
  EXPECT_EQ(plugin.render(input, 512), untouched.render(input, 512));
}

// robustness: full-scale burst of NaN, +inf and -inf samples in the input, every stage on with resonance 1.0 and feedback 0.9 => treated as silence: every output sample finite during and after the burst, and the effect sounds again once the input does
TEST(HostileHostTest, aBurstOfNumbersThatAreNotSamplesLeavesNoTrace)
{
  HostedPlugin plugin;
  plugin.everyStageOn(1.0f, 0.9f);
  const auto tone = sine(220.0, 44100.0, 22050, 0.9f);
  const auto before = plugin.render(tone, 512);
  std::vector<float> burst(4096);
  for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = i % 3 == 0 ? kNaN : (i % 3 == 1 ? kInfinity : -kInfinity);
  const auto during = plugin.render(burst, 512);
  const auto after = plugin.render(tone, 512);
  EXPECT_TRUE(allFinite(before));
  EXPECT_TRUE(allFinite(during));
  EXPECT_TRUE(allFinite(after));
  // The tone comes back at a level like the one it had before the burst.
  EXPECT_GT(energy(after, 11025), 0.25 * energy(before, 11025));
}

// robustness: host audio thread left in another rounding mode (upward, downward, toward zero) => the audio routines round to nearest while they run: output bit-identical to a host in the default mode; the host's mode unchanged afterwards
TEST(HostileHostTest, aHostsRoundingModeDoesNotChangeTheSamples)
{
  const auto input = sine(233.0, 44100.0, 16384, 0.8f);
  HostedPlugin reference;
  reference.everyStageOn(0.8f, 0.7f);
  const auto expected = reference.render(input, 512);
  for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    HostedPlugin plugin;
    plugin.everyStageOn(0.8f, 0.7f);
    ASSERT_EQ(std::fesetround(mode), 0);
    const auto heard = plugin.render(input, 512);
    const int after = std::fegetround();
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(after, mode);
    EXPECT_EQ(heard, expected) << "rounding mode " << mode;
  }
}

// robustness: effClose straight after the entry, with no effOpen and no audio => the plug-in and everything it holds are released (leak checker build)
TEST(HostileHostTest, closingWithoutEverOpeningReleasesEverything)
{
  hardening::useShippedShapes();
  for (int round = 0; round < 3; ++round) {
    auto plugin = std::make_unique<HostedPlugin>();
    EXPECT_EQ(plugin->descriptor()->magic, kEffectMagic);
    plugin.reset();  // effClose
  }
}

}  // namespace
