// Prints, for the classic and the precise detector, how well the oscillator's
// output follows the true pitch of each test signal: frames within 50 cents,
// median error, octave or other harmonic errors, vibrato spread (in / out) and
// the level's range on constant-amplitude input; then each detector's note
// reaction at three block sizes.
//
// Usage: dsp_pitch_figures [seconds]   (default 3 s of each signal)
//        dsp_pitch_figures --digest       (a digest of the precise detector's output)
//
// The digest mode feeds an input made with integer and + - * / arithmetic only
// (a stepped sawtooth with harmonics from a wave table built the same way, and
// noise from a linear congruential generator), so it is the same on every
// platform, and prints an FNV-1a hash of every output sample's bits at each FFT
// length: run on Linux and on Windows, the lines must agree.

#include "dsp/TrackingOscillator.h"
#include "tests/support/pitch_tracks.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The time from a step between two notes to the first cycle from which every
// cycle lies within 50 cents of the new note, for sine and saw steps, at
// blocks of 64, 256 and 1024; cycles timed by the output's rising zero
// crossings (a sine table), placed between samples.
void printReactions()
{
  constexpr double kRate = 44100.0;
  constexpr double kStepAt = 0.75;
  std::vector<float> table(44100);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / kRate));
  struct Step {
    double fromHz;
    double toHz;
    bool saw;
  };
  const Step steps[] = {{220, 330, false}, {330, 220, false}, {110, 165, true}, {440, 523.25, true}, {196, 392, true}};
  std::printf("\nnote reaction, ms (220->330 and 330->220 Hz sines, 110->165, 440->523 and 196->392 Hz saws)\n");
  for (const bool precise : {false, true}) {
    for (const int32_t block : {64, 256, 1024}) {
      std::printf("%-8s block %4d:", precise ? "precise" : "classic", block);
      double sum = 0.0;
      int settledSteps = 0;
      for (const Step& step : steps) {
        std::vector<float> input(static_cast<std::size_t>(kRate * 1.5));
        double phase = 0.0;
        for (std::size_t i = 0; i < input.size(); ++i) {
          const double hz = static_cast<double>(i) < kRate * kStepAt ? step.fromHz : step.toHz;
          phase += hz / kRate;
          phase -= std::floor(phase);
          double value = 0.0;
          if (step.saw) {
            for (int h = 1; h * hz < 18000.0; ++h) value += std::sin(2.0 * std::numbers::pi * h * phase) / h;
            value *= 0.3;
          } else {
            value = 0.5 * std::sin(2.0 * std::numbers::pi * phase);
          }
          input[i] = static_cast<float>(value);
        }
        TrackingOscillator oscillator;
        oscillator.setPrecise(precise);
        const std::size_t rendered = input.size() / static_cast<std::size_t>(block) * static_cast<std::size_t>(block);
        std::vector<float> out(rendered);
        for (std::size_t at = 0; at < rendered; at += static_cast<std::size_t>(block))
          oscillator.process(input.data() + at, out.data() + at, block, static_cast<float>(kRate), table.data(),
                             static_cast<int32_t>(table.size()));
        std::vector<double> crossings;
        for (std::size_t i = 1; i < rendered; ++i)
          if (out[i - 1] < 0.0f && out[i] >= 0.0f)
            crossings.push_back(static_cast<double>(i) - out[i] / (static_cast<double>(out[i]) - out[i - 1]));
        double settled = -1.0;
        for (std::size_t c = 1; c < crossings.size(); ++c) {
          if (crossings[c] < kRate * kStepAt) continue;
          const double hz = kRate / (crossings[c] - crossings[c - 1]);
          if (std::fabs(1200.0 * std::log2(hz / step.toHz)) > 50.0)
            settled = -1.0;
          else if (settled < 0.0)
            settled = crossings[c - 1];
        }
        if (settled < 0.0) {
          std::printf("  never");  // not within 50 cents by the end
          continue;
        }
        const double milliseconds = 1000.0 * (settled / kRate - kStepAt);
        sum += milliseconds;
        ++settledSteps;
        std::printf(" %6.1f", milliseconds);
      }
      std::printf("   mean of those settled %6.1f\n", settledSteps > 0 ? sum / settledSteps : 0.0);
    }
  }
}

int printDigests()
{
  constexpr float kRate = 44100.0f;
  constexpr int32_t kBlock = 512;
  constexpr int32_t kBlocks = 400;
  // One cycle of a triangle-like table by + - * / only.
  std::vector<float> table(2048);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const double x = static_cast<double>(i) / 2048.0;
    table[i] = static_cast<float>(x < 0.5 ? 4.0 * x - 1.0 : 3.0 - 4.0 * x);
  }
  std::vector<float> input(static_cast<std::size_t>(kBlock) * kBlocks);
  uint32_t lcg = 12345u;
  double phase = 0.0;
  for (std::size_t n = 0; n < input.size(); ++n) {
    // Pitch stepping over 70 .. 700 Hz every 0.2 s, a sawtooth plus its
    // octave and fifth, and noise 20 dB down.
    const std::size_t note = n / 8820;
    const double hz = 70.0 + 37.0 * static_cast<double>((note * 7) % 19);
    phase += hz / 44100.0;
    phase -= static_cast<double>(static_cast<int64_t>(phase));
    const double saw = 2.0 * phase - 1.0;
    double octave = 2.0 * phase;
    octave -= static_cast<double>(static_cast<int64_t>(octave));
    double fifth = 3.0 * phase;
    fifth -= static_cast<double>(static_cast<int64_t>(fifth));
    lcg = lcg * 1664525u + 1013904223u;
    const double noise = static_cast<double>(lcg >> 8) / 16777216.0 - 0.5;
    input[n] = static_cast<float>(0.4 * saw + 0.2 * (2.0 * octave - 1.0) + 0.1 * (2.0 * fifth - 1.0) + 0.05 * noise);
  }
  std::vector<float> output(static_cast<std::size_t>(kBlock));
  for (const int32_t fftLength : {512, 1024, 2048, 4096, 8192}) {
    for (const int32_t quick : {0, 1}) {
      TrackingOscillator oscillator;
      oscillator.setPrecise(true);
      uint64_t hash = 1469598103934665603ull;
      for (int32_t b = 0; b < kBlocks; ++b) {
        oscillator.setStabilize(quick != 0);
        oscillator.setAnalysisLength(fftLength);
        oscillator.process(input.data() + static_cast<std::ptrdiff_t>(b) * kBlock, output.data(), kBlock, kRate,
                           table.data(), static_cast<int32_t>(table.size()));
        for (const float sample : output) {
          uint32_t bits = 0;
          std::memcpy(&bits, &sample, sizeof bits);
          for (int byte = 0; byte < 4; ++byte) {
            hash ^= (bits >> (8 * byte)) & 0xffu;
            hash *= 1099511628211ull;
          }
        }
      }
      std::printf("precise N=%d quick=%d digest=%016llx\n", fftLength, quick, static_cast<unsigned long long>(hash));
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc > 1 && std::strcmp(argv[1], "--digest") == 0) return printDigests();
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  struct Row {
    pitch::Track track;
    int32_t fftLength;
  };
  const pitch::Track melody = pitch::sawtoothMelody(seconds);
  const std::vector<Row> rows = {
      {pitch::sineSweep(100.0, 1000.0, seconds), 2048},
      {melody, 2048},
      {pitch::bassLine(seconds), 4096},
      {pitch::bassLine(seconds), 2048},
      {pitch::bassLine(seconds), 8192},
      {pitch::maleVoice(seconds), 2048},
      {pitch::femaleVoice(seconds), 2048},
      {pitch::withNoise(melody, -20.0, 7), 8192},
      {pitch::withNoise(melody, -20.0, 7), 2048},
  };
  std::printf("%-26s %5s %-8s %6s %8s %8s %7s %7s %8s %6s\n", "signal", "N", "detector", "<=50c", "median", "harm.",
              "spr.in", "spr.out", "level dB", "frames");
  for (const Row& row : rows) {
    for (const bool precise : {false, true}) {
      pitch::Settings settings;
      settings.fftLength = row.fftLength;
      settings.precise = precise;
      const pitch::Figures f = pitch::evaluate(row.track, settings);
      std::printf("%-26s %5d %-8s %5.1f%% %8.1f %7.1f%% %7.1f %7.1f ", row.track.name.c_str(), row.fftLength,
                  precise ? "precise" : "classic", 100.0 * f.withinFiftyCents, f.medianCents, 100.0 * f.harmonicErrors,
                  f.spreadInCents, f.spreadOutCents);
      if (row.track.steadyLevel)
        std::printf("%8.2f", f.levelRangeDb);
      else
        std::printf("%8s", "-");
      std::printf(" %6d\n", f.frames);
    }
  }
  printReactions();
  return 0;
}
