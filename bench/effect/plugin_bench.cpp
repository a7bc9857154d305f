// The plug-in as a host drives it: created through its entry, opened, told
// the rate and block size, resumed, and then called through the descriptor's
// processReplacing for block after block of a voice-like input. The shapes
// come from the shipped folder (resources/shapes).
//
// Counters (all against CPU time, so a busy machine inflates them less):
//   ns_per_sample  processing time per input frame
//   rt_factor      seconds of 44.1 kHz audio processed per second of work
// Construction reports the bytes an instance keeps and the bytes its
// constructor allocates in all (counted by the operator new below), the
// growth of the C heap (which also sees allocations made with malloc), and
// the lazy allocations of the first block.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#if defined(__GLIBC__)
#include <malloc.h>  // mallinfo2: the C allocator's own count, which sees Cairo's buffers too
#endif

#include "vst2/interface/AEffect.h"
#include "vst2/interface/PluginEntry.h"
#include "platform/fake/FakePlatformServices.h"

// ---------------------------------------------------------------------------
// Every allocation of the benchmark binary passes through here. Each block
// carries its size in a header, so the count of live bytes falls again when
// it is freed: the bytes an instance keeps are the live count after its
// construction minus the count before; the bytes allocated in all (short-lived
// buffers of the shape loading included) are counted separately.
namespace {
std::atomic<std::size_t> allocatedBytes{0};
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> allocationCount{0};

constexpr std::size_t kHeader = alignof(std::max_align_t);

void* countedAllocation(std::size_t size) noexcept
{
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) return nullptr;
  *reinterpret_cast<std::size_t*>(block) = size;
  allocatedBytes.fetch_add(size, std::memory_order_relaxed);
  liveBytes.fetch_add(size, std::memory_order_relaxed);
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  return block + kHeader;
}

// Out of line, so the compiler does not pair the free() with the operator
// new it sees inlined at a call site and warn about a mismatch.
[[gnu::noinline]] void release(void* memory) noexcept
{
  if (memory == nullptr) return;
  auto* block = static_cast<unsigned char*>(memory) - kHeader;
  liveBytes.fetch_sub(*reinterpret_cast<std::size_t*>(block), std::memory_order_relaxed);
  std::free(block);
}
}  // namespace

void* operator new(std::size_t size)
{
  if (void* memory = countedAllocation(size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
  if (void* memory = countedAllocation(size)) return memory;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void operator delete(void* memory) noexcept { release(memory); }
void operator delete[](void* memory) noexcept { release(memory); }
void operator delete(void* memory, std::size_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { release(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { release(memory); }

namespace {

// Bytes in use in the C heap (which operator new also draws from), or 0
// where the C library cannot say.
std::size_t heapInUse()
{
#if defined(__GLIBC__)
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#else
  return 0;
#endif
}

constexpr float kRate = 44100.0f;
constexpr double kPi = 3.141592653589793;

// ---------------------------------------------------------------------------
// The host side.

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

// The shipped shapes, found through the fallback folder; installed for the
// whole run, since the effect reads them in its constructor.
FakePlatformServices& shippedShapes()
{
  static FakePlatformServices services = [] {
    FakePlatformServices s;
    s.fallback = BRASKLIN_SHIPPED_SHAPES;
    return s;
  }();
  static ScopedPlatformServices installed(services);
  return services;
}

intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0, float opt = 0.0f)
{
  return effect->dispatcher(effect, opcode, index, value, nullptr, opt);
}

AEffect* createPlugin()
{
  (void)shippedShapes();
  return pluginMain(hostCallback);
}

// Open, rate, block size, resume: the order hosts commonly use.
void startPlugin(AEffect* effect, int32_t blockSize)
{
  dispatch(effect, effOpen);
  dispatch(effect, effSetSampleRate, 0, 0, kRate);
  dispatch(effect, effSetBlockSize, 0, blockSize);
  dispatch(effect, effMainsChanged, 0, 1);
}

void closePlugin(AEffect* effect)
{
  dispatch(effect, effMainsChanged, 0, 0);
  dispatch(effect, effClose);
}

// ---------------------------------------------------------------------------
// The input: a sung-like line. A sawtooth glides from 110 Hz up to 440 Hz and
// back over eight seconds, with a 5.5 Hz vibrato of a third of a semitone and
// a little noise, at about -6 dBFS. Made once, before any timing.
std::vector<float>& voiceLikeInput()
{
  static std::vector<float> input = [] {
    constexpr std::size_t kSeconds = 8;
    const auto count = static_cast<std::size_t>(kRate) * kSeconds;
    std::vector<float> samples(count);
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    double phase = 0.0;
    for (std::size_t n = 0; n < count; ++n) {
      const double t = static_cast<double>(n) / kRate;
      // 0 .. 1 .. 0: two octaves up, then down again.
      const double glide = 1.0 - std::fabs(t / (kSeconds / 2.0) - 1.0);
      const double semitones = 24.0 * glide + (1.0 / 3.0) * std::sin(2.0 * kPi * 5.5 * t);
      const double frequency = 110.0 * std::pow(2.0, semitones / 12.0);
      phase += frequency / kRate;
      phase -= std::floor(phase);
      samples[n] = static_cast<float>(0.5 * (2.0 * phase - 1.0) + 0.01 * noise(random));
    }
    return samples;
  }();
  return input;
}

// ---------------------------------------------------------------------------
// Settings.

enum Program : int64_t { defaultProgram = 0, everyStage = 1, resonantDefault = 2 };

constexpr float fftValue(int64_t length)
{
  return length <= 1024 ? 0.1f : length <= 2048 ? 0.35f : length <= 4096 ? 0.6f : 1.0f;
}

struct Settings {
  int64_t program = defaultProgram;
  int64_t fftLength = 2048;
  bool quickDetect = false;
  bool precise = false;
  // The controls for playing live as a player would set them: Dry/Wet 0.5,
  // Gate at -50 dB, Glide 90 ms, the A minor scale.
  bool live = false;
};

void applySettings(AEffect* effect, const Settings& settings)
{
  const int64_t program = settings.program;
  // Program 0 is selected by the constructor: Mox, then the low-pass that
  // follows the tracked pitch; delay and distortion off, volume at unity.
  if (program == everyStage) {
    effect->setParameter(effect, 5, 0.9f);    // band-pass
    effect->setParameter(effect, 9, 0.1f);    // delay 0.5 s
    effect->setParameter(effect, 10, 0.7f);   // feedback
    effect->setParameter(effect, 8, 0.5f);    // mix
    effect->setParameter(effect, 12, 0.5f);   // drive
    effect->setParameter(effect, 13, 0.75f);  // volume
  } else if (program == resonantDefault) {
    effect->setParameter(effect, 7, 0.7f);  // resonance: the filter's feedback path in use
  }
  effect->setParameter(effect, 1, fftValue(settings.fftLength));
  effect->setParameter(effect, 3, settings.quickDetect ? 1.0f : 0.0f);
  effect->setParameter(effect, 18, settings.precise ? 1.0f : 0.0f);
  if (settings.live) {
    effect->setParameter(effect, 19, 0.5f);          // dry/wet
    effect->setParameter(effect, 20, 0.5f);          // gate -50 dB
    effect->setParameter(effect, 21, 0.3f);          // glide 90 ms
    effect->setParameter(effect, 22, 3.0f / 6.0f);   // minor
    effect->setParameter(effect, 23, 9.0f / 11.0f);  // in A
  }
}

// A host's view of one plug-in instance and its buffers.
struct HostedPlugin {
  AEffect* effect = nullptr;
  int32_t block = 0;
  std::vector<float> silentChannel;
  std::vector<float> left;
  std::vector<float> right;
  std::size_t position = 0;  // where the next block starts in the input
  // The host hands the plug-in one buffer as input and first output (after
  // copying the input into it), as some hosts do.
  bool inPlace = false;

  HostedPlugin(int32_t blockSize, const Settings& settings)
      : effect(createPlugin()),
        block(blockSize),
        silentChannel(static_cast<std::size_t>(blockSize), 0.0f),
        left(static_cast<std::size_t>(blockSize)),
        right(static_cast<std::size_t>(blockSize))
  {
    if (effect == nullptr) return;
    startPlugin(effect, blockSize);
    applySettings(effect, settings);
    // A second of audio first: the analysis length change and the settling of
    // the tracker happen here, not in the timed blocks.
    const auto warmUpBlocks = static_cast<int64_t>(kRate) / blockSize + 1;
    for (int64_t b = 0; b < warmUpBlocks; ++b) processNextBlock();
  }
  ~HostedPlugin()
  {
    if (effect != nullptr) closePlugin(effect);
  }
  HostedPlugin(const HostedPlugin&) = delete;
  HostedPlugin& operator=(const HostedPlugin&) = delete;

  void processNextBlock()
  {
    std::vector<float>& input = voiceLikeInput();
    if (position + static_cast<std::size_t>(block) > input.size()) position = 0;
    // The host's input buffer is read only; the plug-in works from it into
    // the two output buffers.
    float* inputs[2] = {input.data() + position, silentChannel.data()};
    float* outputs[2] = {left.data(), right.data()};
    if (inPlace) {
      std::copy_n(inputs[0], block, left.data());
      inputs[0] = left.data();
    }
    effect->processReplacing(effect, inputs, outputs, block);
    position += static_cast<std::size_t>(block);
  }
};

void reportPerSample(benchmark::State& state, int64_t samplesPerIteration)
{
  const auto samples = static_cast<double>(state.iterations() * samplesPerIteration);
  state.SetItemsProcessed(state.iterations() * samplesPerIteration);
  state.counters["ns_per_sample"] =
      benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["rt_factor"] = benchmark::Counter(samples / kRate, benchmark::Counter::kIsRate);
}

// Arguments: program, Quick Detect, FFT length, block size.
void BM_Plugin(benchmark::State& state)
{
  const int64_t program = state.range(0);
  const bool quickDetect = state.range(1) != 0;
  const int64_t fftLength = state.range(2);
  const auto blockSize = static_cast<int32_t>(state.range(3));
  HostedPlugin host(blockSize, Settings{program, fftLength, quickDetect});
  if (host.effect == nullptr) {
    state.SkipWithError("the plug-in could not be created (shapes missing?)");
    return;
  }
  for (auto _ : state) {
    host.processNextBlock();
    benchmark::DoNotOptimize(host.right.data());
    benchmark::ClobberMemory();
  }
  reportPerSample(state, blockSize);
  state.SetLabel(program == everyStage ? "every stage" : program == resonantDefault ? "default+resonance" : "default");
}
BENCHMARK(BM_Plugin)
    ->ArgNames({"program", "quick", "fft", "block"})
    ->ArgsProduct({{defaultProgram, everyStage}, {0, 1}, {1024, 2048, 8192}, {32, 64, 256, 512, 1024, 4096}})
    ->Unit(benchmark::kMicrosecond);
// The filter's resonance feedback cannot overlap samples: the default program
// with resonance, at the common sizes.
BENCHMARK(BM_Plugin)
    ->ArgNames({"program", "quick", "fft", "block"})
    ->ArgsProduct({{resonantDefault}, {0}, {2048}, {256, 512}})
    ->Unit(benchmark::kMicrosecond);

// The controls for playing live, off and on, with either detector, the host
// handing separate buffers or one buffer in place (where the effect copies
// the input aside for the dry share). Arguments: precise, live, in place,
// block size; FFT 2048, the default program otherwise.
void BM_LiveControls(benchmark::State& state)
{
  Settings settings;
  settings.precise = state.range(0) != 0;
  settings.live = state.range(1) != 0;
  const auto blockSize = static_cast<int32_t>(state.range(3));
  HostedPlugin host(blockSize, settings);
  if (host.effect == nullptr) {
    state.SkipWithError("the plug-in could not be created (shapes missing?)");
    return;
  }
  host.inPlace = state.range(2) != 0;
  for (auto _ : state) {
    host.processNextBlock();
    benchmark::DoNotOptimize(host.right.data());
    benchmark::ClobberMemory();
  }
  reportPerSample(state, blockSize);
}
BENCHMARK(BM_LiveControls)
    ->ArgNames({"precise", "live", "inplace", "block"})
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}, {64, 512}})
    ->Unit(benchmark::kMicrosecond);

// Creating the effect: the base, the stages, the shipped shapes read from
// disk, the programs and the editor; then closing it again.
void BM_Construction(benchmark::State& state)
{
  std::size_t keptBytes = 0;
  std::size_t heapBytes = 0;
  std::size_t constructorBytes = 0;
  std::size_t constructorAllocations = 0;
  for (auto _ : state) {
    const std::size_t heapBefore = heapInUse();
    const std::size_t liveBefore = liveBytes.load(std::memory_order_relaxed);
    const std::size_t bytesBefore = allocatedBytes.load(std::memory_order_relaxed);
    const std::size_t countBefore = allocationCount.load(std::memory_order_relaxed);
    AEffect* effect = createPlugin();
    keptBytes = liveBytes.load(std::memory_order_relaxed) - liveBefore;
    heapBytes = heapInUse() - heapBefore;
    constructorBytes = allocatedBytes.load(std::memory_order_relaxed) - bytesBefore;
    constructorAllocations = allocationCount.load(std::memory_order_relaxed) - countBefore;
    if (effect == nullptr) {
      state.SkipWithError("the plug-in could not be created (shapes missing?)");
      return;
    }
    state.PauseTiming();
    dispatch(effect, effClose);
    state.ResumeTiming();
  }
  state.counters["bytes_per_instance"] = static_cast<double>(keptBytes);
  state.counters["bytes_allocated"] = static_cast<double>(constructorBytes);
  // Everything the instance keeps in the C heap, the C allocations of the
  // editor's drawing library included (operator new does not see those).
  state.counters["heap_bytes_per_instance"] = static_cast<double>(heapBytes);
  state.counters["allocations"] = static_cast<double>(constructorAllocations);
}
BENCHMARK(BM_Construction)->Unit(benchmark::kMillisecond);

// What the first block allocates after construction and settings, beyond
// the constructor's share (0 for every analysis length: the transforms are
// all built with the oscillator): reported, not timed.
void BM_FirstBlockAllocations(benchmark::State& state)
{
  const int64_t fftLength = state.range(0);
  std::size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    AEffect* effect = createPlugin();
    if (effect == nullptr) {
      state.SkipWithError("the plug-in could not be created (shapes missing?)");
      return;
    }
    startPlugin(effect, 512);
    applySettings(effect, Settings{defaultProgram, fftLength, false});
    std::vector<float> in(512, 0.1f);
    std::vector<float> silent(512, 0.0f);
    std::vector<float> left(512);
    std::vector<float> right(512);
    float* inputs[2] = {in.data(), silent.data()};
    float* outputs[2] = {left.data(), right.data()};
    const std::size_t before = allocatedBytes.load(std::memory_order_relaxed);
    state.ResumeTiming();
    effect->processReplacing(effect, inputs, outputs, 512);
    state.PauseTiming();
    bytes = allocatedBytes.load(std::memory_order_relaxed) - before;
    closePlugin(effect);
    state.ResumeTiming();
  }
  state.counters["bytes_first_block"] = static_cast<double>(bytes);
}
BENCHMARK(BM_FirstBlockAllocations)
    ->ArgName("fft")
    ->Arg(2048)
    ->Arg(8192)
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond);

// The host changing the rate, then a block: setSampleRate rebuilds every
// shape table for the new rate on the host's thread, and the block takes
// them. Rates alternate 48000 / 44100, so each iteration rebuilds.
// BM_SameRateBlock is the same block without a change; the difference is the
// rebuild (no longer on the audio thread).
void rateChangeBlocks(benchmark::State& state, bool changeRate)
{
  AEffect* effect = createPlugin();
  if (effect == nullptr) {
    state.SkipWithError("the plug-in could not be created (shapes missing?)");
    return;
  }
  startPlugin(effect, 64);
  std::vector<float> in(voiceLikeInput().begin(), voiceLikeInput().begin() + 64);
  std::vector<float> silent(64, 0.0f);
  std::vector<float> left(64);
  std::vector<float> right(64);
  float* inputs[2] = {in.data(), silent.data()};
  float* outputs[2] = {left.data(), right.data()};
  effect->processReplacing(effect, inputs, outputs, 64);
  bool high = false;
  for (auto _ : state) {
    if (changeRate) {
      high = !high;
      dispatch(effect, effSetSampleRate, 0, 0, high ? 48000.0f : kRate);
    }
    effect->processReplacing(effect, inputs, outputs, 64);
    benchmark::DoNotOptimize(right.data());
  }
  closePlugin(effect);
}
void BM_RateChangeBlock(benchmark::State& state) { rateChangeBlocks(state, true); }
void BM_SameRateBlock(benchmark::State& state) { rateChangeBlocks(state, false); }
BENCHMARK(BM_RateChangeBlock)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SameRateBlock)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
