#pragma once

// Pitched test signals with their true pitch, and the measurement of how well
// the tracking oscillator's output follows it. Written independently of the
// detector: the output's pitch is read from the output signal itself.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pitch {

constexpr double kRate = 44100.0;

// A signal and what a listener would call its pitch at every sample.
struct Track {
  std::string name;
  std::vector<float> samples;
  std::vector<double> pitchHz;   // true fundamental; 0 where unvoiced
  std::vector<double> centreHz;  // the note's pitch without its vibrato
  std::vector<int> note;         // which note the sample belongs to
  bool steadyLevel = false;      // constant amplitude: its output level should be steady too
};

// Sine, 0.5 amplitude, exponential sweep from `fromHz` to `toHz`.
Track sineSweep(double fromHz, double toHz, double seconds);
// Band-limited sawtooth melody (notes of 0.35 s from A3 to E5) with a 5.5 Hz
// vibrato of +-25 cents.
Track sawtoothMelody(double seconds);
// Sawtooth-like bass line from E1 (41.2 Hz) to A2 (110 Hz), harmonics falling
// at 9 dB per octave, notes of 0.4 s.
Track bassLine(double seconds);
// A pulse train through three vowel formants (a, i, u, e, o in turn), its
// fundamental gliding over 80 .. 130 Hz (male) or 170 .. 250 Hz (female, sung,
// with vibrato).
Track maleVoice(double seconds);
Track femaleVoice(double seconds);
// `clean` plus reproducible white noise, `snrDb` the signal's RMS over the
// noise's in dB (negative: the noise is louder).
Track withNoise(const Track& clean, double snrDb, unsigned seed);

struct Settings {
  int32_t fftLength = 2048;
  int32_t blockSize = 512;
  bool precise = false;
  bool stabilize = false;
};

// Figures over the voiced frames: blocks whose analysis frame lies inside one
// note, after the first full frame. The true pitch of a block is the one at
// the centre of its analysis frame (the latest N samples, a fixed latency of
// every frame-based detector); the output's pitch is that of the cycles that
// start in the block, timed by the rising zero crossings of the output played
// with a sine table (each cycle starts at table index 0).
struct Figures {
  int frames = 0;
  double withinFiftyCents = 0.0;  // fraction of frames
  double medianCents = 0.0;       // of |error|
  double harmonicErrors = 0.0;    // fraction within 50 cents of an integer ratio or its inverse, other than 1
  double spreadInCents = 0.0;     // RMS of the true pitch about the note's centre
  double spreadOutCents = 0.0;    // the same for the output (frames within 50 cents)
  double levelRangeDb = 0.0;      // max / min of the output's level over the frames
};

Figures evaluate(const Track& track, const Settings& settings);

}  // namespace pitch
