#include "dsp/PortableMath.h"

#include <cmath>

namespace {

constexpr double kLn2 = 0.69314718055994530942;
constexpr double kInverseLn2 = 1.44269504088896340736;
constexpr double kSqrtHalf = 0.70710678118654752440;
constexpr double kNoPosition = 1e300;
constexpr double kLargestExponent = 1000.0;

}  // namespace

double portableLog2(double x)
{
  if (!(x > 0.0)) return -kNoPosition;
  if (std::isinf(x)) return kNoPosition;
  // x = m 2^e exactly, m in [sqrt(1/2), sqrt(2)), so s below lies within
  // +-0.172 and the series ln m = 2 (s + s^3/3 + s^5/5 + ...) has shrunk
  // below 1e-17 by its eleventh term.
  int exponent = 0;
  double m = std::frexp(x, &exponent);  // [0.5, 1)
  if (m < kSqrtHalf) {
    m *= 2.0;
    --exponent;
  }
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double sum = 1.0 / 23.0;
  for (int k = 21; k >= 1; k -= 2) sum = 1.0 / static_cast<double>(k) + s2 * sum;
  const double lnM = 2.0 * s * sum;
  return static_cast<double>(exponent) + lnM * kInverseLn2;
}

double portableExp2(double x)
{
  if (std::isnan(x)) return 1.0;
  if (x > kLargestExponent) x = kLargestExponent;
  if (x < -kLargestExponent) x = -kLargestExponent;
  // 2^x = 2^n e^(f ln 2) with n the nearest integer, |f ln 2| <= 0.347: the
  // Taylor series of e^y has shrunk below 1e-18 by its seventeenth term, and
  // the scaling by 2^n is exact.
  const double n = std::floor(x + 0.5);
  const double y = (x - n) * kLn2;
  double sum = 1.0;
  for (int k = 17; k >= 1; --k) sum = 1.0 + y * sum / static_cast<double>(k);
  return std::ldexp(sum, static_cast<int>(n));
}
