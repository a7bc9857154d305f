// The audio routines must not allocate or lock, in any block: a heap
// allocation or a contended lock on the host's audio thread can take longer
// than a whole block. This binary replaces the global allocation functions
// (and, outside sanitizer builds, malloc and the pthread lock functions) with
// counting versions, counts on the calling thread only, and checks that long
// runs of blocks count nothing, that no change a host makes between blocks
// (FFT length, program, sample rate, announced block size, suspend and
// resume) makes the blocks after it count anything, the first one included,
// and that the one moment allocating is still allowed (process given a block
// larger than any announced) really is the only one. The LV2 edition's run
// and the VST 3 edition's process (its bundle loaded as a host loads it) are
// counted here too.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <new>
#include <random>
#include <shared_mutex>
#include <string>
#include <vector>

#include "tests/hardening/HardeningSupport.h"

#include <lv2/core/lv2.h>

#include "effect/ParameterPorts.h"
#include "effect/ParameterUnits.h"
#include "tests/support/Lv2HostFeatures.h"
#include "tests/vst3/Vst3TestHost.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BRASKLIN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define BRASKLIN_SANITIZED 1
#endif
#endif
#ifndef BRASKLIN_SANITIZED
#define BRASKLIN_SANITIZED 0
// Sanitizers bring their own malloc and lock interceptors; only plain builds
// put counters in front of the C library's.
#include <dlfcn.h>
#include <pthread.h>
#endif

namespace {

// Counting is switched on for the test's own thread only, so that the test
// framework or a sanitizer's threads do not count.
thread_local bool counting = false;
thread_local long allocations = 0;
thread_local long locks = 0;

inline void countAllocation()
{
  if (counting) ++allocations;
}

void* allocate(std::size_t size)
{
  countAllocation();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment)
{
  countAllocation();
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t rounded = (size + align - 1) / align * align;
  if (void* memory = std::aligned_alloc(align, rounded == 0 ? align : rounded)) return memory;
  throw std::bad_alloc();
}

}  // namespace

// The replaceable global allocation functions, all of them, so that none
// escapes the count. malloc-based: every delete form ends in free.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t alignment) { return allocateAligned(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return allocateAligned(size, alignment); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
  try {
    return allocateAligned(size, alignment);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
  try {
    return allocateAligned(size, alignment);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }

#if !BRASKLIN_SANITIZED
// malloc and friends in front of the C library's allocator, and the pthread
// lock calls in front of the real ones (found with RTLD_NEXT).
// The C library's own allocator under its exported internal names.
extern "C" {
void* __libc_malloc(std::size_t size);                     // NOLINT(bugprone-reserved-identifier)
void* __libc_calloc(std::size_t count, std::size_t size);  // NOLINT(bugprone-reserved-identifier)
void* __libc_realloc(void* memory, std::size_t size);      // NOLINT(bugprone-reserved-identifier)
void __libc_free(void* memory);                            // NOLINT(bugprone-reserved-identifier)

void* malloc(std::size_t size)
{
  countAllocation();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size)
{
  countAllocation();
  return __libc_calloc(count, size);
}
void* realloc(void* memory, std::size_t size)
{
  countAllocation();
  return __libc_realloc(memory, size);
}
void free(void* memory) { __libc_free(memory); }
}

namespace {
template <typename Function>
Function realFunction(const char* name)
{
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
using MutexCall = int (*)(pthread_mutex_t*);
using RwlockCall = int (*)(pthread_rwlock_t*);
using SpinCall = int (*)(pthread_spinlock_t*);
const MutexCall realMutexLock = realFunction<MutexCall>("pthread_mutex_lock");
const MutexCall realMutexTryLock = realFunction<MutexCall>("pthread_mutex_trylock");
const RwlockCall realReadLock = realFunction<RwlockCall>("pthread_rwlock_rdlock");
const RwlockCall realWriteLock = realFunction<RwlockCall>("pthread_rwlock_wrlock");
const SpinCall realSpinLock = realFunction<SpinCall>("pthread_spin_lock");
inline void countLock()
{
  if (counting) ++locks;
}
}  // namespace

extern "C" {
int pthread_mutex_lock(pthread_mutex_t* mutex)
{
  countLock();
  return realMutexLock(mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex)
{
  countLock();
  return realMutexTryLock(mutex);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* lock)
{
  countLock();
  return realReadLock(lock);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* lock)
{
  countLock();
  return realWriteLock(lock);
}
int pthread_spin_lock(pthread_spinlock_t* lock)
{
  countLock();
  return realSpinLock(lock);
}
}
#endif  // !BRASKLIN_SANITIZED

namespace {

using hardening::HostedPlugin;

// What happened on this thread while `work` ran.
struct Counts {
  long allocations = 0;
  long locks = 0;
};

Counts countDuring(const std::function<void()>& work)
{
  allocations = 0;
  locks = 0;
  counting = true;
  work();
  counting = false;
  return {allocations, locks};
}

// A host's audio thread: fixed buffers, input that keeps changing (a tone
// gliding through the oscillator's range, with noise), blocks of one size.
class AudioThread {
public:
  AudioThread(HostedPlugin& plugin, int32_t largestBlock) : plugin(plugin)
  {
    for (auto* buffer : {&in0, &in1, &out0, &out1}) buffer->resize(static_cast<std::size_t>(largestBlock));
  }

  // `inPlace`: the first output is the input's own buffer, as some hosts give it.
  void block(int32_t frames, bool replacing, bool inPlace = false)
  {
    for (int32_t i = 0; i < frames; ++i) {
      phase += 0.005 + 0.03 * (0.5 + 0.5 * std::sin(position * 1e-5));
      ++position;
      in0[static_cast<std::size_t>(i)] = static_cast<float>(0.6 * std::sin(phase)) + noise(random);
    }
    float* inputs[2] = {in0.data(), in1.data()};
    float* outputs[2] = {inPlace ? in0.data() : out0.data(), out1.data()};
    if (replacing) {
      plugin->processReplacing(plugin.descriptor(), inputs, outputs, frames);
    } else {
      plugin->process(plugin.descriptor(), inputs, outputs, frames);
    }
  }

  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): count, then size, as a host says it
  void blocks(int count, int32_t frames, bool replacing)
  {
    for (int b = 0; b < count; ++b) block(frames, replacing);
  }

private:
  HostedPlugin& plugin;
  std::vector<float> in0, in1, out0, out1;
  double phase = 0.0;
  double position = 0.0;
  std::mt19937 random{42};
  std::uniform_real_distribution<float> noise{-0.05f, 0.05f};
};

TEST(RealtimeSafetyTest, theCountersSeeAllocationsAndLocks)
{
  // The instrumentation itself: without this, zero counts below would prove nothing.
  std::vector<int>* made = nullptr;
  const Counts newCounts = countDuring([&] { made = new std::vector<int>(100); });
  delete made;
  EXPECT_GE(newCounts.allocations, 2);
#if BRASKLIN_SANITIZED
  GTEST_SKIP() << "malloc and locks are the sanitizer's own in this build; counted in the plain build";
#else
  void* raw = nullptr;
  const Counts mallocCounts = countDuring([&] { raw = std::malloc(64); });
  std::free(raw);
  EXPECT_EQ(mallocCounts.allocations, 1);
  std::mutex mutex;
  std::shared_mutex shared;
  const Counts lockCounts = countDuring([&] {
    {
      const std::lock_guard hold(mutex);
    }
    {
      const std::unique_lock hold(shared);
    }
    {
      const std::shared_lock hold(shared);
    }
  });
  EXPECT_EQ(lockCounts.locks, 3);
#endif
}

struct Configuration {
  const char* name;
  std::function<void(HostedPlugin&)> apply;
};

// robustness: long runs of blocks with constant settings, in every stage setup, through processReplacing and process => after the first block at a configuration, no heap allocation and no lock on the audio thread
TEST(RealtimeSafetyTest, steadyBlocksNeitherAllocateNorLock)
{
  const std::vector<Configuration> configurations{
      {"program 0 as created", [](HostedPlugin&) {}},
      {"every stage on, resonance and feedback 1",
       [](HostedPlugin& p) {
         p.everyStageOn(1.0f, 1.0f);
         p.set(hardening::kPitchShift, 0.75f);
       }},
      {"longest analysis, stablize and quick detect, high-pass",
       [](HostedPlugin& p) {
         p.set(hardening::kFftLength, 1.0f);
         p.set(2, 1.0f);
         p.set(3, 1.0f);
         p.set(hardening::kFilterType, 0.6f);
         p.set(hardening::kDelayMix, 0.3f);
       }},
      {"96 kHz, stages in reverse order, distortion",
       [](HostedPlugin& p) {
         p.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
         p.set(hardening::kFirst, 1.0f);
         p.set(hardening::kSecond, 0.9f);
         p.set(hardening::kThird, 0.5f);
         p.set(hardening::kForth, 0.0f);
         p.set(hardening::kDrive, 0.8f);
         p.set(hardening::kDelayMix, 0.5f);
         p.set(hardening::kDelayTime, 0.3f);
       }},
  };
  for (const Configuration& configuration : configurations) {
    HostedPlugin plugin;
    configuration.apply(plugin);
    AudioThread audio(plugin, 512);
    audio.blocks(1, 512, true);   // the first block may build for this configuration
    audio.blocks(1, 512, false);  // and the first accumulating one, too
    const Counts counts = countDuring([&] {
      audio.blocks(600, 512, true);
      audio.blocks(600, 512, false);
    });
    EXPECT_EQ(counts.allocations, 0) << configuration.name;
    EXPECT_EQ(counts.locks, 0) << configuration.name;
  }
}

// robustness: the live controls on (dry/wet below 1, gate, glide, scale and key) with every stage, blocks in place and out of place, replacing and accumulating, up to the largest block prepared and beyond it in place => no heap allocation and no lock on the audio thread
TEST(RealtimeSafetyTest, theLiveControlsNeitherAllocateNorLockOnAnyRoute)
{
  HostedPlugin plugin;
  plugin.everyStageOn(0.5f, 0.5f);
  const std::pair<int32_t, float> live[] = {{19, 0.4f}, {20, 0.3f}, {21, 0.5f}, {22, 0.5f}, {23, 0.3f}};
  for (const auto& [index, value] : live) plugin.set(index, value);
  AudioThread audio(plugin, 12000);
  audio.block(512, true);
  audio.block(512, false);
  audio.block(512, true, true);
  const Counts counts = countDuring([&] {
    for (int b = 0; b < 300; ++b) {
      audio.block(512, true);
      audio.block(512, false);
      audio.block(512, true, true);
    }
    audio.block(8192, true, true);   // the largest the input copy was built for
    audio.block(12000, true, true);  // beyond it: kept in the second output
  });
  EXPECT_EQ(counts.allocations, 0);
  EXPECT_EQ(counts.locks, 0);
}

// robustness: host automating parameters on its audio thread between blocks (every parameter, the FFT length included, any value) => setParameter and the blocks that follow neither allocate nor lock
TEST(RealtimeSafetyTest, automationOnTheAudioThreadNeitherAllocatesNorLocks)
{
  HostedPlugin plugin;
  plugin.everyStageOn(0.5f, 0.5f);
  AudioThread audio(plugin, 256);
  audio.blocks(2, 256, true);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  const Counts counts = countDuring([&] {
    for (int b = 0; b < 2000; ++b) {
      const auto index = static_cast<int32_t>(random() % kParameterCount);
      plugin.set(index, value(random));
      (void)plugin.get(index);
      audio.block(256, b % 2 == 0);
    }
  });
  EXPECT_EQ(counts.allocations, 0);
  EXPECT_EQ(counts.locks, 0);
}

// robustness: process called with a block larger than any before (9000 after 512) => allocates its scratch once, in that block only; processReplacing never allocates for a large block (20000)
TEST(RealtimeSafetyTest, aLargerBlockForProcessIsTheOnlyBlockThatAllocates)
{
  HostedPlugin plugin;
  plugin.everyStageOn(0.5f, 0.5f);
  AudioThread audio(plugin, 20000);
  audio.blocks(2, 512, false);
  EXPECT_EQ(countDuring([&] { audio.blocks(1, 20000, true); }).allocations, 0);
  EXPECT_GT(countDuring([&] { audio.blocks(1, 9000, false); }).allocations, 0);
  const Counts after = countDuring([&] {
    audio.blocks(20, 9000, false);
    audio.blocks(20, 512, false);
    audio.blocks(20, 8999, false);
  });
  EXPECT_EQ(after.allocations, 0);
  EXPECT_EQ(after.locks, 0);
}

void suspendAndResume(HostedPlugin& plugin, const std::function<void()>& whileSuspended)
{
  plugin.dispatch(effMainsChanged, 0, 0);
  whileSuspended();
  plugin.dispatch(effMainsChanged, 0, 1);
}

// robustness: host changes between blocks, one after another on one instance: FFT length (2048 -> 8192 -> 1024 -> 4096), program with another FFT length, sample rate while running and while suspended (44100 -> 48000 -> 96000 -> 22050 -> 44100), block size 16384 announced while suspended, suspend/resume, through both audio routines => no heap allocation and no lock in any of the blocks that follow, the first one included
TEST(RealtimeSafetyTest, noBlockAllocatesOrLocksAfterAnyHostChange)
{
  struct Change {
    const char* name;
    std::function<void(HostedPlugin&)> apply;
    int32_t frames;
    bool replacing;
  };
  const auto setSampleRate = [](float rate) {
    return [rate](HostedPlugin& p) { p.dispatch(effSetSampleRate, 0, 0, nullptr, rate); };
  };
  const auto setFftLength = [](float value) {
    return [value](HostedPlugin& p) { p.set(hardening::kFftLength, value); };
  };
  const std::vector<Change> changes{
      {"FFT length 8192", setFftLength(1.0f), 512, true},
      {"FFT length 1024, accumulating", setFftLength(0.1f), 512, false},
      {"FFT length 4096", setFftLength(0.6f), 256, true},
      // Program 0 now holds 4096; program 2 (a factory sound) analyses 2048.
      {"program 2 (FFT length 2048)",
       [](HostedPlugin& p) {
         p.dispatch(effSetProgram, 0, 2);
         EXPECT_EQ(p.get(hardening::kFftLength), 0.35f) << "program 2 must change the FFT length";
       },
       512, true},
      {"program 0 again (FFT length 4096), accumulating", [](HostedPlugin& p) { p.dispatch(effSetProgram, 0, 0); }, 512,
       false},
      {"sample rate 48000 while running", setSampleRate(48000.0f), 512, true},
      {"sample rate 96000 while suspended",
       [](HostedPlugin& p) { suspendAndResume(p, [&] { p.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f); }); },
       512, false},
      {"sample rates 22050 then 44100 set twice before a block",
       [](HostedPlugin& p) {
         p.dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f);
         p.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
       },
       512, true},
      {"sample rate 22050, accumulating", setSampleRate(22050.0f), 1024, false},
      {"block size 16384 announced while suspended, accumulating",
       [](HostedPlugin& p) { suspendAndResume(p, [&] { p.dispatch(effSetBlockSize, 0, 16384); }); }, 16384, false},
      {"block size 16384, replacing", [](HostedPlugin&) {}, 16384, true},
      {"suspend and resume", [](HostedPlugin& p) { suspendAndResume(p, [] {}); }, 512, false},
      {"every stage on, then program 5 with a new rate",
       [](HostedPlugin& p) {
         p.everyStageOn(0.8f, 0.6f);
         p.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
         p.dispatch(effSetProgram, 0, 5);
       },
       333, true},
  };
  HostedPlugin plugin;
  plugin.everyStageOn(0.5f, 0.5f);
  AudioThread audio(plugin, 16384);
  audio.blocks(2, 512, true);
  audio.blocks(2, 512, false);
  for (const Change& change : changes) {
    change.apply(plugin);
    for (int block = 0; block < 4; ++block) {
      const Counts counts = countDuring([&] { audio.block(change.frames, change.replacing); });
      EXPECT_EQ(counts.allocations, 0) << change.name << ", block " << block << " after the change";
      EXPECT_EQ(counts.locks, 0) << change.name << ", block " << block << " after the change";
    }
  }
  // The changes really happened (so the blocks above ran after them).
  EXPECT_EQ(plugin.get(hardening::kFftLength), 0.35f);  // program 5's own
  EXPECT_EQ(plugin.dispatch(effGetProgram), 5);
}

// The LV2 edition's run, through its descriptor as a host calls it.
class Lv2AudioThread {
public:
  explicit Lv2AudioThread(uint32_t largestBlock)
      : descriptor(lv2_descriptor(0)),
        in(largestBlock),
        left(largestBlock),
        right(largestBlock),
        controls(portCount(), 0.0f)
  {
    testsupport::Lv2HostFeatures features(static_cast<int32_t>(largestBlock));
    handle = descriptor->instantiate(descriptor, 44100.0, BRASKLIN_TEST_VST_DIR, features.list());
    for (uint32_t port = 0; port < portCount(); ++port) descriptor->connect_port(handle, port, &controls[port]);
    descriptor->connect_port(handle, kAudioInputPort, in.data());
    descriptor->connect_port(handle, kFirstAudioOutputPort, left.data());
    descriptor->connect_port(handle, kFirstAudioOutputPort + 1, right.data());
    // Every control at program 0's setting.
    for (int32_t index = 0; index < kParameterCount; ++index) set(index, parameterInfo(index).initialValue);
  }
  ~Lv2AudioThread() { descriptor->cleanup(handle); }
  Lv2AudioThread(const Lv2AudioThread&) = delete;
  Lv2AudioThread& operator=(const Lv2AudioThread&) = delete;

  bool instantiated() const { return handle != nullptr; }
  // The port of `index` (if it has one) at the unit value of the normalised `value`.
  void set(int32_t index, float value)
  {
    if (portForParameter(index) != kNoPort) controls[portForParameter(index)] = unitValueFor(index, value);
  }
  void activate() { descriptor->activate(handle); }
  // The loudest sample of the last block's left output.
  float lastPeak() const
  {
    float peak = 0.0f;
    for (const float sample : left) peak = std::max(peak, std::fabs(sample));
    return peak;
  }
  void deactivate() { descriptor->deactivate(handle); }
  void run(uint32_t frames)
  {
    for (uint32_t i = 0; i < frames; ++i) {
      phase += 0.01 + 0.02 * (0.5 + 0.5 * std::sin(position * 1e-4));
      ++position;
      in[i] = static_cast<float>(0.6 * std::sin(phase));
    }
    descriptor->run(handle, frames);
  }

private:
  const LV2_Descriptor* descriptor;
  LV2_Handle handle = nullptr;
  std::vector<float> in, left, right, controls;
  double phase = 0.0;
  double position = 0.0;
};

// robustness: LV2 host running blocks after activate (the first one included), moving every control port between blocks, and deactivating and activating again => run neither allocates nor locks in any block
TEST(RealtimeSafetyTest, theLv2RunNeitherAllocatesNorLocksFromTheFirstBlockAfterActivate)
{
  Lv2AudioThread plugin(512);
  ASSERT_TRUE(plugin.instantiated());
  plugin.set(fftLengthParameter, 1.0f);
  plugin.set(filterTypeParameter, 1.0f);
  plugin.set(delayMixParameter, 0.5f);
  plugin.set(delayTimeParameter, 0.2f);
  plugin.set(driveParameter, 0.5f);
  plugin.activate();
  Counts first = countDuring([&] { plugin.run(512); });
  EXPECT_EQ(first.allocations, 0) << "the first block after activate";
  EXPECT_EQ(first.locks, 0) << "the first block after activate";
  std::mt19937 random(11);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  const Counts moving = countDuring([&] {
    for (int b = 0; b < 1500; ++b) {
      plugin.set(static_cast<int32_t>(random() % kParameterCount), value(random));
      plugin.run(b % 3 == 0 ? 512 : 1 + static_cast<uint32_t>(random() % 512));
    }
  });
  EXPECT_EQ(moving.allocations, 0);
  EXPECT_EQ(moving.locks, 0);
  plugin.run(512);
  EXPECT_GT(plugin.lastPeak(), 0.0f) << "the blocks ran the effect (its shapes loaded)";
  plugin.deactivate();
  plugin.set(fftLengthParameter, 0.0f);
  plugin.activate();
  first = countDuring([&] { plugin.run(512); });
  EXPECT_EQ(first.allocations, 0) << "the first block after activating again";
  EXPECT_EQ(first.locks, 0) << "the first block after activating again";
  plugin.deactivate();
}

// robustness: VST 3 host sending changes of every parameter and the program inside every block, and stopping and starting processing => process neither allocates nor locks
TEST(RealtimeSafetyTest, theVst3ProcessNeitherAllocatesNorLocksWithChangesInEveryBlock)
{
  if (BRASKLIN_SANITIZED) GTEST_SKIP() << "the plug-in binary's allocations go to the sanitizer's allocator, uncounted";
  vst3test::Module module(vst3test::bundleBinary());
  vst3test::Plugin plugin(module, 44100.0, 512);
  ASSERT_TRUE(plugin.ready);
  const std::vector<float> input = effecttest::sweep(90.0, 700.0, 44100.0, 512, 0.5);
  std::vector<float> left(512), right(512);
  // The changes of every block are made before it, as a host's are.
  std::vector<vst3test::ParameterChanges> blocks(40);
  for (std::size_t block = 0; block < blocks.size(); ++block) {
    for (int32_t index = 0; index < kParameterCount; ++index) {
      const auto offset = static_cast<int32_t>((block * 37 + static_cast<std::size_t>(index) * 19) % 512);
      blocks[block].add(static_cast<vst3::ParamID>(index), offset, static_cast<double>((block + index) % 7) / 6.0);
    }
    blocks[block].add(0x10000, static_cast<int32_t>(block % 512), static_cast<double>(block % 16) / 15.0);
  }
  const Counts counts = countDuring([&] {
    for (auto& changes : blocks) plugin.process(input.data(), left.data(), right.data(), 512, &changes);
    plugin.processor->setProcessing(0);
    plugin.processor->setProcessing(1);
    plugin.process(input.data(), left.data(), left.data(), 512);
  });
  EXPECT_EQ(counts.allocations, 0);
  EXPECT_EQ(counts.locks, 0);
  // The counters see the plug-in binary's calls: making a view allocates.
  const Counts control = countDuring([&] {
    if (vst3::IPlugView* view = plugin.controller->createView("editor")) view->release();
  });
  EXPECT_GT(control.allocations, 0);
}

}  // namespace
