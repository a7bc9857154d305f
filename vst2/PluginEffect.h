// PluginEffect: the plug-in's effect as a VST 2 host sees it. Everything the
// effect does is the format-neutral EffectCore's (see effect/EffectCore.h for
// what it owns and which threads reach what); this class answers the VST 2
// calls through it, owns the editor and tells the editor of every parameter
// change (as the core's observer).
//
// Threads: each entry is reached by the threads the matching EffectCore entry
// names; the VST 2 answers about the plug-in (names, category, switches) are
// constant and safe anywhere.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "effect/EffectCore.h"
#include "effect/ParameterTable.h"
#include "effect/PluginProgram.h"
#include "effect/StageKind.h"
#include "vst2/interface/AudioEffect.h"

class PluginEffect : public AudioEffect, private ParameterObserver {
public:
  static constexpr int32_t kProgramCount = EffectCore::kProgramCount;
  static constexpr int32_t kInitialScratchFrames = EffectCore::kInitialScratchFrames;
  static constexpr int32_t kLargestPreparedScratchFrames = EffectCore::kLargestPreparedScratchFrames;
  static constexpr int32_t kInitialFftSize = EffectCore::kInitialFftSize;
  static constexpr double kFixedCutOffHz = EffectCore::kFixedCutOffHz;

  // Builds the core (which loads the wave shapes through the platform's
  // services, failures shown in message boxes or on stderr) and, unless that
  // failed, announces two inputs, two outputs, mono and replacing processing
  // and the unique id, and creates the editor. When the shapes cannot be
  // loaded it stays inert with the base's descriptor. May throw
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
  int32_t getProgram() override;
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
  const EffectCore& core() const { return core_; }
  bool hasLoadFailed() const { return core_.hasLoadFailed(); }
  // The program `index` (0..15); only valid when the load succeeded.
  const PluginProgram& programAt(int32_t index) const { return core_.programAt(index); }
  const WaveShapeTable& waveShapes() const { return core_.waveShapes(); }
  StageKind stageInSlot(int32_t slot) const { return core_.stageInSlot(slot); }
  int32_t analysisLength() const { return core_.analysisLength(); }
  float outputGain() const { return core_.outputGain(); }
  float cutOffMultiplier() const { return core_.cutOffMultiplier(); }
  const TrackingOscillator& oscillator() const { return core_.oscillator(); }
  const FeedbackDelay& delayStage() const { return core_.delayStage(); }
  const Distortion& distortionStage() const { return core_.distortionStage(); }
  // Audio-thread state, for tests that run the audio routine on their own thread.
  int32_t scratchFrames() const { return core_.scratchFrames(); }
  int32_t pendingTrackSplit() const { return core_.pendingTrackSplit(); }
  float lastTrackedPitch() const { return core_.lastTrackedPitch(); }

private:
  // Tells the editor, if there is one, that parameter `index` changed.
  void parameterChanged(int32_t index, float value) override;
  // Creates the editor, once there is one to create.
  void createEditor();

  EffectCore core_;
};
