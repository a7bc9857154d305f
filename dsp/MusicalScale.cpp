#include "dsp/MusicalScale.h"

#include "dsp/PortableMath.h"

#include <array>
#include <cmath>
#include <initializer_list>

namespace {

constexpr double kConcertA = 440.0;  // A4, Hz
// A lies nine semitones above C in every octave.
constexpr int32_t kAAboveC = 9;
constexpr double kSemitonesPerOctave = 12.0;

// 2^(r/12): the equal-tempered semitones above a note within one octave.
// Literals rather than a power, so every platform plays the same frequency.
constexpr std::array<double, kPitchClassCount> kEqualTemperedRatio{
    1.0,
    1.0594630943592953,
    1.122462048309373,
    1.189207115002721,
    1.2599210498948732,
    1.3348398541700344,
    1.4142135623730951,
    1.4983070768766815,
    1.5874010519681994,
    1.681792830507429,
    1.7817974362806785,
    1.8877486253633868,
};

constexpr uint32_t bitsOf(std::initializer_list<int32_t> semitones)
{
  uint32_t bits = 0;
  for (const int32_t s : semitones) bits |= uint32_t{1} << s;
  return bits;
}

// The widest gap between neighbouring notes of any scale above is three
// semitones, so the nearest note lies within this many of the frequency.
constexpr int32_t kSearchSemitones = 3;

int32_t floorMod(int32_t value, int32_t divisor)
{
  const int32_t r = value % divisor;
  return r < 0 ? r + divisor : r;
}

}  // namespace

uint32_t scaleIntervals(Scale scale)
{
  switch (scale) {
    case Scale::off: return 0;
    case Scale::chromatic: return bitsOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    case Scale::major: return bitsOf({0, 2, 4, 5, 7, 9, 11});
    case Scale::minor: return bitsOf({0, 2, 3, 5, 7, 8, 10});
    case Scale::majorPentatonic: return bitsOf({0, 2, 4, 7, 9});
    case Scale::minorPentatonic: return bitsOf({0, 3, 5, 7, 10});
    case Scale::blues: return bitsOf({0, 3, 5, 6, 7, 10});
  }
  return 0;
}

int32_t nearestScaleNote(double semitones, Scale scale, int32_t key)
{
  // The scale's notes around the position, nearest first; of two at the
  // same distance the lower wins, as the candidates rise.
  const uint32_t intervals = scaleIntervals(scale);
  const auto below = static_cast<int32_t>(std::floor(semitones));
  int32_t nearest = below;
  double nearestDistance = -1.0;
  for (int32_t note = below - kSearchSemitones; note <= below + 1 + kSearchSemitones; ++note) {
    const int32_t aboveRoot = floorMod(note + kAAboveC - key, kPitchClassCount);
    if ((intervals & (uint32_t{1} << aboveRoot)) == 0) continue;
    const double distance = std::fabs(semitones - static_cast<double>(note));
    if (nearestDistance < 0.0 || distance < nearestDistance) {
      nearest = note;
      nearestDistance = distance;
    }
  }
  return nearest;
}

bool isScaleNote(int32_t note, Scale scale, int32_t key)
{
  if (key < 0 || key >= kPitchClassCount) return false;
  const int32_t aboveRoot = floorMod(note + kAAboveC - key, kPitchClassCount);
  return (scaleIntervals(scale) & (uint32_t{1} << aboveRoot)) != 0;
}

double noteHertz(int32_t note)
{
  const int32_t octave = (note - floorMod(note, kPitchClassCount)) / kPitchClassCount;
  return std::ldexp(kConcertA * kEqualTemperedRatio[static_cast<std::size_t>(floorMod(note, kPitchClassCount))],
                    octave);
}

double semitonesAboveA4(double hertz) { return kSemitonesPerOctave * portableLog2(hertz / kConcertA); }

float snapToScale(float hertz, Scale scale, int32_t key)
{
  const uint32_t intervals = scaleIntervals(scale);
  if (intervals == 0 || key < 0 || key >= kPitchClassCount || !std::isfinite(hertz) || !(hertz > 0.0f)) return hertz;
  const auto result =
      static_cast<float>(noteHertz(nearestScaleNote(semitonesAboveA4(static_cast<double>(hertz)), scale, key)));
  return std::isfinite(result) ? result : hertz;
}
