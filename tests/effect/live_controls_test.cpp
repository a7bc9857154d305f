// The conversions of the controls for playing live, from normalised values to
// the stages' settings and to display texts, checked against values worked out
// by hand (and against the oscillator's own treatment of the result).
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/TrackingOscillator.h"
#include "effect/LiveControls.h"
#include "effect/ParameterTable.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

std::string shown(void (*text)(float, char*, std::size_t), float value)
{
  char buffer[kParameterTextCapacity];
  std::memset(buffer, 'x', sizeof buffer);
  text(value, buffer, sizeof buffer);
  return buffer;
}

struct NumberCase {
  float value;
  float expected;
  const char* text;
};

TEST(LiveControls, gateIsOffAtZeroThenRunsLinearlyInDecibelsFromMinus80ToMinus20)
{
  const NumberCase cases[] = {
      {0.0f, TrackingOscillator::kGateOff, "off"},
      {-0.5f, TrackingOscillator::kGateOff, "off"},
      {kNaN, TrackingOscillator::kGateOff, "off"},
      {std::nextafter(0.0f, 1.0f), -80.0f, "-80.0 dB"},
      {0.25f, -65.0f, "-65.0 dB"},
      {0.5f, -50.0f, "-50.0 dB"},
      {0.9f, -26.0f, "-26.0 dB"},
      {1.0f, -20.0f, "-20.0 dB"},
      {7.0f, -20.0f, "-20.0 dB"},
      {kInfinity, -20.0f, "-20.0 dB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "value " << c.value);
    EXPECT_FLOAT_EQ(gateThresholdDecibelsFor(c.value), c.expected);
    EXPECT_EQ(shown(gateText, c.value), c.text);
  }
  // The oscillator takes the off value as no gate at all.
  TrackingOscillator oscillator;
  oscillator.setGateThreshold(gateThresholdDecibelsFor(0.0f));
  std::vector<float> quiet(4096);  // a sine at -120 dBFS, far below the lowest threshold
  for (std::size_t n = 0; n < quiet.size(); ++n)
    quiet[n] = static_cast<float>(1e-6 * std::sin(0.0614 * static_cast<double>(n)));
  std::vector<float> out(4096);
  std::vector<float> table(44100, 1.0f);
  oscillator.process(quiet.data(), out.data(), 4096, 44100.0f, table.data(), 44100);
  EXPECT_GT(oscillator.lastAmplitude(), 0.0f);
}

TEST(LiveControls, glideIsTheSquareOfTheValueInSecondsUpToOne)
{
  const NumberCase cases[] = {
      {0.0f, 0.0f, "0 ms"},       {kNaN, 0.0f, "0 ms"},    {-1.0f, 0.0f, "0 ms"},
      {0.05f, 0.0025f, "2.5 ms"}, {0.1f, 0.01f, "10 ms"},  {0.5f, 0.25f, "250 ms"},
      {0.8f, 0.64f, "640 ms"},    {1.0f, 1.0f, "1000 ms"}, {3.0f, 1.0f, "1000 ms"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "value " << c.value);
    EXPECT_FLOAT_EQ(glideSecondsFor(c.value), c.expected);
    EXPECT_EQ(shown(glideText, c.value), c.text);
  }
}

TEST(LiveControls, dryWetIsTheWetShareClampedAndNaNMeansTheChainAlone)
{
  const NumberCase cases[] = {{0.0f, 0.0f, ""},  {0.5f, 0.5f, ""}, {1.0f, 1.0f, ""},
                              {-2.0f, 0.0f, ""}, {9.0f, 1.0f, ""}, {kNaN, 1.0f, ""}};
  for (const auto& c : cases) EXPECT_EQ(dryWetShareFor(c.value), c.expected) << c.value;
}

struct SwitchCase {
  float value;
  int32_t position;
  const char* text;
};

// Position k sits at k / (positions - 1); a value picks the nearest position.
TEST(LiveControls, scaleAndKeyPickTheNearestOfTheirPositionsAndNameThem)
{
  const SwitchCase scales[] = {
      {0.0f, 0, "Off"},
      {1.0f / 6.0f, 1, "Chromatic"},
      {2.0f / 6.0f, 2, "Major"},
      {0.5f, 3, "Minor"},
      {4.0f / 6.0f, 4, "Major Pentatonic"},
      {5.0f / 6.0f, 5, "Minor Pentatonic"},
      {1.0f, 6, "Blues"},
      {0.08f, 0, "Off"},
      {0.09f, 1, "Chromatic"},
      {-1.0f, 0, "Off"},
      {kNaN, 0, "Off"},
      {2.0f, 6, "Blues"},
  };
  for (const auto& c : scales) {
    SCOPED_TRACE(testing::Message() << "scale value " << c.value);
    EXPECT_EQ(static_cast<int32_t>(scaleFor(c.value)), c.position);
    EXPECT_STREQ(scaleText(c.value), c.text);
    EXPECT_LT(std::strlen(scaleText(c.value)), kParameterTextCapacity);
  }
  const char* const names[] = {"C", "C#/Db", "D", "D#/Eb", "E", "F", "F#/Gb", "G", "G#/Ab", "A", "A#/Bb", "B"};
  for (int32_t k = 0; k < kKeyPositions; ++k) {
    const float value = static_cast<float>(k) / 11.0f;
    EXPECT_EQ(keyFor(value), k);
    EXPECT_STREQ(keyText(value), names[k]);
    // The edges of each band: half a step either side.
    EXPECT_EQ(keyFor(value + 0.04f), k);
    EXPECT_EQ(keyFor(value - 0.04f), k);
  }
  EXPECT_EQ(keyFor(kNaN), 0);
  EXPECT_EQ(keyFor(-5.0f), 0);
  EXPECT_EQ(keyFor(kInfinity), 11);
}

}  // namespace
