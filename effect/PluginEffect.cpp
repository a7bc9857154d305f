#include "effect/PluginEffect.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "dsp/Distortion.h"
#include "dsp/FeedbackDelay.h"
#include "dsp/ResonantFilter.h"
#include "dsp/TrackingOscillator.h"
#include "effect/TailLength.h"
#if BRASKLIN_HAVE_EDITOR
#include "editor/PluginEditor.h"
#endif
#include "effect/PluginIdentity.h"
#include "host/AEffEditor.h"
#include "host/DenormalGuard.h"
#include "platform/PlatformServices.h"
#include "shapes/WaveShapeTable.h"
#include "BrasklinVersion.h"

namespace {

constexpr int32_t kChannels = 2;
// How hosts list the plug-in: its own name rather than the file's, and as its own maker.
constexpr char kPluginName[] = "Brasklin";
constexpr char kVendorName[] = "Brasklin";

// The order in which a selected program's values are applied. The delay time
// (9, then 11) comes before feedback (10) and mix (8); each of them writes all
// delay fields of the program, which is why setProgram works from a copy.
constexpr std::array<int32_t, kParameterCount> programApplyOrder{0, 2, 3, 4, 6, 7, 5, 1, 9, 11, 10, 8, 12, 13, 14, 15, 16, 17};

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

PluginEffect::PluginEffect(audioMasterCallback hostCallback)
    : AudioEffect(hostCallback, kProgramCount, kParameterCount)  // 1. the base
{
  // 2. loadFailed is clear and there are no shapes yet (member initialisers).
  // 3. The Mox stage, analysing 2048 samples.
  trackingOscillator = std::make_unique<TrackingOscillator>();
  fftSize.store(kInitialFftSize, relaxed);
  // 4. The filter, all state zero.
  filter = std::make_unique<ResonantFilter>();
  // 5. Two scratch buffers for the accumulating process.
  scratch = makeScratch(kInitialScratchFrames);
  if (!scratch) throw std::bad_alloc();
  // 6. The wave shapes. Without them the effect stays loaded but inert.
  shapeTables = std::make_unique<WaveShapeTable>(platformServices());
  shapeTables->loadWaveShapes();
  if (shapeTables->loadFailed()) {
    loadFailed = true;
    return;
  }
  // 7. Shape 0 selected.
  (void)shapeTables->selectShape(0.0f);
  // 8. The programs, each with its initial values.
  for (auto& program : programs) program = std::make_unique<PluginProgram>();
  // 9. The members hold their initial values already; the filter gets the
  // coefficients for cut-off 1.0 and resonance 0.
  filter->setCoefficients(1.0f, 0.0f);
  // 10. The delay: an all-zero line, length 0, no feedback, no mix.
  delay = std::make_unique<FeedbackDelay>();
  delay->configure(0, 0.0f, 0.0f);
  // 11. The distortion, drive 1.
  distortion = std::make_unique<Distortion>();
  // 12. The default order Mox, Filter, Delay, Distortion.
  for (int32_t slot = 0; slot < kStageSlotCount; ++slot) {
    stageOrder[static_cast<std::size_t>(slot)].store(static_cast<StageKind>(slot), relaxed);
  }
  // 13. Program 0 sets every parameter through setParameter.
  setProgram(0);
  // 14. Two inputs (only the first is read), two outputs, mono, replacing.
  setNumInputs(kChannels);
  setNumOutputs(kChannels);
  canMono(true);
  canProcessReplacing(true);
  // 15.
  setUniqueID(kPluginUniqueId);
  // 16.
  createEditor();
}

// Every stage, the shapes, the programs and the scratch buffers are owned
// through unique pointers, so whatever was created (all of it, or only the
// first few after a failed load) is released here; the base then deletes the
// editor.
PluginEffect::~PluginEffect() = default;

void PluginEffect::createEditor()
{
#if BRASKLIN_HAVE_EDITOR
  // The editor registers itself through setEditor (which sets
  // effFlagsHasEditor) and is owned by the effect from then on. A failed
  // allocation sets outOfMemory so that the entry gives up.
  if (new (std::nothrow) PluginEditor(this) == nullptr) outOfMemory.store(true, std::memory_order_relaxed);
#endif
  // Built for a system without a window layer, the effect has no editor and
  // hosts show their own view of the parameters.
}

// ---------------------------------------------------------------------------
// Parameters

void PluginEffect::setParameter(int32_t index, float value)
{
  if (loadFailed) return;
  // Non-finite values are refused like a negative wave shape: nothing stored,
  // nothing changed. No conversion has a meaning for them, and letting one in
  // would carry NaN into the audio.
  if (isParameterIndex(index) && std::isfinite(value)) {
    switch (index) {
      case waveShapeParameter:
        if (value < 0.0f || !shapeTables->selectShape(value)) break;
        waveShapeValue.store(value, relaxed);
        storeInProgram(index, value);
        break;
      case fftLengthParameter:
        fftLengthValue.store(value, relaxed);
        fftSize.store(fftSizeFor(value), relaxed);
        storeInProgram(index, value);
        break;
      case stablizeParameter:
        storeInProgram(index, value);
        stablizeOn.store(switchIsOn(value) ? 1 : 0, relaxed);
        break;
      case quickDetectParameter:
        storeInProgram(index, value);
        quickDetectOn.store(switchIsOn(value) ? 1 : 0, relaxed);
        break;
      case pitchShiftParameter:
        pitchShiftValue.store(value, relaxed);
        storeInProgram(index, value);
        trackingOscillator->setRatio(pitchRatioFor(value));
        break;
      case filterTypeParameter:
        filterTypeValue.store(value, relaxed);
        storeInProgram(index, value);
        break;
      case cutOffParameter:
        cutOffValue.store(value, relaxed);
        storeInProgram(index, value);
        cutOffFactor.store(cutOffFactorFor(value), relaxed);
        break;
      case resonanceParameter:
        resonanceValue.store(value, relaxed);
        storeInProgram(index, value);
        break;
      case delayMixParameter:
        setDelay(delayTime.load(relaxed), delayFeedBack.load(relaxed), value);
        break;
      case delayTimeParameter:
      case delayTimeAltParameter:
        setDelay(value, delayFeedBack.load(relaxed), delayMix.load(relaxed));
        break;
      case delayFeedBackParameter:
        setDelay(delayTime.load(relaxed), value, delayMix.load(relaxed));
        break;
      case driveParameter:
        driveValue.store(value, relaxed);
        storeInProgram(index, value);
        distortion->setDrive(Distortion::driveForValue(value));
        break;
      case volumeParameter:
        volumeValue.store(value, relaxed);
        storeInProgram(index, value);
        volumeGain.store(volumeGainFor(value), relaxed);
        break;
      default: {  // the four stage-order slots
        const StageKind kind = stageKindFor(value);
        stageOrder[static_cast<std::size_t>(index - firstParameter)].store(kind, relaxed);
        // The program keeps the kind, not the value: no other slot changes,
        // so one kind may stand in several slots.
        storeInProgram(index, stageKindProgramValue(kind));
        break;
      }
    }
  }
  notifyEditor(index, value);
}

void PluginEffect::setDelay(float time, float feedback, float mix)
{
  delayTime.store(time, relaxed);
  delayFeedBack.store(feedback, relaxed);
  delayMix.store(mix, relaxed);
  storeInProgram(delayTimeParameter, time);
  storeInProgram(delayTimeAltParameter, time);
  storeInProgram(delayFeedBackParameter, feedback);
  storeInProgram(delayMixParameter, mix);
  // The length follows the rate the tables are built for, which catches up
  // with the host's rate at the first block after a change. The stage bounds
  // the length to its line and waits for the next block to take it.
  delay->configure(FeedbackDelay::lengthForTime(time, shapeTables->tableRate()), feedback, mix);
}

void PluginEffect::storeInProgram(int32_t index, float value)
{
  const int32_t current = currentProgram.load(relaxed);
  if (current >= 0 && current < kProgramCount) programs[static_cast<std::size_t>(current)]->store(index, value);
}

void PluginEffect::notifyEditor(int32_t index, float value)
{
  // The editor only stores the new value and asks for a redraw at its next
  // idle, so this is safe on any thread, the audio thread included.
  if (AEffEditor* const view = getEditor()) {
    view->postUpdate();
    view->setParameter(index, value);
  }
}

float PluginEffect::getParameter(int32_t index)
{
  if (loadFailed) return 0.0f;
  switch (index) {
    case waveShapeParameter: return waveShapeValue.load(relaxed);
    case fftLengthParameter: return fftLengthValue.load(relaxed);
    case stablizeParameter: return stablizeOn.load(relaxed) != 0 ? 1.0f : 0.0f;
    case quickDetectParameter: return quickDetectOn.load(relaxed) != 0 ? 1.0f : 0.0f;
    case pitchShiftParameter: return pitchShiftValue.load(relaxed);
    case filterTypeParameter: return filterTypeValue.load(relaxed);
    case cutOffParameter: return cutOffValue.load(relaxed);
    case resonanceParameter: return resonanceValue.load(relaxed);
    case delayMixParameter: return delayMix.load(relaxed);
    case delayTimeParameter:
    case delayTimeAltParameter: return delayTime.load(relaxed);
    case delayFeedBackParameter: return delayFeedBack.load(relaxed);
    case driveParameter: return driveValue.load(relaxed);
    case volumeParameter: return volumeValue.load(relaxed);
    case firstParameter:
    case secondParameter:
    case thirdParameter:
    case forthParameter: return stageKindReportedValue(stageInSlot(index - firstParameter));
    default: return 0.0f;
  }
}

void PluginEffect::getParameterName(int32_t index, char* text)
{
  if (loadFailed || text == nullptr || !isParameterIndex(index)) return;
  // Index 11 has no name: the caller's text stays as it was.
  if (const char* name = parameterInfo(index).name) copyBoundedText(text, kParameterTextCapacity, name);
}

void PluginEffect::getParameterDisplay(int32_t index, char* text)
{
  if (loadFailed || text == nullptr) return;
  const auto write = [text](const char* source) { copyBoundedText(text, kParameterTextCapacity, source); };
  const auto writeThreeDecimals = [text](double value) {
    std::snprintf(text, kParameterTextCapacity, "%.3f", value);
  };
  switch (index) {
    case waveShapeParameter: {
      const auto& names = shapeTables->shapeNames();
      const int shape = shapeTables->currentShape();
      write(shape >= 0 && static_cast<std::size_t>(shape) < names.size() ? names[static_cast<std::size_t>(shape)].c_str()
                                                                        : "");
      break;
    }
    case fftLengthParameter: write(fftLengthText(fftLengthValue.load(relaxed))); break;
    case stablizeParameter: write(switchText(stablizeOn.load(relaxed) != 0)); break;
    case quickDetectParameter: write(switchText(quickDetectOn.load(relaxed) != 0)); break;
    case pitchShiftParameter: float2string(pitchShiftValue.load(relaxed), text); break;
    case filterTypeParameter: write(filterTypeText(filterTypeValue.load(relaxed))); break;
    case cutOffParameter: float2string(cutOffValue.load(relaxed), text); break;
    case resonanceParameter: float2string(resonanceValue.load(relaxed), text); break;
    case delayMixParameter: writeThreeDecimals(delayMix.load(relaxed)); break;
    // The time in seconds: five seconds at 1.0.
    case delayTimeParameter: writeThreeDecimals(static_cast<double>(delayTime.load(relaxed)) * 5.0); break;
    case delayFeedBackParameter: writeThreeDecimals(delayFeedBack.load(relaxed)); break;
    case driveParameter: float2string(driveValue.load(relaxed), text); break;
    case firstParameter:
    case secondParameter:
    case thirdParameter:
    case forthParameter: write(stageKindName(stageInSlot(index - firstParameter))); break;
    default: write(""); break;  // 11, Volume (13) and every other index
  }
}

void PluginEffect::getParameterLabel(int32_t /*index*/, char* label)
{
  if (loadFailed || label == nullptr) return;
  copyBoundedText(label, kParameterTextCapacity, " ");
}

// ---------------------------------------------------------------------------
// Programs

void PluginEffect::setProgram(int32_t program)
{
  if (loadFailed || program < 0 || program >= kProgramCount) return;
  // Work from a copy: applying the delay time writes the effect's present
  // feedback and mix into the program before its own are applied.
  const PluginProgram::Values values = programs[static_cast<std::size_t>(program)]->values();
  currentProgram.store(program, relaxed);
  for (const int32_t index : programApplyOrder) setParameter(index, values[static_cast<std::size_t>(index)]);
}

void PluginEffect::setProgramName(char* name)
{
  if (loadFailed || name == nullptr) return;
  const int32_t current = currentProgram.load(relaxed);
  if (current >= 0 && current < kProgramCount) programs[static_cast<std::size_t>(current)]->setName(name);
}

void PluginEffect::getProgramName(char* name)
{
  if (loadFailed || name == nullptr) return;
  const int32_t current = currentProgram.load(relaxed);
  if (current < 0 || current >= kProgramCount) return;
  writeProgramName(current, name);
}

bool PluginEffect::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text)
{
  if (loadFailed || text == nullptr || index < 0 || index >= kProgramCount) return false;
  writeProgramName(index, text);
  return true;
}

void PluginEffect::writeProgramName(int32_t program, char* name) const
{
  const char* stored = programs[static_cast<std::size_t>(program)]->name();
  if (std::strcmp(stored, PluginProgram::initialName) == 0) {
    // "Init 1" .. "Init 16": the name, a space and the program's number.
    std::array<char, PluginProgram::nameCapacity> numbered{};
    const std::size_t length = std::strlen(stored);
    std::memcpy(numbered.data(), stored, length);
    numbered[length] = ' ';
    std::to_chars(numbered.data() + length + 1, numbered.data() + numbered.size() - 1, program + 1);
    copyBoundedText(name, PluginProgram::nameCapacity, numbered.data());
  } else {
    copyBoundedText(name, PluginProgram::nameCapacity, stored);
  }
}

// ---------------------------------------------------------------------------
// What hosts ask about the plug-in. The identity answers hold even when the
// wave shapes failed to load: the host still lists the plug-in by its name.

bool PluginEffect::canParameterBeAutomated(int32_t index) { return isParameterIndex(index); }

bool PluginEffect::getEffectName(char* name)
{
  copyBoundedText(name, kVstMaxEffectNameBytes, kPluginName);
  return true;
}

bool PluginEffect::getVendorString(char* text)
{
  copyBoundedText(text, kVstMaxVendorStringBytes, kVendorName);
  return true;
}

bool PluginEffect::getProductString(char* text)
{
  copyBoundedText(text, kVstMaxProductStringBytes, kPluginName);
  return true;
}

int32_t PluginEffect::getVendorVersion() { return kBrasklinVendorVersion; }

int32_t PluginEffect::getPlugCategory() { return kPlugCategEffect; }

int32_t PluginEffect::canDo(const char* text)
{
  const std::string_view asked(text);
  for (const char* can : {"plugAsChannelInsert", "plugAsSend"}) {
    if (asked == can) return 1;
  }
  // No MIDI in or out, and no use for the host's transport and tempo.
  for (const char* cannot : {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent",
                             "midiProgramNames", "sendVstTimeInfo", "receiveVstTimeInfo"}) {
    if (asked == cannot) return -1;
  }
  return 0;
}

int32_t PluginEffect::getTailSize()
{
  if (loadFailed) return 1;  // inert: the output is never written
  TailSettings settings{};
  settings.sampleRate = getSampleRate();
  for (std::size_t slot = 0; slot < settings.order.size(); ++slot) settings.order[slot] = stageOrder[slot].load(relaxed);
  settings.analysisLength = fftSize.load(relaxed);
  settings.filterMode = filterModeFor(filterTypeValue.load(relaxed));
  settings.cutOffFactor = cutOffFactor.load(relaxed);
  settings.resonance = resonanceValue.load(relaxed);
  settings.delayRuns = delayMix.load(relaxed) > 0.0f;
  settings.delayLength = FeedbackDelay::lengthForTime(delayTime.load(relaxed), settings.sampleRate);
  settings.feedback = delay->feedback();
  settings.mix = delay->mix();
  return tailSamples(settings);
}

bool PluginEffect::getParameterProperties(int32_t index, VstParameterProperties* properties)
{
  if (properties == nullptr || !isParameterIndex(index)) return false;
  const int32_t positions = parameterInfo(index).positions;
  if (positions < 2) return false;
  // The host's record is cleared first (its bytes, no further) so that no
  // field this answer leaves unset reaches the host as garbage.
  std::memset(properties, 0, sizeof *properties);
  // Position k is the normalised value k / (positions - 1): the steps are
  // given in the normalised range the host sends. No integer range is
  // declared: some hosts (Ardour 7 among them) take it as the range of the
  // values they send, and would then push every position but the first past
  // the last band.
  properties->flags = kVstParameterUsesFloatStep;
  if (positions == 2) properties->flags |= kVstParameterIsSwitch;
  const float step = 1.0f / static_cast<float>(positions - 1);
  properties->stepFloat = step;
  properties->smallStepFloat = step;
  properties->largeStepFloat = step;
  return true;
}

// ---------------------------------------------------------------------------
// Audio

void PluginEffect::suspend()
{
  if (loadFailed) return;
  delayClearRequested.store(true, relaxed);
  releaseReturnedBuffers();
}

void PluginEffect::resume()
{
  if (loadFailed) return;
  releaseReturnedBuffers();
}

void PluginEffect::setSampleRate(float rate)
{
  AudioEffect::setSampleRate(rate);
  if (loadFailed) return;
  // Rates the tables cannot be built for leave them as they are, and memory
  // running out leaves the old ones playing: the oscillator never reads
  // beyond a table's length either way.
  (void)shapeTables->prepareForRate(getSampleRate());
  releaseReturnedBuffers();
}

void PluginEffect::setBlockSize(int32_t size)
{
  AudioEffect::setBlockSize(size);
  if (loadFailed) return;
  releaseReturnedBuffers();
  const int32_t frames = getBlockSize();
  if (frames <= scratchFramesAsKnown || frames > kLargestPreparedScratchFrames) return;
  // Without memory the audio routine keeps its buffers (and grows them for a
  // larger block itself).
  if (std::unique_ptr<ScratchBuffers> grown = makeScratch(frames)) {
    scratchFramesAsKnown = frames;
    (void)preparedScratch.offer(std::move(grown));  // an earlier offer not taken yet goes
  }
}

void PluginEffect::releaseReturnedBuffers()
{
  shapeTables->releaseReturned();
  (void)preparedScratch.reclaim();
}

void PluginEffect::processReplacing(float** inputs, float** outputs, int32_t sampleFrames)
{
  const DenormalGuard flushDenormals;  // the host's own mode comes back on return
  if (loadFailed) return;
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr || outputs[0] == nullptr)
    return;
  const float rate = getSampleRate();
  // Tables follow the host's rate from the first block after a change; they
  // were built when the rate was set.
  (void)shapeTables->adoptPrepared();
  if (delayClearRequested.exchange(false, relaxed)) delay->clear();

  float* const output = outputs[0];
  // Start from the dry input, so a chain in which no stage writes passes the
  // signal through (as the accumulating process does) instead of leaving the
  // host's stale buffer in the output.
  if (output != inputs[0]) std::copy_n(inputs[0], sampleFrames, output);
  runChain(Block{inputs[0], output, sampleFrames, rate});

  const float gain = volumeGain.load(relaxed);
  if (gain != 1.0f) {
    for (int32_t i = 0; i < sampleFrames; ++i) output[i] *= gain;
  }
  // One channel in, the same result on both outputs.
  if (outputs[1] != nullptr && outputs[1] != output) std::copy_n(output, sampleFrames, outputs[1]);
}

void PluginEffect::runChain(const Block& block)
{
  float* const output = block.output;
  const int32_t frames = block.frames;
  // One reading of the order per block; a change from another thread takes
  // effect at the next block.
  std::array<StageKind, kStageSlotCount> order{};
  for (std::size_t slot = 0; slot < order.size(); ++slot) order[slot] = stageOrder[slot].load(relaxed);
  // A stage hands its result on only when it stands in its home slot; away
  // from home it still writes the output, but the next stage reads the same
  // input again.
  const auto atHome = [&order](StageKind kind) {
    return order[static_cast<std::size_t>(homeSlot(kind))] == kind;
  };

  const float* current = block.input;
  bool moxDone = false;
  bool filterDone = false;
  for (const StageKind kind : order) {
    switch (kind) {
      case StageKind::mox:
        if (moxDone) break;
        trackingOscillator->process(current, output, frames, block.rate, shapeTables->currentTable(),
                                    shapeTables->tableLength(), stablizeOn.load(relaxed), quickDetectOn.load(relaxed),
                                    fftSize.load(relaxed));
        if (atHome(kind)) current = output;
        moxDone = true;
        break;
      case StageKind::filter:
        runFilter(block, current, moxDone && !filterDone);
        if (atHome(kind)) current = output;
        filterDone = true;
        break;
      case StageKind::delay:
        if (!(delayMix.load(relaxed) > 0.0f)) break;
        delay->process(current, output, frames);
        if (atHome(kind)) current = output;
        break;
      case StageKind::distortion:
        if (!(driveValue.load(relaxed) > 0.0f)) break;
        distortion->process(current, output, frames);
        if (atHome(kind)) current = output;
        break;
    }
  }
}

void PluginEffect::runFilter(const Block& block, const float* current, bool pitchTracking)
{
  float* const output = block.output;
  const int32_t frames = block.frames;
  const float rate = block.rate;
  const FilterMode mode = filterModeFor(filterTypeValue.load(relaxed));
  if (mode == FilterMode::off) return;
  const auto type = static_cast<int32_t>(mode);
  const double factor = cutOffFactor.load(relaxed);
  const float resonance = resonanceValue.load(relaxed);
  const auto normalised = [factor, rate](double hertz) { return static_cast<float>(factor * hertz / rate); };

  if (!pitchTracking) {
    filter->setCoefficients(normalised(kFixedCutOffHz), resonance);
    filter->process(current, output, frames, type);
    return;
  }
  // The first samples of this block finish the cycle the oscillator began in
  // the previous block, at that block's pitch; the rest follow the new pitch.
  trackSplit = std::clamp(trackSplit, 0, frames);
  filter->setCoefficients(normalised(trackedPitch), resonance);
  filter->process(output, output, trackSplit, type);
  const auto pitch = static_cast<float>(static_cast<double>(trackingOscillator->detectedFrequency()) *
                                        static_cast<double>(trackingOscillator->ratio()));
  filter->setCoefficients(normalised(pitch), resonance);
  filter->process(output + trackSplit, output + trackSplit, frames - trackSplit, type);
  trackedPitch = pitch;
  trackSplit = trackingOscillator->pendingCount();
}

void PluginEffect::process(float** inputs, float** outputs, int32_t sampleFrames)
{
  const DenormalGuard flushDenormals;  // the host's own mode comes back on return
  if (loadFailed) return;
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr || outputs[0] == nullptr)
    return;
  // Buffers announced with setBlockSize are taken here. A block larger than
  // any announced grows them on this thread, the one allocation an audio
  // routine still makes (the block must run whole); should memory run out,
  // the block is processed in pieces the buffers can hold.
  if (ScratchBuffers* const announced = preparedScratch.take(scratch.get())) {
    (void)scratch.release();  // the slot holds it now, for the host's thread to free
    scratch.reset(announced);
  }
  if (sampleFrames > scratch->frames) {
    if (std::unique_ptr<ScratchBuffers> grown = makeScratch(sampleFrames)) scratch = std::move(grown);
  }
  const int32_t scratchCapacity = scratch->frames;
  for (int32_t offset = 0; offset < sampleFrames; offset += scratchCapacity) {
    const int32_t frames = std::min(scratchCapacity, sampleFrames - offset);
    float* channels[2] = {scratch->channels[0].get(), scratch->channels[1].get()};
    std::copy_n(inputs[0] + offset, frames, channels[0]);
    if (inputs[1] != nullptr) std::copy_n(inputs[1] + offset, frames, channels[1]);
    // Inputs and outputs are the same pair: every stage works in place.
    processReplacing(channels, channels, frames);
    for (int32_t i = 0; i < frames; ++i) outputs[0][offset + i] += channels[0][i];
    if (outputs[1] != nullptr && outputs[1] != outputs[0]) {
      for (int32_t i = 0; i < frames; ++i) outputs[1][offset + i] += channels[0][i];
    }
  }
}

std::unique_ptr<PluginEffect::ScratchBuffers> PluginEffect::makeScratch(int32_t frames)
{
  std::unique_ptr<ScratchBuffers> buffers(new (std::nothrow) ScratchBuffers);
  if (!buffers) return nullptr;
  for (auto& channel : buffers->channels) {
    channel.reset(new (std::nothrow) float[static_cast<std::size_t>(frames)]);
    if (!channel) return nullptr;
  }
  buffers->frames = frames;
  return buffers;
}
