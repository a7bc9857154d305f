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
//   sets, in the stage's units, at once: the stages' own settings (the
//   oscillator's, the delay's, the distortion's) are atomics inside them, the
//   chain's (order, filter, gain) are the relaxed atomics of ChainSettings;
//   the audio routine reads each once per block. Only the audio thread
//   touches the stages' running state;
// - work that needs a block boundary is recorded by the setter and done by the
//   audio routine at the start of the next block: a new analysis length (an
//   engine for each is built with the oscillator), a new delay length, and
//   clearing the delay line after suspend;
// - what needs memory is built by the setter on the host's thread and handed
//   to the audio routine at the start of the next block through a
//   HandoverSlot, the old one going back to be freed by the host's thread: the
//   wave tables for a new sample rate (setSampleRate) and larger scratch
//   buffers for a new block size (setBlockSize), among them the copy of the
//   dry input a block run in place needs while " Dry/Wet " is below 1;
// - trackSplit, trackedPitch and the scratch buffers in use belong to the
//   audio thread.
// So the audio routines neither allocate, nor lock, nor throw, with one
// exception: `process` given a block larger than any announced with
// setBlockSize grows its scratch buffers there (it must run the block whole).
// processReplacing run in place on such a block with a dry share to mix runs
// it in pieces its dry copy holds instead.
// setParameter is safe on the audio thread too (atomics only), which is where
// formats that deliver settings with the block (LV2's control ports) call it.
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

  // ---- programs (any non-audio thread) ----
  // Numbers outside 0..15, negative ones included, are ignored.
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

  // Samples the output can keep sounding at the current settings; see TailLength.h.
  int32_t tailSamples() const;

  // ---- audio thread ----
  // Replaces outputs[0] and outputs[1] with the processed inputs[0]; each
  // output may be the input itself.
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);
  // Adds the processed inputs[0] to outputs[0] and outputs[1].
  void process(float** inputs, float** outputs, int32_t sampleFrames);

  // Host thread: asks the audio routine to silence the delay line at the
  // start of its next block (the line belongs to the audio thread).
  void suspend();
  void resume();
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

  // Hands the value of parameter `index` (0..kParameterCount-1, finite) to
  // the stage it sets, in the stage's units; false when it is refused (a
  // negative or unselectable wave shape), in which case nothing is kept.
  bool configureStage(int32_t index, float value);
  // The delay's length in samples for the normalised " Delay Time " `time`.
  int32_t delayLengthFor(float time) const;
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
  };

  // Where one block comes from and goes: the chain's input (which may be the
  // output itself), its output, the second output (null: none, or the first),
  // the dry input to blend with, which nothing writes before the blend, and
  // the wet share the blend takes (read once for the call).
  struct BlockRoute {
    const float* input;
    float* output;
    float* secondOutput;
    const float* dry;
    float wetShare;
  };
  // The chain, the dry/wet blend and the volume over one block.
  void processBlock(const BlockRoute& route, int32_t frames);
  // Takes the buffers setBlockSize prepared, if any, at the start of a block.
  void adoptAnnouncedScratch();

  // One block of channel 0 on its way through the chain.
  struct Block {
    const float* input;  // the host's first input
    float* output;       // the host's first output
    int32_t frames;
    float rate;  // Hz, read once per block
  };
  void runChain(const Block& block);
  // `current` is the input the filter reads on its fixed path.
  void runFilter(const Block& block, const float* current, bool pitchTracking);
  // The working channel of `process` and the copy of the dry input of a block
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
};
