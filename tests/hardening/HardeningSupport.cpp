#include "tests/hardening/HardeningSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>

#include "vst2/interface/PluginEntry.h"

namespace hardening {
namespace {

intptr_t answeringHost(AEffect* /*effect*/, int32_t opcode, int32_t /*index*/, intptr_t /*value*/, void* /*ptr*/,
                       float /*opt*/)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

void useShippedShapes() { static effecttest::ShippedShapes shapes; }

HostedPlugin::HostedPlugin()
{
  useShippedShapes();
  effect = pluginMain(&answeringHost);
  if (effect == nullptr) throw std::runtime_error("the entry refused to create the plug-in");
}

HostedPlugin::~HostedPlugin() { (void)effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }

intptr_t HostedPlugin::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void HostedPlugin::everyStageOn(float resonance, float feedback)
{
  set(kFilterType, 0.9f);  // band-pass
  set(kCutOff, 0.5f);
  set(kResonance, resonance);
  set(kDelayTime, 0.01f);  // 50 ms
  set(kDelayFeedBack, feedback);
  set(kDelayMix, 0.5f);
  set(kDrive, 0.3f);
}

std::vector<float> HostedPlugin::render(std::span<const float> input, int32_t blockSize, bool replacing)
{
  std::vector<float> result(input.size());
  std::vector<float> in0(static_cast<std::size_t>(blockSize));
  std::vector<float> in1(static_cast<std::size_t>(blockSize));
  std::vector<float> left(static_cast<std::size_t>(blockSize));
  std::vector<float> right(static_cast<std::size_t>(blockSize));
  for (std::size_t start = 0; start < input.size(); start += static_cast<std::size_t>(blockSize)) {
    const std::size_t n = std::min(input.size() - start, static_cast<std::size_t>(blockSize));
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(start), n, in0.begin());
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
    float* inputs[2] = {in0.data(), in1.data()};
    float* outputs[2] = {left.data(), right.data()};
    if (replacing) {
      effect->processReplacing(effect, inputs, outputs, static_cast<int32_t>(n));
    } else {
      effect->process(effect, inputs, outputs, static_cast<int32_t>(n));
    }
    EXPECT_EQ(0, std::memcmp(left.data(), right.data(), n * sizeof(float))) << "outputs differ in block at " << start;
    std::copy_n(left.begin(), n, result.begin() + static_cast<std::ptrdiff_t>(start));
  }
  return result;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): frequency before rate, as everywhere in the tests
std::vector<float> sine(double hertz, double sampleRate, std::size_t count, float amplitude)
{
  std::vector<float> samples(count);
  for (std::size_t i = 0; i < count; ++i) {
    samples[i] =
        amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hertz * static_cast<double>(i) / sampleRate));
  }
  return samples;
}

}  // namespace hardening
