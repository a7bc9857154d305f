// The filter's block loop is tuned for speed (no rounding round trips where
// the value is already exact, the feedback path skipped when its gain is zero).
// None of that may change a single output bit. These tests hold the loop to a
// plain one-sample-at-a-time statement of the same recursion, on input chosen
// to reach every corner the tuning touches: signed zeros, numbers below the
// float normal range, non-finite and huge samples, feedback of +0, -0 and
// above 0, all three output types and the unknown one, blocks of every length
// and coefficients switched between calls; once in the default floating-point
// mode and once with denormals flushed, as the effect runs it.

#include "dsp/ResonantFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#define IDENTITY_TEST_HAS_MXCSR 1
#else
#define IDENTITY_TEST_HAS_MXCSR 0
#endif

namespace {

// One sample at a time, every value a float between the steps and each step
// worked out in double, in the order the recursion is defined.
class OneSampleFilter {
public:
  explicit OneSampleFilter(const ResonantFilter& coefficients)
      : gain(coefficients.gainCoef()), pole(coefficients.poleCoef()), feedback(coefficients.feedbackGain())
  {}

  void take(const ResonantFilter& coefficients)
  {
    gain = coefficients.gainCoef();
    pole = coefficients.poleCoef();
    feedback = coefficients.feedbackGain();
  }

  // Returns whether `out` was written. Sample, type, output: the order of the
  // filter's own block operation.
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
  bool step(float x, int32_t type, float& out)
  {
    if (!std::isfinite(x)) x = 0.0f;
    x = std::min(std::max(x, -ResonantFilter::kLoudestInput), ResonantFilter::kLoudestInput);
    const double g = gain;
    const double p = pole;
    const float in = static_cast<float>(static_cast<double>(x) - static_cast<double>(feedback) * stage4);
    const float old1 = stage1;
    const float old2 = stage2;
    const float old3 = stage3;
    stage1 = static_cast<float>((static_cast<double>(in) + static_cast<double>(lastInput)) * g -
                                static_cast<double>(old1) * p);
    stage2 = static_cast<float>((static_cast<double>(stage1) + static_cast<double>(old1)) * g -
                                static_cast<double>(old2) * p);
    stage3 = static_cast<float>((static_cast<double>(stage2) + static_cast<double>(old2)) * g -
                                static_cast<double>(old3) * p);
    double y = (static_cast<double>(stage3) + static_cast<double>(old3)) * g - static_cast<double>(stage4) * p;
    const double limit = std::sqrt(6.0);
    if (y > limit) y = limit;
    if (y < -limit) y = -limit;
    stage4 = static_cast<float>(y - y * y * y * static_cast<double>(0.166667f));
    lastInput = in;
    switch (type) {
      case 0: out = stage4; return true;
      case 1: out = static_cast<float>(static_cast<double>(in) - static_cast<double>(stage4)); return true;
      case 2: out = static_cast<float>((static_cast<double>(stage3) - static_cast<double>(stage4)) * 3.0); return true;
      default: return false;
    }
  }

  float lastStage4() const { return stage4; }

private:
  float gain;
  float pole;
  float feedback;
  float lastInput = 0.0f;
  float stage1 = 0.0f;
  float stage2 = 0.0f;
  float stage3 = 0.0f;
  float stage4 = 0.0f;
};

// Noise of a few levels, with stretches of exact zeros, signed zeros, numbers
// below the normal range, and the odd non-finite or enormous sample.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::vector<float> awkwardInput(std::size_t count, unsigned seed)
{
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_int_distribution<int> pick(0, 999);
  std::vector<float> input(count);
  float level = 0.8f;
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 700 == 0) level = std::array<float, 4>{0.8f, 1e-3f, 30.0f, 1e-37f}[(i / 700) % 4];
    const int choice = pick(random);
    float x = level * unit(random);
    if (choice < 20)
      x = 0.0f;
    else if (choice < 30)
      x = -0.0f;
    else if (choice < 35)
      x = std::numeric_limits<float>::denorm_min() * static_cast<float>(choice);
    else if (choice < 37)
      x = -std::numeric_limits<float>::min() * 0.75f;
    else if (choice == 37)
      x = std::numeric_limits<float>::quiet_NaN();
    else if (choice == 38)
      x = -std::numeric_limits<float>::infinity();
    else if (choice == 39)
      x = 3e35f;
    input[i] = x;
  }
  // A fresh filter fed signed zeros: the only way to get the sign of a zero
  // through all four sections.
  std::bernoulli_distribution negative(0.5);
  for (std::size_t i = 0; i < 256; ++i) input[i] = negative(random) ? -0.0f : 0.0f;
  // Then the smallest normal numbers mixed with denormal ones, where
  // flushing one or the other decides the sum.
  for (std::size_t i = 256; i < 320; ++i) {
    const float tiny = std::numeric_limits<float>::min() * static_cast<float>(1 + i % 3);
    input[i] = (i % 2 ? tiny : std::numeric_limits<float>::denorm_min() * static_cast<float>(i)) *
               (negative(random) ? -1.0f : 1.0f);
  }
  // A silent stretch long enough for the state to decay through the tiny numbers.
  std::fill(input.begin() + static_cast<std::ptrdiff_t>(count / 2),
            input.begin() + static_cast<std::ptrdiff_t>(count / 2 + 3000), 0.0f);
  return input;
}

struct Setting {
  float cutoff;
  float resonance;
};

constexpr Setting kSettings[] = {
    {0.05f, 0.0f}, {0.3f, 0.8f},  {0.9f, -0.0f},   {1.0f, 1.0f},  {0.0f, 0.5f},
    {0.12f, 0.0f}, {0.6f, 0.25f}, {0.002f, 0.97f}, {0.2f, 1e-6f}, {0.45f, 0.0f},
};

// Runs every setting and type over the input in blocks of varying length,
// switching the coefficients every few blocks, and checks the block loop
// against the one-sample statement bit for bit. Returns a digest of all
// the outputs (64-bit FNV-1a over the bit patterns).
uint64_t compareEverything(const std::vector<float>& input)
{
  uint64_t digest = 0xcbf29ce484222325ull;
  const auto mix = [&digest](float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
      digest ^= (bits >> shift) & 0xffu;
      digest *= 0x100000001b3ull;
    }
  };
  constexpr int32_t kBlockLengths[] = {1, 2, 3, 5, 16, 63, 64, 100, 511, 512, 1024};
  for (int32_t type = 0; type <= 3; ++type) {
    for (std::size_t first = 0; first < std::size(kSettings); ++first) {
      ResonantFilter filter;
      filter.setCoefficients(kSettings[first].cutoff, kSettings[first].resonance);
      OneSampleFilter reference(filter);
      std::vector<float> output(input.size(), 7.0f);
      std::vector<float> expected(input.size(), 7.0f);
      std::size_t position = 0;
      for (std::size_t block = 0; position < input.size(); ++block) {
        if (block % 3 == 2) {
          const Setting& next = kSettings[(first + block) % std::size(kSettings)];
          filter.setCoefficients(next.cutoff, next.resonance);
          reference.take(filter);
        }
        const auto length = static_cast<std::size_t>(kBlockLengths[(block * 7 + first) % std::size(kBlockLengths)]);
        const std::size_t count = std::min(length, input.size() - position);
        // Every other block in place, as the effect calls it.
        if (block % 2 == 0) {
          std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(position), count,
                      output.begin() + static_cast<std::ptrdiff_t>(position));
          filter.process(output.data() + position, output.data() + position, static_cast<int32_t>(count), type);
          if (type == 3) {
            // Untouched output means the input copy stays.
            std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(position), count,
                        expected.begin() + static_cast<std::ptrdiff_t>(position));
          }
        } else {
          filter.process(input.data() + position, output.data() + position, static_cast<int32_t>(count), type);
        }
        for (std::size_t i = position; i < position + count; ++i) reference.step(input[i], type, expected[i]);
        for (std::size_t i = position; i < position + count; ++i) {
          if (std::bit_cast<uint32_t>(output[i]) != std::bit_cast<uint32_t>(expected[i])) {
            ADD_FAILURE() << "type " << type << ", setting " << first << ", sample " << i << ": " << output[i]
                          << " instead of " << expected[i];
            return 0;
          }
        }
        position += count;
      }
      EXPECT_EQ(std::bit_cast<uint32_t>(filter.stage4()), std::bit_cast<uint32_t>(reference.lastStage4()))
          << "type " << type << ", setting " << first;
      for (const float y : output) mix(y);
    }
  }
  return digest;
}

TEST(ResonantFilterIdentity, blockLoopMatchesTheOneSampleRecursionBitForBit)
{
  const uint64_t digest = compareEverything(awkwardInput(12000, 17));
  // The same outputs as the filter produced before its loop was tuned for
  // speed; a change here means the samples changed, not only the speed.
  EXPECT_EQ(digest, 0x8cc2a20cedb96ab6ull);
}

// A host may leave another rounding mode set; the loop must follow it as
// the plain conversions do.
TEST(ResonantFilterIdentity, blockLoopMatchesTheOneSampleRecursionWhenRoundingUpward)
{
  const int saved = std::fegetround();
  ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
  const uint64_t digest = compareEverything(awkwardInput(6000, 29));
  std::fesetround(saved);
  EXPECT_NE(digest, 0u);
}

#if IDENTITY_TEST_HAS_MXCSR
// The effect runs with denormals flushed (both bits); hosts may set either
// bit alone.
TEST(ResonantFilterIdentity, blockLoopMatchesTheOneSampleRecursionWithDenormalsFlushed)
{
  struct Mode {
    unsigned int bits;
    uint64_t digest;
  };
  constexpr unsigned int kFlushToZero = 0x8000u;
  constexpr unsigned int kDenormalsAreZero = 0x0040u;
  const Mode modes[] = {{kFlushToZero | kDenormalsAreZero, 0xe761a5c3097bbdd2ull},
                        {kFlushToZero, 0xfad62ad67fe7a3f2ull},
                        {kDenormalsAreZero, 0x639be8e8514bbb22ull}};
  const unsigned int saved = _mm_getcsr();
  for (const Mode& mode : modes) {
    _mm_setcsr(saved | mode.bits);
    const uint64_t digest = compareEverything(awkwardInput(12000, 23));
    _mm_setcsr(saved);
    EXPECT_EQ(digest, mode.digest) << "MXCSR bits " << mode.bits;
  }
}
#endif

}  // namespace
