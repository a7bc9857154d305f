#include "dsp/Distortion.h"
#include "tests/support/measure_stages.h"
#include "tests/support/signals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

using ::testing::ElementsAreArray;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kLargest = std::numeric_limits<float>::max();

std::unique_ptr<Distortion> distortionWith(float drive)
{
  auto distortion = std::make_unique<Distortion>();
  distortion->setDrive(drive);
  return distortion;
}

float shape(const Distortion& distortion, float x)
{
  float y = 0.0f;
  distortion.process(&x, &y, 1);
  return y;
}

// The curve for a non-negative argument, written as a ratio of polynomials in
// |x| and mirrored for the odd half, in long double.
struct CurvePoint {
  long double drive;
  long double x;
};
long double referenceCurve(CurvePoint point)
{
  const long double k = point.drive;
  const long double x = point.x;
  const long double a = std::fabs(x);
  const long double magnitude = (k * a + a * a) / (1.0L + (k - 1.0L) * a + a * a);
  return x < 0 ? -magnitude : magnitude;
}

std::vector<float> sweep()
{
  std::vector<float> xs;
  for (int i = -4000; i <= 4000; ++i) xs.push_back(static_cast<float>(i) / 500.0f);  // -8 .. 8
  for (const float x : {1e-30f, 1e-7f, 0.1f, 100.0f, 1e6f, 1e20f, kLargest})
    for (const float sign : {1.0f, -1.0f}) xs.push_back(sign * x);
  return xs;
}

TEST(DistortionTest, startsAtDriveOne) { EXPECT_EQ(Distortion().drive(), 1.0f); }

TEST(DistortionTest, outputFollowsAnIndependentlyWrittenCurve)
{
  const auto xs = sweep();
  for (const float k : {1.0f, 1.5f, 13.5f, 26.0f, 51.0f, 1000.0f}) {
    const auto owned = distortionWith(k);
    const Distortion& distortion = *owned;
    std::vector<float> ys(xs.size());
    distortion.process(xs.data(), ys.data(), static_cast<int32_t>(xs.size()));
    for (std::size_t i = 0; i < xs.size(); ++i) {
      const auto expected = static_cast<float>(referenceCurve({k, xs[i]}));
      // One rounding to float; allow the neighbouring float for rounding ties.
      ASSERT_LE(std::fabs(ys[i] - expected), std::fabs(std::nextafter(expected, kInf) - expected))
          << "k=" << k << " x=" << xs[i];
    }
  }
}

TEST(DistortionTest, knownPointsOfTheCurve)
{
  const auto medium = distortionWith(26.0f);
  EXPECT_NEAR(shape(*medium, 0.1f), 0.74359, 5e-6);
  EXPECT_NEAR(shape(*medium, 0.5f), 0.96364, 5e-6);
  EXPECT_NEAR(shape(*medium, -0.5f), -0.96364, 5e-6);
  EXPECT_EQ(shape(*medium, 1.0f), 1.0f);
  EXPECT_NEAR(shape(*medium, 2.0f), 1.01818, 5e-6);
  const auto full = distortionWith(51.0f);
  EXPECT_NEAR(shape(*full, 0.1f), 0.85025, 5e-6);
  EXPECT_NEAR(shape(*full, 0.5f), 0.98095, 5e-6);
  EXPECT_NEAR(shape(*full, 2.0f), 1.00952, 5e-6);
  EXPECT_FLOAT_EQ(shape(*distortionWith(1.0f), 2.0f), 1.2f);
}

TEST(DistortionTest, curveIsOddMonotonicInsideUnityAndBounded)
{
  const auto xs = sweep();
  for (const float k : {1.0f, 26.0f, 51.0f}) {
    const auto owned = distortionWith(k);
    const Distortion& distortion = *owned;
    EXPECT_EQ(shape(distortion, 0.0f), 0.0f);
    EXPECT_EQ(shape(distortion, 1.0f), 1.0f);
    EXPECT_EQ(shape(distortion, -1.0f), -1.0f);
    // Small signals are amplified k times.
    EXPECT_NEAR(shape(distortion, 1e-7f) / 1e-7f, k, 1e-3 * k);
    for (const float x : xs) {
      const float y = shape(distortion, x);
      ASSERT_EQ(shape(distortion, -x), -y) << "k=" << k << " x=" << x;
      // Above 1 only by (|x| - 1) / (x^2 + (k - 1)|x| + 1), at most 0.2072 (k = 1, |x| = 1 + sqrt 2).
      ASSERT_LE(std::fabs(y), 1.2072f) << "k=" << k << " x=" << x;
      // Inside +-1 the magnitude stays below 1, outside it never drops below
      // (for huge |x| the excess is smaller than a float step).
      if (std::fabs(x) < 1.0f)
        ASSERT_LT(std::fabs(y), 1.0f) << "k=" << k << " x=" << x;
      else
        ASSERT_GE(std::fabs(y), 1.0f) << "k=" << k << " x=" << x;
    }
    float previous = shape(distortion, -1.0f);
    for (int i = -999; i <= 1000; ++i) {
      const float y = shape(distortion, static_cast<float>(i) / 1000.0f);
      ASSERT_GT(y, previous) << "k=" << k << " at " << i / 1000.0;
      previous = y;
    }
  }
}

TEST(DistortionTest, inPlaceEqualsSeparateAndEmptyBlocksAreSafe)
{
  const auto owned = distortionWith(26.0f);
  const Distortion& distortion = *owned;
  const auto input = signals::noise(5000, 4, 2.0);
  const auto stage = [&](const float* in, float* out, int32_t count) { distortion.process(in, out, count); };
  const auto reference = measure::inBlocks(stage, input, input.size());
  EXPECT_THAT(measure::inPlaceInBlocks(stage, input, 7), ElementsAreArray(reference));
  float untouched = 3.0f;
  distortion.process(&untouched, &untouched, 0);
  distortion.process(&untouched, &untouched, -1);
  EXPECT_EQ(untouched, 3.0f);
}

// robustness: distortion with out-of-range or NaN drive, or NaN/infinite samples => drive kept at 1 or above; NaN gives 0, infinities give +-1
TEST(DistortionTest, outOfRangeDrivesAndNonFiniteSamplesAreSafe)
{
  auto owned = distortionWith(0.3f);  // below 1 the denominator could reach 0
  Distortion& distortion = *owned;
  EXPECT_EQ(distortion.drive(), 1.0f);
  distortion.setDrive(-40.0f);
  EXPECT_EQ(distortion.drive(), 1.0f);
  distortion.setDrive(26.0f);
  distortion.setDrive(kNaN);
  EXPECT_EQ(distortion.drive(), 26.0f);

  EXPECT_EQ(shape(distortion, kNaN), 0.0f);
  EXPECT_EQ(shape(distortion, kInf), 1.0f);
  EXPECT_EQ(shape(distortion, -kInf), -1.0f);

  distortion.setDrive(kInf);
  EXPECT_EQ(distortion.drive(), kLargest);
  for (const float x : {0.0f, 1e-30f, 0.5f, 1.0f, 3.0f, kLargest}) {
    const float y = shape(distortion, x);
    ASSERT_TRUE(std::isfinite(y)) << x;
    ASSERT_LE(std::fabs(y), 1.2072f) << x;
  }
}

}  // namespace
