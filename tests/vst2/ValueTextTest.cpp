// The value-to-text conversions: the texts hosts show next to parameters. The
// random checks compare float2string with an exact decimal expansion written
// independently (printf of the double, cut to the field), which is what
// "8 characters, truncated, never rounded" means.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "tests/vst2/TestEffects.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr std::size_t kGuardBytes = 16;

// Runs one conversion into a buffer with guard bytes behind the 9 the host
// provides, and fails if anything was written past them.
template <typename Convert>
std::string convert(Convert&& conversion)
{
  char buffer[kConversionBufferSize + kGuardBytes];
  std::memset(buffer, '#', sizeof buffer);
  conversion(buffer);
  for (std::size_t i = kConversionBufferSize; i < sizeof buffer; ++i) {
    EXPECT_EQ(buffer[i], '#') << "wrote past the 9-byte buffer at " << i;
  }
  const void* terminator = std::memchr(buffer, '\0', kConversionBufferSize);
  EXPECT_NE(terminator, nullptr) << "no terminating zero within 9 bytes";
  return terminator != nullptr ? std::string(buffer) : std::string();
}

class ValueTextTest : public ::testing::Test {
protected:
  std::string float2string(float value)
  {
    return convert([&](char* text) { effect.float2string(value, text); });
  }
  std::string long2string(int32_t value)
  {
    return convert([&](char* text) { effect.long2string(value, text); });
  }
  std::string dB2string(float value)
  {
    return convert([&](char* text) { effect.dB2string(value, text); });
  }
  std::string Hz2string(float samples)
  {
    return convert([&](char* text) { effect.Hz2string(samples, text); });
  }
  std::string ms2string(float samples)
  {
    return convert([&](char* text) { effect.ms2string(samples, text); });
  }
  BareEffect effect{nullptr};
};

// Exact decimal expansion of the float (every float is a finite binary
// fraction, so 160 places print it without rounding), cut to 8 characters.
std::string truncatedReference(float value)
{
  char exact[256];
  std::snprintf(exact, sizeof exact, "%.160f", static_cast<double>(value));
  std::string text(exact);
  return text.substr(0, 8);
}

}  // namespace

TEST_F(ValueTextTest, floatTextsFromTheDocumentedExamples)
{
  EXPECT_EQ(float2string(0.5f), "0.500000");
  EXPECT_EQ(float2string(-0.25f), "-0.25000");
  EXPECT_EQ(float2string(123.0f), "123.0000");
  EXPECT_EQ(float2string(0.0f), "0.000000");
  EXPECT_EQ(float2string(-0.0f), "0.000000");
  EXPECT_EQ(float2string(1.0f), "1.000000");
  EXPECT_EQ(float2string(0.999999f), "0.999998");  // the float below 0.999999: truncated
  EXPECT_EQ(float2string(-1.5f), "-1.50000");
}

TEST_F(ValueTextTest, floatTextsTruncateLikeTheExactDecimalExpansion)
{
  const unsigned seed = 20261208;
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::uniform_real_distribution<double> exponent(-6.0, 6.99);
  for (int i = 0; i < 3000; ++i) {
    float value = 0.0f;
    switch (i % 3) {
      case 0:  // parameter values, the plug-in's own use
        value = unit(random);
        break;
      case 1:  // up to 7 integer digits
        value = static_cast<float>(std::pow(10.0, exponent(random)));
        break;
      default:  // negative, up to 6 integer digits
        value = -static_cast<float>(std::pow(10.0, exponent(random) - 1.0));
        break;
    }
    const std::string text = float2string(value);
    ASSERT_EQ(text, truncatedReference(value)) << "value " << value << " seed " << seed;
    ASSERT_EQ(text.size(), 8u) << "value " << value;
  }
}

// robustness: display of NaN, infinities, FLT_MAX and values too wide for 8 characters => "  NaN   " or " Huge!  ", never a number with lost digits
TEST_F(ValueTextTest, floatTextsAtTheEdgesOfTheField)
{
  EXPECT_EQ(float2string(9999999.0f), "9999999.");
  EXPECT_EQ(float2string(1234567.5f), "1234567.");
  EXPECT_EQ(float2string(-999999.0f), "-999999.");
  EXPECT_EQ(float2string(-99999.5f), "-99999.5");
  // Too many digits for the field: never a text with its leading digits lost.
  EXPECT_EQ(float2string(10000000.0f), " Huge!  ");
  EXPECT_EQ(float2string(12345678.0f), " Huge!  ");
  EXPECT_EQ(float2string(99999999.0f), " Huge!  ");
  EXPECT_EQ(float2string(100000000.0f), " Huge!  ");
  EXPECT_EQ(float2string(-1000000.0f), " Huge!  ");
  EXPECT_EQ(float2string(-10000000.0f), " Huge!  ");
  EXPECT_EQ(float2string(kInfinity), " Huge!  ");
  EXPECT_EQ(float2string(-kInfinity), " Huge!  ");
  EXPECT_EQ(float2string(std::numeric_limits<float>::max()), " Huge!  ");
  EXPECT_EQ(float2string(kNaN), "  NaN   ");
  // The smallest magnitudes show as zero rather than as garbage digits.
  EXPECT_EQ(float2string(std::numeric_limits<float>::denorm_min()), "0.000000");
  EXPECT_EQ(float2string(-std::numeric_limits<float>::denorm_min()), "-0.00000");
}

TEST_F(ValueTextTest, longTextsArePaddedToSevenAndCutAtEight)
{
  EXPECT_EQ(long2string(42), "     42");
  EXPECT_EQ(long2string(0), "      0");
  EXPECT_EQ(long2string(-5), "     -5");
  EXPECT_EQ(long2string(1234567), "1234567");
  EXPECT_EQ(long2string(99999999), "99999999");
  EXPECT_EQ(long2string(100000000), " Huge!  ");
  EXPECT_EQ(long2string(std::numeric_limits<int32_t>::max()), " Huge!  ");
  EXPECT_EQ(long2string(-12345678), "-1234567");  // nine characters, first eight kept
  EXPECT_EQ(long2string(std::numeric_limits<int32_t>::min()), "-2147483");
}

TEST_F(ValueTextTest, decibelTexts)
{
  EXPECT_EQ(dB2string(0.0f), "  -oo   ");
  EXPECT_EQ(dB2string(-1.0f), "  -oo   ");
  EXPECT_EQ(dB2string(-kInfinity), "  -oo   ");
  EXPECT_EQ(dB2string(1.0f), "0.000000");
  EXPECT_EQ(dB2string(10.0f), "20.00000");
  EXPECT_EQ(dB2string(0.001f), "-60.0000");  // -59.9999996 in double, which stores as the float -60
  EXPECT_EQ(dB2string(kInfinity), " Huge!  ");
  EXPECT_EQ(dB2string(kNaN), "  NaN   ");
}

TEST_F(ValueTextTest, frequencyAndTimeTextsFollowTheSampleRate)
{
  EXPECT_EQ(Hz2string(0.0f), "0.000000");
  EXPECT_EQ(Hz2string(100.0f), "441.0000");    // 44100 / 100
  EXPECT_EQ(ms2string(22050.0f), "500.0000");  // half a second
  effect.setSampleRate(48000.0f);
  EXPECT_EQ(Hz2string(480.0f), "100.0000");
  EXPECT_EQ(Hz2string(-96000.0f), "-0.50000");
  EXPECT_EQ(ms2string(48.0f), "1.000000");
  EXPECT_EQ(ms2string(0.0f), "0.000000");
  EXPECT_EQ(Hz2string(kNaN), "  NaN   ");
  EXPECT_EQ(ms2string(kInfinity), " Huge!  ");
}
