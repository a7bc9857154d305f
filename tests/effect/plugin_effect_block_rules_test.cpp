// What holds from one block to the next whatever the host's rate and buffers,
// on the VST 2 edition started the way hosts start it (open, rate, block size,
// the session's settings, resume, then the first block): the delay lands at
// its time in seconds at every rate and the tail agrees, the latest setting
// plays, a block run in place sounds as one run into separate buffers, values
// beyond a parameter's range act as its ends, and input that is not a number
// is silence on the dry path too.
#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "effect/ParameterTable.h"
#include "vst2/interface/AEffect.h"
#include "tests/effect/EffectTestSupport.h"

namespace {

using Settings = std::vector<std::pair<int32_t, float>>;

constexpr double kRates[] = {44100.0, 48000.0, 96000.0};

// A new effect, told its rate and block size, given `settings` before the
// first block, then resumed: a host restoring a session.
std::unique_ptr<PluginEffect> restored(double rate, const Settings& settings, int32_t blockSize = 512)
{
  auto effect = std::make_unique<PluginEffect>(nullptr);
  effect->dispatcher(effOpen, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  effect->dispatcher(effSetBlockSize, 0, blockSize, nullptr, 0.0f);
  for (const auto& [index, value] : settings) effect->setParameter(index, value);
  effect->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
  return effect;
}

// The delay alone: Filter (off) in slots 1 and 2, each handing on, then the
// delay with one echo at full level, the distortion resting.
Settings delayAlone(float time)
{
  return {{filterTypeParameter, 0.0f},
          {firstParameter, effecttest::orderValue(1)},
          {secondParameter, effecttest::orderValue(1)},
          {delayTimeParameter, time},
          {delayFeedBackParameter, 0.0f},
          {delayMixParameter, 1.0f}};
}

// Where the echo of an impulse at sample 0 comes back.
std::ptrdiff_t echoLag(const std::vector<float>& out)
{
  for (std::size_t i = 1; i < out.size(); ++i) {
    if (std::fabs(out[i]) > 0.5f) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

// One block run with the given buffers; returns the first output.
void runBlock(PluginEffect& effect, float* input, float* first, float* second, int32_t frames)
{
  float* inputs[2] = {input, nullptr};
  float* outputs[2] = {first, second};
  effect.processReplacing(inputs, outputs, frames);
}

TEST(BlockRulesTest, delayTimesRestoredBeforeTheFirstBlockEchoAtTheirTimeAtEveryRateAndTheTailAgrees)
{
  struct Case {
    const char* name;
    float time;        // normalised: 0.2 is 1 s
    bool changedBack;  // set to twice the time and back after a first block
  };
  const Case cases[] = {{"1 s", 0.2f, false}, {"0.25 s", 0.05f, false}, {"1 s, then 2 s and back", 0.2f, true}};
  for (const double rate : kRates) {
    for (const Case& c : cases) {
      auto effect = restored(rate, delayAlone(c.time));
      std::vector<float> silence(512, 0.0f);
      if (c.changedBack) {
        runBlock(*effect, silence.data(), silence.data(), nullptr, 512);
        effect->setParameter(delayTimeParameter, 2.0f * c.time);
        effect->setParameter(delayTimeParameter, c.time);
      }
      const auto expected = static_cast<std::ptrdiff_t>(std::trunc(static_cast<double>(c.time) * 5.0 * rate));
      std::vector<float> impulse(static_cast<std::size_t>(expected) + 2048, 0.0f);
      impulse[0] = 1.0f;
      const auto out = effecttest::renderReplacing(*effect, impulse, 512).left;
      EXPECT_EQ(echoLag(out), expected) << c.name << " at " << rate << " Hz";
      // One echo, no feedback, nothing else ringing: the tail is one lap.
      EXPECT_EQ(effect->dispatcher(effGetTailSize, 0, 0, nullptr, 0.0f), expected) << c.name << " at " << rate;
    }
  }
}

// Stages reading the input again after another wrote the output, with and
// without a dry share, in blocks the effect was told of and far beyond them;
// in place the host's buffers are one (the second output apart, or that one
// too); at each rate, with the settings restored before the first block, and
// on the classic and the continuous engine.
TEST(BlockRulesTest, aBlockRunInPlaceSoundsAsOneRunIntoSeparateBuffers)
{
  struct Case {
    const char* name;
    int order[4];
    float wet;
    bool preciseEngine;  // Precise, Scale and Glide on: the continuous engine
  };
  const Case cases[] = {{"Filter before Mox", {1, 0, 2, 3}, 1.0f, false},
                        {"Delay first", {2, 0, 1, 3}, 1.0f, false},
                        {"default order under dry", {0, 1, 2, 3}, 0.6f, false},
                        {"Filter before Mox under dry", {1, 0, 2, 3}, 0.6f, false},
                        {"Filter before Mox under dry, precise engine", {1, 0, 2, 3}, 0.6f, true}};
  for (const double rate : kRates) {
    const std::vector<float> input = effecttest::sweep(80.0, 900.0, rate, 40000, 0.6);
    for (const Case& c : cases) {
      Settings settings{{firstParameter, effecttest::orderValue(c.order[0])},
                        {secondParameter, effecttest::orderValue(c.order[1])},
                        {thirdParameter, effecttest::orderValue(c.order[2])},
                        {forthParameter, effecttest::orderValue(c.order[3])},
                        {delayMixParameter, 0.5f},
                        {delayTimeParameter, 0.01f},
                        {delayFeedBackParameter, 0.4f},
                        {driveParameter, 0.2f},
                        {dryWetParameter, c.wet}};
      if (c.preciseEngine)
        settings.insert(settings.end(),
                        {{preciseParameter, 1.0f}, {scaleParameter, 1.0f / 6.0f}, {glideParameter, 0.3f}});
      for (const int32_t blockSize : {512, 20000}) {
        for (const bool secondApart : {true, false}) {
          auto separate = restored(rate, settings);
          auto inPlace = restored(rate, settings);
          std::vector<float> in(static_cast<std::size_t>(blockSize)), left(in.size()), right(in.size());
          std::vector<float> buffer(in.size()), second(in.size());
          std::size_t differing = 0;
          for (std::size_t offset = 0; offset + in.size() <= input.size(); offset += in.size()) {
            std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), in.size(), in.begin());
            buffer = in;
            runBlock(*separate, in.data(), left.data(), right.data(), blockSize);
            runBlock(*inPlace, buffer.data(), buffer.data(), secondApart ? second.data() : buffer.data(), blockSize);
            for (std::size_t i = 0; i < in.size(); ++i) differing += buffer[i] != left[i] ? 1 : 0;
            if (secondApart) {
              EXPECT_EQ(second, buffer);
            }
          }
          EXPECT_EQ(differing, 0u) << c.name << " at " << rate << " Hz, blocks of " << blockSize
                                   << (secondApart ? "" : ", both outputs on the input");
        }
      }
    }
  }
}

// robustness: setParameter beyond 0..1 (+-1e6) on the wave shape, resonance, delay mix, delay feedback, drive and dry/wet => held to 0..1: plays as the nearer end (a negative WaveShape still refused), so no echo or blend louder than its full setting
TEST(BlockRulesTest, valuesBeyondTheRangePlayAsItsEnds)
{
  const int32_t held[] = {waveShapeParameter,     resonanceParameter, delayMixParameter,
                          delayFeedBackParameter, driveParameter,     dryWetParameter};
  // Every stage running, the filter resonant, the delay short.
  const Settings base{{filterTypeParameter, 0.35f},   {delayMixParameter, 0.5f}, {delayTimeParameter, 0.002f},
                      {delayFeedBackParameter, 0.5f}, {driveParameter, 0.3f},    {resonanceParameter, 0.5f},
                      {dryWetParameter, 0.8f}};
  const std::vector<float> input = effecttest::sweep(100.0, 700.0, 44100.0, 16384, 0.5);
  const auto render = [&](int32_t index, float value) {
    Settings settings = base;
    settings.emplace_back(index, value);
    return effecttest::renderReplacing(*restored(44100.0, settings), input, 512).left;
  };
  for (const int32_t index : held) {
    const auto top = render(index, 1.0f);
    EXPECT_EQ(render(index, 1.0e6f), top) << "parameter " << index << " at 1e6";
    EXPECT_EQ(render(index, -1.0e6f), render(index, 0.0f)) << "parameter " << index << " at -1e6";
  }
}

// robustness: input samples that are NaN or infinite with " Dry/Wet " below 1 (the factory program "Octave Bass Under Dry", and a share of 0.6 on the default chain), or through a chain in which no stage writes => silence on the dry path and through the chain as in every stage: every output sample finite
TEST(BlockRulesTest, inputThatIsNotANumberIsSilenceOnTheDryPathToo)
{
  std::vector<float> input = effecttest::sweep(80.0, 600.0, 44100.0, 30000, 0.5);
  const float lace[] = {std::nanf(""), INFINITY, -INFINITY};
  for (std::size_t i = 0; i < input.size(); i += 97) input[i] = lace[(i / 97) % 3];
  const float filter = effecttest::orderValue(1);
  const std::pair<const char*, Settings> cases[] = {
      {"Octave Bass Under Dry", {}},
      {"dry/wet 0.6", {{dryWetParameter, 0.6f}}},
      {"no stage writing",
       {{filterTypeParameter, 0.0f},
        {firstParameter, filter},
        {secondParameter, filter},
        {thirdParameter, filter},
        {forthParameter, filter}}},
  };
  for (const auto& [name, settings] : cases) {
    auto effect = restored(44100.0, settings);
    if (settings.empty()) {
      effect->setProgram(1);
      ASSERT_LT(effect->getParameter(dryWetParameter), 1.0f);
    }
    for (const bool inPlace : {false, true}) {
      std::vector<float> out;
      if (inPlace) {
        out = input;
        for (std::size_t offset = 0; offset < out.size(); offset += 500)
          runBlock(*effect, out.data() + offset, out.data() + offset, nullptr, 500);
      } else {
        out = effecttest::renderReplacing(*effect, input, 500).left;
      }
      const auto bad = std::count_if(out.begin(), out.end(), [](float x) { return !std::isfinite(x); });
      EXPECT_EQ(bad, 0) << name << (inPlace ? ", in place" : "");
    }
  }
}

}  // namespace
