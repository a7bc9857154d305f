#pragma once

// What a pitch-following tone played, read from its samples: the cycles the
// Mox stage starts (one rising zero crossing each, played with a sine table
// from index 0), grouped by the block that started them. Shared by the tests
// of the live controls on the stage and through the whole effect; written
// apart from the code under test, in double precision.

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

namespace played {

constexpr double kRate = 44100.0;

double cents(double hertz, double reference);
double decibels(double amplitude);
double amplitudeOf(double decibels);
// Equal temperament, A4 = 440 Hz, worked out with the C library.
double semitonesFromA4(double hertz);
double noteHz(int semitonesFromA);

// A sine whose frequency and amplitude follow the given functions of time (s).
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): pitch, then level, as a note is described
std::vector<float> tone(double seconds, const std::function<double(double)>& hertz,
                        const std::function<double(double)>& amplitude);

// A run of the stage (or of an effect whose chain ends in it), block by block.
struct Played {
  std::vector<float> out;
  std::vector<std::size_t> freshStart;  // where each block's own cycles begin
  std::vector<float> toneHz;            // the stage's tone frequency after each block
  std::vector<bool> gateOpen;           // after each block
  std::vector<std::size_t> crossings;   // cycle starts
};

// The pitch of the cycles block `b` started (its fresh samples up to where the
// next block's own cycles begin), averaged over them; 0 when there are none.
double blockHz(const Played& played, std::size_t b);

// The first time (s) from which every cycle lies within 50 cents of `reference`.
double settledAt(const Played& played, double reference);

// The mean pitch of the cycles over the last `seconds` of the output.
double finalHz(const Played& played, double seconds);

}  // namespace played
