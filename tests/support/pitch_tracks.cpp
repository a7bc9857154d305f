#include "tests/support/pitch_tracks.h"

#include "dsp/TrackingOscillator.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>

namespace pitch {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double midiHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

std::size_t samplesOf(double seconds) { return static_cast<std::size_t>(seconds * kRate); }

// Harmonic weight of partial m (1-based) at frequency hz, at time index n.
using Weights = std::function<double(int m, double hz, std::size_t n)>;

// Sum of sine partials m = 1 .. `partials` of a fundamental that follows
// track.pitchHz, with weights refreshed every 32 samples. Partials above 0.4 of
// the rate fade out, none passes 0.45.
void synthesise(Track& track, int partials, const Weights& weights, double gain)
{
  const std::size_t count = track.pitchHz.size();
  track.samples.assign(count, 0.0f);
  std::vector<double> w(static_cast<std::size_t>(partials) + 1, 0.0);
  double phase = 0.0;
  for (std::size_t n = 0; n < count; ++n) {
    const double f0 = track.pitchHz[n];
    if (n % 32 == 0) {
      for (int m = 1; m <= partials; ++m) {
        const double hz = m * f0;
        const double fade = std::clamp((0.45 * kRate - hz) / (0.05 * kRate), 0.0, 1.0);
        w[static_cast<std::size_t>(m)] = fade * weights(m, hz, n);
      }
    }
    // sin(m phase) by the Chebyshev recurrence.
    const double s1 = std::sin(phase);
    const double twoCos = 2.0 * std::cos(phase);
    double previous = 0.0;
    double current = s1;
    double sum = 0.0;
    for (int m = 1; m <= partials; ++m) {
      sum += w[static_cast<std::size_t>(m)] * current;
      const double next = twoCos * current - previous;
      previous = current;
      current = next;
    }
    track.samples[n] = static_cast<float>(gain * sum);
    phase += kTwoPi * f0 / kRate;
    if (phase > kTwoPi) phase -= kTwoPi;
  }
}

// Gain of a two-pole resonance at `formantHz` with `bandwidthHz`, 1 at 0 Hz.
double resonance(double hz, double formantHz, double bandwidthHz)
{
  const double x = hz / formantHz;
  const double damping = hz * bandwidthHz / (formantHz * formantHz);
  return 1.0 / std::sqrt((1.0 - x * x) * (1.0 - x * x) + damping * damping);
}

struct Vowel {
  double f1, f2, f3;
};

// Formant envelope of a vowel sequence, each vowel `vowelSeconds` long, gliding
// into the next over 60 ms; the source falls at 6 dB per octave.
Weights vowelWeights(const std::vector<Vowel>& vowels, double vowelSeconds)
{
  return [vowels, vowelSeconds](int m, double hz, std::size_t n) {
    const double t = static_cast<double>(n) / kRate;
    const auto index = static_cast<std::size_t>(t / vowelSeconds);
    const Vowel& now = vowels[index % vowels.size()];
    const Vowel& before = vowels[(index + vowels.size() - 1) % vowels.size()];
    const double into = std::min(1.0, (t - static_cast<double>(index) * vowelSeconds) / 0.06);
    const auto mix = [into](double a, double b) { return a + (b - a) * into; };
    const double f1 = index == 0 ? now.f1 : mix(before.f1, now.f1);
    const double f2 = index == 0 ? now.f2 : mix(before.f2, now.f2);
    const double f3 = index == 0 ? now.f3 : mix(before.f3, now.f3);
    return resonance(hz, f1, 80.0) * resonance(hz, f2, 100.0) * resonance(hz, f3, 150.0) / m;
  };
}

Track voice(const std::string& name, double seconds, const std::function<double(double)>& contour,
            const std::function<double(double)>& vibratoCents, const std::vector<Vowel>& vowels, int partials)
{
  Track track;
  track.name = name;
  const std::size_t count = samplesOf(seconds);
  track.pitchHz.resize(count);
  track.centreHz.resize(count);
  track.note.assign(count, 0);
  for (std::size_t n = 0; n < count; ++n) {
    const double t = static_cast<double>(n) / kRate;
    track.centreHz[n] = contour(t);
    track.pitchHz[n] = contour(t) * std::pow(2.0, vibratoCents(t) / 1200.0);
  }
  synthesise(track, partials, vowelWeights(vowels, 0.5), 0.05);
  return track;
}

}  // namespace

Track sineSweep(double fromHz, double toHz, double seconds)
{
  Track track;
  track.name = "sine sweep";
  track.steadyLevel = true;
  const std::size_t count = samplesOf(seconds);
  track.pitchHz.resize(count);
  track.note.assign(count, 0);
  for (std::size_t n = 0; n < count; ++n)
    track.pitchHz[n] = fromHz * std::pow(toHz / fromHz, static_cast<double>(n) / static_cast<double>(count));
  track.centreHz = track.pitchHz;
  synthesise(
      track, 1, [](int, double, std::size_t) { return 1.0; }, 0.5);
  return track;
}

Track sawtoothMelody(double seconds)
{
  static const int notes[] = {57, 60, 64, 67, 69, 72, 76, 71, 67, 65, 62, 59};
  Track track;
  track.name = "sawtooth melody";
  const std::size_t count = samplesOf(seconds);
  track.pitchHz.resize(count);
  track.centreHz.resize(count);
  track.note.resize(count);
  for (std::size_t n = 0; n < count; ++n) {
    const double t = static_cast<double>(n) / kRate;
    const auto index = static_cast<std::size_t>(t / 0.35);
    track.note[n] = static_cast<int>(index);
    track.centreHz[n] = midiHz(notes[index % std::size(notes)]);
    track.pitchHz[n] = track.centreHz[n] * std::pow(2.0, 25.0 * std::sin(kTwoPi * 5.5 * t) / 1200.0);
  }
  synthesise(
      track, 40, [](int m, double, std::size_t) { return 1.0 / m; }, 0.3);
  return track;
}

Track bassLine(double seconds)
{
  static const int notes[] = {28, 33, 38, 43, 45, 40, 36, 31};
  Track track;
  track.name = "bass line";
  const std::size_t count = samplesOf(seconds);
  track.pitchHz.resize(count);
  track.note.resize(count);
  for (std::size_t n = 0; n < count; ++n) {
    const auto index = static_cast<std::size_t>(static_cast<double>(n) / kRate / 0.4);
    track.note[n] = static_cast<int>(index);
    track.pitchHz[n] = midiHz(notes[index % std::size(notes)]);
  }
  track.centreHz = track.pitchHz;
  synthesise(
      track, 30, [](int m, double, std::size_t) { return 1.0 / std::pow(m, 1.5); }, 0.4);
  return track;
}

Track maleVoice(double seconds)
{
  const std::vector<Vowel> vowels = {
      {730, 1090, 2440}, {270, 2290, 3010}, {300, 870, 2240}, {530, 1840, 2480}, {570, 840, 2410}};
  return voice(
      "male voice", seconds, [](double t) { return 105.0 + 25.0 * std::sin(kTwoPi * 0.35 * t); },
      [](double) { return 0.0; }, vowels, 60);
}

Track femaleVoice(double seconds)
{
  const std::vector<Vowel> vowels = {
      {850, 1220, 2810}, {310, 2790, 3310}, {370, 950, 2670}, {610, 2330, 2990}, {590, 920, 2710}};
  return voice(
      "female voice", seconds, [](double t) { return 210.0 + 40.0 * std::sin(kTwoPi * 0.3 * t + 1.0); },
      [](double t) { return 30.0 * std::sin(kTwoPi * 5.0 * t); }, vowels, 40);
}

Track withNoise(const Track& clean, double snrDb, unsigned seed)
{
  Track track = clean;
  track.name = clean.name + " in noise";
  track.steadyLevel = false;
  double power = 0.0;
  for (float x : clean.samples) power += static_cast<double>(x) * x;
  const double signalRms = std::sqrt(power / static_cast<double>(std::max<std::size_t>(1, clean.samples.size())));
  // Uniform noise on [-a, a] has an RMS of a / sqrt(3).
  const double a = signalRms * std::pow(10.0, -snrDb / 20.0) * std::sqrt(3.0);
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> uniform(-a, a);
  for (float& x : track.samples) x = static_cast<float>(x + uniform(generator));
  return track;
}

Figures evaluate(const Track& track, const Settings& settings)
{
  const auto rate = static_cast<float>(kRate);
  std::vector<float> table(static_cast<std::size_t>(kRate));
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<float>(std::sin(kTwoPi * static_cast<double>(i) / kRate));

  TrackingOscillator oscillator;
  oscillator.setPrecise(settings.precise);
  oscillator.setStabilize(settings.stabilize);
  oscillator.setAnalysisLength(settings.fftLength);
  const std::size_t block = static_cast<std::size_t>(settings.blockSize);
  const std::size_t length = static_cast<std::size_t>(settings.fftLength);
  const std::size_t blocks = track.samples.size() / block;
  std::vector<float> out(blocks * block, 0.0f);
  std::vector<std::size_t> freshStart(blocks);
  for (std::size_t b = 0; b < blocks; ++b) {
    freshStart[b] = b * block + static_cast<std::size_t>(oscillator.pendingCount());
    oscillator.process(track.samples.data() + b * block, out.data() + b * block, settings.blockSize, rate, table.data(),
                       static_cast<int32_t>(table.size()));
  }

  std::vector<std::size_t> starts;
  for (std::size_t n = 1; n < out.size(); ++n)
    if (out[n - 1] < 0.0f && out[n] >= 0.0f) starts.push_back(n);

  std::vector<double> errors;
  double spreadIn = 0.0;
  double spreadOut = 0.0;
  int spreadFrames = 0;
  int harmonic = 0;
  double loudest = 0.0;
  double quietest = 1e30;
  // The continuous engine (Precise on) decides each cycle by the analysis
  // of the latest hop point at or before its start, over the N samples before
  // that point; the classic one decides a block's cycles by the frame ending
  // with the block.
  const auto hop = static_cast<std::size_t>(TrackingOscillator::analysisHop(rate, settings.fftLength));
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t end = (b + 1) * block;
    // The cycles that start in this block's new samples, each up to the next start.
    const auto first = std::lower_bound(starts.begin(), starts.end(), freshStart[b]);
    auto last = first;
    while (last != starts.end() && *last < end) ++last;
    if (first == last || last == starts.end()) continue;
    // The frames that decided them: from the first one's start to the last one's end.
    std::size_t decidedFrom = end;
    std::size_t decidedTo = end;
    if (settings.precise) {
      decidedFrom = *first / hop * hop;
      decidedTo = *(last - 1) / hop * hop;
    }
    if (decidedFrom < length) continue;
    const std::size_t frameStart = decidedFrom - length;
    const std::size_t centre = (decidedFrom + decidedTo) / 2 - length / 2;
    const double truth = track.pitchHz[centre];
    if (truth <= 0.0 || track.pitchHz[frameStart] <= 0.0 || track.pitchHz[decidedTo - 1] <= 0.0 ||
        track.note[frameStart] != track.note[decidedTo - 1])
      continue;
    const auto cycles = static_cast<double>(last - first);
    const double heard = kRate * cycles / static_cast<double>(*last - *first);
    const double cents = 1200.0 * std::log2(heard / truth);
    errors.push_back(cents);
    const double ratio = heard / truth;
    const double multiple = ratio >= 1.0 ? std::round(ratio) : 1.0 / std::round(1.0 / ratio);
    if (multiple != 1.0 && std::fabs(1200.0 * std::log2(ratio / multiple)) <= 50.0) ++harmonic;
    if (std::fabs(cents) <= 50.0) {
      const double inCents = 1200.0 * std::log2(truth / track.centreHz[centre]);
      const double outCents = 1200.0 * std::log2(heard / track.centreHz[centre]);
      spreadIn += inCents * inCents;
      spreadOut += outCents * outCents;
      ++spreadFrames;
    }
    // Level: cycles that start after the level ramp (the first half of the
    // new samples) play entirely at the new level.
    const std::size_t rampEnd = freshStart[b] + (end - freshStart[b]) / 2 + 1;
    for (auto c = std::lower_bound(first, last, rampEnd); c != last; ++c) {
      double cyclePeak = 0.0;
      for (std::size_t n = *c; n < *(c + 1); ++n)
        cyclePeak = std::max(cyclePeak, std::fabs(static_cast<double>(out[n])));
      loudest = std::max(loudest, cyclePeak);
      quietest = std::min(quietest, cyclePeak);
    }
  }

  Figures figures;
  figures.frames = static_cast<int>(errors.size());
  if (errors.empty()) return figures;
  std::vector<double> absolute;
  for (double e : errors) absolute.push_back(std::fabs(e));
  std::sort(absolute.begin(), absolute.end());
  const auto within = std::count_if(absolute.begin(), absolute.end(), [](double e) { return e <= 50.0; });
  figures.withinFiftyCents = static_cast<double>(within) / static_cast<double>(absolute.size());
  figures.medianCents = absolute[absolute.size() / 2];
  figures.harmonicErrors = static_cast<double>(harmonic) / static_cast<double>(absolute.size());
  if (spreadFrames > 0) {
    figures.spreadInCents = std::sqrt(spreadIn / spreadFrames);
    figures.spreadOutCents = std::sqrt(spreadOut / spreadFrames);
  }
  if (loudest > 0.0 && quietest > 0.0 && quietest < 1e30) figures.levelRangeDb = 20.0 * std::log10(loudest / quietest);
  return figures;
}

}  // namespace pitch
