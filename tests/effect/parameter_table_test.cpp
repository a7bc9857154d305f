// The conversions from normalised values to the stages' units, checked against
// values worked out by hand and against the threshold floats found with
// nextafter, not against the formulas themselves.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "effect/ParameterPorts.h"
#include "effect/ParameterTable.h"
#include "effect/ParameterUnits.h"
#include "effect/PluginProgram.h"
#include "effect/StageKind.h"

namespace {

// The float nearest a decimal threshold, and its neighbours.
float nearest(double threshold) { return static_cast<float>(threshold); }
float above(float value) { return std::nextafter(value, 2.0f); }

TEST(ParameterTableTest, namesAreTheHostTextsWithTheirSpaces)
{
  EXPECT_STREQ(parameterInfo(delayFeedBackParameter).name, " Delay FeedBack");
  EXPECT_STREQ(parameterInfo(secondParameter).name, " Second  ");
  EXPECT_EQ(parameterInfo(delayTimeAltParameter).name, nullptr);
  // The longest name fits the text capacity with its terminator.
  std::size_t longest = 0;
  for (int32_t i = 0; i < kParameterCount; ++i) {
    if (parameterInfo(i).name != nullptr) longest = std::max(longest, std::strlen(parameterInfo(i).name) + 1);
  }
  EXPECT_EQ(longest, 16u);
  EXPECT_LE(longest, kParameterTextCapacity);
}

TEST(ParameterTableTest, fftLengthBandsTreatTheNearestFloatsAsBelowTheirThresholds)
{
  // 0.51f and 0.76f lie just below 0.51 and 0.76.
  ASSERT_LT(static_cast<double>(nearest(0.51)), 0.51);
  ASSERT_LT(static_cast<double>(nearest(0.76)), 0.76);
  EXPECT_EQ(fftSizeFor(0.25f), 1024);
  EXPECT_EQ(fftSizeFor(above(0.25f)), 2048);
  EXPECT_EQ(fftSizeFor(0.35f), 2048);
  EXPECT_EQ(fftSizeFor(nearest(0.51)), 2048);
  EXPECT_EQ(fftSizeFor(above(nearest(0.51))), 4096);
  EXPECT_EQ(fftSizeFor(nearest(0.76)), 4096);
  EXPECT_EQ(fftSizeFor(above(nearest(0.76))), 8192);
  EXPECT_EQ(fftSizeFor(1.0f), 8192);
  EXPECT_EQ(fftSizeFor(-3.0f), 1024);
  EXPECT_STREQ(fftLengthText(0.26f), "2048");
  EXPECT_STREQ(fftLengthText(0.52f), "4096");
  EXPECT_STREQ(fftLengthText(0.77f), "8192");
  EXPECT_STREQ(fftLengthText(0.25f), "1024");
}

TEST(ParameterTableTest, filterTypeBandsMatchTheirTexts)
{
  EXPECT_EQ(filterModeFor(0.25f), FilterMode::off);
  EXPECT_EQ(filterModeFor(above(0.25f)), FilterMode::lowPass);
  EXPECT_EQ(filterModeFor(nearest(0.51)), FilterMode::lowPass);
  EXPECT_EQ(filterModeFor(0.52f), FilterMode::highPass);
  EXPECT_EQ(filterModeFor(nearest(0.76)), FilterMode::highPass);
  EXPECT_EQ(filterModeFor(0.77f), FilterMode::bandPass);
  EXPECT_EQ(filterModeFor(std::numeric_limits<float>::quiet_NaN()), FilterMode::off);
  EXPECT_STREQ(filterTypeText(0.25f), "Off");
  EXPECT_STREQ(filterTypeText(0.35f), "LOWPASS");
  EXPECT_STREQ(filterTypeText(0.52f), "HIGHPASS");
  EXPECT_STREQ(filterTypeText(0.77f), "BANDPASS");
}

// The values a switch writes, k / (positions - 1), select its k-th position,
// the one it shows them at; a continuous parameter has only position 0.
TEST(ParameterTableTest, aSwitchsOwnValuesSelectItsPositionsInOrder)
{
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const int32_t positions = parameterInfo(index).positions;
    if (positions < 2) {
      EXPECT_EQ(switchPositionFor(index, 0.7f), 0) << "parameter " << index;
      continue;
    }
    for (int32_t k = 0; k < positions; ++k) {
      const float written = static_cast<float>(k) / static_cast<float>(positions - 1);
      EXPECT_EQ(switchPositionFor(index, written), k) << "parameter " << index << " position " << k;
    }
  }
}

TEST(ParameterTableTest, switchesTurnOnAtOneHalf)
{
  EXPECT_FALSE(switchIsOn(std::nextafter(0.5f, 0.0f)));
  EXPECT_TRUE(switchIsOn(0.5f));
  EXPECT_TRUE(switchIsOn(0.7f));
  EXPECT_STREQ(switchText(true), "On");
  EXPECT_STREQ(switchText(false), "Off");
}

TEST(ParameterTableTest, pitchRatioSpansATenthToTenWithAUnityBand)
{
  EXPECT_FLOAT_EQ(ratioFor(0.0f), 0.1f);
  EXPECT_FLOAT_EQ(ratioFor(0.25f), 0.2f);
  EXPECT_FLOAT_EQ(ratioFor(0.5f), 1.0f);
  EXPECT_FLOAT_EQ(ratioFor(0.75f), 5.0f);
  EXPECT_FLOAT_EQ(ratioFor(1.0f), 10.0f);
  // Unity throughout 0.45 < v < 0.55; just outside it the curve starts.
  EXPECT_EQ(ratioFor(0.46f), 1.0f);
  EXPECT_EQ(ratioFor(0.54f), 1.0f);
  EXPECT_FLOAT_EQ(ratioFor(0.6f), 2.0f);
  EXPECT_FLOAT_EQ(ratioFor(0.4f), 0.5f);
  // Values far outside 0..1 stay within the oscillator's range.
  EXPECT_EQ(ratioFor(1e30f), 10.0f);
  EXPECT_EQ(ratioFor(-1e30f), 0.1f);
}

TEST(ParameterTableTest, cutOffFactorSpansAnEighthToEight)
{
  EXPECT_FLOAT_EQ(cutOffFactorFor(0.0f), 0.125f);
  EXPECT_FLOAT_EQ(cutOffFactorFor(0.25f), 0.25f);
  EXPECT_FLOAT_EQ(cutOffFactorFor(0.5f), 1.0f);
  EXPECT_FLOAT_EQ(cutOffFactorFor(0.75f), 4.0f);
  EXPECT_FLOAT_EQ(cutOffFactorFor(1.0f), 8.0f);
  EXPECT_EQ(cutOffFactorFor(3e38f), 8.0f);
  EXPECT_EQ(cutOffFactorFor(-3e38f), 0.125f);
}

TEST(ParameterTableTest, volumeGainStepsFromOneToTwoAtTheMiddle)
{
  EXPECT_EQ(volumeGainFor(0.5f), 1.0f);
  EXPECT_EQ(volumeGainFor(0.25f), 0.5f);
  EXPECT_EQ(volumeGainFor(0.75f), 3.0f);
  EXPECT_EQ(volumeGainFor(1.0f), 4.0f);
  EXPECT_EQ(volumeGainFor(0.0f), 0.0f);
  EXPECT_EQ(volumeGainFor(2.0f), 8.0f);  // out of range still follows the curve
  // Just above the middle the gain jumps to about 2.
  EXPECT_NEAR(volumeGainFor(std::nextafter(0.5f, 1.0f)), 2.0f, 1e-6f);
  EXPECT_EQ(volumeGainFor(3e38f), 16.0f);
  EXPECT_EQ(volumeGainFor(-3e38f), -16.0f);
}

TEST(ParameterTableTest, driveFactorAndDelaySecondsInTheStagesUnits)
{
  EXPECT_EQ(driveFactorFor(0.0f), 1.0f);
  EXPECT_EQ(driveFactorFor(0.5f), 26.0f);
  EXPECT_EQ(driveFactorFor(1.0f), 51.0f);
  EXPECT_FLOAT_EQ(driveFactorFor(0.25f), 13.5f);
  EXPECT_EQ(delaySecondsFor(1.0f), 5.0);
  EXPECT_EQ(delaySecondsFor(0.0f), 0.0);
  // The editor's typed seconds come back as the value the slider shows.
  for (const double seconds : {0.0, 0.25, 1.0, 2.5, 5.0}) {
    EXPECT_EQ(valueForDelaySeconds(seconds), static_cast<float>(seconds * 0.2)) << seconds;
    EXPECT_NEAR(delaySecondsFor(valueForDelaySeconds(seconds)), seconds, 1e-6) << seconds;
  }
}

TEST(ParameterTableTest, waveShapeValuesPickTheNearestPositionTiesLow)
{
  // Four shapes split the range at 1/8, 3/8, 5/8; the float nearest 0.125 ties low.
  const std::vector<std::pair<float, int32_t>> cases = {
      {0.0f, 0}, {0.125f, 0}, {0.13f, 1}, {0.3f, 1},   {0.375f, 1},
      {0.5f, 2}, {0.9f, 3},   {1.0f, 3},  {-0.1f, -1}, {std::numeric_limits<float>::quiet_NaN(), -1}};
  for (const auto& [value, shape] : cases) EXPECT_EQ(shapeIndexFor(value, 4), shape) << value;
  EXPECT_EQ(shapeIndexFor(0.5f, 0), -1);
  // Away from exact halfway points, it is value × count rounded to the nearest.
  std::mt19937 random(20261208u);
  std::uniform_real_distribution<float> values(0.0f, 1.0f);
  for (int32_t count = 1; count <= 6; ++count) {
    for (int trial = 0; trial < 500; ++trial) {
      const float value = values(random);
      const double scaled = static_cast<double>(value) * count;
      if (std::fabs(scaled - std::floor(scaled) - 0.5) < 1e-4) continue;
      const auto expected = std::min<int32_t>(count - 1, static_cast<int32_t>(std::lround(scaled)));
      ASSERT_EQ(shapeIndexFor(value, count), expected) << "count " << count << " value " << value;
    }
  }
}

TEST(StageKindTest, bandsUseTheDecimalThresholdsAndReportedValuesMapBack)
{
  EXPECT_EQ(stageKindFor(0.0f), StageKind::mox);
  EXPECT_EQ(stageKindFor(0.333333f - 1e-7f), StageKind::mox);
  EXPECT_EQ(stageKindFor(1.0f / 3.0f), StageKind::filter);  // 0.33333334 > 0.333333
  EXPECT_EQ(stageKindFor(0.5f), StageKind::filter);
  EXPECT_EQ(stageKindFor(2.0f / 3.0f), StageKind::delay);
  EXPECT_EQ(stageKindFor(std::nextafter(1.0f, 0.0f)), StageKind::delay);
  EXPECT_EQ(stageKindFor(1.0f), StageKind::distortion);
  EXPECT_EQ(stageKindFor(5.0f), StageKind::distortion);
  EXPECT_EQ(stageKindFor(-5.0f), StageKind::mox);

  const float programValues[] = {0.0f, 0.33333334f, 0.6666667f, 1.0f};
  const float reported[] = {0.0f, 0.4f, 0.7f, 1.0f};
  const char* names[] = {"Mox", "Filter", "Delay", "Distortion"};
  for (int32_t k = 0; k < kStageKindCount; ++k) {
    const auto kind = static_cast<StageKind>(k);
    EXPECT_EQ(stageKindProgramValue(kind), programValues[k]) << k;
    EXPECT_EQ(stageKindReportedValue(kind), reported[k]) << k;
    EXPECT_STREQ(stageKindName(kind), names[k]);
    EXPECT_EQ(stageKindFor(stageKindReportedValue(kind)), kind);
    EXPECT_EQ(stageKindFor(stageKindProgramValue(kind)), kind);
  }
}

TEST(BoundedTextTest, cutsAtTheCapacityWithoutSplittingACharacter)
{
  char text[8];
  std::memset(text, 'x', sizeof text);
  copyBoundedText(text, sizeof text, "abcdefghij");
  EXPECT_STREQ(text, "abcdefg");
  // "abcde" then a two-byte character at bytes 5 and 6: it fits exactly.
  copyBoundedText(text, sizeof text, "abcde\xC3\xA9xyz");
  EXPECT_STREQ(text, "abcde\xC3\xA9");
  // A three-byte character at bytes 5..7 does not fit and is dropped whole.
  copyBoundedText(text, sizeof text, "abcde\xE2\x82\xAC");
  EXPECT_STREQ(text, "abcde");
  copyBoundedText(text, sizeof text, nullptr);
  EXPECT_STREQ(text, "");
  copyBoundedText(nullptr, 8, "abc");  // nothing to write into: no crash
  copyBoundedText(text, 0, "abc");
  EXPECT_STREQ(text, "");
}

TEST(PluginProgramTest, startsAsInitWithTheDefaultOrder)
{
  const PluginProgram program;
  EXPECT_STREQ(program.name(), "Init");
  EXPECT_EQ(program.value(fftLengthParameter), 0.35f);
  EXPECT_EQ(program.value(filterTypeParameter), 0.35f);
  EXPECT_EQ(program.value(pitchShiftParameter), 0.5f);
  EXPECT_EQ(program.value(cutOffParameter), 1.0f);
  EXPECT_EQ(program.value(volumeParameter), 0.5f);
  EXPECT_EQ(program.value(delayMixParameter), 0.0f);
  EXPECT_EQ(program.value(driveParameter), 0.0f);
  EXPECT_EQ(program.value(firstParameter), 0.0f);
  EXPECT_EQ(program.value(secondParameter), 0.33333334f);
  EXPECT_EQ(program.value(thirdParameter), 0.6666667f);
  EXPECT_EQ(program.value(forthParameter), 1.0f);
  // The stored order decodes to Mox, Filter, Delay, Distortion.
  for (int32_t slot = 0; slot < kStageSlotCount; ++slot) {
    EXPECT_EQ(stageKindFor(program.value(firstParameter + slot)), static_cast<StageKind>(slot));
  }
  EXPECT_EQ(program.value(-1), 0.0f);
  EXPECT_EQ(program.value(kParameterCount), 0.0f);
}

TEST(PluginProgramTest, namesAreBoundedToTwentyThreeBytes)
{
  PluginProgram program;
  program.setName("A much longer program name than fits");
  EXPECT_EQ(std::string(program.name()), std::string("A much longer program n"));
  EXPECT_EQ(std::strlen(program.name()), 23u);
  // An unterminated buffer of exactly 24 bytes is read no further than that.
  char unterminated[PluginProgram::nameCapacity];
  std::memset(unterminated, 'q', sizeof unterminated);
  program.setName(unterminated);
  EXPECT_EQ(std::string(program.name()), std::string(23, 'q'));
  program.setName(nullptr);
  EXPECT_EQ(std::string(program.name()), std::string(23, 'q'));
  program.setName("");
  EXPECT_STREQ(program.name(), "");
}

TEST(PluginProgramTest, ignoresStoresOutsideTheTable)
{
  PluginProgram program;
  program.store(-1, 9.0f);
  program.store(kParameterCount, 9.0f);
  program.store(1 << 30, 9.0f);
  for (float v : program.values()) EXPECT_NE(v, 9.0f);
  program.store(delayTimeAltParameter, 0.4f);
  EXPECT_EQ(program.values()[delayTimeAltParameter], 0.4f);
}

}  // namespace

// Formats that show units (LV2) carry these values; each must come back as
// the setting it came from.
TEST(ParameterUnitsTest, unitValuesAndTheirWayBackSelectTheSameSetting)
{
  struct Case {
    int32_t index;
    float normalised;  // what a VST 2 host would send
    float unitValue;   // what the port shows
    float back;        // what the port's value is turned back into
  };
  const Case cases[] = {
      {fftLengthParameter, 0.35f, 1.0f, 1.0f / 3.0f},
      {fftLengthParameter, 1.0f, 3.0f, 1.0f},
      {filterTypeParameter, 0.25f, 0.0f, 0.0f},
      {filterTypeParameter, 0.6f, 2.0f, 2.0f / 3.0f},
      {secondParameter, 0.4f, 1.0f, 1.0f / 3.0f},
      {forthParameter, 1.0f, 3.0f, 1.0f},
      {stablizeParameter, 0.7f, 1.0f, 1.0f},
      {preciseParameter, 0.2f, 0.0f, 0.0f},
      {pitchShiftParameter, 0.5f, 1.0f, 0.5f},
      {pitchShiftParameter, 0.75f, 5.0f, 0.75f},
      {pitchShiftParameter, 0.25f, 0.2f, 0.25f},
      {cutOffParameter, 1.0f, 8.0f, 1.0f},
      {cutOffParameter, 0.25f, 0.25f, 0.25f},
      {delayTimeParameter, 0.1f, 0.5f, 0.1f},
      {volumeParameter, 0.5f, 0.0f, 0.5f},
      {volumeParameter, 0.0f, -90.0f, 0.0f},
      {resonanceParameter, 0.3f, 0.3f, 0.3f},
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(unitValueFor(c.index, c.normalised), c.unitValue) << c.index << " " << c.normalised;
    EXPECT_EQ(normalisedFor(c.index, c.unitValue), c.back) << c.index << " " << c.unitValue;
  }
  // Every switch position of every switch: k / (positions - 1), in the k-th band.
  for (int32_t index = 0; index < kParameterCount; ++index) {
    for (int32_t position = 0; position < parameterInfo(index).positions; ++position)
      EXPECT_EQ(switchPositionFor(index, normalisedFor(index, static_cast<float>(position))), position) << index;
  }
  // The volume's step: gains between 1 and 2 have no value and take the
  // nearer end in dB; beyond the range the ends are taken.
  EXPECT_EQ(volumeGainFor(normalisedFor(volumeParameter, 2.9f)), 1.0f);
  EXPECT_GT(volumeGainFor(normalisedFor(volumeParameter, 3.2f)), 2.0f);
  EXPECT_LT(volumeGainFor(normalisedFor(volumeParameter, 3.2f)), 2.00001f);
  EXPECT_EQ(normalisedFor(volumeParameter, -200.0f), 0.0f);
  EXPECT_EQ(normalisedFor(volumeParameter, 40.0f), 1.0f);
  EXPECT_EQ(normalisedFor(delayTimeParameter, 9.0f), 1.0f);
  EXPECT_TRUE(std::isnan(normalisedFor(cutOffParameter, std::numeric_limits<float>::quiet_NaN())));
  EXPECT_FLOAT_EQ(unitRange(volumeParameter).maximum, 12.0412f);
  EXPECT_EQ(unitRange(pitchShiftParameter).minimum, ratioFor(0.0f));
}

TEST(ParameterPortsTest, portsFollowTheTableWithoutTheAlias)
{
  EXPECT_EQ(controlPortCount(), static_cast<uint32_t>(kParameterCount - 1));
  EXPECT_EQ(portCount(), kFirstControlPort + controlPortCount());
  EXPECT_EQ(portForParameter(waveShapeParameter), 3u);
  EXPECT_EQ(portForParameter(delayFeedBackParameter), 13u);
  EXPECT_EQ(portForParameter(delayTimeAltParameter), kNoPort);
  EXPECT_EQ(portForParameter(driveParameter), 14u);
  EXPECT_EQ(portForParameter(preciseParameter), 20u);
  EXPECT_EQ(portForParameter(kParameterCount), kNoPort);
  for (uint32_t port = 0; port < portCount() + 2; ++port) {
    const int32_t index = parameterForPort(port);
    if (port < kFirstControlPort || port >= portCount()) {
      EXPECT_EQ(index, kNoParameter) << port;
    } else {
      EXPECT_EQ(portForParameter(index), port);
      const char* symbol = parameterInfo(index).symbol;
      ASSERT_NE(symbol, nullptr) << "every port has a symbol";
      EXPECT_EQ(std::strspn(symbol, "abcdefghijklmnopqrstuvwxyz0123456789_"), std::strlen(symbol)) << symbol;
      for (uint32_t other = kFirstControlPort; other < port; ++other)
        EXPECT_STRNE(parameterInfo(parameterForPort(other)).symbol, symbol);
    }
  }
}
