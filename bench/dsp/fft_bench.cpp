// Our real FFT next to FFTW's planned real-to-complex transform of the same
// length, so the gap is visible in one run. Prints the ratio table at the end.

#include "dsp/Fft.h"

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
    for (auto& x : frame)
        x = uniform(generator);
    return frame;
}

void BM_FftTransform(benchmark::State& state)
{
    const auto length = static_cast<int32_t>(state.range(0));
    Fft fft(length);
    const auto input = randomFrame(length);
    std::vector<float> output(input.size());
    for (auto _ : state) {
        fft.transform(output.data(), input.data());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

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

BENCHMARK(BM_FftTransform)->Arg(1024)->Arg(2048)->Arg(4096)->Arg(8192);
BENCHMARK(BM_FftwR2c)->Arg(1024)->Arg(2048)->Arg(4096)->Arg(8192);

// Keeps the per-transform times so the ratio can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs) {
            const std::string name = run.benchmark_name();
            const auto slash = name.find('/');
            if (slash == std::string::npos || run.iterations == 0)
                continue;
            const int length = std::stoi(name.substr(slash + 1));
            const double ns = run.GetAdjustedCPUTime();  // CPU time: the machine may be shared
            (name.rfind("BM_FftTransform", 0) == 0 ? ours_ : fftw_)[length] = ns;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        std::printf("\n%6s %14s %14s %8s\n", "N", "Fft CPU ns", "FFTW CPU ns", "ratio");
        for (const auto& [length, ns] : ours_) {
            const auto other = fftw_.find(length);
            if (other != fftw_.end())
                std::printf("%6d %14.1f %14.1f %8.2f\n", length, ns, other->second, ns / other->second);
        }
    }

private:
    std::map<int, double> ours_;
    std::map<int, double> fftw_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
