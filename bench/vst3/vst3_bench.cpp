// The cost per sample of the VST 3 processor over blocks of 512 frames at
// 44.1 kHz, every stage running, as the number of parameter changes inside
// the block grows. Each change at an offset of its own splits the block
// there (the core runs each piece whole), so the pieces' fixed cost shows up
// against the block taken whole:
//   BM_Process/0     no change
//   BM_Process/1     one change at offset 0 (no split: what applying every
//                    change at the next block's start would cost)
//   BM_Process/N     N changes of the volume at N evenly spread offsets
//                    (N pieces)
//   ns_per_sample    processing time per input frame (CPU time)
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "effect/ParameterTable.h"
#include "tests/vst3/Vst3TestHost.h"
#include "vst3/Vst3Processor.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int32_t kBlock = 512;

// A sawtooth gliding 110 -> 440 Hz over two seconds.
std::vector<float> input()
{
  const auto count = static_cast<std::size_t>(kRate * 2);
  std::vector<float> out(count);
  double phase = 0.0;
  for (std::size_t n = 0; n < count; ++n) {
    const double t = static_cast<double>(n) / kRate;
    phase += 110.0 * std::pow(2.0, 24.0 * t / 2.0 / 12.0) / kRate;
    phase -= std::floor(phase);
    out[n] = static_cast<float>(0.5 * (2.0 * phase - 1.0));
  }
  return out;
}

void BM_Process(benchmark::State& state)
{
  const auto changes = static_cast<int32_t>(state.range(0));
  auto* processor = new Vst3Processor(BRASKLIN_BENCH_DIR);
  processor->initialize(nullptr);
  vst3::ProcessSetup setup{0, vst3::kSample32, kBlock, kRate};
  processor->setupProcessing(&setup);
  processor->setActive(1);
  processor->setProcessing(1);

  // Every stage running: band-pass filter, delay with feedback, drive.
  vst3test::ParameterChanges settings;
  settings.add(filterTypeParameter, 0, 1.0);
  settings.add(delayTimeParameter, 0, 0.1);
  settings.add(delayFeedBackParameter, 0, 0.7);
  settings.add(delayMixParameter, 0, 0.5);
  settings.add(driveParameter, 0, 0.5);
  vst3test::ParameterChanges points;
  for (int32_t k = 0; k < changes; ++k) points.add(volumeParameter, k * (kBlock / changes), k % 2 == 0 ? 0.45 : 0.55);

  const std::vector<float> samples = input();
  std::vector<float> left(kBlock), right(kBlock);
  float* inputs[1] = {nullptr};
  float* outputs[2] = {left.data(), right.data()};
  vst3::AudioBusBuffers in{};
  in.numChannels = 1;
  in.channelBuffers32 = inputs;
  vst3::AudioBusBuffers out{};
  out.numChannels = 2;
  out.channelBuffers32 = outputs;
  vst3::ProcessData data{};
  data.symbolicSampleSize = vst3::kSample32;
  data.numSamples = kBlock;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;

  std::size_t at = 0;
  auto nextBlock = [&](vst3::IParameterChanges* queued) {
    inputs[0] = const_cast<float*>(samples.data()) + at;
    at = (at + kBlock) % (samples.size() - kBlock);
    data.inputParameterChanges = queued;
    processor->process(&data);
  };
  nextBlock(&settings);
  for (int32_t warmUp = 0; warmUp < static_cast<int32_t>(kRate) / kBlock; ++warmUp) nextBlock(nullptr);
  for (auto _ : state) nextBlock(changes > 0 ? &points : nullptr);
  state.counters["ns_per_sample"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  processor->setProcessing(0);
  processor->setActive(0);
  processor->terminate();
  processor->release();
}

}  // namespace

BENCHMARK(BM_Process)->Arg(0)->Arg(1)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
