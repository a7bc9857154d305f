#pragma once

#include <array>
#include <cstdint>
#include <memory>

// One wave shape kept in several versions, each with its harmonics cut above
// a limit (every half octave from 1 to 64 harmonics, then 128, 256 and 512),
// so that an oscillator can play at any pitch the version whose highest
// harmonic still lies below half the sample rate: what lies above folds back
// as tones off the harmonic series, heard as a hiss or a whistle on high
// notes. Above 64 harmonics (tones below 345 Hz at 44.1 kHz) the harmonics an
// octave step leaves out lie above 11 kHz.
//
// The versions depend on the shape alone, not on the sample rate (a limit is
// a number of harmonics), so they are built once when the shape is loaded and
// shared by the tables of every rate.
//
// Each version is one cycle of lengthOf(level) entries, with guard entries
// around it (the last entry before the first, the first two after the last),
// so a reader interpolating over entries i - 1 .. i + 2 never wraps. A version
// is 16 entries per harmonic kept (at least 128, at most 2048). Read between
// entries, a cycle of L entries casts images of harmonic h at L - h, L + h ..,
// which fold back off the harmonic series; for a saw-like spectrum (harmonic
// h at 1/h) a linear read leaves them about H^3 / (3 L^4) of the tone's power
// (H harmonics kept). Where that is above -69 dB the version is read with a
// four-point cubic instead (readsCubic), whose images lie far lower; the
// linear read, about half the work, serves the others. Eight shapes keep
// about 340 KB of versions.
//
// Threads: build() on a thread that may allocate (the shape loader's); the
// finished object is read only, from any thread.
class BandLimitedWave {
public:
  static constexpr int32_t kLevelCount = 15;
  // The most harmonics of each version.
  static constexpr std::array<int32_t, kLevelCount> kHarmonics{1, 2, 3, 4, 6, 8, 11, 16, 23, 32, 45, 64, 128, 256, 512};
  static constexpr int32_t kLongest = 2048;

  // Entries in version `level`'s cycle (the guard entry not counted).
  static constexpr int32_t lengthOf(int32_t level)
  {
    int32_t length = 128;
    while (length < 16 * kHarmonics[static_cast<std::size_t>(level)] && length < kLongest) length *= 2;
    return length;
  }

  // Whether version `level` needs the cubic read to keep a saw-like shape's
  // images below -69 dB (see above).
  static constexpr bool readsCubic(int32_t level)
  {
    const auto harmonics = static_cast<double>(kHarmonics[static_cast<std::size_t>(level)]);
    const auto length = static_cast<double>(lengthOf(level));
    constexpr double kMostImagePower = 1.2589254117941673e-07;  // -69 dB
    return harmonics * harmonics * harmonics > kMostImagePower * 3.0 * length * length * length * length;
  }

  struct Version {
    const float* table;  // entries -1 .. lengthOf(level) + 1 readable; null: nothing to play
    int32_t length;      // entries per cycle
    bool cubic;          // read with the four-point cubic (readsCubic)
  };

  // The versions of the cycle `cycle` (`length` entries, entry i at phase
  // i / length). Null for an empty cycle. May throw std::bad_alloc.
  static std::unique_ptr<BandLimitedWave> build(const float* cycle, int32_t length);

  // The version to play a tone of `cyclesPerSample` (its frequency over the
  // sample rate) with: the most harmonics whose highest lies below half the
  // sample rate; a null table when not even the fundamental does.
  Version versionFor(double cyclesPerSample) const;
  // Version `level` (0 .. kLevelCount - 1).
  Version version(int32_t level) const
  {
    return {data_.get() + offsets_[static_cast<std::size_t>(level)], lengthOf(level), readsCubic(level)};
  }

private:
  BandLimitedWave() = default;
  std::unique_ptr<float[]> data_;
  std::array<std::ptrdiff_t, kLevelCount> offsets_{};
};

static_assert(BandLimitedWave::kHarmonics[BandLimitedWave::kLevelCount - 1] * 4 <=
              BandLimitedWave::lengthOf(BandLimitedWave::kLevelCount - 1));
