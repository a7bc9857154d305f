#pragma once

#include "dsp/MusicalScale.h"

#include <cstdint>

// Snapping to a scale that holds its note: a sung note wanders (vibrato,
// scoops, a detector's jitter) and, near the boundary half-way to the next
// note of the scale, plain nearest-note snapping would flip between the two
// several times a second while the singer means one. The held note gives way
// to a neighbour only when the pitch passes the boundary by kMarginSemitones,
// or stays past it by at least kDwellSemitones for kDwellSeconds; a real
// change of note passes the margin at once. (A pitch sitting on the boundary
// itself, a hair either side, keeps the note it has.)
//
// Threads: audio thread only (owned by the oscillator).
class ScaleHold {
public:
  static constexpr double kMarginSemitones = 0.25;
  // Longer than the half of a vibrato's period (about 90 ms at 5.5 Hz) that
  // a wide vibrato may spend past the boundary.
  static constexpr double kDwellSeconds = 0.12;
  static constexpr double kDwellSemitones = 0.05;

  // The note to play for `hertz`, heard `elapsedSeconds` after the previous
  // call: the held note or its successor, in Hz. Scale::off, a key outside
  // 0..11, or a frequency that is not finite and positive, give `hertz` back
  // and leave the hold as it is.
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
  float snap(float hertz, Scale scale, int32_t key, double elapsedSeconds);
  // Forgets the held note: the next call takes the nearest.
  void reset();

private:
  bool holding_ = false;
  int32_t heldNote_ = 0;  // semitones from A4
  Scale heldScale_ = Scale::off;
  int32_t heldKey_ = 0;
  double pastBoundarySeconds_ = 0.0;  // how long the pitch has stood past a boundary of the held note
};
