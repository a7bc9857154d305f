// PluginEffect: the plug-in's effect. It owns the four stages (the Mox
// oscillator, the resonant filter, the feedback delay and the distortion), the
// wave shapes, the 16 programs, two scratch buffers and the editor, and runs
// channel 0 of every block through the stages in the order of the four
// stage-order slots, then through the volume gain, into both outputs.
//
// Threads. The host calls the audio routines (process, processReplacing) on its
// audio thread, and everything else from its interface or automation threads,
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
//   buffers for a new block size (setBlockSize);
// - trackSplit, trackedPitch and the scratch buffers in use belong to the
//   audio thread.
// So the audio routines neither allocate, nor lock, nor throw, with one
// exception: `process` given a block larger than any announced with
// setBlockSize grows its scratch buffers there (it must run the block whole).
// Programs and their names: see PluginProgram.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "effect/ParameterTable.h"
#include "effect/PluginProgram.h"
#include "effect/StageKind.h"
#include "host/AudioEffect.h"
#include "host/HandoverSlot.h"

class TrackingOscillator;
class ResonantFilter;
class FeedbackDelay;
class Distortion;
class WaveShapeTable;

class PluginEffect : public AudioEffect {
public:
  static constexpr int32_t kProgramCount = 16;
  static constexpr int32_t kInitialScratchFrames = 8192;
  // Announced block sizes beyond this get no buffers of their own in advance.
  static constexpr int32_t kLargestPreparedScratchFrames = 1 << 20;
  static constexpr int32_t kInitialFftSize = 2048;
  // The fixed-path cut-off is this many hertz times cutOffFactor (50..3200 Hz).
  static constexpr double kFixedCutOffHz = 400.0;

  // Builds the effect in sixteen steps; when the wave shapes cannot be loaded
  // it stops after the load and stays inert (loadFailed). May throw
  // std::bad_alloc when memory runs out; createEffectInstance catches it.
  explicit PluginEffect(audioMasterCallback hostCallback);
  ~PluginEffect() override;

  // ---- parameters (any thread) ----
  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  // Texts: names and fixed displays need at most 16 bytes; the wave-shape
  // display is cut to kParameterTextCapacity bytes. Null buffers are ignored.
  void getParameterName(int32_t index, char* text) override;
  void getParameterDisplay(int32_t index, char* text) override;
  void getParameterLabel(int32_t index, char* label) override;

  // ---- programs (any non-audio thread) ----
  // Numbers outside 0..15, negative ones included, are ignored.
  void setProgram(int32_t program) override;
  // At most 23 bytes of `name` are kept (see PluginProgram::setName).
  void setProgramName(char* name) override;
  // Writes the name, or "Init <number>" for a program still named "Init";
  // at most PluginProgram::nameCapacity bytes.
  void getProgramName(char* name) override;

  // ---- what hosts ask about the plug-in (any thread) ----
  // Every parameter but 11, the second entry for the delay time (see ParameterTable).
  bool canParameterBeAutomated(int32_t index) override;
  // Program 0..15's name by the getProgramName rule, without selecting it.
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
  bool getEffectName(char* name) override;     // "Brasklin"
  bool getVendorString(char* text) override;   // "Brasklin"
  bool getProductString(char* text) override;  // "Brasklin"
  int32_t getVendorVersion() override;         // kBrasklinVendorVersion
  int32_t getPlugCategory() override;          // an effect
  // 1 for the ways it can be inserted, -1 for MIDI and time information.
  int32_t canDo(const char* text) override;
  // At the current settings; see TailLength.h.
  int32_t getTailSize() override;
  // The switches as integer steps (on/off ones as switches); nothing for the rest.
  bool getParameterProperties(int32_t index, VstParameterProperties* properties) override;

  // ---- audio thread ----
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  void process(float** inputs, float** outputs, int32_t sampleFrames) override;

  // Interface thread: asks the audio routine to silence the delay line at the
  // start of its next block (the line belongs to the audio thread).
  void suspend() override;
  void resume() override;
  // Host thread (the one that suspends and resumes): stores the rate and
  // builds the wave tables for it, which the next block starts playing.
  void setSampleRate(float rate) override;
  // Host thread: stores the size and makes the scratch buffers of `process`
  // hold blocks of that many frames from the next block on.
  void setBlockSize(int32_t size) override;

  // ---- read-only views for the editor and the tests ----
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
  // The current program's kept value for `index` (an alias reads its target).
  float keptValueOf(int32_t index) const;
  // Writes program `program`'s name as the host sees it ("Init <n>" for a
  // program still named "Init"); `program` must be 0..15.
  void writeProgramName(int32_t program, char* name) const;
  // Tells the editor, if there is one, that parameter `index` changed.
  void notifyEditor(int32_t index, float value);
  // Constructor step 16: creates the editor, once there is one to create.
  void createEditor();

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
  // The two working channels of `process`, `frames` samples each.
  struct ScratchBuffers {
    std::array<std::unique_ptr<float[]>, 2> channels;
    int32_t frames = 0;
  };
  // Two buffers of `frames` samples; null when memory ran out.
  static std::unique_ptr<ScratchBuffers> makeScratch(int32_t frames);
  // Host thread: frees what the audio thread has stopped using.
  void releaseReturnedBuffers();

  // Members, in the order the effect's description lists them.
  std::array<std::unique_ptr<PluginProgram>, kProgramCount> programs;
  std::unique_ptr<TrackingOscillator> trackingOscillator;
  std::unique_ptr<ResonantFilter> filter;
  std::unique_ptr<WaveShapeTable> shapeTables;  // tables, names, selection, tableRate
  bool loadFailed = false;                      // written in the constructor only

  int32_t trackSplit = 0;     // audio thread
  float trackedPitch = 0.0f;  // audio thread, Hz
  std::unique_ptr<FeedbackDelay> delay;
  std::unique_ptr<Distortion> distortion;
  ChainSettings chain;
  std::unique_ptr<ScratchBuffers> scratch;  // audio thread
  HandoverSlot<ScratchBuffers> preparedScratch;
  int32_t scratchFramesAsKnown = kInitialScratchFrames;  // host thread: the largest offered
  std::atomic<bool> delayClearRequested{false};
};
