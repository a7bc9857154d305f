#pragma once

#include "dsp/BandLimitedWave.h"
#include "dsp/Fft.h"
#include "dsp/MusicalScale.h"
#include "dsp/PitchGlide.h"
#include "dsp/PrecisePitchEstimator.h"
#include "dsp/ScaleHold.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>

// The "Mox" stage: replaces the input with a wave-table tone that follows the
// input's dominant pitch and level.
//
// Two engines play it.
//
// The classic engine (Precise, Scale and Glide all off) plays as the stage
// always has: every block (or every N samples of a long block) is analysed
// with an FFT of length N; the strongest bin at or above 20 Hz gives the
// frequency f (a bin centre) and the amplitude a of a sinusoid on that bin.
// The tone plays one cycle of the wave table per period of
// floor(sampleRate / F) samples, F = f * ratio, always from table index 0, so
// pitch and level only change where a cycle starts. The part of the last
// cycle that does not fit into a block is kept and played at the start of the
// next one. What it plays depends on how the host cuts its blocks, and its
// pitch can only be the sample rate over a whole number.
//
// The continuous engine (Precise, Scale or Glide on) plays the same tone the
// same way whatever the host's block size, in tune and clean:
//  - the input is analysed every kAnalysisHopSeconds (512 samples at 44.1
//    kHz), counted in samples from the start, over the latest N samples:
//    blocks shorter than the hop reuse the last estimate, longer ones are
//    analysed several times, and the cost per sample is the same at any block
//    size. With Precise on the frame is read through PrecisePitchEstimator (a
//    Hann-windowed spectrum, the peak refined between bins, the fundamental
//    chosen from harmonic evidence), otherwise by the strongest bin;
//  - the tone keeps a fractional phase from cycle to cycle: each cycle lasts
//    exactly its period, the table is read between entries (linearly, or
//    with a four-point cubic on the band-limited versions that need it), and a new pitch and level (the latest estimate
//    there) are taken where a cycle begins, between two samples. The level moves along a straight line across each
//    cycle to the new one;
//  - the table read is the shape's version with as many harmonics as fit
//    below half the sample rate at the cycle's pitch (BandLimitedWave),
//    chosen as the cycle begins;
//  - Scale holds a note against small wanderings (ScaleHold), and Stablize
//    folds a jump to the 2nd or 3rd harmonic back down only until it has
//    lasted kHarmonicJumpSeconds: a tone never stays on a subharmonic.
//
// Three controls for playing it live shape the tone after the estimate; each
// is off by default:
//  - Gate: below a threshold on the level of the analysed frame the tone's
//    level target becomes 0, and its pitch holds where it was, so the fade
//    and the next note's glide start from the last note rather than from
//    whatever silence or noise measures. The gate opens when the level
//    reaches the threshold and closes when it falls kGateHysteresisDb below
//    it, so a note fading slowly through the threshold, with the small
//    wobbles of a real note, is cut once.
//  - Scale and Key: the shifted frequency snaps to a note of the scale (equal
//    temperament, A4 = 440 Hz).
//  - Glide: the pitch moves to that note over the glide time, cycle by
//    cycle, on a log-frequency scale (see PitchGlide).
// The filter that follows the pitch reads toneFrequency(): the frequency of
// the last cycle started, after shift, scale and glide.
//
// Threads: process() and reset() and everything they change belong to the
// audio thread; the settings (ratio, precise, stabilize, quick detect,
// analysis length, gate, glide, scale, key) may be changed from any thread.
// process() allocates nothing, takes no lock and cannot throw: an engine for
// every analysis length it accepts is built by the constructor, so a new
// length only switches between them.
class TrackingOscillator {
public:
  static constexpr int32_t kDefaultFftLength = 2048;
  static constexpr int32_t kMaxFftLength = 8192;
  // One cycle at the 30 Hz floor at 384 kHz, the highest rate we serve exactly.
  // Above that rate the lowest target frequency rises so a cycle still fits.
  static constexpr int32_t kCarryCapacity = 12800;
  static constexpr float kLowestBinHz = 20.0f;
  static constexpr float kLowestFrequencyHz = 30.0f;
  // The gate threshold that means "no gate".
  static constexpr float kGateOff = -std::numeric_limits<float>::infinity();
  // The gate closes this far below its threshold: more than the level of a
  // held note wobbles (tremolo, a bow or breath), little enough that a note's
  // release is still cut where the player expects.
  static constexpr double kGateHysteresisDb = 4.0;
  // The longest glide time taken; longer ones are cut to it.
  static constexpr float kLongestGlideSeconds = 1.0f;
  // The continuous engine's analysis hop: 512 samples at 44.1 kHz, as many
  // as the rate gives at others (never more than the analysis length).
  static constexpr double kAnalysisHopSeconds = 512.0 / 44100.0;
  // How long a jump to the 2nd or 3rd harmonic must last before Stablize
  // (in the continuous engine) takes it as the new pitch.
  static constexpr double kHarmonicJumpSeconds = 0.06;
  // The continuous engine keeps the pitch it plays while new estimates stay
  // this close to it (the wander of a steady tone's estimate, far below hearing).
  static constexpr double kSteadyCents = 0.1;

  // Builds the buffers and one FFT engine per usable length (about 240 KiB
  // in all, most of it for the longest two). May throw std::bad_alloc.
  TrackingOscillator();
  ~TrackingOscillator();

  TrackingOscillator(const TrackingOscillator&) = delete;
  TrackingOscillator& operator=(const TrackingOscillator&) = delete;

  // Audio thread. Replaces `sampleCount` samples of `input` by the tracking tone
  // in `output`; the two may be the same array. The settings below are read
  // once, at the start of the block.
  //   waveTable / waveTableLength: one cycle of the wave shape at `sampleRate`
  //     entries (entry i is the phase i / sampleRate); not owned, read only here.
  //     Reads are kept below waveTableLength; a null or empty table gives silence.
  // Non-finite input samples are analysed as silence. A non-finite or non-positive
  // sample rate silences the block and leaves the state as it was.
  //   bandLimited: the same shape's band-limited versions, read by the
  //     continuous engine; null plays `waveTable` itself (between entries).
  void process(const float* input, float* output, int32_t sampleCount, float sampleRate, const float* waveTable,
               int32_t waveTableLength, const BandLimitedWave* bandLimited = nullptr);

  // Audio thread, between blocks. Forgets everything heard and played, so the
  // next block sounds as it would from a new oscillator with the same
  // settings: the analysis ring and its write position, the carried part of
  // the last cycle (carry buffer, pending count, read position), the level
  // (lastAmplitude), the estimate and the tone frequency, the gate (shut),
  // the glide (no pitch to set off from), and the continuous engine's state:
  // the sample count its hops are timed by, the phase, level and table of
  // the cycle under way, the held scale note, Stablize's harmonic-jump
  // timer, the steadied estimate, the gate's hop sums and the filter's tone
  // changes. The settings and the analysis length in force stay.
  void reset();

  // ---- settings: any thread, each taken at the start of the next block ----
  // Fold estimates near the 2nd or 3rd harmonic of the previous one back.
  void setStabilize(bool on) { stabilize_.store(on, std::memory_order_relaxed); }
  // Analyse each block alone, repeated to fill the frame, instead of the
  // latest N input samples (blocks shorter than N only); in the continuous
  // engine, the latest hop alone, repeated.
  void setQuickDetect(bool on) { quickDetect_.store(on, std::memory_order_relaxed); }
  // The analysis length N; a change switches to the engine built for it and
  // restarts the cycle. Lengths that are not a power of two from 1 to 8192
  // are ignored when the block starts. fftLength() is the length in force.
  void setAnalysisLength(int32_t length) { requestedLength_.store(length, std::memory_order_relaxed); }
  int32_t requestedAnalysisLength() const { return requestedLength_.load(std::memory_order_relaxed); }

  // Any thread. The multiplier for the detected frequency (the parameter layer
  // sends 0.1 .. 10); takes effect at the next analysis. Non-finite values are ignored.
  void setRatio(float ratio);
  // Any thread. Chooses the precise detector (true) or the classic strongest
  // bin (false, the default); takes effect at the next analysis.
  void setPrecise(bool precise) { precise_.store(precise, std::memory_order_relaxed); }
  bool precise() const { return precise_.load(std::memory_order_relaxed); }

  // Any thread; each takes effect at the next analysis.
  // Gate threshold in dB relative to a full-scale sine (the level of the
  // analysed frame's RMS, so a sine of amplitude A measures 20 log10 A);
  // kGateOff (or NaN) switches the gate off.
  void setGateThreshold(float decibels);
  // Glide time in seconds, up to kLongestGlideSeconds; 0 (the default),
  // negative or NaN values jump.
  void setGlideTime(float seconds);
  // Scale::off (the default) leaves the pitch unsnapped. A scale outside the
  // enumeration, or a key outside 0 (C) .. 11 (B), is ignored.
  void setScale(Scale scale);
  void setKey(int32_t key);

  // Read by the chain after process() returns (audio thread).
  float ratio() const { return ratio_.load(std::memory_order_relaxed); }
  // Latest estimate in Hz after the harmonic correction and the 30 Hz floor;
  // 0 until the first analysis.
  float detectedFrequency() const { return detectedFrequency_; }
  // The frequency of the last cycle started, Hz: the estimate times the ratio,
  // snapped to the scale and moved along the glide. The oscillator plays it
  // floored at 30 Hz; this is the pitch before that floor (with every
  // control off, exactly detectedFrequency() * ratio() rounded to float).
  // 0 until the first analysis.
  float toneFrequency() const { return toneFrequency_; }
  bool gateOpen() const { return gateOpen_; }
  // Samples at the start of the next block that still finish the last cycle
  // started in this block, at this block's frequency and level.
  // (Continuous engine: the samples the cycle under way still lasts.)
  int32_t pendingCount() const { return pendingCount_; }
  float lastAmplitude() const { return lastAmplitude_; }
  int32_t fftLength() const { return fftLength_; }
  int32_t writePosition() const { return writePosition_; }
  // Continuous engine: where the pitch-following filter takes a new
  // frequency in the block just played, in order: at every analysis (a
  // fixed hop counted in samples, so the same places at any block size),
  // the pitch the next cycle starts with. At most kMaxToneChanges per block;
  // a block holding more hops (over 32768 samples at 44.1 kHz) lists its first.
  struct ToneChange {
    int32_t offset;  // the first sample it applies to (the block's length: from the next block on)
    float hertz;
  };
  static constexpr int32_t kMaxToneChanges = 64;
  std::span<const ToneChange> toneChanges() const
  {
    return {toneChanges_.data(), static_cast<std::size_t>(toneChangeCount_)};
  }
  // Whether the last block was played by the continuous engine.
  bool continuousEngine() const { return continuousActive_; }
  // The continuous engine's hop at `sampleRate`, for an analysis length `length`.
  static int32_t analysisHop(float sampleRate, int32_t length);

private:
  struct Estimate {
    float frequency;  // f, Hz
    float amplitude;  // a
  };
  // The live controls as one block reads them.
  struct LiveSettings {
    float gateDecibels;
    float glideSeconds;
    Scale scale;
    int32_t key;
    // The continuous engine plays whenever one of these is on.
    bool needContinuous() const { return scale != Scale::off || glideSeconds > 0.0f; }
  };
  // One cycle as rendered: the table step and the cycle's length in samples.
  struct Cycle {
    float target;    // Hz, floored
    int32_t length;  // samples; 0 when the target lies above the sample rate
  };

  void setFftLength(int32_t length);
  void fillFrameQuick(const float* input, int32_t sampleCount);
  void writeToRing(const float* input, int32_t sampleCount);
  // `oldestSlot`: where the frame's oldest sample lies (the ring's write position,
  // or 0 when the frame is in time order).
  // `frame`: the transform's input (the ring, or Quick Detect's frame).
  Estimate analyse(float binSpacing, int32_t oldestSlot, const float* frame);
  // The correction and the 30 Hz floor; stores and returns the estimate.
  float correctEstimate(float frequency, bool stabilize);
  // The frequency the oscillator can play for `hertz`: at least 30 Hz, and
  // low enough in period that one cycle fits the carry.
  float playable(float hertz) const;
  // The cycle of the whole-sample period for `target` (all cycles alike).
  Cycle wholeCycle(float target) const;
  // Everything from an estimate to the rendered samples: the pitch after
  // the ratio and the live controls, the gate on the level, then render().
  // Returns the level rendered (0 while the gate is shut).
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
  float play(float* out, int32_t count, Estimate estimate, bool stabilize, const LiveSettings& live);
  // Whether the gate lets the frame just analysed through (true when off).
  // `continuous`: measure the latest hops (the continuous engine keeps their
  // sums as they arrive) rather than the whole frame again.
  bool passesGate(const LiveSettings& live, bool continuous);
  // The mean of the squared samples of the analysed frame.
  double frameMeanSquare() const;
  // The mean of the squared samples of the latest hops that cover the
  // analysis length (the frame itself when the hop divides it).
  double recentHopsMeanSquare() const;
  void render(float* out, int32_t count, float amplitude);
  void fillCarry(int32_t phase, Cycle cycle, float amplitude);

  // ---- the continuous engine ----
  struct ContinuousBlock {
    bool stabilize;
    bool quickDetect;
    const LiveSettings* live;
    const BandLimitedWave* bandLimited;
  };
  void processContinuous(const float* input, float* output, int32_t sampleCount, const ContinuousBlock& block);
  // Switching between the engines: each starts its own cycle afresh.
  void enterContinuous();
  void clearHopSquares();
  void leaveContinuous();
  // The analysis at a hop point, over the latest N samples.
  void analyseHop(const ContinuousBlock& block, int32_t hop);
  // An estimate within kSteadyCents of the one held gives the one held.
  float steadied(float frequency);
  // Stablize in the continuous engine: folds a harmonic jump back down until
  // it has lasted kHarmonicJumpSeconds. Stores and returns the estimate.
  float correctContinuous(float frequency, bool stabilize, int32_t hop);
  // `count` samples of the tone from the continuous phase.
  void renderContinuous(float* out, int32_t count, const BandLimitedWave* bandLimited);
  // Takes the latest pitch and level as a cycle begins.
  void startCycle(const BandLimitedWave* bandLimited);

  // Engine k transforms frames of 2^k samples, k = 0 .. log2(kMaxFftLength).
  static constexpr std::size_t kEngineCount = 14;
  static_assert((int32_t{1} << (kEngineCount - 1)) == kMaxFftLength);

  int32_t fftLength_ = kDefaultFftLength;
  int32_t writePosition_ = 0;
  std::array<std::unique_ptr<Fft>, kEngineCount> engines_;
  Fft* fft_ = nullptr;  // the engine for fftLength_, one of engines_
  std::unique_ptr<float[]> carryBuffer_;
  int32_t pendingCount_ = 0;
  int32_t carryReadPosition_ = 0;
  const float* waveTable_ = nullptr;
  int32_t waveTableLength_ = 0;
  float sampleRate_ = 0.0f;
  std::unique_ptr<float[]> spectrum_;
  std::unique_ptr<float[]> analysisBuffer_;
  float lastAmplitude_ = 0.0f;
  float detectedFrequency_ = 0.0f;
  float toneFrequency_ = 0.0f;
  bool gateOpen_ = false;
  PitchGlide glide_;

  // Continuous engine state (all cleared by reset()).
  bool continuousActive_ = false;
  int32_t hopCountdown_ = 0;           // input samples until the next analysis; 0: not yet timed
  bool hasEstimate_ = false;           // an analysis has run since the engine started
  float levelTarget_ = 0.0f;           // the level the latest analysis asks for (0 while the gate is shut)
  double cyclePhase_ = 0.0;            // position in the cycle under way, 0 .. 1 (cycles)
  double cycleIncrement_ = 0.0;        // cycles per sample of the cycle under way; 0 before the first
  double cycleLevel_ = 0.0;            // the level of the next sample
  double cycleLevelStep_ = 0.0;        // per sample, reaching the cycle's target level at its end
  const float* cycleTable_ = nullptr;  // the version read by the cycle under way; null: silent cycle
  double cycleTableSpan_ = 0.0;        // entries of that table per cycle
  int32_t cycleTableEntries_ = 0;      // entries it holds (the read wraps past them)
  bool cycleCubic_ = false;            // a band-limited version read with the cubic
  ScaleHold scaleHold_;
  int32_t harmonicJumpSamples_ = 0;      // how long the raw estimate has stood at a harmonic jump
  float steadyEstimate_ = 0.0f;          // the estimate held while new ones stay within kSteadyCents; 0: none
  std::unique_ptr<float[]> quickFrame_;  // Quick Detect's frame in the continuous engine
  // The gate's level, kept hop by hop: the sum of squares of the input since
  // the last analysis, and those of the hops before (a ring, newest at
  // hopSquaresNewest_), so the gate does not measure the whole frame again.
  static constexpr int32_t kHopSquaresCapacity = 1024;
  double hopSquareSum_ = 0.0;
  std::unique_ptr<double[]> hopSquares_;
  int32_t hopSquaresNewest_ = 0;
  std::array<ToneChange, kMaxToneChanges> toneChanges_{};
  int32_t toneChangeCount_ = 0;  // in the last block
  std::atomic<float> ratio_{1.0f};
  std::atomic<float> gateDecibels_{kGateOff};
  std::atomic<float> glideSeconds_{0.0f};
  std::atomic<Scale> scale_{Scale::off};
  std::atomic<int32_t> key_{0};
  std::atomic<bool> precise_{false};
  std::atomic<bool> stabilize_{false};
  std::atomic<bool> quickDetect_{false};
  std::atomic<int32_t> requestedLength_{kDefaultFftLength};
  PrecisePitchEstimator preciseEstimator_;
};
