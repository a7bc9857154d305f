// Our real FFT on each of its paths (the scalar reference, SSE2, AVX2 when the
// processor has it) next to FFTW's planned real-to-complex transform of the same
// length, so the gap is visible in one run. Prints the ratio table at the end.
// Also times the spectrum peak search that follows every transform.

#include "dsp/Fft.h"
#include "dsp/FftPeak.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<float> randomFrame(int length)
{
  std::mt19937 generator(1234u);
  std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
  std::vector<float> frame(static_cast<std::size_t>(length));
  for (auto& x : frame) x = uniform(generator);
  return frame;
}

void timeTransform(benchmark::State& state, FftPath path)
{
  const auto length = static_cast<int32_t>(state.range(0));
  Fft fft(length);
  if (!fft.usePath(path)) {
    state.SkipWithError("this processor lacks the instruction set");
    return;
  }
  const auto input = randomFrame(length);
  std::vector<float> output(input.size());
  for (auto _ : state) {
    fft.transform(output.data(), input.data());
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// What the oscillator gets: the widest path.
void BM_FftTransform(benchmark::State& state) { timeTransform(state, Fft::widestPath()); }

void BM_FftScalar(benchmark::State& state) { timeTransform(state, FftPath::scalar); }

void BM_FftSse2(benchmark::State& state) { timeTransform(state, FftPath::sse2); }

void BM_FftAvx2(benchmark::State& state) { timeTransform(state, FftPath::avx2); }

void BM_FftwR2c(benchmark::State& state)
{
  const auto length = static_cast<int>(state.range(0));
  float* input = fftwf_alloc_real(static_cast<std::size_t>(length));
  fftwf_complex* output = fftwf_alloc_complex(static_cast<std::size_t>(length) / 2 + 1);
  fftwf_plan plan = fftwf_plan_dft_r2c_1d(length, input, output, FFTW_MEASURE);
  const auto frame = randomFrame(length);  // after planning: MEASURE overwrites the arrays
  std::copy(frame.begin(), frame.end(), input);
  for (auto _ : state) {
    fftwf_execute(plan);
    benchmark::DoNotOptimize(output);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  fftwf_destroy_plan(plan);
  fftwf_free(output);
  fftwf_free(input);
}

void timePeakSearch(benchmark::State& state, FftPath path)
{
  const auto length = static_cast<int32_t>(state.range(0));
  if (!Fft::supports(path)) {
    state.SkipWithError("this processor lacks the instruction set");
    return;
  }
  Fft fft(length);
  const auto input = randomFrame(length);
  std::vector<float> spectrum(input.size());
  fft.transform(spectrum.data(), input.data());
  for (auto _ : state) {
    const SpectrumPeak peak = findSpectrumPeak(spectrum.data(), length, 1, path);
    benchmark::DoNotOptimize(peak);
  }
}

void BM_PeakScalar(benchmark::State& state) { timePeakSearch(state, FftPath::scalar); }

void BM_PeakSse2(benchmark::State& state) { timePeakSearch(state, FftPath::sse2); }

void BM_PeakAvx2(benchmark::State& state) { timePeakSearch(state, FftPath::avx2); }

BENCHMARK(BM_FftTransform)->Arg(1024)->Arg(2048)->Arg(4096)->Arg(8192);
BENCHMARK(BM_FftScalar)->Arg(1024)->Arg(2048)->Arg(4096)->Arg(8192);
BENCHMARK(BM_FftSse2)->Arg(1024)->Arg(2048)->Arg(4096)->Arg(8192);
BENCHMARK(BM_FftAvx2)->Arg(1024)->Arg(2048)->Arg(4096)->Arg(8192);
BENCHMARK(BM_FftwR2c)->Arg(1024)->Arg(2048)->Arg(4096)->Arg(8192);
BENCHMARK(BM_PeakScalar)->Arg(1024)->Arg(8192);
BENCHMARK(BM_PeakSse2)->Arg(1024)->Arg(8192);
BENCHMARK(BM_PeakAvx2)->Arg(1024)->Arg(8192);

// Keeps the per-transform CPU times (the median when repetitions are asked
// for) so the ratios to FFTW can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override
  {
    for (const auto& run : runs) {
      const std::string name = run.benchmark_name();
      const auto slash = name.find('/');
      if (slash == std::string::npos || run.iterations == 0 || run.error_occurred) continue;
      const bool aggregate = run.run_type == Run::RT_Aggregate;
      if (aggregate && run.aggregate_name != "median") continue;
      const std::string family = name.substr(0, slash);
      const int length = std::stoi(name.substr(slash + 1));
      // CPU time: the machine may be shared.
      times_[family][length] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void printRatios() const
  {
    const auto fftw = times_.find("BM_FftwR2c");
    if (fftw == times_.end()) return;
    std::printf("\nCPU ns per transform, and the ratio to FFTW r2c (FFTW_MEASURE)\n");
    std::printf("%6s %10s", "N", "FFTW");
    const char* ours[] = {"BM_FftScalar", "BM_FftSse2", "BM_FftAvx2", "BM_FftTransform"};
    for (const char* family : ours) std::printf(" %24s", family + 3);
    std::printf("\n");
    for (const auto& [length, reference] : fftw->second) {
      std::printf("%6d %10.1f", length, reference);
      for (const char* family : ours) {
        const auto found = times_.find(family);
        if (found == times_.end() || found->second.count(length) == 0) {
          std::printf(" %24s", "-");
          continue;
        }
        const double ns = found->second.at(length);
        std::printf(" %14.1f (%5.2fx)", ns, ns / reference);
      }
      std::printf("\n");
    }
  }

private:
  std::map<std::string, std::map<int, double>> times_;
};

}  // namespace

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
