// The FFT checked against two references that share nothing with it: a direct
// double-precision DFT and FFTW's real-to-complex transform.

#include "dsp/Fft.h"
#include "tests/support/signals.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kLargestLength = 8192;

std::vector<int> powersOfTwoUpTo(int largest)
{
  std::vector<int> lengths;
  for (int n = 1; n <= largest; n *= 2) lengths.push_back(n);
  return lengths;
}

std::vector<float> transformed(const std::vector<float>& input)
{
  Fft fft(static_cast<int32_t>(input.size()));
  std::vector<float> output(input.size(), -12345.0f);
  fft.transform(output.data(), input.data());
  return output;
}

// Error of `packed` against a complex reference, relative to the largest
// reference value; the reference is laid out the packed way here, in the test.
double relativeError(const std::vector<float>& packed, const std::vector<double>& re, const std::vector<double>& im)
{
  const std::size_t n = packed.size();
  double worst = 0.0;
  double scale = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double expected = (k <= n / 2) ? re[k] : -im[k - n / 2];
    worst = std::max(worst, std::fabs(packed[k] - expected));
    scale = std::max(scale, std::fabs(expected));
  }
  return scale > 0.0 ? worst / scale : worst;
}

TEST(Fft, MatchesDoublePrecisionDftForEveryPowerOfTwoUpTo8192)
{
  double worstOverall = 0.0;
  int worstLength = 0;
  for (int n : powersOfTwoUpTo(kLargestLength)) {
    const auto input = signals::noise(static_cast<std::size_t>(n), 1000u + static_cast<unsigned>(n));
    const auto spectrum = signals::dft(input);
    const double error = relativeError(transformed(input), spectrum.re, spectrum.im);
    // Float rounding grows with the number of passes; 1e-6 per pass is generous
    // for a correct FFT and orders of magnitude below any wrong twiddle or index.
    EXPECT_LT(error, 1e-6 * (std::log2(static_cast<double>(n)) + 1.0)) << "N = " << n;
    if (error > worstOverall) {
      worstOverall = error;
      worstLength = n;
    }
  }
  std::printf("worst relative error against the double DFT: %.3g (N = %d)\n", worstOverall, worstLength);
}

TEST(Fft, MatchesFftwRealToComplexForEveryPowerOfTwoUpTo8192)
{
  double worstOverall = 0.0;
  for (int n : powersOfTwoUpTo(kLargestLength)) {
    const auto input = signals::noise(static_cast<std::size_t>(n), 7u * static_cast<unsigned>(n));
    std::vector<float> fftwInput(input);
    auto* fftwOutput = fftwf_alloc_complex(static_cast<std::size_t>(n) / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, fftwInput.data(), fftwOutput, FFTW_ESTIMATE);
    fftwf_execute(plan);
    std::vector<double> re(static_cast<std::size_t>(n / 2 + 1));
    std::vector<double> im(static_cast<std::size_t>(n / 2 + 1));
    for (int k = 0; k <= n / 2; ++k) {
      re[static_cast<std::size_t>(k)] = fftwOutput[k][0];
      im[static_cast<std::size_t>(k)] = fftwOutput[k][1];
    }
    fftwf_destroy_plan(plan);
    fftwf_free(fftwOutput);

    const double error = relativeError(transformed(input), re, im);
    EXPECT_LT(error, 2e-6 * (std::log2(static_cast<double>(n)) + 1.0)) << "N = " << n;
    worstOverall = std::max(worstOverall, error);
  }
  std::printf("worst relative difference from FFTW: %.3g\n", worstOverall);
}

TEST(Fft, ImpulseAndConstantGiveFlatAndSingleBinSpectra)
{
  for (int n : powersOfTwoUpTo(kLargestLength)) {
    const auto size = static_cast<std::size_t>(n);
    std::vector<float> impulse(size, 0.0f);
    impulse[0] = 1.0f;
    const auto flat = transformed(impulse);
    for (std::size_t k = 0; k < size; ++k)
      ASSERT_FLOAT_EQ(flat[k], k <= size / 2 ? 1.0f : 0.0f) << "N = " << n << ", k = " << k;

    const std::vector<float> constant(size, 0.75f);
    const auto dc = transformed(constant);
    ASSERT_NEAR(dc[0], 0.75 * n, 1e-6 * n) << "N = " << n;
    for (std::size_t k = 1; k < size; ++k) ASSERT_NEAR(dc[k], 0.0, 1e-5 * n) << "N = " << n << ", k = " << k;
  }
}

// The sign of the second half is part of the contract: a sine must come out
// positive, a cosine in the real half.
TEST(Fft, SineAndCosineAtABinLandInTheirHalvesWithTheDocumentedSign)
{
  for (int n : {8, 16, 64, 1024, 8192}) {
    const auto size = static_cast<std::size_t>(n);
    for (std::size_t bin : {std::size_t{1}, size / 4 - 1, size / 2 - 1}) {
      if (bin == 0) continue;
      const double amplitude = 0.5;
      const auto sine = transformed(signals::sine(static_cast<double>(bin), static_cast<double>(n), size, amplitude));
      const auto cosine =
          transformed(signals::cosine(static_cast<double>(bin), static_cast<double>(n), size, amplitude));
      const double expected = amplitude * n / 2.0;
      for (std::size_t k = 0; k < size; ++k) {
        ASSERT_NEAR(sine[k], k == size / 2 + bin ? expected : 0.0, 2e-5 * n) << "sine N=" << n << " k=" << k;
        ASSERT_NEAR(cosine[k], k == bin ? expected : 0.0, 2e-5 * n) << "cosine N=" << n << " k=" << k;
      }
    }
  }
}

TEST(Fft, RepeatedTransformsAreIdenticalAndLeaveTheInputUntouched)
{
  for (int n : {4, 8, 16, 2048}) {
    const auto input = signals::noise(static_cast<std::size_t>(n), 99u);
    const auto keep = input;
    Fft fft(n);
    std::vector<float> first(input.size());
    std::vector<float> second(input.size());
    fft.transform(first.data(), input.data());
    // Garbage from an unrelated frame in the work buffer must not leak into the next result.
    const auto other = signals::noise(static_cast<std::size_t>(n), 5u, 100.0);
    std::vector<float> scratch(input.size());
    fft.transform(scratch.data(), other.data());
    fft.transform(second.data(), input.data());
    EXPECT_EQ(first, second) << "N = " << n;
    EXPECT_EQ(input, keep) << "N = " << n;
  }
}

TEST(Fft, ReportsLengthAndBitCount)
{
  Fft fft(2048);
  EXPECT_EQ(fft.length(), 2048);
  EXPECT_EQ(fft.bitCount(), 11);
}

TEST(FftTables, BitReversalTableReversesTheLowBits)
{
  constexpr int bits = 11;
  const BitReversalTable table(bits);
  for (int i = 0; i < (1 << bits); ++i) {
    int reversed = 0;
    for (int b = 0; b < bits; ++b)
      if ((i >> b) & 1) reversed |= 1 << (bits - 1 - b);
    ASSERT_EQ(table[i], reversed) << "i = " << i;
  }
}

TEST(FftTables, CosineTableHoldsOneBlockPerLevelFromThree)
{
  EXPECT_EQ(CosineTable(3).size(), 0);
  EXPECT_EQ(CosineTable(4).size(), 4);
  const CosineTable table(11);
  EXPECT_EQ(table.size(), 1020);
  for (int level = 3; level < 11; ++level) {
    const int count = 1 << (level - 1);
    for (int j = 0; j < count; ++j)
      ASSERT_FLOAT_EQ(table.level(level)[j], static_cast<float>(std::cos(j * M_PI / (1 << level))))
          << "level " << level << " entry " << j;
  }
}

}  // namespace
