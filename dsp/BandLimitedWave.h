#pragma once

#include <array>
#include <cstdint>
#include <memory>

// One wave shape kept in several versions, each with its harmonics cut above
// a limit (every half octave from 1 to 512 harmonics), so that an oscillator
// can play at any pitch the version whose highest harmonic still lies below
// half the sample rate: what lies above folds back as tones off the
// harmonic series, heard as a hiss or a whistle on high notes.
//
// The versions depend on the shape alone, not on the sample rate (a limit is
// a number of harmonics), so they are built once when the shape is loaded and
// shared by the tables of every rate.
//
// Each version is one cycle of kLength entries plus one guard entry equal to
// the first, so a reader interpolating between entry i and i + 1 never wraps.
// kLength is at least four times the most harmonics kept, so a linear read
// stays clean (its images lie some 75 dB below the tone even at the top).
//
// Threads: build() on a thread that may allocate (the shape loader's); the
// finished object is read only, from any thread.
class BandLimitedWave {
public:
  static constexpr int32_t kLength = 2048;
  static constexpr int32_t kLevelCount = 18;
  // The most harmonics of each version, rising by about half an octave.
  static constexpr std::array<int32_t, kLevelCount> kHarmonics{1,  2,  3,  4,  6,   8,   11,  16,  23,
                                                               32, 45, 64, 91, 128, 181, 256, 362, 512};
  static_assert(kHarmonics[kLevelCount - 1] * 4 <= kLength);

  // The versions of the cycle `cycle` (`length` entries, entry i at phase
  // i / length). Null for an empty cycle. May throw std::bad_alloc.
  static std::unique_ptr<BandLimitedWave> build(const float* cycle, int32_t length);

  // The version to play a tone of `cyclesPerSample` (its frequency over the
  // sample rate) with: the most harmonics whose highest lies below half the
  // sample rate; null when not even the fundamental does.
  const float* versionFor(double cyclesPerSample) const;
  // Version `level` (0 .. kLevelCount - 1), kLength + 1 entries.
  const float* version(int32_t level) const { return data_.get() + static_cast<std::ptrdiff_t>(level) * kStride; }

private:
  static constexpr int32_t kStride = kLength + 1;
  BandLimitedWave() = default;
  std::unique_ptr<float[]> data_;
};
