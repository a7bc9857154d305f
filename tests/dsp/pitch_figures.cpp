// Prints, for the classic and the precise detector, how well the oscillator's
// output follows the true pitch of each test signal: frames within 50 cents,
// median error, octave or other harmonic errors, vibrato spread (in / out) and
// the level's range on constant-amplitude input.
//
// Usage: dsp_pitch_figures [seconds]   (default 3 s of each signal)

#include "tests/support/pitch_tracks.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
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
    std::printf("%-26s %5s %-8s %6s %8s %8s %7s %7s %8s %6s\n", "signal", "N", "detector", "<=50c", "median",
                "harm.", "spr.in", "spr.out", "level dB", "frames");
    for (const Row& row : rows) {
        for (const bool precise : {false, true}) {
            pitch::Settings settings;
            settings.fftLength = row.fftLength;
            settings.precise = precise;
            const pitch::Figures f = pitch::evaluate(row.track, settings);
            std::printf("%-26s %5d %-8s %5.1f%% %8.1f %7.1f%% %7.1f %7.1f ", row.track.name.c_str(), row.fftLength,
                        precise ? "precise" : "classic", 100.0 * f.withinFiftyCents, f.medianCents,
                        100.0 * f.harmonicErrors, f.spreadInCents, f.spreadOutCents);
            if (row.track.steadyLevel)
                std::printf("%8.2f", f.levelRangeDb);
            else
                std::printf("%8s", "-");
            std::printf(" %6d\n", f.frames);
        }
    }
    return 0;
}
