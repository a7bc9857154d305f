// What a block costs once loud input has fallen silent, next to what a block
// of ordinary input costs, with the filter at resonance 1.0 and the delay at
// feedback 1.0 (and a variant whose tails decay fast). Recursive stages leave
// tails that shrink towards denormal numbers, which x86 processors compute
// very slowly; the plug-in flushes them, so a silent block should cost no more
// than an ordinary one. Each iteration plays a quarter second of loud input
// (not timed) and then four seconds of the input under test, timed in
// processor time (the machine may be shared); read "ns_per_block", and the
// ratio printed at the end.
//
// BM_DelayTail* time the delay stage alone on a decaying tail, with and
// without the guard: unguarded, the echoes sink into denormal numbers and
// stay there (0.9 times the smallest denormals rounds back to them), which
// is what the guard spares the audio thread.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "dsp/FeedbackDelay.h"
#include "vst2/interface/AEffect.h"
#include "realtime/DenormalGuard.h"
#include "vst2/interface/PluginEntry.h"
#include "platform/fake/FakePlatformServices.h"

namespace {

constexpr int32_t kBlock = 512;
constexpr double kRate = 44100.0;
constexpr int kLoudBlocks = static_cast<int>(0.25 * kRate / kBlock);
constexpr int kTimedBlocks = static_cast<int>(4.0 * kRate / kBlock);

intptr_t host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

struct Plugin {
  FakePlatformServices services;
  AEffect* effect = nullptr;
  std::vector<float> in = std::vector<float>(kBlock), second = std::vector<float>(kBlock);
  std::vector<float> left = std::vector<float>(kBlock), right = std::vector<float>(kBlock);

  // The settings that shape the tails: filter resonance, delay feedback and
  // delay time (normalised parameter values).
  struct Tails {
    float resonance;
    float feedback;
    float delayTime;
  };

  explicit Plugin(Tails tails)
  {
    services.registryPath = BRASKLIN_BENCH_VST_DIR;
    setPlatformServicesOverride(&services);
    effect = pluginMain(&host);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    effect->setParameter(effect, 5, 0.35f);  // low-pass after the Mox stage
    effect->setParameter(effect, 6, 0.6f);
    effect->setParameter(effect, 7, tails.resonance);
    effect->setParameter(effect, 9, tails.delayTime);
    effect->setParameter(effect, 10, tails.feedback);
    effect->setParameter(effect, 8, 0.5f);
    effect->setParameter(effect, 12, 0.2f);
  }
  ~Plugin()
  {
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    setPlatformServicesOverride(nullptr);
  }

  void block()
  {
    float* inputs[2] = {in.data(), second.data()};
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, inputs, outputs, kBlock);
  }
};

// Loud: a full-scale tone with noise. Ordinary: a tone at -12 dB with a little noise.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): tone level, then noise level
void fill(std::vector<float>& block, double& phase, std::mt19937& random, float tone, float noise)
{
  std::uniform_real_distribution<float> uniform(-noise, noise);
  for (float& x : block) {
    phase += 2.0 * 3.141592653589793 * 196.0 / kRate;
    x = tone * static_cast<float>(std::sin(phase)) + uniform(random);
  }
}

std::map<std::string, double>& perBlock()
{
  static std::map<std::string, double> figures;
  return figures;
}

void timeAfterLoudInput(benchmark::State& state, const char* name, bool silent, Plugin::Tails tails)
{
  Plugin plugin(tails);
  std::mt19937 random(3);
  double phase = 0.0;
  double seconds = 0.0;
  for (auto _ : state) {
    for (int b = 0; b < kLoudBlocks; ++b) {
      fill(plugin.in, phase, random, 1.0f, 0.2f);
      plugin.block();
    }
    const std::clock_t start = std::clock();
    for (int b = 0; b < kTimedBlocks; ++b) {
      if (silent) {
        std::fill(plugin.in.begin(), plugin.in.end(), 0.0f);
      } else {
        fill(plugin.in, phase, random, 0.25f, 0.02f);
      }
      plugin.block();
      benchmark::DoNotOptimize(plugin.left.data());
    }
    const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    state.SetIterationTime(took);
    seconds += took;
  }
  const double nsPerBlock = seconds * 1e9 / (static_cast<double>(state.iterations()) * kTimedBlocks);
  state.counters["ns_per_block"] = nsPerBlock;
  perBlock()[name] = nsPerBlock;
}

void BM_OrdinaryInput(benchmark::State& state) { timeAfterLoudInput(state, "ordinary", false, {1.0f, 1.0f, 0.01f}); }
void BM_SilenceAfterLoudInput(benchmark::State& state)
{
  timeAfterLoudInput(state, "silent", true, {1.0f, 1.0f, 0.01f});
}
// Feedback 0.5 on a one-millisecond delay: the echoes reach the denormal range
// within a fraction of a second of silence.
void BM_OrdinaryInputDecaying(benchmark::State& state)
{
  timeAfterLoudInput(state, "ordinary decaying", false, {0.9f, 0.5f, 0.0002f});
}
void BM_SilenceAfterLoudInputDecaying(benchmark::State& state)
{
  timeAfterLoudInput(state, "silent decaying", true, {0.9f, 0.5f, 0.0002f});
}

BENCHMARK(BM_OrdinaryInput)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SilenceAfterLoudInput)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OrdinaryInputDecaying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SilenceAfterLoudInputDecaying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The delay stage alone on a decaying tail: an impulse into a 44-sample line
// with feedback 0.9, then two seconds of silence. The echoes shrink by a tenth
// per lap and pass through the denormal range about a second in.
void delayTail(benchmark::State& state, bool guarded)
{
  FeedbackDelay delay;
  delay.configure(44, 0.9f, 0.5f);
  std::vector<float> input(kBlock, 0.0f);
  std::vector<float> output(kBlock, 0.0f);
  constexpr int kBlocks = static_cast<int>(2.0 * kRate / kBlock);
  for (auto _ : state) {
    state.PauseTiming();
    delay.clear();
    input[0] = 1.0f;
    state.ResumeTiming();
    for (int b = 0; b < kBlocks; ++b) {
      if (guarded) {
        const DenormalGuard guard;
        delay.process(input.data(), output.data(), kBlock);
      } else {
        delay.process(input.data(), output.data(), kBlock);
      }
      benchmark::DoNotOptimize(output.data());
      input[0] = 0.0f;
    }
  }
}
void BM_DelayTailUnguarded(benchmark::State& state) { delayTail(state, false); }
void BM_DelayTailGuarded(benchmark::State& state) { delayTail(state, true); }
BENCHMARK(BM_DelayTailUnguarded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DelayTailGuarded)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const auto& figures = perBlock();
  const auto ratio = [&figures](const char* silent, const char* ordinary) {
    const auto s = figures.find(silent);
    const auto o = figures.find(ordinary);
    if (s != figures.end() && o != figures.end() && o->second > 0.0) {
      std::printf("cost of a block, %s / %s: %.2f (limit 1.5)\n", silent, ordinary, s->second / o->second);
    }
  };
  ratio("silent", "ordinary");
  ratio("silent decaying", "ordinary decaying");
  return 0;
}
