// The vector paths of the FFT and of the spectrum peak search against the
// scalar code. They do the same float operations in the same order, so the
// results must be the same bits, not merely close: any slip in an index, a
// twiddle, an operand order or a rounding shows up here.

#include "dsp/Fft.h"
#include "dsp/FftPeak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <bit>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr int32_t kLargestLength = 8192;
constexpr float kGuard = -7.25e11f;  // written past the output's end, must stay
constexpr int kGuardCount = 16;

std::vector<FftPath> supportedPaths()
{
  std::vector<FftPath> paths;
  for (const FftPath path : {FftPath::scalar, FftPath::sse2, FftPath::avx2}) {
    if (Fft::supports(path)) paths.push_back(path);
  }
  return paths;
}

const char* nameOf(FftPath path)
{
  switch (path) {
    case FftPath::scalar: return "scalar";
    case FftPath::sse2: return "sse2";
    case FftPath::avx2: return "avx2";
  }
  return "?";
}

enum class Frame {
  uniform,    // [-1, 1]
  wideRange,  // magnitudes from 1e-18 to 1e18, both signs
  tiny,       // subnormals, signed zeros and the smallest normals
  large,      // up to 1e33: sums stay finite at N = 8192
  mixed,      // a bit of everything, element by element
};

float randomValue(Frame kind, std::mt19937& generator)
{
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-60, 60);
  std::uniform_int_distribution<int> pick(0, 3);
  switch (kind) {
    case Frame::uniform: return unit(generator);
    case Frame::wideRange: return std::ldexp(unit(generator), exponent(generator));
    case Frame::tiny: {
      const int choice = pick(generator);
      if (choice == 0) return (unit(generator) < 0.0f) ? -0.0f : 0.0f;
      const float smallest = std::numeric_limits<float>::denorm_min();
      if (choice == 1) return smallest * std::floor(unit(generator) * 4096.0f);  // subnormal
      return unit(generator) * 4.0f * std::numeric_limits<float>::min();
    }
    case Frame::large: return unit(generator) * 1.0e33f;
    case Frame::mixed: {
      const auto next = static_cast<Frame>(pick(generator));
      return randomValue(next == Frame::mixed ? Frame::large : next, generator);
    }
  }
  return 0.0f;
}

std::vector<float> randomFrame(int32_t length, Frame kind, unsigned seed)
{
  std::mt19937 generator(seed * 7919u + static_cast<unsigned>(length));
  std::vector<float> frame(static_cast<std::size_t>(length));
  for (auto& x : frame) x = randomValue(kind, generator);
  return frame;
}

std::vector<int32_t> powersOfTwoUpTo(int32_t largest)
{
  std::vector<int32_t> lengths;
  for (int32_t n = 1; n <= largest; n *= 2) lengths.push_back(n);
  return lengths;
}

// Compares bit patterns: -0 differs from +0, and NaN equals the same NaN.
int firstDifference(const float* a, const float* b, int32_t count)
{
  for (int32_t i = 0; i < count; ++i) {
    if (std::bit_cast<uint32_t>(a[i]) != std::bit_cast<uint32_t>(b[i])) return i;
  }
  return -1;
}

float& at(std::vector<float>& values, int32_t index) { return values[static_cast<std::size_t>(index)]; }

float at(const std::vector<float>& values, int32_t index) { return values[static_cast<std::size_t>(index)]; }

TEST(FftSimd, EveryX86BuildOffersSse2AndNewEnginesTakeTheWidestPath)
{
#if defined(__x86_64__) || defined(_M_X64)
  EXPECT_TRUE(Fft::supports(FftPath::sse2));
  EXPECT_NE(Fft::widestPath(), FftPath::scalar);
#endif
  EXPECT_TRUE(Fft::supports(FftPath::scalar));
  Fft fft(1024);
  EXPECT_EQ(fft.path(), Fft::widestPath());
  EXPECT_TRUE(fft.usePath(FftPath::scalar));
  EXPECT_EQ(fft.path(), FftPath::scalar);
  if (!Fft::supports(FftPath::avx2)) {
    EXPECT_FALSE(fft.usePath(FftPath::avx2));
    EXPECT_EQ(fft.path(), FftPath::scalar);  // unchanged
  }
}

TEST(FftSimd, EveryPathMatchesTheScalarPassesBitForBitAtEveryLength)
{
  const Frame kinds[] = {Frame::uniform, Frame::wideRange, Frame::tiny, Frame::large, Frame::mixed};
  for (const FftPath path : supportedPaths()) {
    for (const int32_t n : powersOfTwoUpTo(kLargestLength)) {
      // One engine per length: later frames also meet a work buffer full of
      // the previous frame's values.
      Fft reference(n);
      Fft fft(n);
      ASSERT_TRUE(fft.usePath(path));
      for (const Frame kind : kinds) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
          const auto input = randomFrame(n, kind, seed);
          const auto untouched = input;
          std::vector<float> expected(input.size());
          reference.transformScalar(expected.data(), input.data());
          std::vector<float> actual(input.size() + kGuardCount, kGuard);
          fft.transform(actual.data(), input.data());

          const int differs = firstDifference(actual.data(), expected.data(), n);
          const int shown = std::max(differs, 0);
          ASSERT_EQ(differs, -1) << nameOf(path) << " N = " << n << " frame kind " << static_cast<int>(kind) << " seed "
                                 << seed << ": output " << differs << " is " << at(actual, shown) << ", scalar gives "
                                 << at(expected, shown);
          for (int32_t g = 0; g < kGuardCount; ++g)
            ASSERT_EQ(at(actual, n + g), kGuard) << nameOf(path) << " N = " << n;
          ASSERT_EQ(firstDifference(input.data(), untouched.data(), n), -1) << nameOf(path) << " N = " << n;
        }
      }
    }
  }
}

// The search written another way: the largest magnitude first, then the
// first bin that has it.
int32_t referencePeakBin(const std::vector<float>& packed, int32_t firstBin)
{
  const auto half = static_cast<int32_t>(packed.size() / 2);
  auto magnitudeOf = [&](int32_t i) {
    const double re = at(packed, i);
    const double im = (i == 0) ? 0.0 : at(packed, half + i);
    return std::sqrt(re * re + im * im);
  };
  double largest = -1.0;
  for (int32_t i = firstBin; i < half; ++i) {
    const double m = magnitudeOf(i);
    if (!std::isnan(m)) largest = std::max(largest, m);
  }
  for (int32_t i = firstBin; i < half; ++i) {
    if (magnitudeOf(i) == largest) return i;
  }
  return -1;
}

void expectSamePeak(const std::vector<float>& packed, int32_t firstBin, FftPath path, const char* what)
{
  const auto length = static_cast<int32_t>(packed.size());
  const SpectrumPeak scalar = findSpectrumPeakScalar(packed.data(), length, firstBin);
  const SpectrumPeak fast = findSpectrumPeak(packed.data(), length, firstBin, path);
  ASSERT_EQ(scalar.bin, referencePeakBin(packed, firstBin)) << what << " N = " << length << " from " << firstBin;
  ASSERT_EQ(fast.bin, scalar.bin) << nameOf(path) << ' ' << what << " N = " << length << " from " << firstBin;
  if (scalar.bin >= 0) {
    ASSERT_EQ(std::bit_cast<uint64_t>(fast.magnitude), std::bit_cast<uint64_t>(scalar.magnitude))
        << nameOf(path) << ' ' << what;
  }
}

TEST(SpectrumPeak, EveryPathFindsTheScalarBinOnRandomSpectraWithPlantedTiesAndNans)
{
  std::mt19937 generator(2024u);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  for (const FftPath path : supportedPaths()) {
    for (const int32_t n : powersOfTwoUpTo(kLargestLength)) {
      if (n < 4) continue;  // no bin above 0 besides N/2, which is not searched
      const int32_t half = n / 2;
      std::uniform_int_distribution<int32_t> bin(1, half - 1);
      for (int trial = 0; trial < 40; ++trial) {
        std::vector<float> packed(static_cast<std::size_t>(n));
        for (auto& x : packed) x = unit(generator);
        // Plant the peak, then copies of it (signs flipped, parts swapped:
        // same square) at other bins, before and after it.
        const int32_t peak = bin(generator);
        at(packed, peak) = 3.0f * unit(generator) + 4.0f;
        at(packed, half + peak) = 2.0f * unit(generator);
        const float re = at(packed, peak);
        const float im = at(packed, half + peak);
        const int copies = trial % 4;
        for (int k = 0; k < copies; ++k) {
          const int32_t other = bin(generator);
          const bool swap = (k % 2) != 0;
          at(packed, other) = swap ? -im : re;
          at(packed, half + other) = swap ? re : -im;
        }
        // Some trials carry NaN bins, including in front of the peak.
        if (trial % 5 == 1) {
          for (int k = 0; k < 8; ++k) at(packed, bin(generator)) = std::numeric_limits<float>::quiet_NaN();
        }
        const int32_t firstBin = (trial % 3 == 0) ? 1 : bin(generator);
        expectSamePeak(packed, firstBin, path, "random");
      }
    }
  }
}

TEST(SpectrumPeak, EqualRootsOfUnequalSquaresKeepTheLowerBin)
{
  // 1 + 2^-52 (from im = 2^-26) has the square root 1 in double: the same
  // magnitude as (1, 0) though its square is larger. A search that compared
  // squares would move to the later bin; the lower one must win.
  const float nudge = std::ldexp(1.0f, -26);
  // Bigger nudges give a larger root and must win from a later bin.
  const float clearWin = std::ldexp(1.0f, -20);
  const int32_t n = 256;
  const int32_t half = n / 2;
  for (const FftPath path : supportedPaths()) {
    for (const int32_t first : {1, 3, 4, 7, 8, 9, 60, 120, 124, 125, 126}) {
      for (const int32_t gap : {1, 2, 3, 4, 5, 8, 17}) {
        const int32_t second = first + gap;
        if (second >= half) continue;
        std::vector<float> packed(static_cast<std::size_t>(n), 0.25f);
        at(packed, first) = 1.0f;
        at(packed, half + first) = 0.0f;
        at(packed, second) = -1.0f;
        at(packed, half + second) = nudge;
        expectSamePeak(packed, 1, path, "equal roots");
        EXPECT_EQ(findSpectrumPeak(packed.data(), n, 1, path).bin, first) << nameOf(path);

        at(packed, half + second) = clearWin;
        expectSamePeak(packed, 1, path, "larger root");
        EXPECT_EQ(findSpectrumPeak(packed.data(), n, 1, path).bin, second) << nameOf(path);
      }
    }
  }
}

TEST(SpectrumPeak, InfiniteZeroAndAllNanSpectra)
{
  const int32_t n = 64;
  const float inf = std::numeric_limits<float>::infinity();
  for (const FftPath path : supportedPaths()) {
    std::vector<float> zeros(static_cast<std::size_t>(n), 0.0f);
    expectSamePeak(zeros, 5, path, "zeros");
    EXPECT_EQ(findSpectrumPeak(zeros.data(), n, 5, path).bin, 5);

    auto infinite = zeros;
    at(infinite, 20) = -inf;
    at(infinite, n / 2 + 25) = inf;
    expectSamePeak(infinite, 1, path, "infinite");
    EXPECT_EQ(findSpectrumPeak(infinite.data(), n, 1, path).bin, 20);

    std::vector<float> nans(static_cast<std::size_t>(n), std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(findSpectrumPeak(nans.data(), n, 1, path).bin, -1) << nameOf(path);
    // Only the last bin has two numbers: it wins, after a vector's worth of NaN.
    at(nans, n / 2 - 1) = 0.5f;
    at(nans, n - 1) = 0.0f;
    EXPECT_EQ(findSpectrumPeak(nans.data(), n, 1, path).bin, n / 2 - 1) << nameOf(path);

    EXPECT_EQ(findSpectrumPeak(zeros.data(), n, n / 2, path).bin, -1) << "empty range, " << nameOf(path);
  }
}

}  // namespace
