// The controls for playing live through the whole effect, set as a host sets
// them (normalised values, worked out here from each control's range) and
// measured on what the host hears: the dry/wet blend against the chain's own
// output, the gate on quiet, loud and fading tones, the glide's time to a new
// note, the scale's notes; and, with all five at their initial values, the
// effect as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

#include "dsp/TrackingOscillator.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/support/played_pitch.h"
#include "tests/support/signals.h"

namespace {

using namespace played;

constexpr int32_t kBlock = 512;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The values a host sends: the gate runs linearly in dB from -80 (just above
// 0) to -20 at 1, the glide is the square root of the time in seconds, a
// switch's position k of n is k / (n - 1).
float gateValue(double decibels) { return static_cast<float>((decibels + 80.0) / 60.0); }
float glideValue(double seconds) { return static_cast<float>(std::sqrt(seconds)); }
float scaleValue(int position) { return static_cast<float>(position) / 6.0f; }
float keyValue(int key) { return static_cast<float>(key) / 11.0f; }
constexpr int kChromatic = 1;
constexpr int kMajor = 2;
constexpr float kFilterOff = 0.1f;

enum class Route { outOfPlace, inPlace, accumulating };

// The first output of `input` run through the effect in blocks, by one of the
// routes a host may take.
std::vector<float> render(PluginEffect& effect, std::span<const float> input, Route route, int32_t blockSize = kBlock)
{
  std::vector<float> out(input.size(), 0.0f);
  std::vector<float> left(static_cast<std::size_t>(blockSize));
  std::vector<float> right(static_cast<std::size_t>(blockSize));
  for (std::size_t start = 0; start < input.size(); start += static_cast<std::size_t>(blockSize)) {
    const std::size_t n = std::min(input.size() - start, static_cast<std::size_t>(blockSize));
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(start), n, left.begin());
    std::vector<float> held(left.begin(), left.begin() + static_cast<std::ptrdiff_t>(n));
    float* inputs[2] = {route == Route::inPlace ? left.data() : held.data(), nullptr};
    float* outputs[2] = {left.data(), right.data()};
    if (route == Route::accumulating) {
      std::fill_n(left.begin(), n, 0.0f);
      effect.process(inputs, outputs, static_cast<int32_t>(n));
    } else {
      effect.processReplacing(inputs, outputs, static_cast<int32_t>(n));
    }
    std::copy_n(left.begin(), n, out.begin() + static_cast<std::ptrdiff_t>(start));
  }
  return out;
}

class LiveTest : public ::testing::Test {
protected:
  // A fresh effect at program 0 (each test makes the ones it compares).
  std::unique_ptr<PluginEffect> fresh() { return effecttest::makeEffect(static_cast<float>(kRate)); }

  // Runs whole blocks out of place, noting where each block's own cycles
  // begin (the filter should be off, so that they start on zero crossings).
  static Played run(PluginEffect& effect, std::span<const float> input)
  {
    Played played;
    played.out.assign(input.size() / kBlock * kBlock, 0.0f);
    std::vector<float> right(kBlock);
    for (std::size_t start = 0; start < played.out.size(); start += kBlock) {
      played.freshStart.push_back(start + static_cast<std::size_t>(effect.oscillator().pendingCount()));
      float* inputs[2] = {const_cast<float*>(input.data() + start), nullptr};  // NOLINT: read only
      float* outputs[2] = {played.out.data() + start, right.data()};
      effect.processReplacing(inputs, outputs, kBlock);
      played.toneHz.push_back(effect.oscillator().toneFrequency());
      played.gateOpen.push_back(effect.oscillator().gateOpen());
    }
    played.crossings = signals::risingZeroCrossings(played.out);
    return played;
  }

  effecttest::ShippedShapes shapes;
};

// A line of notes with a vibrato, and a rest: something for every stage to do.
std::vector<float> phrase(double seconds)
{
  return tone(
      seconds,
      [](double t) {
        return noteHz(-12 + 3 * (static_cast<int>(t / 0.3) % 4)) * (1.0 + 0.01 * std::sin(kTwoPi * 5.0 * t));
      },
      [](double t) { return std::fmod(t, 1.2) < 1.0 ? 0.4 : 0.0; });
}

// ---------------------------------------------------------------------------
// Dry/Wet

// With a band-pass after the Mox stage, a delay and the distortion on, and
// the volume at gain 4 (a power of two, so the chain's own output before it
// is known exactly): the dry share is the input as it entered the chain, the
// blend is (1 - w) dry + w chain, and the volume applies to the blend.
TEST_F(LiveTest, dryWetBlendsTheInputWithTheWholeChainBeforeTheVolumeOnEveryRoute)
{
  const std::vector<float> input = phrase(2.0);
  const auto configured = [this](float wet) {
    auto effect = fresh();
    const std::pair<int32_t, float> settings[] = {{18, 1.0f}, {5, 1.0f},  {6, 0.75f}, {7, 0.5f},  {8, 0.5f},
                                                  {9, 0.02f}, {10, 0.6f}, {12, 0.3f}, {13, 1.0f}, {19, wet}};
    for (const auto& [index, value] : settings) effect->setParameter(index, value);
    return effect;
  };
  // The chain alone (its output times 4).
  const std::vector<float> chain = render(*configured(1.0f), input, Route::outOfPlace);
  ASSERT_GT(signals::rms(chain), 0.01);
  ASSERT_GT(signals::rms(std::span<const float>(chain).subspan(44100)), 0.01);

  for (const float wet : {0.0f, 0.5f, 0.25f, 1.0f}) {
    std::vector<float> expected(input.size());
    for (std::size_t n = 0; n < input.size(); ++n) {
      const double w = wet;
      const double chainAlone = static_cast<double>(chain[n]) / 4.0;
      expected[n] = static_cast<float>((1.0 - w) * static_cast<double>(input[n]) + w * chainAlone) * 4.0f;
    }
    for (const Route route : {Route::outOfPlace, Route::inPlace, Route::accumulating}) {
      SCOPED_TRACE(testing::Message() << "wet " << wet << ", route " << static_cast<int>(route));
      EXPECT_EQ(render(*configured(wet), input, route), expected);
    }
  }
}

// robustness: a block run in place with a dry share to mix, larger than the input copy prepared for it (no block size announced beyond the 8192 frames built at construction) => run whole, the input kept in the second output until the end: the dry share is the input, the rest the chain, as into separate buffers
TEST_F(LiveTest, aBlockInPlaceLargerThanTheCopyPreparedRunsWhole)
{
  const std::vector<float> input = phrase(0.5);
  ASSERT_GT(input.size(), 2u * 8192u);
  const auto whole = static_cast<int32_t>(input.size());
  auto dry = fresh();
  dry->setParameter(19, 0.0f);
  dry->setParameter(8, 0.5f);  // a delay, so the chain would leave its mark
  dry->setParameter(9, 0.01f);
  EXPECT_EQ(render(*dry, input, Route::inPlace, whole), input);
  // At half and half, what the block gives run whole into separate buffers.
  auto inPlace = fresh();
  auto separate = fresh();
  for (auto* effect : {inPlace.get(), separate.get()}) effect->setParameter(19, 0.5f);
  EXPECT_EQ(render(*inPlace, input, Route::inPlace, whole), render(*separate, input, Route::outOfPlace, whole));
}

// ---------------------------------------------------------------------------
// Gate

TEST_F(LiveTest, gateSilencesTonesBelowItsThresholdAndPassesLouderOnesUntouched)
{
  const struct {
    double toneDb;
    double thresholdDb;
    bool passes;
  } cases[] = {{-50.0, -40.0, false}, {-50.0, -20.0, false}, {-30.0, -20.0, false},
               {-10.0, -40.0, true},  {-10.0, -20.0, true},  {-50.0, -60.0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "tone " << c.toneDb << " dBFS, gate " << c.thresholdDb << " dB");
    const std::vector<float> input = signals::sine(330.0, kRate, 66150, amplitudeOf(c.toneDb));
    // The precise detector, whose level a listener would take for the tone's.
    const auto precise = [this] {
      auto effect = fresh();
      effect->setParameter(18, 1.0f);
      return effect;
    };
    auto gated = precise();
    gated->setParameter(20, gateValue(c.thresholdDb));
    const std::vector<float> out = render(*gated, input, Route::outOfPlace);
    if (!c.passes) {
      EXPECT_EQ(signals::peak(out), 0.0) << "not a sample from the tone";
      continue;
    }
    EXPECT_EQ(out, render(*precise(), input, Route::outOfPlace)) << "as if there were no gate";
    EXPECT_NEAR(decibels(signals::rms(std::span<const float>(out).subspan(22050)) * std::sqrt(2.0)), c.toneDb, 1.5);
  }
}

// A tone fading by 10 dB a second from -20 to -60 dBFS, with a tremolo of
// +-2 dB at 5 Hz, against a gate at -40 dB: the output stops once, where the
// fade has gone a few dB (the gate's hysteresis) below the threshold, and
// stays silent: no chatter on the wobbles.
TEST_F(LiveTest, gateCutsASlowlyFadingToneOnceWithoutChatter)
{
  constexpr double threshold = -40.0;
  const auto nominalDb = [](double t) { return -20.0 - 10.0 * t; };
  const std::vector<float> input = tone(
      4.0, [](double) { return 262.0; },
      [&](double t) { return amplitudeOf(nominalDb(t) + 2.0 * std::sin(kTwoPi * 5.0 * t)); });
  auto effect = fresh();
  effect->setParameter(20, gateValue(threshold));
  const std::vector<float> out = render(*effect, input, Route::outOfPlace);
  std::vector<double> stopped;  // the nominal level at the centre of the analysed frame where the output stops
  bool sounding = true;
  for (std::size_t start = 0; start + kBlock <= out.size(); start += kBlock) {
    // Silent: below -90 dBFS (the filter rings out the last cycle for a while).
    const bool now = signals::rms(std::span<const float>(out).subspan(start, kBlock)) > amplitudeOf(-90.0);
    if (sounding && !now) stopped.push_back(nominalDb((static_cast<double>(start) - 1024.0) / kRate));
    EXPECT_FALSE(now && !sounding) << "sounds again at " << static_cast<double>(start) / kRate << " s";
    sounding = now;
  }
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_NEAR(stopped[0], threshold - TrackingOscillator::kGateHysteresisDb, 3.0);
}

// ---------------------------------------------------------------------------
// Glide

// A note step, up and down: the output reaches the new note (within 50
// cents) the glide time later than it does without a glide, give or take a
// fifth of it. The precise detector, the filter off, so that each cycle of
// the sine shape is one rising zero crossing.
TEST_F(LiveTest, glideTakesItsTimeToReachANewNote)
{
  const struct {
    double seconds;
    double fromHz;
    double toHz;
  } cases[] = {{0.25, 220.0, 329.63}, {0.64, 440.0, 220.0}, {0.09, 196.0, 392.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.seconds << " s from " << c.fromHz << " to " << c.toHz << " Hz");
    const std::vector<float> input = tone(
        2.5 + c.seconds, [&](double t) { return t < 1.0 ? c.fromHz : c.toHz; }, [](double) { return 0.3; });
    const auto settled = [&](float glide) {
      auto effect = fresh();
      effect->setParameter(18, 1.0f);
      effect->setParameter(5, kFilterOff);
      effect->setParameter(21, glide);
      const Played played = run(*effect, input);
      return settledAt(played, finalHz(played, 0.5));
    };
    EXPECT_NEAR(settled(glideValue(c.seconds)) - settled(0.0f), c.seconds, 0.2 * c.seconds);
  }
}

// ---------------------------------------------------------------------------
// Scale and key

// A voice-like vibrato of +-40 cents around notes on and between the
// semitones, with the precise detector: every block's cycles lie within 5
// cents of a semitone, and the pitch-following filter is told that note.
TEST_F(LiveTest, chromaticScaleHoldsAVibratoToSemitonesAndTheFilterFollowsTheNote)
{
  for (const double centre : {110.0, 207.6, 452.9}) {
    SCOPED_TRACE(testing::Message() << "vibrato around " << centre << " Hz");
    const std::vector<float> input = tone(
        1.5, [centre](double t) { return centre * std::pow(2.0, 40.0 * std::sin(kTwoPi * 5.5 * t) / 1200.0); },
        [](double) { return 0.3; });
    auto effect = fresh();
    effect->setParameter(18, 1.0f);
    effect->setParameter(22, scaleValue(kChromatic));
    effect->setParameter(5, kFilterOff);
    const Played played = run(*effect, input);
    for (std::size_t b = 4; b + 1 < played.freshStart.size(); ++b) {
      // A block in which the note changes plays two notes; its mean is neither.
      if (played.toneHz[b] != played.toneHz[b - 1]) continue;
      const double heard = blockHz(played, b);
      ASSERT_GT(heard, 0.0) << "block " << b;
      ASSERT_NEAR(100.0 * (semitonesFromA4(heard) - std::round(semitonesFromA4(heard))), 0.0, 5.0)
          << "block " << b << " played " << heard << " Hz";
    }
    // The same with the low-pass following the pitch: its cut-off is set
    // from the snapped note, exactly on the semitone grid.
    auto filtered = fresh();
    filtered->setParameter(18, 1.0f);
    filtered->setParameter(22, scaleValue(kChromatic));
    const Played withFilter = run(*filtered, input);
    for (std::size_t b = 4; b < withFilter.toneHz.size(); ++b) {
      SCOPED_TRACE(b);
      const double semitones = semitonesFromA4(withFilter.toneHz[b]);
      ASSERT_NEAR(semitones, std::round(semitones), 1e-4);
    }
    EXPECT_EQ(filtered->lastTrackedPitch(), withFilter.toneHz.back());
  }
}

// A chromatic run from G3 to C5 in D major: every note played belongs to D
// major, within 5 cents of its equal-tempered pitch.
TEST_F(LiveTest, majorScaleInAKeyPlaysOnlyTheNotesOfTheKey)
{
  constexpr int lowest = -14;  // G3, in semitones from A4
  constexpr int highest = 3;   // C5
  constexpr double noteSeconds = 0.25;
  const std::vector<float> input = tone(
      noteSeconds * (highest - lowest + 1), [](double t) { return noteHz(lowest + static_cast<int>(t / noteSeconds)); },
      [](double) { return 0.3; });
  auto effect = fresh();
  effect->setParameter(18, 1.0f);
  effect->setParameter(22, scaleValue(kMajor));
  effect->setParameter(23, keyValue(2));  // D
  effect->setParameter(5, kFilterOff);
  const Played played = run(*effect, input);
  const int dMajor[] = {0, 2, 4, 5, 7, 9, 11};  // above D
  int notes = 0;
  for (std::size_t b = 1; b + 1 < played.freshStart.size(); ++b) {
    // A block in which the note changes plays two notes; its mean is neither.
    if (played.toneHz[b] != played.toneHz[b - 1]) continue;
    const double heard = blockHz(played, b);
    if (heard == 0.0) continue;
    const double semitones = semitonesFromA4(heard);
    const auto note = static_cast<int>(std::lround(semitones));
    SCOPED_TRACE(testing::Message() << "block " << b << " played " << heard << " Hz");
    ASSERT_NEAR(100.0 * (semitones - note), 0.0, 5.0);
    const int aboveD = ((note + 9 - 2) % 12 + 12) % 12;
    ASSERT_NE(std::find(std::begin(dMajor), std::end(dMajor), aboveD), std::end(dMajor));
    ++notes;
  }
  EXPECT_GT(notes, 150);
}

// ---------------------------------------------------------------------------
// At their initial values

// Set away and back, as a host's automation or a program change does: at
// their initial values the five leave the effect exactly as a new one plays.
TEST_F(LiveTest, atTheirInitialValuesTheControlsLeaveTheSoundAsItWas)
{
  const std::vector<float> input = phrase(1.5);
  const std::vector<float> before = render(*fresh(), input, Route::inPlace);
  auto automated = fresh();
  const std::pair<int32_t, float> away[] = {{19, 0.3f}, {20, 0.5f}, {21, 0.4f}, {22, 0.5f}, {23, 0.7f}};
  for (const auto& [index, value] : away) automated->setParameter(index, value);
  for (const auto& [index, value] : away) automated->setParameter(index, parameterInfo(index).initialValue);
  EXPECT_EQ(render(*automated, input, Route::inPlace), before);
  // Another program set to use them, then program 0 again.
  auto switched = fresh();
  switched->setProgram(2);
  for (const auto& [index, value] : away) switched->setParameter(index, value);
  switched->setProgram(0);
  EXPECT_EQ(render(*switched, input, Route::inPlace), before);
}

}  // namespace
