#pragma once

#include <cstdint>

// The Mox stage's glide: the pitch of successive cycles moves from where it
// is to a new note along a straight line in log-frequency (equal steps in
// cents per second), arriving a set time after it set off whatever the
// interval, as a synthesiser's constant-time portamento does. A player sets
// how long a change of note takes, not a speed that would make wide leaps
// slow and small steps abrupt.
//
// What counts as a new note: an aim more than half a semitone from the note
// the glide is heading for. The glide then sets off afresh from the pitch it
// has reached. A nearer aim (vibrato, intonation, a detector's jitter) only
// moves the end of the glide under way and keeps its arrival time, so a note
// sung with vibrato still arrives on time, and once arrived the pitch follows
// such small moves directly: the glide joins notes, it does not flatten a
// singer's vibrato.
//
// The clock is the oscillator's own: it moves on by each cycle's length as
// the cycle starts, so the pitch changes only where a cycle begins.
//
// Threads: audio thread only (owned by the oscillator).
class PitchGlide {
public:
  // Half a semitone, in octaves.
  static constexpr double kNewNoteOctaves = 0.5 / 12.0;

  // A new aim in Hz, and the glide time in samples: 0 or less (or no pitch
  // to set off from yet, or an aim that is not a finite positive frequency)
  // jumps there at once.
  void aimAt(float hertz, double glideSamples);

  // The latest aim, Hz (0 before the first).
  float aim() const { return aimHertz_; }
  bool hasAim() const { return hasAim_; }
  // True while the cycles starting from now on still move toward the aim.
  bool moving() const { return moving_; }

  // The pitch of a cycle starting now, Hz: the aim itself once arrived.
  float pitchNow() const;
  // Moves the clock on by `samples` (the length of the cycle just started).
  void advance(double samples);

private:
  // Where the pitch lies now, in octaves (log2 Hz), while moving.
  double positionNow() const;

  float aimHertz_ = 0.0f;
  bool hasAim_ = false;
  bool moving_ = false;
  // log2 of the aim when set while gliding is on; a jump with gliding off
  // leaves it stale, and it is worked out again when a glide next needs it.
  bool aimOctavesKnown_ = false;
  double aimOctaves_ = 0.0;
  double fromOctaves_ = 0.0;
  double elapsedSamples_ = 0.0;
  double lengthSamples_ = 0.0;
};
