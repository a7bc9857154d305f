// Cost of one host block through the whole effect. A 512-frame block at
// 44.1 kHz must take well under its 11.6 ms of real time.
#include <cmath>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "vst2/PluginEffect.h"

namespace {

constexpr int32_t kBlock = 512;

struct Bench {
  std::unique_ptr<PluginEffect> effect = std::make_unique<PluginEffect>(nullptr);
  std::vector<float> in0 = std::vector<float>(kBlock);
  std::vector<float> in1 = std::vector<float>(kBlock, 0.0f);
  std::vector<float> out0 = std::vector<float>(kBlock);
  std::vector<float> out1 = std::vector<float>(kBlock);
  double phase = 0.0;

  // A new stretch of a 220 Hz tone for every block, as a host would deliver.
  void nextInput()
  {
    for (float& x : in0) {
      x = static_cast<float>(0.5 * std::sin(phase));
      phase += 2.0 * 3.141592653589793 * 220.0 / 44100.0;
    }
  }
};

void run(benchmark::State& state, Bench& bench, bool accumulate)
{
  if (bench.effect->hasLoadFailed()) {
    state.SkipWithError("wave shapes not found beside the benchmark");
    return;
  }
  float* inputs[2] = {bench.in0.data(), bench.in1.data()};
  float* outputs[2] = {bench.out0.data(), bench.out1.data()};
  for (auto _ : state) {
    state.PauseTiming();
    bench.nextInput();
    state.ResumeTiming();
    if (accumulate) {
      bench.effect->process(inputs, outputs, kBlock);
    } else {
      bench.effect->processReplacing(inputs, outputs, kBlock);
    }
    benchmark::DoNotOptimize(bench.out1.data());
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

// Program 0: Mox and the pitch-following low-pass.
void programZero(benchmark::State& state)
{
  Bench bench;
  run(state, bench, false);
}

// Every stage running, the longest analysis, band-pass, volume not unity.
void everyStage(benchmark::State& state)
{
  Bench bench;
  PluginEffect& effect = *bench.effect;
  effect.setParameter(1, 1.0f);   // 8192-point analysis
  effect.setParameter(5, 0.9f);   // band-pass
  effect.setParameter(8, 0.5f);   // delay mix
  effect.setParameter(9, 0.1f);   // 0.5 s
  effect.setParameter(10, 0.5f);  // feedback
  effect.setParameter(12, 0.5f);  // drive
  effect.setParameter(13, 0.4f);  // volume
  run(state, bench, false);
}

void accumulating(benchmark::State& state)
{
  Bench bench;
  run(state, bench, true);
}

}  // namespace

BENCHMARK(programZero)->Unit(benchmark::kMicrosecond);
BENCHMARK(everyStage)->Unit(benchmark::kMicrosecond);
BENCHMARK(accumulating)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
