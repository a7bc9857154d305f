#include "tests/effect/EffectTestSupport.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace effecttest {

ShippedShapes::ShippedShapes()
{
  services.registryPath = BRASKLIN_TEST_VST_DIR;
  scope.emplace(services);
}

std::unique_ptr<PluginEffect> makeEffect(float sampleRate)
{
  auto effect = std::make_unique<PluginEffect>(nullptr);
  effect->setSampleRate(sampleRate);
  return effect;
}

Rendered renderReplacing(PluginEffect& effect, std::span<const float> input, int32_t blockSize,
                         std::span<const float> second)
{
  Rendered out{std::vector<float>(input.size()), std::vector<float>(input.size())};
  std::vector<float> left(static_cast<std::size_t>(blockSize));
  std::vector<float> right(static_cast<std::size_t>(blockSize));
  std::vector<float> in0(static_cast<std::size_t>(blockSize));
  std::vector<float> in1(static_cast<std::size_t>(blockSize));
  for (std::size_t start = 0; start < input.size(); start += static_cast<std::size_t>(blockSize)) {
    const std::size_t n = std::min(input.size() - start, static_cast<std::size_t>(blockSize));
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(start), n, in0.begin());
    for (std::size_t i = 0; i < n; ++i) in1[i] = second.empty() ? 0.0f : second[start + i];
    float* inputs[2] = {in0.data(), in1.data()};
    float* outputs[2] = {left.data(), right.data()};
    effect.processReplacing(inputs, outputs, static_cast<int32_t>(n));
    std::copy_n(left.begin(), n, out.left.begin() + static_cast<std::ptrdiff_t>(start));
    std::copy_n(right.begin(), n, out.right.begin() + static_cast<std::ptrdiff_t>(start));
  }
  return out;
}

float orderValue(int kind)
{
  constexpr float values[] = {0.1f, 0.5f, 0.8f, 1.0f};
  return values[kind];
}

void setOrder(PluginEffect& effect, int first, int second, int third, int forth)
{
  effect.setParameter(14, orderValue(first));
  effect.setParameter(15, orderValue(second));
  effect.setParameter(16, orderValue(third));
  effect.setParameter(17, orderValue(forth));
}

bool allFinite(std::span<const float> samples)
{
  return std::all_of(samples.begin(), samples.end(), [](float x) { return std::isfinite(x); });
}

std::vector<float> sweep(double fromHz, double toHz, double sampleRate, std::size_t count, double amplitude)
{
  // Phase of an exponential sweep: integral of f0 * (f1/f0)^(t/T).
  const double duration = static_cast<double>(count) / sampleRate;
  const double k = std::log(toHz / fromHz);
  std::vector<float> out(count);
  for (std::size_t n = 0; n < count; ++n) {
    const double t = static_cast<double>(n) / sampleRate;
    const double phase = 2.0 * std::numbers::pi * fromHz * duration / k * (std::exp(k * t / duration) - 1.0);
    out[n] = static_cast<float>(amplitude * std::sin(phase));
  }
  return out;
}

double sweepFrequency(double fromHz, double toHz, std::size_t count, double n)
{
  return fromHz * std::pow(toHz / fromHz, n / static_cast<double>(count));
}

}  // namespace effecttest
