// The whole effect, sample for sample, against digests of its output taken
// before its stages were tuned for speed. Work on speed (the filter's loop,
// the oscillator's synthesis, the transform) must not change one bit of what
// the host hears; the other effect tests check the behaviour against
// references, this one checks that the bits stay put.
//
// A failure here after a deliberate change of the sound means the digests
// need renewing, with the reason in the commit.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "tests/effect/EffectTestSupport.h"

namespace {

using effecttest::makeEffect;
using effecttest::renderReplacing;

// A sung-like line: a sawtooth gliding over two octaves and back with a
// vibrato, a little noise, and a short rest in the middle (silence into the
// tracker and the filter).
std::vector<float> voiceLike(std::size_t count)
{
  std::vector<float> samples(count);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  double phase = 0.0;
  for (std::size_t n = 0; n < count; ++n) {
    const double t = static_cast<double>(n) / 44100.0;
    const double glide = 1.0 - std::fabs(2.0 * static_cast<double>(n) / static_cast<double>(count) - 1.0);
    const double semitones = 24.0 * glide + std::sin(2.0 * std::numbers::pi * 5.5 * t) / 3.0;
    phase += 110.0 * std::pow(2.0, semitones / 12.0) / 44100.0;
    phase -= std::floor(phase);
    const bool rest = n > count * 6 / 10 && n < count * 7 / 10;
    samples[n] = rest ? 0.0f : static_cast<float>(0.5 * (2.0 * phase - 1.0) + 0.01 * noise(random));
  }
  return samples;
}

uint64_t digestOf(const std::vector<float>& samples)
{
  uint64_t digest = 0xcbf29ce484222325ull;
  for (const float value : samples) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
      digest ^= (bits >> shift) & 0xffu;
      digest *= 0x100000001b3ull;
    }
  }
  return digest;
}

struct Case {
  const char* what;
  int32_t blockSize;
  std::vector<std::pair<int32_t, float>> settings;  // parameter index, value
  uint64_t digest;
};

TEST(PluginEffectDigest, outputBitsMatchTheRecordedOnes)
{
  effecttest::ShippedShapes shapes;
  const std::vector<float> input = voiceLike(std::size_t{3} * 44100);
  const std::vector<Case> cases = {
      {"program 0, 512-frame blocks", 512, {}, 0x7338282bd6d26ccaull},
      {"program 0, 1-frame blocks", 1, {}, 0x4aff0c3edc07a56aull},
      {"program 0, 4096-frame blocks (several analyses per block)", 4096, {{1, 0.1f}}, 0xedaa319fc9e0bd34ull},
      {"Quick Detect, FFT 8192, 64-frame blocks", 64, {{1, 1.0f}, {3, 1.0f}}, 0x638de686f1d8b53bull},
      {"Stablize, pitch shifted, another shape, 100-frame blocks",
       100,
       {{2, 1.0f}, {4, 0.7f}, {0, 0.9f}},
       0x71358af6b592d940ull},
      {"resonance, high-pass, low cut-off", 256, {{7, 0.8f}, {5, 0.6f}, {6, 0.3f}}, 0x4f4394a59a461669ull},
      {"every stage, band-pass",
       512,
       {{5, 0.9f}, {9, 0.1f}, {10, 0.7f}, {8, 0.5f}, {12, 0.5f}, {13, 0.75f}},
       0xd323e235e38be625ull},
      {"filter first, then Mox (fixed path)", 333, {{14, 1.0f / 3.0f}, {15, 0.0f}, {7, 0.5f}}, 0x308963c651ce6c54ull},
  };
  for (const Case& c : cases) {
    auto effect = makeEffect(44100.0f);
    ASSERT_FALSE(effect->hasLoadFailed());
    for (const auto& [index, value] : c.settings) effect->setParameter(index, value);
    const auto rendered = renderReplacing(*effect, input, c.blockSize);
    EXPECT_EQ(digestOf(rendered.left), c.digest) << c.what;
  }
}

}  // namespace
