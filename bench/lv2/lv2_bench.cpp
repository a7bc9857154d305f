// The cost per sample of the two editions side by side, at blocks of 64, 256
// and 1024 frames: the VST 2 plug-in through its descriptor's
// processReplacing, the LV2 plug-in through its descriptor's run (control
// ports read at the start of every block), both at 44.1 kHz on the same
// voice-like input, after a second of warm-up.
//   ns_per_sample  processing time per input frame (CPU time)
#include <benchmark/benchmark.h>
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effect/ParameterPorts.h"
#include "effect/ParameterTable.h"
#include "effect/ParameterUnits.h"
#include "vst2/interface/AEffect.h"
#include "vst2/interface/PluginEntry.h"
#include "platform/fake/FakePlatformServices.h"
#include "tests/support/Lv2HostFeatures.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.141592653589793;

// A sawtooth gliding 110 -> 440 -> 110 Hz over four seconds with vibrato.
const std::vector<float>& input()
{
  static const std::vector<float> samples = [] {
    const auto count = static_cast<std::size_t>(kRate * 4);
    std::vector<float> out(count);
    double phase = 0.0;
    for (std::size_t n = 0; n < count; ++n) {
      const double t = static_cast<double>(n) / kRate;
      const double semitones = 24.0 * (1.0 - std::fabs(t / 2.0 - 1.0)) + 0.3 * std::sin(2.0 * kPi * 5.5 * t);
      phase += 110.0 * std::pow(2.0, semitones / 12.0) / kRate;
      phase -= std::floor(phase);
      out[n] = static_cast<float>(0.5 * (2.0 * phase - 1.0));
    }
    return out;
  }();
  return samples;
}

// Program 0, or every stage running (band-pass, delay, drive, volume).
std::vector<float> settings(bool everyStage)
{
  std::vector<float> values;
  for (int32_t index = 0; index < kParameterCount; ++index) values.push_back(parameterInfo(index).initialValue);
  if (everyStage) {
    values[filterTypeParameter] = 0.9f;
    values[delayTimeParameter] = values[delayTimeAltParameter] = 0.1f;
    values[delayFeedBackParameter] = 0.7f;
    values[delayMixParameter] = 0.5f;
    values[driveParameter] = 0.5f;
    values[volumeParameter] = 0.75f;
  }
  return values;
}

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

class Runner {
public:
  virtual ~Runner() = default;
  virtual void block(const float* in, uint32_t frames) = 0;
};

class Vst2Runner final : public Runner {
public:
  Vst2Runner(uint32_t blockSize, const std::vector<float>& values)
      : left(blockSize), right(blockSize), unused(blockSize)
  {
    static FakePlatformServices services = [] {
      FakePlatformServices s;
      s.registryPath = BRASKLIN_BENCH_DIR;
      return s;
    }();
    static ScopedPlatformServices installed(services);
    effect = pluginMain(hostCallback);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    effect->dispatcher(effect, effSetBlockSize, 0, static_cast<intptr_t>(blockSize), nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    for (int32_t index = 0; index < kParameterCount; ++index)
      effect->setParameter(effect, index, values[static_cast<std::size_t>(index)]);
  }
  ~Vst2Runner() override { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }
  void block(const float* in, uint32_t frames) override
  {
    float* inputs[2] = {const_cast<float*>(in), unused.data()};
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, inputs, outputs, static_cast<int32_t>(frames));
    benchmark::DoNotOptimize(right.data());
  }
  bool ok() const { return effect != nullptr; }

private:
  AEffect* effect = nullptr;
  std::vector<float> left, right, unused;
};

class Lv2Runner final : public Runner {
public:
  Lv2Runner(uint32_t blockSize, const std::vector<float>& values)
      : descriptor(lv2_descriptor(0)), left(blockSize), right(blockSize), controls(portCount(), 0.0f)
  {
    testsupport::Lv2HostFeatures features(static_cast<int32_t>(blockSize));
    handle = descriptor->instantiate(descriptor, kRate, BRASKLIN_BENCH_DIR, features.list());
    if (handle == nullptr) return;
    for (int32_t index = 0; index < kParameterCount; ++index) {
      const uint32_t port = portForParameter(index);
      if (port != kNoPort)
        controls[port] = unitValueFor(index, keptValue(index, values[static_cast<std::size_t>(index)]));
    }
    for (uint32_t port = kFirstControlPort; port < portCount(); ++port)
      descriptor->connect_port(handle, port, &controls[port]);
    descriptor->connect_port(handle, kFirstAudioOutputPort, left.data());
    descriptor->connect_port(handle, kFirstAudioOutputPort + 1, right.data());
    descriptor->activate(handle);
  }
  ~Lv2Runner() override
  {
    if (handle == nullptr) return;
    descriptor->deactivate(handle);
    descriptor->cleanup(handle);
  }
  void block(const float* in, uint32_t frames) override
  {
    descriptor->connect_port(handle, kAudioInputPort, const_cast<float*>(in));
    descriptor->run(handle, frames);
    benchmark::DoNotOptimize(right.data());
  }
  bool ok() const { return handle != nullptr; }

private:
  const LV2_Descriptor* descriptor;
  LV2_Handle handle = nullptr;
  std::vector<float> left, right, controls;
};

// Arguments: format (0 VST 2, 1 LV2), program (0 program 0, 1 every stage), block size.
void BM_Format(benchmark::State& state)
{
  const bool lv2 = state.range(0) != 0;
  const std::vector<float> values = settings(state.range(1) != 0);
  const auto blockSize = static_cast<uint32_t>(state.range(2));
  Vst2Runner* vst2 = nullptr;
  Lv2Runner* lv2Runner = nullptr;
  std::unique_ptr<Runner> runner;
  if (lv2) {
    runner.reset(lv2Runner = new Lv2Runner(blockSize, values));
  } else {
    runner.reset(vst2 = new Vst2Runner(blockSize, values));
  }
  if ((lv2 && !lv2Runner->ok()) || (!lv2 && !vst2->ok())) {
    state.SkipWithError("the plug-in could not be created");
    return;
  }
  const std::vector<float>& samples = input();
  std::size_t position = 0;
  const auto next = [&] {
    if (position + blockSize > samples.size()) position = 0;
    runner->block(samples.data() + position, blockSize);
    position += blockSize;
  };
  for (std::size_t warm = 0; warm < static_cast<std::size_t>(kRate); warm += blockSize) next();
  for (auto _ : state) next();
  const auto processed = static_cast<double>(state.iterations()) * blockSize;
  state.counters["ns_per_sample"] =
      benchmark::Counter(processed * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(std::string(lv2 ? "LV2" : "VST 2") + (state.range(1) != 0 ? ", every stage" : ", program 0"));
}
BENCHMARK(BM_Format)
    ->ArgNames({"lv2", "program", "block"})
    ->ArgsProduct({{0, 1}, {0, 1}, {64, 256, 1024}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
