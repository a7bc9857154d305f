#include "effect/EffectCore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "dsp/Distortion.h"
#include "dsp/DryWetMix.h"
#include "dsp/FeedbackDelay.h"
#include "dsp/ResonantFilter.h"
#include "dsp/TrackingOscillator.h"
#include "effect/FactoryPrograms.h"
#include "effect/LiveControls.h"
#include "effect/ParameterText.h"
#include "effect/TailLength.h"
#include "realtime/DenormalGuard.h"
#include "shapes/WaveShapeTable.h"

// ---------------------------------------------------------------------------
// Construction and destruction

EffectCore::EffectCore(PlatformServices& services)
{
  // The Mox stage, analysing 2048 samples.
  trackingOscillator = std::make_unique<TrackingOscillator>();
  trackingOscillator->setAnalysisLength(kInitialFftSize);
  // The filter, all state zero.
  filter = std::make_unique<ResonantFilter>();
  // Scratch buffers for the accumulating process and for the dry input of a
  // block run in place.
  scratch = makeScratch(kInitialScratchFrames);
  if (!scratch) throw std::bad_alloc();
  // The wave shapes. Without them the effect stays loaded but inert.
  shapeTables = std::make_unique<WaveShapeTable>(services);
  shapeTables->loadWaveShapes();
  if (shapeTables->loadFailed()) {
    loadFailed = true;
    return;
  }
  // Shape 0 selected.
  (void)shapeTables->selectShape(0);
  // The programs: "Init" first, then the factory sounds.
  for (std::size_t number = 0; number < programs.size(); ++number)
    programs[number] = makeFactoryProgram(static_cast<int32_t>(number));
  // The members hold their initial values already; the filter gets the
  // coefficients for cut-off 1.0 and resonance 0.
  filter->setCoefficients(1.0f, 0.0f);
  // The delay: an all-zero line, length 0, no feedback, no mix.
  delay = std::make_unique<FeedbackDelay>();
  delay->configure(0, 0.0f, 0.0f);
  // The distortion, drive 1.
  distortion = std::make_unique<Distortion>();
  // The chain alone, no dry input mixed in.
  dryWet = std::make_unique<DryWetMix>();
  // The default order Mox, Filter, Delay, Distortion.
  for (int32_t slot = 0; slot < kStageSlotCount; ++slot) {
    chain.order[static_cast<std::size_t>(slot)].store(static_cast<StageKind>(slot), relaxed);
  }
  // Program 0 sets every parameter through setParameter.
  setProgram(0);
}

// Every stage, the shapes, the programs and the scratch buffers are owned
// through unique pointers, so whatever was created (all of it, or only the
// first few after a failed load) is released here.
EffectCore::~EffectCore() = default;

// ---------------------------------------------------------------------------
// Parameters

int32_t EffectCore::analysisLength() const { return trackingOscillator->requestedAnalysisLength(); }

void EffectCore::setParameter(int32_t index, float value)
{
  if (loadFailed) return;
  // Non-finite values are refused like a negative wave shape: nothing kept,
  // nothing changed. No conversion has a meaning for them, and letting one in
  // would carry NaN into the audio.
  // Every value is held to its range here, whichever format it came through.
  if (isParameterIndex(index) && std::isfinite(value)) {
    const float held = heldToRange(index, value);
    if (configureStage(index, held)) keep(index, held);
  }
  if (observer_ != nullptr) observer_->parameterChanged(index, value);
}

bool EffectCore::configureStage(int32_t index, float value)
{
  switch (static_cast<ParameterIndex>(index)) {
    case waveShapeParameter: return shapeTables->selectShape(shapeIndexFor(value, shapeTables->shapeCount()));
    case fftLengthParameter: trackingOscillator->setAnalysisLength(fftSizeFor(value)); break;
    case stablizeParameter: trackingOscillator->setStabilize(switchIsOn(value)); break;
    case quickDetectParameter: trackingOscillator->setQuickDetect(switchIsOn(value)); break;
    case preciseParameter: trackingOscillator->setPrecise(switchIsOn(value)); break;
    case pitchShiftParameter: trackingOscillator->setRatio(ratioFor(value)); break;
    case filterTypeParameter: chain.filterMode.store(filterModeFor(value), relaxed); break;
    case cutOffParameter: chain.cutOffFactor.store(cutOffFactorFor(value), relaxed); break;
    case resonanceParameter: chain.resonance.store(value, relaxed); break;
    // One delay setting each, like every other stage's: setters of different
    // settings running at once cannot undo each other. The time stays in
    // seconds; every block turns it into samples at its own rate.
    case delayMixParameter: delay->setMix(value); break;
    case delayTimeParameter:
    case delayTimeAltParameter: chain.delaySeconds.store(delaySecondsFor(value), relaxed); break;
    case delayFeedBackParameter: delay->setFeedback(value); break;
    case driveParameter:
      distortion->setDrive(driveFactorFor(value));
      chain.distortionRuns.store(value > 0.0f, relaxed);
      break;
    case volumeParameter: chain.outputGain.store(volumeGainFor(value), relaxed); break;
    case firstParameter:
    case secondParameter:
    case thirdParameter:
    case forthParameter:
      // No other slot changes, so one kind may stand in several slots.
      chain.order[static_cast<std::size_t>(index - firstParameter)].store(stageKindFor(value), relaxed);
      break;
    case dryWetParameter: dryWet->setWetShare(dryWetShareFor(value)); break;
    case gateParameter: trackingOscillator->setGateThreshold(gateThresholdDecibelsFor(value)); break;
    case glideParameter: trackingOscillator->setGlideTime(glideSecondsFor(value)); break;
    case scaleParameter: trackingOscillator->setScale(scaleFor(value)); break;
    case keyParameter: trackingOscillator->setKey(keyFor(value)); break;
  }
  return true;
}

int32_t EffectCore::delayLengthAt(double rate) const
{
  return FeedbackDelay::lengthForSeconds(chain.delaySeconds.load(relaxed), rate);
}

PluginProgram* EffectCore::currentValues() const
{
  const int32_t current = currentProgram.load(relaxed);
  return isProgramNumber(current) ? programs[static_cast<std::size_t>(current)].get() : nullptr;
}

void EffectCore::keep(int32_t index, float value)
{
  if (PluginProgram* const program = currentValues()) program->keepSetting(index, value);
}

float EffectCore::keptValueOf(int32_t index) const
{
  const PluginProgram* const program = currentValues();
  return program == nullptr || !isParameterIndex(index) ? 0.0f : program->value(aliasTarget(index));
}

float EffectCore::getParameter(int32_t index) const
{
  if (loadFailed || !isParameterIndex(index)) return 0.0f;
  return reportedValue(index, keptValueOf(index));
}

void EffectCore::writeParameterName(int32_t index, char* text) const
{
  if (loadFailed || text == nullptr || !isParameterIndex(index)) return;
  // Index 11 has no name: the caller's text stays as it was.
  if (const char* name = parameterInfo(index).name) copyBoundedText(text, kParameterTextCapacity, name);
}

void EffectCore::writeParameterDisplay(int32_t index, char* text) const
{
  if (loadFailed || text == nullptr) return;
  ::writeParameterDisplay(index, keptValueOf(index), shapeTables->shapeNames(), text);
}

// ---------------------------------------------------------------------------
// Programs

void EffectCore::setProgram(int32_t program)
{
  if (loadFailed || !isProgramNumber(program)) return;
  // Work from a copy: applying the delay time (9) keeps it under 11 too,
  // before 11's own value is applied.
  const PluginProgram::Values values = programs[static_cast<std::size_t>(program)]->values();
  currentProgram.store(program, relaxed);
  for (const int32_t index : programApplyOrder()) setParameter(index, values[static_cast<std::size_t>(index)]);
}

void EffectCore::keepProgramValues(int32_t program, const PluginProgram::Values& values, int32_t count)
{
  if (loadFailed || !isProgramNumber(program)) return;
  PluginProgram& kept = *programs[static_cast<std::size_t>(program)];
  // In the order setProgram applies them, so that of the delay time's two
  // entries the one applied last wins here too.
  for (const int32_t index : programApplyOrder()) {
    const float value = values[static_cast<std::size_t>(index)];
    if (index < count && std::isfinite(value)) kept.keepSetting(index, heldToRange(index, value));
  }
}

void EffectCore::setProgramName(const char* name)
{
  if (loadFailed || name == nullptr) return;
  if (PluginProgram* const program = currentValues()) program->setName(name);
}

bool EffectCore::writeProgramName(int32_t program, char* name) const
{
  if (loadFailed || name == nullptr || !isProgramNumber(program)) return false;
  programs[static_cast<std::size_t>(program)]->writeShownName(program, name);
  return true;
}

// ---------------------------------------------------------------------------
// Tail

int32_t EffectCore::tailSamples() const
{
  if (loadFailed) return 1;  // inert: the output is never written
  TailSettings settings{};
  settings.sampleRate = sampleRate();
  for (std::size_t slot = 0; slot < settings.order.size(); ++slot)
    settings.order[slot] = chain.order[slot].load(relaxed);
  settings.analysisLength = trackingOscillator->requestedAnalysisLength();
  settings.filterMode = chain.filterMode.load(relaxed);
  settings.cutOffFactor = chain.cutOffFactor.load(relaxed);
  settings.resonance = chain.resonance.load(relaxed);
  settings.delayRuns = delay->mix() > 0.0f;
  settings.delayLength = delayLengthAt(settings.sampleRate);
  settings.feedback = delay->feedback();
  settings.mix = delay->mix();
  return ::tailSamples(settings);
}

// ---------------------------------------------------------------------------
// Audio

void EffectCore::suspend()
{
  if (loadFailed) return;
  delayClearRequested.store(true, relaxed);
  releaseReturnedBuffers();
}

void EffectCore::resume()
{
  if (loadFailed) return;
  releaseReturnedBuffers();
}

void EffectCore::requestReset() { resetRequested.store(true, relaxed); }

void EffectCore::setSampleRate(float rate)
{
  sampleRate_.store(rate, relaxed);
  if (loadFailed) return;
  // Rates the tables cannot be built for leave them as they are, and memory
  // running out leaves the old ones playing: the oscillator never reads
  // beyond a table's length either way.
  (void)shapeTables->prepareForRate(rate);
  releaseReturnedBuffers();
}

void EffectCore::setBlockSize(int32_t frames)
{
  if (loadFailed) return;
  releaseReturnedBuffers();
  if (frames <= scratchFramesAsKnown || frames > kLargestPreparedScratchFrames) return;
  // Without memory the audio routine keeps its buffers (and grows them for a
  // larger block itself).
  if (std::unique_ptr<ScratchBuffers> grown = makeScratch(frames)) {
    scratchFramesAsKnown = frames;
    (void)preparedScratch.offer(std::move(grown));  // an earlier offer not taken yet goes
  }
}

void EffectCore::releaseReturnedBuffers()
{
  shapeTables->releaseReturned();
  (void)preparedScratch.reclaim();
}

EffectCore::RouteSettings EffectCore::readRouteSettings() const
{
  RouteSettings settings{};
  for (std::size_t slot = 0; slot < settings.order.size(); ++slot)
    settings.order[slot] = chain.order[slot].load(relaxed);
  settings.wetShare = dryWet->wetShare();
  return settings;
}

bool EffectCore::RouteSettings::rereadsInput() const
{
  // A stage at home hands its result on, so the next one reads that; a
  // stage away from home leaves the input in place for the next one.
  const auto atHome = [this](StageKind kind) { return order[static_cast<std::size_t>(homeSlot(kind))] == kind; };
  return DryWetMix::needsDry(wetShare) || !std::all_of(order.begin(), order.end(), atHome);
}

void EffectCore::processReplacing(float** inputs, float** outputs, int32_t sampleFrames)
{
  const DenormalGuard flushDenormals;  // the host's own mode comes back on return
  if (loadFailed) return;
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr || outputs[0] == nullptr)
    return;
  adoptAnnouncedScratch();
  const float* input = inputs[0];
  float* const output = outputs[0];
  float* const second = outputs[1] != output ? outputs[1] : nullptr;
  const RouteSettings settings = readRouteSettings();
  // In place, the stages overwrite the input; where it is read again, it is
  // kept aside first, so the block sounds as it does into separate buffers.
  if (input == output && settings.rereadsInput()) input = keptInput(input, second, sampleFrames);
  processBlock(BlockRoute{input, output, second, settings}, sampleFrames);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the input, then where else to keep it, then the count
const float* EffectCore::keptInput(const float* input, float* secondOutput, int32_t frames)
{
  float* copy = nullptr;
  if (frames > scratch->frames && secondOutput != nullptr) {
    // A buffer of the block's size already: the second output is written
    // only once the chain and the blend are done with the input.
    copy = secondOutput;
  } else if (scratchHolds(frames)) {
    // The copy setBlockSize prepared, or one grown here for a larger block.
    copy = scratch->dry.get();
  }
  // Out of memory: the stages then read what the earlier ones wrote.
  if (copy == nullptr) return input;
  std::copy_n(input, frames, copy);
  return copy;
}

void EffectCore::startBlock(float rate)
{
  if (resetRequested.exchange(false, relaxed)) {
    trackingOscillator->reset();
    filter->reset();
    delay->reset();
    trackSplit = 0;
    trackedPitch = 0.0f;
  }
  if (delayClearRequested.exchange(false, relaxed)) delay->clear();
  // The latest time, at this block's rate; the stage takes it as the block starts.
  delay->setLength(delayLengthAt(rate));
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the route, then its length
void EffectCore::processBlock(const BlockRoute& route, int32_t frames)
{
  const float rate = sampleRate();
  // Tables follow the host's rate from the first block after a change; they
  // were built when the rate was set.
  (void)shapeTables->adoptPrepared();
  startBlock(rate);

  float* const output = route.output;
  // Start from the dry input, so a chain in which no stage writes passes the
  // signal through (as the accumulating process does) instead of leaving the
  // host's stale buffer in the output.
  if (output != route.input) std::copy_n(route.input, frames, output);
  // Every stage hears a sample that is not a number as silence; where no
  // stage wrote (the filter off, the delay and the distortion resting, no
  // Mox) the input itself stands in the output, and it is silenced here.
  if (!runChain(Block{route.input, output, frames, rate, route.settings.order})) {
    std::replace_if(
        output, output + frames, [](float x) { return !std::isfinite(x); }, 0.0f);
  }
  // The dry input against the chain's result, before the volume; at the
  // initial share (the chain alone) nothing is touched.
  DryWetMix::blend(route.settings.wetShare, route.input, output, output, frames);

  const float gain = chain.outputGain.load(relaxed);
  if (gain != 1.0f) {
    for (int32_t i = 0; i < frames; ++i) output[i] *= gain;
  }
  // One channel in, the same result on both outputs.
  if (route.secondOutput != nullptr) std::copy_n(output, frames, route.secondOutput);
}

bool EffectCore::runChain(const Block& block)
{
  float* const output = block.output;
  const int32_t frames = block.frames;
  // One reading of the order per block; a change from another thread takes
  // effect at the next block.
  const std::array<StageKind, kStageSlotCount>& order = block.order;
  // A stage hands its result on only when it stands in its home slot; away
  // from home it still writes the output, but the next stage reads the same
  // input again.
  const auto atHome = [&order](StageKind kind) { return order[static_cast<std::size_t>(homeSlot(kind))] == kind; };

  const float* current = block.input;
  bool moxDone = false;
  bool filterDone = false;
  bool wrote = false;
  for (const StageKind kind : order) {
    switch (kind) {
      case StageKind::mox:
        if (moxDone) break;
        trackingOscillator->process(current, output, frames, block.rate, shapeTables->currentTable(),
                                    shapeTables->tableLength(), shapeTables->currentBandLimited());
        if (atHome(kind)) current = output;
        moxDone = true;
        wrote = true;
        break;
      case StageKind::filter:
        wrote = runFilter(block, current, moxDone && !filterDone) || wrote;
        if (atHome(kind)) current = output;
        filterDone = true;
        break;
      case StageKind::delay:
        if (!(delay->mix() > 0.0f)) break;  // " Delay Mix " at 0 or below: the stage rests
        delay->process(current, output, frames);
        if (atHome(kind)) current = output;
        wrote = true;
        break;
      case StageKind::distortion:
        if (!chain.distortionRuns.load(relaxed)) break;
        distortion->process(current, output, frames);
        if (atHome(kind)) current = output;
        wrote = true;
        break;
    }
  }
  return wrote;
}

bool EffectCore::runFilter(const Block& block, const float* current, bool pitchTracking)
{
  float* const output = block.output;
  const int32_t frames = block.frames;
  const float rate = block.rate;
  const FilterMode mode = chain.filterMode.load(relaxed);
  if (mode == FilterMode::off) return false;
  const auto type = static_cast<int32_t>(mode);
  const double factor = chain.cutOffFactor.load(relaxed);
  const float resonance = chain.resonance.load(relaxed);
  const auto normalised = [factor, rate](double hertz) { return static_cast<float>(factor * hertz / rate); };

  if (!pitchTracking) {
    filter->setCoefficients(normalised(kFixedCutOffHz), resonance);
    filter->process(current, output, frames, type);
    return true;
  }
  if (trackingOscillator->continuousEngine()) {
    // The oscillator's continuous engine names the places (fixed in samples,
    // whatever the block size) where the cut-off moves on; up to the first,
    // the pitch the last block left.
    float pitch = trackedPitch;
    int32_t from = 0;
    for (const TrackingOscillator::ToneChange& change : trackingOscillator->toneChanges()) {
      const int32_t to = std::clamp(change.offset, from, frames);
      filter->setCoefficients(normalised(pitch), resonance);
      filter->process(output + from, output + from, to - from, type);
      from = to;
      pitch = change.hertz;
    }
    filter->setCoefficients(normalised(pitch), resonance);
    filter->process(output + from, output + from, frames - from, type);
    trackedPitch = pitch;
    trackSplit = 0;
    return true;
  }
  // The first samples of this block finish the cycle the oscillator began in
  // the previous block, at that block's pitch; the rest follow the new pitch.
  trackSplit = std::clamp(trackSplit, 0, frames);
  filter->setCoefficients(normalised(trackedPitch), resonance);
  filter->process(output, output, trackSplit, type);
  // The frequency the oscillator synthesises: the estimate times the ratio,
  // snapped to the scale and moved along the glide.
  const float pitch = trackingOscillator->toneFrequency();
  filter->setCoefficients(normalised(pitch), resonance);
  filter->process(output + trackSplit, output + trackSplit, frames - trackSplit, type);
  trackedPitch = pitch;
  trackSplit = trackingOscillator->pendingCount();
  return true;
}

void EffectCore::process(float** inputs, float** outputs, int32_t sampleFrames)
{
  const DenormalGuard flushDenormals;  // the host's own mode comes back on return
  if (loadFailed) return;
  if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr || outputs[0] == nullptr)
    return;
  adoptAnnouncedScratch();
  // A block larger than any announced grows the buffers on this thread (the
  // block must run whole); should memory run out, the block is processed in
  // pieces the buffers can hold.
  (void)scratchHolds(sampleFrames);
  const int32_t scratchCapacity = scratch->frames;
  const RouteSettings settings = readRouteSettings();
  for (int32_t offset = 0; offset < sampleFrames; offset += scratchCapacity) {
    const int32_t frames = std::min(scratchCapacity, sampleFrames - offset);
    float* const channel = scratch->working.get();
    // From the host's input, which nothing here writes, into the working
    // channel: the route of processReplacing into separate buffers.
    processBlock(BlockRoute{inputs[0] + offset, channel, nullptr, settings}, frames);
    for (int32_t i = 0; i < frames; ++i) outputs[0][offset + i] += channel[i];
    if (outputs[1] != nullptr && outputs[1] != outputs[0]) {
      for (int32_t i = 0; i < frames; ++i) outputs[1][offset + i] += channel[i];
    }
  }
}

bool EffectCore::scratchHolds(int32_t frames)
{
  if (frames <= scratch->frames) return true;
  std::unique_ptr<ScratchBuffers> grown = makeScratch(frames);
  if (!grown) return false;
  scratch = std::move(grown);
  return true;
}

void EffectCore::adoptAnnouncedScratch()
{
  // Buffers announced with setBlockSize are taken here, at the start of a
  // block; the old ones go back for the host's thread to free.
  if (ScratchBuffers* const announced = preparedScratch.take(scratch.get())) {
    (void)scratch.release();  // the slot holds it now, for the host's thread to free
    scratch.reset(announced);
  }
}

std::unique_ptr<EffectCore::ScratchBuffers> EffectCore::makeScratch(int32_t frames)
{
  std::unique_ptr<ScratchBuffers> buffers(new (std::nothrow) ScratchBuffers);
  if (!buffers) return nullptr;
  for (auto* buffer : {&buffers->working, &buffers->dry}) {
    buffer->reset(new (std::nothrow) float[static_cast<std::size_t>(frames)]);
    if (!*buffer) return nullptr;
  }
  buffers->frames = frames;
  return buffers;
}
