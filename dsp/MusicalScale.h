#pragma once

#include <cstdint>

// The scales the Mox stage can hold its tone to, and the snapping itself:
// equal temperament with A4 = 440 Hz, a key (the scale's root) from C to B.
//
// Threads: pure functions, any thread.

enum class Scale : int32_t {
  off = 0,  // the tone is not snapped
  chromatic,
  major,
  minor,  // natural minor
  majorPentatonic,
  minorPentatonic,
  blues,
};
inline constexpr int32_t kScaleCount = 7;
inline constexpr int32_t kPitchClassCount = 12;  // keys: 0 = C, 1 = C#, .. 11 = B

// The pitch classes of `scale` above its root, bit k for k semitones (bit 0,
// the root itself, is always set); 0 for Scale::off and for values outside the enum.
uint32_t scaleIntervals(Scale scale);

// The nearest note of `scale` in `key` to `hertz`, nearness measured in cents;
// a frequency exactly half-way between two notes goes to the lower one.
// Returns `hertz` itself for Scale::off, keys outside 0..11, and frequencies
// that are not finite and positive.
float snapToScale(float hertz, Scale scale, int32_t key);

// The same search in semitones from A4: the nearest note of `scale` in `key`
// to `semitones` (a scale other than off, a key in 0..11), as semitones from A4.
int32_t nearestScaleNote(double semitones, Scale scale, int32_t key);
// Whether `note` (semitones from A4) belongs to `scale` in `key`.
bool isScaleNote(int32_t note, Scale scale, int32_t key);
// The equal-tempered frequency of `note` semitones from A4, Hz.
double noteHertz(int32_t note);
// Semitones of `hertz` (finite, positive) from A4, the same bits everywhere.
double semitonesAboveA4(double hertz);
