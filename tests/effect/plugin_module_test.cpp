// The built plug-in, loaded the way a Linux host loads it: dlopen the module,
// call its entry with a host callback, and drive it only through the
// descriptor. A sine sweep goes in; the pitch of what comes out is measured
// window by window and must follow the input's.
#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "vst2/interface/AEffect.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/support/signals.h"

namespace {

using PluginEntry = AEffect* (*)(audioMasterCallback);

intptr_t host(AEffect* /*effect*/, int32_t opcode, int32_t /*index*/, intptr_t /*value*/, void* /*ptr*/, float /*opt*/)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

class PluginModuleTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    module = dlopen(BRASKLIN_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    entry = reinterpret_cast<PluginEntry>(dlsym(module, "main"));
    ASSERT_NE(entry, nullptr);
  }
  void TearDown() override
  {
    if (module != nullptr) dlclose(module);
  }

  AEffect* open(float rate)
  {
    AEffect* effect = entry(&host);
    if (effect == nullptr) return nullptr;
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, rate);
    effect->dispatcher(effect, effSetBlockSize, 0, 512, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    return effect;
  }

  // Renders `input` in blocks of 512 through the descriptor's replacing routine.
  static effecttest::Rendered render(AEffect* effect, const std::vector<float>& input)
  {
    effecttest::Rendered out{std::vector<float>(input.size()), std::vector<float>(input.size())};
    std::vector<float> in0(512), in1(512, 0.0f);
    for (std::size_t start = 0; start < input.size(); start += 512) {
      const std::size_t n = std::min<std::size_t>(512, input.size() - start);
      std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(start), n, in0.begin());
      float* inputs[2] = {in0.data(), in1.data()};
      float* outputs[2] = {out.left.data() + start, out.right.data() + start};
      effect->processReplacing(effect, inputs, outputs, static_cast<int32_t>(n));
    }
    return out;
  }

  void* module = nullptr;
  PluginEntry entry = nullptr;
};

TEST_F(PluginModuleTest, exportsItsEntryUnderBothNamesAndDescribesItself)
{
  EXPECT_NE(dlsym(module, "VSTPluginMain"), nullptr);
  AEffect* effect = open(44100.0f);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->magic, fourCharCode("VstP"));
  EXPECT_EQ(effect->numInputs, 2);
  EXPECT_EQ(effect->numOutputs, 2);
  EXPECT_EQ(effect->flags, effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing);
  EXPECT_EQ(effect->uniqueID, fourCharCode("BrKl"));
  EXPECT_EQ(effect->numPrograms, 16);
  EXPECT_EQ(effect->numParams, 24);
  char text[64] = "";
  effect->dispatcher(effect, effGetParamName, 10, 0, text, 0.0f);
  EXPECT_STREQ(text, " Delay FeedBack");
  effect->dispatcher(effect, effGetProgramName, 0, 0, text, 0.0f);
  EXPECT_STREQ(text, "Init 1");
  // The shapes were found beside the module: the first one is named.
  effect->dispatcher(effect, effGetParamDisplay, 0, 0, text, 0.0f);
  EXPECT_STREQ(text, "Sine");
  EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
}

// Frequency of the output in each window, from its rising zero crossings,
// against the sweep's frequency at the window's centre.
void expectPitchFollows(const std::vector<float>& out, double from, double to, double ratio, std::size_t count)
{
  constexpr std::size_t window = 8192;
  int windows = 0;
  for (std::size_t start = 4 * window; start + window <= count; start += window) {
    const double period = signals::meanCrossingPeriod(std::span<const float>(out).subspan(start, window));
    ASSERT_GT(period, 0.0) << "silent window at " << start;
    const double measured = 44100.0 / period;
    const double expected = ratio * effecttest::sweepFrequency(from, to, count, double(start) + window / 2.0);
    // The tracker reports FFT bin centres (44100 / 2048 = 21.5 Hz apart) and
    // renders whole-sample periods; the sweep moves about 1 % per window.
    const double tolerance = ratio * 11.0 + 0.04 * expected;
    EXPECT_NEAR(measured, expected, tolerance) << "window at " << start;
    ++windows;
  }
  EXPECT_GE(windows, 20);
}

TEST_F(PluginModuleTest, aSineSweepComesOutAtTheSweepsPitchOnBothOutputs)
{
  AEffect* effect = open(44100.0f);
  ASSERT_NE(effect, nullptr);
  constexpr std::size_t count = std::size_t{44100} * 6;
  const auto input = effecttest::sweep(150.0, 600.0, 44100.0, count, 0.5);
  const auto out = render(effect, input);
  EXPECT_EQ(out.left, out.right);
  EXPECT_TRUE(effecttest::allFinite(out.left));
  expectPitchFollows(out.left, 150.0, 600.0, 1.0, count);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(PluginModuleTest, pitchShiftSetThroughTheDescriptorDoublesTheTrackedPitch)
{
  AEffect* effect = open(44100.0f);
  ASSERT_NE(effect, nullptr);
  effect->setParameter(effect, 4, 0.6f);  // ratio 2
  EXPECT_FLOAT_EQ(effect->getParameter(effect, 4), 0.6f);
  constexpr std::size_t count = std::size_t{44100} * 6;
  const auto input = effecttest::sweep(150.0, 600.0, 44100.0, count, 0.5);
  const auto out = render(effect, input);
  EXPECT_EQ(out.left, out.right);
  expectPitchFollows(out.left, 150.0, 600.0, 2.0, count);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
