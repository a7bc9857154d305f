// The VST 3 edition's process call on the audio thread: no allocation and no
// lock, counted by putting counters in front of the C library's allocator
// and the pthread lock calls, which the loaded plug-in binary reaches too.
// Plain builds only: sanitizers bring their own allocator and interceptors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "effect/ParameterTable.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/vst3/Vst3TestHost.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define BRASKLIN_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BRASKLIN_SANITIZED 1
#endif
#ifndef BRASKLIN_SANITIZED
#define BRASKLIN_SANITIZED 0
#include <dlfcn.h>
#include <pthread.h>
#endif

namespace {
thread_local bool counting = false;
thread_local long allocations = 0;
thread_local long locks = 0;
}  // namespace

#if !BRASKLIN_SANITIZED
extern "C" {
void* __libc_malloc(std::size_t size);                     // NOLINT(bugprone-reserved-identifier)
void* __libc_calloc(std::size_t count, std::size_t size);  // NOLINT(bugprone-reserved-identifier)
void* __libc_realloc(void* memory, std::size_t size);      // NOLINT(bugprone-reserved-identifier)

void* malloc(std::size_t size)
{
  if (counting) ++allocations;
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size)
{
  if (counting) ++allocations;
  return __libc_calloc(count, size);
}
void* realloc(void* memory, std::size_t size)
{
  if (counting) ++allocations;
  return __libc_realloc(memory, size);
}

using MutexCall = int (*)(pthread_mutex_t*);
int pthread_mutex_lock(pthread_mutex_t* mutex)
{
  static const auto real = reinterpret_cast<MutexCall>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
  if (counting) ++locks;
  return real(mutex);
}
}
#endif

namespace {

struct Counts {
  long allocations;
  long locks;
};

template <class Work>
Counts countDuring(Work work)
{
  allocations = 0;
  locks = 0;
  counting = true;
  work();
  counting = false;
  return {allocations, locks};
}

}  // namespace

TEST(Vst3RealtimeTest, processAllocatesNothingAndTakesNoLockWithChangesInEveryBlock)
{
  if (BRASKLIN_SANITIZED) GTEST_SKIP() << "the sanitizer's allocator is not counted";
  effecttest::ShippedShapes shapes;
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
