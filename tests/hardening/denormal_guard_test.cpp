// The denormal guard on its own, and the audio routines seen through the
// descriptor: denormals are flushed while they run, and the host's own
// floating-point control state is exactly as it was when they return.

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <vector>

#include "realtime/DenormalGuard.h"
#include "tests/hardening/HardeningSupport.h"

#if BRASKLIN_HAS_MXCSR

namespace {

using hardening::HostedPlugin;

constexpr unsigned int kDefaultState = 0x1F80u;  // all exceptions masked, round to nearest
constexpr unsigned int kRoundingBits = 0x6000u;
constexpr unsigned int kRoundTowardZero = 0x6000u;

// Operands the compiler may not fold.
volatile float smallestNormal = FLT_MIN;
volatile float denormal = 1e-41f;

// A host thread's state, restored when the test ends.
class CallerState {
public:
  explicit CallerState(unsigned int state) : before(_mm_getcsr()) { _mm_setcsr(state); }
  ~CallerState() { _mm_setcsr(before); }

private:
  unsigned int before;
};

// robustness: host thread in any floating-point mode (FTZ/DAZ on or off, round toward zero, exception flags raised) => denormals flushed and rounding to nearest while the plug-in computes; the thread's MXCSR restored bit for bit
TEST(DenormalGuardTest, flushesInsideAndPutsBackEveryCallersStateExactly)
{
  const unsigned int states[] = {kDefaultState, kDefaultState | DenormalGuard::kFlushToZero,
                                 kDefaultState | DenormalGuard::kDenormalsAreZero, kDefaultState | kRoundTowardZero,
                                 kDefaultState | 0x3Fu /* sticky exception flags raised */};
  for (const unsigned int state : states) {
    CallerState caller(state);
    unsigned int inside = 0;
    float halfOfSmallest = -1.0f;
    float denormalPlusSmallest = -1.0f;
    {
      const DenormalGuard guard;
      inside = _mm_getcsr();
      halfOfSmallest = smallestNormal * 0.5f;            // a denormal result: flushed
      denormalPlusSmallest = denormal + smallestNormal;  // a denormal operand: read as zero
    }
    const unsigned int after = _mm_getcsr();
    EXPECT_EQ(after, state) << std::hex << "state " << state;
    EXPECT_TRUE((inside & DenormalGuard::kFlushToZero) != 0 && (inside & DenormalGuard::kDenormalsAreZero) != 0);
    EXPECT_EQ(inside & kRoundingBits, 0u) << "inside, rounding is to nearest whatever the caller chose";
    EXPECT_EQ(halfOfSmallest, 0.0f);
    EXPECT_EQ(denormalPlusSmallest, FLT_MIN);
  }
  // And outside any guard, with the default state, denormals are real numbers.
  CallerState caller(kDefaultState);
  EXPECT_GT(smallestNormal * 0.5f, 0.0f);
}

TEST(DenormalGuardTest, nestedGuardsRestoreTheirOwnCallers)
{
  CallerState caller(kDefaultState);
  {
    const DenormalGuard outer;
    {
      const DenormalGuard inner;
      EXPECT_TRUE(DenormalGuard::flushing());
    }
    EXPECT_TRUE(DenormalGuard::flushing());
  }
  EXPECT_FALSE(DenormalGuard::flushing());
  EXPECT_EQ(_mm_getcsr(), kDefaultState);
}

// robustness: denormal samples in the input, or left in the host's output buffers for process => read as zero by both audio routines; no denormal reaches the output; host's MXCSR unchanged after the call
TEST(DenormalGuardTest, audioRoutinesFlushDenormalsAndHandTheHostsStateBack)
{
  HostedPlugin plugin;
  // Every slot the filter, switched off: the block is the input times the
  // volume gain, 0.5 for a Volume of 0.25.
  for (int32_t slot = hardening::kFirst; slot <= hardening::kForth; ++slot) plugin.set(slot, 0.5f);
  plugin.set(hardening::kFilterType, 0.1f);
  plugin.set(hardening::kVolume, 0.25f);

  constexpr int32_t kFrames = 64;
  const float tiny = denormal;
  std::vector<float> input(kFrames, tiny);
  std::vector<float> silence(kFrames, 0.0f);
  std::vector<float> left(kFrames, 0.0f);
  std::vector<float> right(kFrames, 0.0f);
  const float loud = 0.75f;
  input[0] = loud;

  CallerState caller(kDefaultState);
  float* inputs[2] = {input.data(), silence.data()};
  float* outputs[2] = {left.data(), right.data()};
  plugin->processReplacing(plugin.descriptor(), inputs, outputs, kFrames);
  EXPECT_EQ(_mm_getcsr(), kDefaultState);
  EXPECT_EQ(left[0], 0.375f);
  for (int32_t i = 1; i < kFrames; ++i) ASSERT_EQ(left[i], 0.0f) << "sample " << i << " kept a denormal";

  // The accumulating routine adds into what the host left in its outputs;
  // denormals there are read as zero, too.
  std::fill(left.begin(), left.end(), tiny);
  std::fill(right.begin(), right.end(), tiny);
  float* quiet[2] = {silence.data(), silence.data()};
  plugin->process(plugin.descriptor(), quiet, outputs, kFrames);
  EXPECT_EQ(_mm_getcsr(), kDefaultState);
  for (int32_t i = 0; i < kFrames; ++i) {
    ASSERT_EQ(left[i], 0.0f) << "sample " << i;
    ASSERT_EQ(right[i], 0.0f) << "sample " << i;
  }
}

}  // namespace

#endif  // BRASKLIN_HAS_MXCSR
