// EffectCore: the effect itself, whichever plug-in format drives it. It owns
// the four stages (the Mox oscillator, the resonant filter, the feedback delay
// and the distortion), the dry/wet mix, the wave shapes, the 16 programs and
// two scratch buffers, and runs channel 0 of every block through the stages
// in the order of the four stage-order slots, blends the result with the dry
// input (" Dry/Wet "), then applies the volume gain, into both outputs. The
// format adapters (vst2/, lv2/) translate their host's calls into these and
// add nothing to the sound.
//
// Threads. The audio routines (processReplacing, process) run on the host's
// audio thread; everything else may come from the host's other threads,
// possibly while a block is being processed. Nothing here takes a lock:
// - the current program is the one store of the parameter values (relaxed
//   atomics); setParameter keeps a value there and configures the stage it
//   sets, in the setting's own units (seconds for the delay time), at once:
//   the stages' own settings (the oscillator's, the delay's feedback and
//   mix, the distortion's) are atomics inside them, the chain's (order,
//   filter, delay time, gain) are the relaxed atomics of ChainSettings; the
//   audio routine reads each once per block. Only the audio thread touches
//   the stages' running state;
// - what depends on the rate is worked out by the audio routine at the start
//   of every block, with that block's rate (sampleRate()): the delay time in
//   samples (the tail uses the same conversion). So a setting given before
//   the first block, or before a change of rate, plays at the rate the block
//   runs at, and the latest setting given is the one that plays;
// - work that needs a block boundary is recorded by the caller and done by
//   the audio routine at the start of the next block: a new analysis length
//   (an engine for each is built with the oscillator), clearing the delay
//   line after suspend, and the reset a host asks for with requestReset;
// - what needs memory is built by the setter on the host's thread and handed
//   to the audio routine at the start of the next block through a
//   HandoverSlot, the old one going back to be freed by the host's thread: the
//   wave tables for a new sample rate (setSampleRate) and larger scratch
//   buffers for a new block size (setBlockSize), among them the copy of the
//   input a block run in place needs (see processReplacing);
// - trackSplit, trackedPitch and the scratch buffers in use belong to the
//   audio thread.
// So the audio routines neither allocate, nor lock, nor throw, with one
// exception: a block larger than any announced with setBlockSize that needs
// a buffer of its size (`process` always; processReplacing run in place with
// the input to keep and no second output of its own to keep it in) grows the
// scratch buffers there, since the block must run whole: the Mox stage
// sounds different in other blocks.
// setParameter is safe on the audio thread too (atomics only), which is where
// formats that deliver settings with the block (LV2's control ports) call it.
//
// What an adapter for a plug-in format calls, and what it may leave to this
// class (the VST 2 and LV2 adapters do no more):
// - setSampleRate whenever the host gives a rate (before the first block or
//   between two); setBlockSize when the host announces its largest block
//   (optional: without it, larger blocks still run whole);
// - setParameter with the normalised value of any parameter at any time:
//   the value is held to the parameter's range here (heldToRange in
//   ParameterTable.h), NaN and infinities are refused, so an adapter passes
//   on what its host sends without checking it;
// - processReplacing with the host's buffers as they come: the output may be
//   the input itself (in place), the second output may be absent, equal to
//   the first or a buffer of its own; the result is the same to the bit;
//   input samples that are not numbers are heard as silence;
// - requestReset when the host asks for a fresh start (LV2 activate, a VST 3
//   setActive(true)): the next block sounds as a new instance's would;
//   suspend when only the echoes should stop (a VST 2 suspend).
// Programs and their names: see PluginProgram.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "effect/ParameterTable.h"
#include "effect/PluginProgram.h"
#include "effect/StageKind.h"
#include "realtime/HandoverSlot.h"

class TrackingOscillator;
class ResonantFilter;
class FeedbackDelay;
class Distortion;
class DryWetMix;
class WaveShapeTable;
class PlatformServices;

// Told of every parameter change, on the thread that made it (the audio
// thread included), so it must only note the change: an editor stores the
// value and redraws at its next idle.
class ParameterObserver {
public:
  virtual void parameterChanged(int32_t index, float value) = 0;

protected:
  ~ParameterObserver() = default;
};

class EffectCore {
public:
  static constexpr int32_t kProgramCount = 16;
  static constexpr int32_t kInitialScratchFrames = 8192;
  // Announced block sizes beyond this get no buffers of their own in advance.
  static constexpr int32_t kLargestPreparedScratchFrames = 1 << 20;
  static constexpr int32_t kInitialFftSize = 2048;
  // The fixed-path cut-off is this many hertz times cutOffFactor (50..3200 Hz).
  static constexpr double kFixedCutOffHz = 400.0;
  // The rate the effect assumes until it is told one.
  static constexpr float kInitialSampleRate = 44100.0f;

  // Builds the stages and loads the wave shapes through `services` (where the
  // plug-in's folder is, and where a failure is reported: one message per
  // failure), which must outlive the core. When the shapes cannot be loaded
  // it stops after the load and stays inert (hasLoadFailed). May throw
  // std::bad_alloc when memory runs out.
  explicit EffectCore(PlatformServices& services);
  ~EffectCore();
  EffectCore(const EffectCore&) = delete;
  EffectCore& operator=(const EffectCore&) = delete;

  // Construction thread, before any other call: who hears of parameter
  // changes (null: nobody).
  void setObserver(ParameterObserver* observer) { observer_ = observer; }

  // ---- parameters (any thread) ----
  // Values outside 0..1 follow the conversions; NaN, infinities and a
  // negative wave shape are refused (nothing kept). The observer hears of
  // every call, refused ones and unknown indices included.
  void setParameter(int32_t index, float value);
  // The kept value as hosts read it back (switches as their setting).
  float getParameter(int32_t index) const;
  // The value the current program keeps for `index` (an alias reads its
  // target); 0 for an index out of range.
  float keptValueOf(int32_t index) const;
  // The host name (padding included); leaves `text` as it is for a parameter
  // without one. At most kParameterTextCapacity bytes.
  void writeParameterName(int32_t index, char* text) const;
  // The display of the kept value (see ParameterText.h).
  void writeParameterDisplay(int32_t index, char* text) const;

  // ---- programs (any non-audio thread, but for setProgram) ----
  // Numbers outside 0..15, negative ones included, are ignored. Any thread,
  // the audio thread included: it applies the program's values through
  // setParameter (atomics only), which is how formats that deliver program
  // changes with the block (VST 3's program parameter) select one.
  void setProgram(int32_t program);
  int32_t currentProgramNumber() const { return currentProgram.load(relaxed); }
  // At most 23 bytes of `name` are kept (see PluginProgram::setName).
  void setProgramName(const char* name);
  // Keeps the first `count` of `values` in program `program` as setParameter
  // would keep them, without selecting the program or touching the stages:
  // how saved programs are restored, so that restoring programs other than
  // the current one leaves nothing behind in the stages (selecting one and
  // leaving it again before the next block would). Values that are not
  // finite are skipped; the current program's values take effect when it is
  // selected (setProgram). Numbers outside 0..15 are ignored.
  void keepProgramValues(int32_t program, const PluginProgram::Values& values, int32_t count);
  // Program `program`'s name as hosts show it ("Init <number>" for a program
  // still named "Init"), at most PluginProgram::nameCapacity bytes; false,
  // writing nothing, for a number outside 0..15.
  bool writeProgramName(int32_t program, char* name) const;

  // Samples the output can keep sounding at the current settings and rate;
  // see TailLength.h.
  int32_t tailSamples() const;
  // The delay time in samples at `rate` (Hz): the conversion every block
  // makes with its rate, bounded to the delay's line.
  int32_t delayLengthAt(double rate) const;

  // ---- audio thread ----
  // Replaces outputs[0] and outputs[1] with the processed inputs[0], the
  // block whole whatever its size. Either output may be the input itself
  // (outputs[1] may also be null or outputs[0]): the samples are those of a
  // run into separate buffers, to the bit. In place, the input is kept where
  // a later stage or the dry blend reads it again (a stage away from its home
  // slot, " Dry/Wet " below 1): in the copy setBlockSize prepared, else in
  // outputs[1] when it is a buffer of its own (written last), else in a copy
  // grown here (see Threads).
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);
  // Adds the processed inputs[0] to outputs[0] and outputs[1]; the samples
  // added are processReplacing's.
  void process(float** inputs, float** outputs, int32_t sampleFrames);

  // Host thread: asks the audio routine to silence the delay line at the
  // start of its next block (the line belongs to the audio thread); nothing
  // else changes (the VST 2 suspend). Both free what the audio thread has
  // handed back.
  void suspend();
  void resume();
  // Any thread: asks the audio routine to forget everything heard and played
  // at the start of its next block, so that it sounds from there as a new
  // instance with the same settings and rate: the oscillator (see
  // TrackingOscillator::reset), the filter's state, the tracked pitch and
  // where the filter switches to it, and the delay line and cursor. The
  // settings, programs, rate and prepared buffers stay.
  void requestReset();
  // Host thread (the one that suspends and resumes): takes the rate (a
  // caller-checked, finite, positive one) and builds the wave tables for it,
  // which the next block starts playing.
  void setSampleRate(float rate);
  float sampleRate() const { return sampleRate_.load(relaxed); }
  // Host thread: makes the scratch buffers of `process` hold blocks of
  // `frames` frames from the next block on. processReplacing needs none.
  void setBlockSize(int32_t frames);

  // ---- read-only views for adapters, the editor and the tests ----
  bool hasLoadFailed() const { return loadFailed; }
  // The program `index` (0..15); only valid when the load succeeded.
  const PluginProgram& programAt(int32_t index) const { return *programs[static_cast<std::size_t>(index)]; }
  const WaveShapeTable& waveShapes() const { return *shapeTables; }
  StageKind stageInSlot(int32_t slot) const { return chain.order[static_cast<std::size_t>(slot)].load(relaxed); }
  int32_t analysisLength() const;
  float outputGain() const { return chain.outputGain.load(relaxed); }
  float cutOffMultiplier() const { return chain.cutOffFactor.load(relaxed); }
  const TrackingOscillator& oscillator() const { return *trackingOscillator; }
  const FeedbackDelay& delayStage() const { return *delay; }
  const Distortion& distortionStage() const { return *distortion; }
  const DryWetMix& dryWetMix() const { return *dryWet; }
  // Audio-thread state, for tests that run the audio routine on their own thread.
  int32_t scratchFrames() const { return scratch->frames; }
  int32_t pendingTrackSplit() const { return trackSplit; }
  float lastTrackedPitch() const { return trackedPitch; }

private:
  static constexpr std::memory_order relaxed = std::memory_order_relaxed;

  // Hands the value of parameter `index` (0..kParameterCount-1, finite,
  // held to its range) to the stage it sets, in the stage's units; false
  // when it is refused (a negative or unselectable wave shape), in which
  // case nothing is kept.
  bool configureStage(int32_t index, float value);
  // Keeps `value` for `index` (and its aliases) in the current program, the
  // one store of the current values.
  void keep(int32_t index, float value);
  // The current program, or null while the current number is out of range.
  PluginProgram* currentValues() const;
  static constexpr bool isProgramNumber(int32_t program) { return program >= 0 && program < kProgramCount; }

  // What the chain reads of the settings, once per block, beside what the
  // stages keep themselves; written by configureStage on any thread.
  struct ChainSettings {
    std::array<std::atomic<StageKind>, kStageSlotCount> order{StageKind::mox, StageKind::filter, StageKind::delay,
                                                              StageKind::distortion};
    std::atomic<FilterMode> filterMode{FilterMode::lowPass};
    std::atomic<float> cutOffFactor{8.0f};
    std::atomic<float> resonance{0.0f};
    std::atomic<bool> distortionRuns{false};  // " Drive " above 0
    std::atomic<float> outputGain{1.0f};
    std::atomic<double> delaySeconds{0.0};  // turned into samples at every block
  };
  static_assert(std::atomic<double>::is_always_lock_free);

  // What one call of an audio routine reads of the settings that decide the
  // route, once: whether the input is kept and how the chain runs must agree
  // even when another thread changes them.
  struct RouteSettings {
    std::array<StageKind, kStageSlotCount> order;
    float wetShare;
    // Whether a stage or the blend reads the input again after a stage has
    // written the output: a stage away from its home slot, or a dry share.
    bool rereadsInput() const;
  };
  RouteSettings readRouteSettings() const;

  // Where one block comes from and goes: the chain's input, which nothing
  // writes before the blend (it is also the dry input), its output (which
  // may be the input only when nothing reads the input again), and the
  // second output (null: none, or the first).
  struct BlockRoute {
    const float* input;
    float* output;
    float* secondOutput;
    RouteSettings settings;
  };
  // The chain, the dry/wet blend and the volume over one block.
  void processBlock(const BlockRoute& route, int32_t frames);
  // At the start of a block: the reset or the delay clear asked for, and
  // the delay time in samples at this block's rate.
  void startBlock(float rate);
  // Takes the buffers setBlockSize prepared, if any, at the start of a block.
  void adoptAnnouncedScratch();
  // Scratch buffers of at least `frames` samples, grown here if need be;
  // false when memory ran out (the old ones stay).
  bool scratchHolds(int32_t frames);
  // Where the input of a block run in place is kept (see processReplacing);
  // the input itself when no buffer can hold it.
  const float* keptInput(const float* input, float* secondOutput, int32_t frames);

  // One block of channel 0 on its way through the chain.
  struct Block {
    const float* input;
    float* output;
    int32_t frames;
    float rate;  // Hz, read once per block
    const std::array<StageKind, kStageSlotCount>& order;
  };
  // Whether any stage wrote the output (otherwise it still holds the input).
  bool runChain(const Block& block);
  // `current` is the input the filter reads on its fixed path. Whether the
  // filter wrote the output (it does unless it is off).
  bool runFilter(const Block& block, const float* current, bool pitchTracking);
  // The working channel of `process` and the copy of the input of a block
  // run in place, `frames` samples each.
  struct ScratchBuffers {
    std::unique_ptr<float[]> working;
    std::unique_ptr<float[]> dry;
    int32_t frames = 0;
  };
  // Both buffers of `frames` samples; null when memory ran out.
  static std::unique_ptr<ScratchBuffers> makeScratch(int32_t frames);
  // Host thread: frees what the audio thread has stopped using.
  void releaseReturnedBuffers();

  std::array<std::unique_ptr<PluginProgram>, kProgramCount> programs;
  std::atomic<int32_t> currentProgram{0};
  std::atomic<float> sampleRate_{kInitialSampleRate};
  ParameterObserver* observer_ = nullptr;
  std::unique_ptr<TrackingOscillator> trackingOscillator;
  std::unique_ptr<ResonantFilter> filter;
  std::unique_ptr<WaveShapeTable> shapeTables;  // tables, names, selection, tableRate
  bool loadFailed = false;                      // written in the constructor only

  int32_t trackSplit = 0;     // audio thread
  float trackedPitch = 0.0f;  // audio thread, Hz
  std::unique_ptr<FeedbackDelay> delay;
  std::unique_ptr<Distortion> distortion;
  std::unique_ptr<DryWetMix> dryWet;
  ChainSettings chain;
  std::unique_ptr<ScratchBuffers> scratch;  // audio thread
  HandoverSlot<ScratchBuffers> preparedScratch;
  int32_t scratchFramesAsKnown = kInitialScratchFrames;  // host thread: the largest offered
  std::atomic<bool> delayClearRequested{false};
  std::atomic<bool> resetRequested{false};
};
