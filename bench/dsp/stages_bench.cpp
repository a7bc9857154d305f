// Cost of the filter, delay and distortion stages on a 512-sample block, in
// place as the chain runs them, and of the dry/wet blend after them. The
// "ns_per_sample" counter is the figure to read.

#include "dsp/Distortion.h"
#include "dsp/DryWetMix.h"
#include "dsp/FeedbackDelay.h"
#include "dsp/ResonantFilter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int32_t kBlock = 512;

std::vector<float> noiseBlock()
{
  std::mt19937 generator(1);
  std::uniform_real_distribution<float> uniform(-0.8f, 0.8f);
  std::vector<float> block(kBlock);
  for (auto& x : block) x = uniform(generator);
  return block;
}

void reportPerSample(benchmark::State& state)
{
  state.SetItemsProcessed(state.iterations() * kBlock);
  state.counters["ns_per_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock * 1e-9,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ResonantFilter(benchmark::State& state)
{
  const auto type = static_cast<int32_t>(state.range(0));
  ResonantFilter filter;
  filter.setCoefficients(0.05f, 0.8f);
  const std::vector<float> source = noiseBlock();
  std::vector<float> block(kBlock);
  for (auto _ : state) {
    // Fresh input every time, so the resonance never settles into silence or denormals.
    std::copy(source.begin(), source.end(), block.begin());
    filter.process(block.data(), block.data(), kBlock, type);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  reportPerSample(state);
}
BENCHMARK(BM_ResonantFilter)
    ->Arg(ResonantFilter::lowPass)
    ->Arg(ResonantFilter::highPass)
    ->Arg(ResonantFilter::bandPass);

// The pitch-tracking path: coefficients switched inside the block.
void BM_ResonantFilterSplitBlock(benchmark::State& state)
{
  ResonantFilter filter;
  const std::vector<float> source = noiseBlock();
  std::vector<float> block(kBlock);
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), block.begin());
    filter.setCoefficients(0.02f, 0.8f);
    filter.process(block.data(), block.data(), 200, ResonantFilter::lowPass);
    filter.setCoefficients(0.03f, 0.8f);
    filter.process(block.data() + 200, block.data() + 200, kBlock - 200, ResonantFilter::lowPass);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  reportPerSample(state);
}
BENCHMARK(BM_ResonantFilterSplitBlock);

void BM_FeedbackDelay(benchmark::State& state)
{
  auto delay = std::make_unique<FeedbackDelay>();
  delay->configure(FeedbackDelay::lengthForSeconds(0.5, 44100.0), 0.7f, 0.5f);
  const std::vector<float> source = noiseBlock();
  std::vector<float> block(kBlock);
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), block.begin());
    delay->process(block.data(), block.data(), kBlock);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  reportPerSample(state);
}
BENCHMARK(BM_FeedbackDelay);

void BM_Distortion(benchmark::State& state)
{
  Distortion distortion;
  distortion.setDrive(26.0f);
  const std::vector<float> source = noiseBlock();
  std::vector<float> block(kBlock);
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), block.begin());
    distortion.process(block.data(), block.data(), kBlock);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  reportPerSample(state);
}
BENCHMARK(BM_Distortion);

// The blend in place over the chain's output; at a share of 1 it does nothing.
void BM_DryWetMix(benchmark::State& state)
{
  const float share = static_cast<float>(state.range(0)) / 100.0f;
  const std::vector<float> dry = noiseBlock();
  std::vector<float> wet(dry.rbegin(), dry.rend());
  std::vector<float> block(kBlock);
  for (auto _ : state) {
    std::copy(wet.begin(), wet.end(), block.begin());
    DryWetMix::blend(share, dry.data(), block.data(), block.data(), kBlock);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  reportPerSample(state);
}
BENCHMARK(BM_DryWetMix)->ArgName("percent_wet")->Arg(100)->Arg(50);

}  // namespace

BENCHMARK_MAIN();
