// Cost of the tracking oscillator per sample, for short blocks (one transform
// per block) and long ones (one per frame), at two analysis lengths; the
// classic detector against the precise one on a harmonic-rich tone; and the
// controls for playing live (gate, glide, scale) off and on.

#include "dsp/TrackingOscillator.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;

void BM_TrackingOscillator(benchmark::State& state)
{
  const auto blockSize = static_cast<int32_t>(state.range(0));
  const auto fftLength = static_cast<int32_t>(state.range(1));
  std::vector<float> table(44100);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / 44100.0));
  std::vector<float> input(static_cast<std::size_t>(blockSize));
  for (std::size_t n = 0; n < input.size(); ++n)
    input[n] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 220.0 * static_cast<double>(n) / kRate));
  std::vector<float> output(input.size());

  TrackingOscillator oscillator;
  oscillator.setStabilize(true);
  oscillator.setAnalysisLength(fftLength);
  for (auto _ : state) {
    oscillator.process(input.data(), output.data(), blockSize, kRate, table.data(), static_cast<int32_t>(table.size()));
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * blockSize);
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(state.iterations() * blockSize),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_TrackingOscillator)->ArgNames({"block", "N"})->ArgsProduct({{64, 512, 4096}, {2048, 8192}});

// A 110 Hz tone with 30 harmonics falling at 6 dB per octave, so the precise
// detector weighs its full set of candidates (peak / 1 .. peak / 3) and harmonics.
void BM_TrackingOscillatorDetector(benchmark::State& state)
{
  const bool precise = state.range(0) != 0;
  const auto blockSize = static_cast<int32_t>(state.range(1));
  const auto fftLength = static_cast<int32_t>(state.range(2));
  std::vector<float> table(44100);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / 44100.0));
  // A whole number of blocks long, and fed in turn, so the ring holds a real tone.
  constexpr int32_t kBlocks = 16;
  std::vector<float> input(static_cast<std::size_t>(blockSize) * kBlocks);
  for (std::size_t n = 0; n < input.size(); ++n) {
    double sum = 0.0;
    for (int m = 1; m <= 30; ++m)
      sum += std::sin(2.0 * std::numbers::pi * 110.0 * m * static_cast<double>(n) / kRate) / m;
    input[n] = static_cast<float>(0.3 * sum);
  }
  std::vector<float> output(static_cast<std::size_t>(blockSize));

  TrackingOscillator oscillator;
  oscillator.setPrecise(precise);
  oscillator.setAnalysisLength(fftLength);
  int32_t block = 0;
  for (auto _ : state) {
    oscillator.process(input.data() + static_cast<std::ptrdiff_t>(block) * blockSize, output.data(), blockSize, kRate,
                       table.data(), static_cast<int32_t>(table.size()));
    block = (block + 1) % kBlocks;
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * blockSize);
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(state.iterations() * blockSize),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_TrackingOscillatorDetector)
    ->ArgNames({"precise", "block", "N"})
    ->ArgsProduct({{0, 1}, {64, 512}, {2048, 8192}});

// A melody of notes 120 ms long, every third one below the gate, so that with
// the controls on the gate opens and shuts, the glide moves and the tone
// plays on the continuous engine; with them off the same input takes the
// classic one.
void BM_TrackingOscillatorLiveControls(benchmark::State& state)
{
  const bool on = state.range(0) != 0;
  const auto blockSize = static_cast<int32_t>(state.range(1));
  std::vector<float> table(44100);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / 44100.0));
  constexpr double kNoteSeconds = 0.12;
  constexpr int32_t kNotes = 24;
  const auto noteLength = static_cast<std::size_t>(kNoteSeconds * kRate);
  std::vector<float> input(noteLength * kNotes);
  double phase = 0.0;
  for (std::size_t n = 0; n < input.size(); ++n) {
    const auto note = static_cast<int32_t>(n / noteLength);
    const double hz = 196.0 * std::pow(2.0, static_cast<double>((note * 5) % 14) / 12.0);
    const double level = (note % 3 == 2) ? 0.001 : 0.4;
    input[n] = static_cast<float>(level * std::sin(phase));
    phase = std::fmod(phase + 2.0 * std::numbers::pi * hz / kRate, 2.0 * std::numbers::pi);
  }
  std::vector<float> output(static_cast<std::size_t>(blockSize));

  TrackingOscillator oscillator;
  if (on) {
    oscillator.setGateThreshold(-40.0f);
    oscillator.setGlideTime(0.06f);
    oscillator.setScale(Scale::major);
    oscillator.setKey(7);
  }
  const auto blocks = static_cast<int32_t>(input.size() / static_cast<std::size_t>(blockSize));
  int32_t block = 0;
  for (auto _ : state) {
    oscillator.process(input.data() + static_cast<std::ptrdiff_t>(block) * blockSize, output.data(), blockSize, kRate,
                       table.data(), static_cast<int32_t>(table.size()));
    block = (block + 1) % blocks;
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * blockSize);
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(state.iterations() * blockSize),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_TrackingOscillatorLiveControls)->ArgNames({"on", "block"})->ArgsProduct({{0, 1}, {64, 512, 4096}});

}  // namespace

BENCHMARK_MAIN();
