// The controls for playing live, measured on sound: the Mox stage's gate,
// glide, scale and key through the oscillator (its output read by zero
// crossings of a sine table, one rising crossing per cycle), and the dry/wet
// blend. With every control on, the stage still allocates nothing (this
// binary counts the global allocations made on the test's thread) and plays
// the same bits on every platform.

#include "dsp/DryWetMix.h"
#include "dsp/MusicalScale.h"
#include "dsp/ScaleHold.h"
#include "dsp/TrackingOscillator.h"
#include "tests/support/played_pitch.h"
#include "tests/support/signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <numbers>
#include <span>
#include <vector>

namespace {

thread_local bool countingAllocations = false;
thread_local long allocations = 0;

void* allocate(std::size_t size)
{
  if (countingAllocations) ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

}  // namespace

// Every form of new ends in these two (the array and nothrow forms call them).
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
using namespace played;

struct Rig {
  std::vector<float> table;
  TrackingOscillator oscillator;

  Rig()
  {
    table.resize(static_cast<std::size_t>(kRate));
    for (std::size_t i = 0; i < table.size(); ++i)
      table[i] = static_cast<float>(std::sin(kTwoPi * static_cast<double>(i) / kRate));
    oscillator.setPrecise(true);
  }

  Played run(std::span<const float> input, int32_t blockSize)
  {
    Played played;
    const auto block = static_cast<std::size_t>(blockSize);
    played.out.assign(input.size() / block * block, 0.0f);  // whole blocks only
    for (std::size_t start = 0; start < played.out.size(); start += block) {
      played.freshStart.push_back(start + static_cast<std::size_t>(oscillator.pendingCount()));
      oscillator.process(input.data() + start, played.out.data() + start, blockSize, static_cast<float>(kRate),
                         table.data(), static_cast<int32_t>(table.size()));
      played.toneHz.push_back(oscillator.toneFrequency());
      played.gateOpen.push_back(oscillator.gateOpen());
    }
    played.crossings = signals::risingZeroCrossings(played.out);
    return played;
  }
};

// ---------------------------------------------------------------------------
// Gate

struct GateCase {
  double toneDb;       // the input sine's level, dBFS (amplitude 10^(dB/20))
  double thresholdDb;  // the gate's
  int32_t blockSize;   // 4096: a long block, analysed frame by frame
  bool passes;
};

TEST(TrackingOscillatorGate, SilencesTonesBelowItsThresholdAndPassesTonesAboveUntouched)
{
  const GateCase cases[] = {
      {-50.0, -48.0, 512, false},  {-50.0, -40.0, 512, false}, {-50.0, -20.0, 512, false},
      {-50.0, -30.0, 4096, false}, {-10.0, -80.0, 512, true},  {-10.0, -40.0, 512, true},
      {-10.0, -20.0, 512, true},   {-10.0, -20.0, 4096, true}, {-50.0, -60.0, 512, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "tone " << c.toneDb << " dBFS, gate " << c.thresholdDb << " dB, blocks of "
                                    << c.blockSize);
    const auto input = signals::sine(330.0, kRate, 88200, amplitudeOf(c.toneDb));
    Rig gated;
    gated.oscillator.setGateThreshold(static_cast<float>(c.thresholdDb));
    const Played played = gated.run(input, c.blockSize);
    if (!c.passes) {
      EXPECT_EQ(signals::peak(played.out), 0.0);
      EXPECT_FALSE(gated.oscillator.gateOpen());
      continue;
    }
    // Let through, the tone is exactly what it is without a gate.
    Rig open;
    EXPECT_EQ(played.out, open.run(input, c.blockSize).out);
    EXPECT_NEAR(decibels(signals::peak(std::span<const float>(played.out).subspan(44100))), c.toneDb, 1.0);
  }
}

// A tone swelling through the threshold and fading back, 10 dB per second,
// with a tremolo of +-1.5 dB at 5 Hz: the level crosses the threshold several
// times each way, and the gate must still open once and close once, opening
// at the threshold and closing about kGateHysteresisDb below it.
TEST(TrackingOscillatorGate, OpensAndClosesOnceOnAToneSwellingAndFadingThroughItWithTremolo)
{
  constexpr double threshold = -50.0;
  const auto nominalDb = [](double t) { return t < 4.0 ? -70.0 + 10.0 * t : -30.0 - 10.0 * (t - 4.0); };
  const auto input = tone(
      8.0, [](double) { return 262.0; },
      [&](double t) { return amplitudeOf(nominalDb(t) + 1.5 * std::sin(kTwoPi * 5.0 * t)); });
  Rig rig;
  rig.oscillator.setGateThreshold(static_cast<float>(threshold));
  constexpr int32_t block = 256;
  const Played played = rig.run(input, block);

  std::vector<double> opened;  // nominal input level (dB) at the frame's centre when the output starts or stops
  std::vector<double> closed;
  bool sounding = false;
  for (std::size_t b = 0; b < played.freshStart.size(); ++b) {
    const std::size_t start = b * block;
    const bool now = signals::peak(std::span<const float>(played.out).subspan(start, block)) > 0.0;
    const double frameCentre = (static_cast<double>(start + block) - 1024.0) / kRate;
    if (now && !sounding) opened.push_back(nominalDb(frameCentre));
    // The block that starts the fade still sounds; the next is silent.
    if (!now && sounding) closed.push_back(nominalDb(frameCentre - static_cast<double>(block) / kRate));
    sounding = now;
  }
  ASSERT_EQ(opened.size(), 1u);
  ASSERT_EQ(closed.size(), 1u);
  EXPECT_NEAR(opened[0], threshold - 0.5, 2.0);
  EXPECT_NEAR(closed[0], threshold - TrackingOscillator::kGateHysteresisDb + 0.5, 2.0);
}

// While shut the pitch holds where the last note left it (not at the 30 Hz
// of silence), and the note after the pause glides from there.
TEST(TrackingOscillatorGate, HoldsThePitchWhileShutSoTheNextNoteGlidesFromTheLastOne)
{
  // A note dying away over a few tens of milliseconds, a pause, the next note.
  const auto input = tone(
      3.0, [](double t) { return t < 1.5 ? 220.0 : 330.0; },
      [](double t) { return t < 1.0 ? 0.3 : (t < 1.5 ? 0.3 * std::exp(-(t - 1.0) / 0.03) : 0.3); });
  Rig rig;
  rig.oscillator.setGateThreshold(-60.0f);
  rig.oscillator.setGlideTime(0.2f);
  const Played played = rig.run(input, 512);
  std::size_t shut = 0;
  while (shut < played.gateOpen.size() && (played.gateOpen[shut] || shut * 512 < 44100)) ++shut;
  ASSERT_LT(shut * 512, std::size_t{66150});  // shut in the pause
  const float held = played.toneHz[shut];
  EXPECT_NEAR(cents(held, 220.0), 0.0, 30.0);
  std::size_t b = shut;
  for (; !played.gateOpen[b]; ++b) ASSERT_EQ(played.toneHz[b], held) << "block " << b;
  // Open again on the new note: from the held pitch up, without a dip.
  for (; b < played.toneHz.size(); ++b) {
    ASSERT_GE(played.toneHz[b], held) << "block " << b;
    ASSERT_LE(played.toneHz[b], 331.0f) << "block " << b;
  }
  EXPECT_NEAR(cents(played.toneHz.back(), 330.0), 0.0, 5.0);
}

// ---------------------------------------------------------------------------
// Glide

struct GlideCase {
  float seconds;
  double fromHz;
  int semitones;  // the step
};

TEST(TrackingOscillatorGlide, ANoteStepIsReachedWithinFiftyCentsAfterTheGlideTime)
{
  const GlideCase cases[] = {
      {0.05f, 220.0, 12}, {0.2f, 220.0, 12}, {1.0f, 220.0, 12}, {0.2f, 261.6, 7}, {0.5f, 440.0, -12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.seconds << " s, " << c.fromHz << " Hz up " << c.semitones << " semitones");
    const double toHz = c.fromHz * std::pow(2.0, c.semitones / 12.0);
    const auto input = tone(
        2.5 + c.seconds, [&](double t) { return t < 1.0 ? c.fromHz : toHz; }, [](double) { return 0.3; });
    // The step reaches the output at once without a glide, one frame's
    // latency after the input; the glide adds its own time to that.
    Rig jumping;
    const Played jumped = jumping.run(input, 256);
    Rig gliding;
    gliding.oscillator.setGlideTime(c.seconds);
    const Played glided = gliding.run(input, 256);
    const double took = settledAt(glided, finalHz(glided, 0.5)) - settledAt(jumped, finalHz(jumped, 0.5));
    EXPECT_NEAR(took, c.seconds, 0.2 * c.seconds);
  }
}

// ---------------------------------------------------------------------------
// Scale and key

TEST(TrackingOscillatorScale, ChromaticHoldsAVibratoToEqualTemperedSemitonesWithinFiveCents)
{
  // +-40 cents of vibrato at 5.5 Hz around five centres, two of them a
  // quarter tone off the grid, so the tone is pulled to both neighbours.
  const double centres[] = {98.0, 207.6, 311.1, 452.9, 659.3};
  for (const double centre : centres) {
    SCOPED_TRACE(testing::Message() << "vibrato around " << centre << " Hz");
    const auto pitchAt = [centre](double t) {
      return centre * std::pow(2.0, 40.0 * std::sin(kTwoPi * 5.5 * t) / 1200.0);
    };
    const auto input = tone(2.0, pitchAt, [](double) { return 0.3; });
    Rig rig;
    rig.oscillator.setScale(Scale::chromatic);
    constexpr int32_t block = 1024;
    const Played played = rig.run(input, block);
    int measured = 0;
    for (std::size_t b = 4; b + 1 < played.freshStart.size(); ++b) {
      // A block in which the note changes plays two notes; its mean is neither.
      if (played.toneHz[b] != played.toneHz[b - 1]) continue;
      const double heard = blockHz(played, b);
      ASSERT_GT(heard, 0.0) << "block " << b;
      const double offGrid = 100.0 * (semitonesFromA4(heard) - std::round(semitonesFromA4(heard)));
      ASSERT_NEAR(offGrid, 0.0, 5.0) << "block " << b << " played " << heard << " Hz";
      // and still the input's note: within half a semitone and the scale's
      // hold margin of its pitch at the centre of the frame, give or take
      // the detector's few cents and the frame's latency on the vibrato.
      const double truth = pitchAt(static_cast<double>((b + 1) * block - 1024) / kRate);
      ASSERT_NEAR(cents(heard, truth), 0.0, 50.0 + 100.0 * ScaleHold::kMarginSemitones + 15.0) << "block " << b;
      // The pitch-following filter is told the note, not the raw estimate.
      ASSERT_NEAR(cents(played.toneHz[b], heard), 0.0, 5.0) << "block " << b;
      ++measured;
    }
    // Around a quarter tone off the grid the +-40 cents pass the hold's
    // margin: the note changes twice a vibrato cycle, and those blocks are left out.
    EXPECT_GT(measured, 55);
  }
}

struct KeyCase {
  Scale scale;
  int32_t key;                         // 0 = C
  std::vector<int> notesAboveTheRoot;  // the scale, written out here
};

// A chromatic run over an octave and a half, note by note: every note played
// belongs to the key, a note of the key is played as itself, and any other
// becomes one of the key's notes next to it.
TEST(TrackingOscillatorScale, EveryNotePlayedBelongsToTheKeyAndIsTheNearestOneOfIt)
{
  const KeyCase cases[] = {
      {Scale::major, 2, {0, 2, 4, 5, 7, 9, 11}},  // D major
      {Scale::minor, 9, {0, 2, 3, 5, 7, 8, 10}},  // A minor
      {Scale::majorPentatonic, 7, {0, 2, 4, 7, 9}}, {Scale::minorPentatonic, 1, {0, 3, 5, 7, 10}},
      {Scale::blues, 4, {0, 3, 5, 6, 7, 10}},       {Scale::major, 11, {0, 2, 4, 5, 7, 9, 11}},
  };
  constexpr int lowest = -14;  // G3 .. C5 in semitones from A4
  constexpr int highest = 3;
  constexpr double noteSeconds = 0.25;
  const auto input = tone(
      noteSeconds * (highest - lowest + 1), [](double t) { return noteHz(lowest + static_cast<int>(t / noteSeconds)); },
      [](double) { return 0.3; });
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "scale " << static_cast<int>(c.scale) << ", key " << c.key);
    const auto inKey = [&c](int semitonesFromA) {
      const int aboveRoot = ((semitonesFromA + 9 - c.key) % 12 + 12) % 12;
      return std::find(c.notesAboveTheRoot.begin(), c.notesAboveTheRoot.end(), aboveRoot) != c.notesAboveTheRoot.end();
    };
    Rig rig;
    rig.oscillator.setScale(c.scale);
    rig.oscillator.setKey(c.key);
    constexpr int32_t block = 1024;
    const Played played = rig.run(input, block);
    for (std::size_t b = 0; b + 1 < played.freshStart.size(); ++b) {
      // Blocks whose cycles were all decided by frames within one input note
      // (the first by the analysis up to a hop before the block).
      const auto end = static_cast<double>((b + 1) * block);
      const auto note = static_cast<int>((end - 1.0) / (noteSeconds * kRate));
      const double hop = TrackingOscillator::analysisHop(static_cast<float>(kRate), 2048);
      if (end - block - hop - 2048.0 < note * noteSeconds * kRate) continue;
      const int sung = lowest + note;
      // A block in which the note changes plays two notes; its mean is neither.
      if (b > 0 && played.toneHz[b] != played.toneHz[b - 1]) continue;
      const double heard = blockHz(played, b);
      ASSERT_GT(heard, 0.0);
      const auto playedNote = static_cast<int>(std::lround(semitonesFromA4(heard)));
      SCOPED_TRACE(testing::Message() << "input note " << sung << ", played " << heard << " Hz");
      ASSERT_NEAR(100.0 * (semitonesFromA4(heard) - playedNote), 0.0, 5.0);
      ASSERT_TRUE(inKey(playedNote));
      // As near as the nearest note of the key (itself, when it is one); of
      // two at the same distance either may win, by a cent of the detector's.
      int nearest = 0;
      while (!inKey(sung - nearest) && !inKey(sung + nearest)) ++nearest;
      ASSERT_EQ(std::abs(playedNote - sung), nearest);
    }
  }
}

TEST(MusicalScale, SnapsToTheNearestNoteAndLeavesWhatItCannotSnap)
{
  // Either side of half-way; unsnappable frequencies and keys pass unchanged.
  const double quarterToneAboveA = 440.0 * std::pow(2.0, 0.5 / 12.0);
  EXPECT_EQ(snapToScale(static_cast<float>(quarterToneAboveA * 0.9999), Scale::chromatic, 0), 440.0f);
  EXPECT_EQ(snapToScale(static_cast<float>(quarterToneAboveA * 1.0001), Scale::chromatic, 0),
            static_cast<float>(noteHz(1)));
  EXPECT_EQ(snapToScale(27.6f, Scale::chromatic, 0), 27.5f);
  EXPECT_EQ(snapToScale(7040.5f, Scale::major, 9), 7040.0f);  // A8 in A major
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(std::isnan(snapToScale(nan, Scale::major, 0)));
  for (const float unsnappable : {0.0f, -440.0f, std::numeric_limits<float>::infinity()})
    EXPECT_EQ(snapToScale(unsnappable, Scale::major, 0), unsnappable);
  EXPECT_EQ(snapToScale(450.0f, Scale::off, 0), 450.0f);
  EXPECT_EQ(snapToScale(450.0f, Scale::major, 12), 450.0f);
  EXPECT_EQ(snapToScale(450.0f, static_cast<Scale>(99), 0), 450.0f);
}

// The chain's filter has followed the estimate times the ratio; on the
// classic engine (every control off, Precise off) the frequency it is now
// given is that same float, so the chain plays as it always has.
TEST(TrackingOscillatorLive, WithEveryControlOffTheToneFrequencyIsTheEstimateTimesTheRatio)
{
  const auto input = tone(
      1.0, [](double t) { return 100.0 * std::pow(2.0, 3.0 * t); }, [](double) { return 0.3; });
  const float ratios[] = {0.1f, 0.5f, 1.0f, 3.7f, 10.0f};
  for (const int32_t block : {64, 700, 5000}) {
    Rig rig;
    rig.oscillator.setPrecise(false);
    std::vector<float> out(static_cast<std::size_t>(block));
    for (std::size_t start = 0, b = 0; start + static_cast<std::size_t>(block) <= input.size();
         start += static_cast<std::size_t>(block), ++b) {
      rig.oscillator.setRatio(ratios[b % std::size(ratios)]);
      rig.oscillator.process(input.data() + start, out.data(), block, static_cast<float>(kRate), rig.table.data(),
                             static_cast<int32_t>(rig.table.size()));
      ASSERT_EQ(rig.oscillator.toneFrequency(),
                static_cast<float>(static_cast<double>(rig.oscillator.detectedFrequency()) *
                                   static_cast<double>(rig.oscillator.ratio())))
          << "block " << b << " of " << block;
    }
  }
}

// robustness: live-control setters given NaN, infinite or out-of-range values => a safe setting, finite output
TEST(TrackingOscillatorLive, WildSettingsKeepTheOutputFiniteAndTheStageWorking)
{
  const auto input = signals::sine(330.0, kRate, 44100, 0.3);
  Rig rig;
  rig.oscillator.setGateThreshold(std::numeric_limits<float>::quiet_NaN());  // off
  rig.oscillator.setGlideTime(std::numeric_limits<float>::infinity());       // the longest
  rig.oscillator.setScale(static_cast<Scale>(-3));                           // ignored
  rig.oscillator.setKey(40);                                                 // ignored
  rig.oscillator.setRatio(-2.0f);                                            // a negative pitch to snap and glide from
  rig.run(std::span<const float>(input).first(8192), 512);
  rig.oscillator.setRatio(1.0f);
  rig.oscillator.setScale(Scale::blues);
  const Played played = rig.run(input, 512);
  EXPECT_TRUE(std::all_of(played.out.begin(), played.out.end(), [](float x) { return std::isfinite(x); }));
  EXPECT_NEAR(signals::peak(std::span<const float>(played.out).subspan(22050)), 0.3, 0.01);
  rig.oscillator.setGateThreshold(std::numeric_limits<float>::infinity());  // nothing is loud enough
  const Played shut = rig.run(input, 512);
  EXPECT_EQ(signals::peak(std::span<const float>(shut.out).subspan(1024)), 0.0);
}

// ---------------------------------------------------------------------------
// Dry/wet

TEST(DryWetMix, BlendsTheDryInputWithTheChainsOutputAtEqualGain)
{
  // The chain's output: the oscillator's tone for a sine input.
  const auto dry = signals::sine(220.0, kRate, 16384, 0.5);
  Rig rig;
  const std::vector<float> wet = rig.run(dry, 512).out;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float share;
    double expectedShare;  // of the wet signal
  };
  const Case cases[] = {{1.0f, 1.0}, {0.0f, 0.0}, {0.5f, 0.5}, {0.25f, 0.25}, {nan, 1.0}, {-1.0f, 0.0}, {2.0f, 1.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "share " << c.share);
    DryWetMix mix;
    mix.setWetShare(c.share);
    const float share = mix.wetShare();
    std::vector<float> out(dry.size(), 7.0f);
    DryWetMix::blend(share, dry.data(), wet.data(), out.data(), static_cast<int32_t>(out.size()));
    std::vector<float> inDry = dry;  // in place, over either input
    DryWetMix::blend(share, inDry.data(), wet.data(), inDry.data(), static_cast<int32_t>(out.size()));
    std::vector<float> inWet = wet;
    DryWetMix::blend(share, dry.data(), inWet.data(), inWet.data(), static_cast<int32_t>(out.size()));
    EXPECT_EQ(inDry, out);
    EXPECT_EQ(inWet, out);
    if (c.expectedShare == 1.0) {
      EXPECT_EQ(out, wet);  // bit for bit
    }
    if (c.expectedShare == 0.0) {
      EXPECT_EQ(out, dry);
    }
    for (std::size_t i = 0; i < out.size(); ++i)
      ASSERT_NEAR(out[i], (1.0 - c.expectedShare) * dry[i] + c.expectedShare * wet[i], 1e-7) << i;
  }
  // At 1 the dry input is never read: it may be absent.
  std::vector<float> alone = wet;
  DryWetMix::blend(1.0f, nullptr, alone.data(), alone.data(), static_cast<int32_t>(alone.size()));
  EXPECT_EQ(alone, wet);
  EXPECT_FALSE(DryWetMix::needsDry(1.0f));
  EXPECT_TRUE(DryWetMix::needsDry(0.999f));
}

// ---------------------------------------------------------------------------
// The same samples everywhere

// A sawtooth of literal pitches with a triangle vibrato of +-10 cents (made
// with + - * / only, so the input is the same on every platform), and a
// stretch at -54 dBFS for the gate to shut on.
std::vector<float> portableMelody()
{
  const double notes[] = {196.0, 246.94, 220.0, 293.66, 261.63, 329.63, 174.61, 392.0};
  const auto noteLength = static_cast<std::size_t>(0.375 * kRate);
  std::vector<float> out(noteLength * std::size(notes));
  double phase = 0.0;
  for (std::size_t n = 0; n < out.size(); ++n) {
    const double lfo = static_cast<double>(n % 8820) / 8820.0;  // 5 Hz
    const double vibrato = 1.0 + 0.0058 * (lfo < 0.5 ? 4.0 * lfo - 1.0 : 3.0 - 4.0 * lfo);
    phase += notes[n / noteLength] * vibrato / kRate;
    phase -= static_cast<double>(static_cast<int64_t>(phase));
    const double level = (n / noteLength == 4) ? 0.002 : 0.5;
    out[n] = static_cast<float>(level * (2.0 * phase - 1.0));
  }
  return out;
}

// One cycle of a sine-like parabola at kRate entries, also made with
// arithmetic only (a library sine differs between platforms at sin(pi)).
std::vector<float> portableTable()
{
  std::vector<float> table(static_cast<std::size_t>(kRate));
  for (std::size_t i = 0; i < table.size(); ++i) {
    const double p = static_cast<double>(i) / kRate;
    table[i] = static_cast<float>(p < 0.5 ? 16.0 * p * (0.5 - p) : -16.0 * (p - 0.5) * (1.0 - p));
  }
  return table;
}

uint64_t digestOf(const std::vector<float>& samples)
{
  uint64_t digest = 0xcbf29ce484222325ull;  // FNV-1a over the bytes of each sample
  for (const float value : samples) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8) {
      digest ^= (bits >> shift) & 0xffu;
      digest *= 0x100000001b3ull;
    }
  }
  return digest;
}

struct DigestCase {
  bool precise;
  float gateDb;
  float glideSeconds;
  Scale scale;
  int32_t key;
  uint64_t digest;
};

// The gate's level, the snapping and the glide decide with portable
// arithmetic only (no library logarithm or power that may round otherwise
// elsewhere): the digests, recorded on Linux, hold for the Windows build too.
// Input and wave table are made without library functions for the same reason.
TEST(TrackingOscillatorLive, OutputBitsMatchTheRecordedDigestsOnEveryPlatform)
{
  const DigestCase cases[] = {
      {true, -40.0f, 0.08f, Scale::major, 7, 0xe0282a2f2b9c3184ull},
      {false, TrackingOscillator::kGateOff, 0.0f, Scale::chromatic, 0, 0xcde37fd6f2a349aeull},
      {true, TrackingOscillator::kGateOff, 0.3f, Scale::off, 0, 0x2c404ac8d6792048ull},
      {true, -60.0f, 0.0f, Scale::blues, 9, 0xc62fdc33e11ba158ull},
  };
  const auto input = portableMelody();
  for (const auto& c : cases) {
    Rig rig;
    rig.table = portableTable();
    rig.oscillator.setPrecise(c.precise);
    rig.oscillator.setGateThreshold(c.gateDb);
    rig.oscillator.setGlideTime(c.glideSeconds);
    rig.oscillator.setScale(c.scale);
    rig.oscillator.setKey(c.key);
    const Played played = rig.run(input, 512);
    EXPECT_EQ(digestOf(played.out), c.digest) << std::hex << "0x" << digestOf(played.out) << "ull, case with gate "
                                              << c.gateDb << ", glide " << c.glideSeconds;
  }
}

// ---------------------------------------------------------------------------
// Real-time safety

TEST(TrackingOscillatorLive, EveryControlOnAndChangingBetweenBlocksAllocatesNothing)
{
  const auto input = tone(
      4.0, [](double t) { return 110.0 * std::pow(2.0, std::floor(t * 8.0) / 12.0); },
      [](double t) { return (static_cast<int>(t * 4.0) % 3 == 0) ? 0.001 : 0.4; });
  Rig rig;
  std::vector<float> out(input.size());
  std::vector<float> dry(4096);
  const int32_t sizes[] = {64, 512, 1000, 4096, 5000, 1};
  const int32_t lengths[] = {1024, 2048, 4096, 8192};
  const Scale scales[] = {Scale::chromatic, Scale::major, Scale::blues, Scale::off};
  countingAllocations = true;
  std::size_t start = 0;
  for (int b = 0; start < input.size(); ++b) {
    rig.oscillator.setGateThreshold(b % 5 == 4 ? TrackingOscillator::kGateOff : -40.0f);
    rig.oscillator.setGlideTime(b % 7 == 0 ? 0.0f : 0.15f);
    rig.oscillator.setScale(scales[b % 4]);
    rig.oscillator.setKey(b % 12);
    rig.oscillator.setPrecise(b % 3 != 0);
    rig.oscillator.setQuickDetect(b % 9 == 1);
    rig.oscillator.setAnalysisLength(lengths[(b / 8) % 4]);
    const auto count =
        static_cast<int32_t>(std::min<std::size_t>(static_cast<std::size_t>(sizes[b % 6]), input.size() - start));
    const auto kept = static_cast<std::size_t>(std::min<int32_t>(count, 4096));
    std::copy_n(input.data() + start, kept, dry.data());
    rig.oscillator.process(input.data() + start, out.data() + start, count, static_cast<float>(kRate), rig.table.data(),
                           static_cast<int32_t>(rig.table.size()));
    DryWetMix::blend(0.3f, dry.data(), out.data() + start, out.data() + start, static_cast<int32_t>(kept));
    start += static_cast<std::size_t>(count);
  }
  countingAllocations = false;
  EXPECT_EQ(allocations, 0);
  EXPECT_GT(signals::peak(out), 0.1);  // it did play
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); }));
}

}  // namespace
