#include "vst3/Vst3Processor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "effect/EffectCore.h"
#include "effect/SampleRate.h"
#include "platform/PlatformServices.h"
#include "vst3/ComponentState.h"
#include "vst3/ParameterSchedule.h"
#include "vst3/Utf16Text.h"
#include "vst3/Vst3Identity.h"
#include "vst3/Vst3Parameters.h"

using namespace vst3;

namespace {

bool isMainAudioBus(int32_t type, int32_t direction, int32_t index)
{
  return type == kAudio && (direction == kInput || direction == kOutput) && index == 0;
}

}  // namespace

Vst3Processor::Vst3Processor(std::string resourcesFolder) : resources(std::move(resourcesFolder)) {}

Vst3Processor::~Vst3Processor() = default;

tresult Vst3Processor::queryInterface(const char* iid, void** object)
{
  if (object == nullptr) return kInvalidArgument;
  void* found = nullptr;
  if (iid == nullptr) {
  } else if (sameTuid(iid, FUnknown::iid) || sameTuid(iid, IPluginBase::iid) || sameTuid(iid, IComponent::iid)) {
    found = static_cast<IComponent*>(this);
  } else if (sameTuid(iid, IAudioProcessor::iid)) {
    found = static_cast<IAudioProcessor*>(this);
  } else if (sameTuid(iid, IConnectionPoint::iid)) {
    found = static_cast<IConnectionPoint*>(this);
  } else if (sameTuid(iid, IProcessContextRequirements::iid)) {
    found = static_cast<IProcessContextRequirements*>(this);
  }
  *object = found;
  if (found == nullptr) return kNoInterface;
  addRef();
  return kResultOk;
}

uint32_t Vst3Processor::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t Vst3Processor::release()
{
  const uint32_t left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

void Vst3Processor::error(const std::string& line)
{
  // VST 3 gives a plug-in no log: the host's console gets the line.
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

tresult Vst3Processor::initialize(FUnknown* /*context*/)
{
  if (core) return kResultFalse;
  try {
    LoadFailureLog& log = *this;
    services = std::make_unique<BundleServices>(resources, platformServices(), log);
    core = std::make_unique<EffectCore>(*services);
  } catch (const std::bad_alloc&) {
    core.reset();
    services.reset();
    return kOutOfMemory;
  }
  return kResultOk;
}

tresult Vst3Processor::terminate()
{
  core.reset();
  services.reset();
  peer = nullptr;
  return kResultOk;
}

tresult Vst3Processor::getControllerClassId(char classId[16])
{
  if (classId == nullptr) return kInvalidArgument;
  std::memcpy(classId, vst3_identity::kControllerCid.bytes, 16);
  return kResultOk;
}

tresult Vst3Processor::setIoMode(int32_t /*mode*/) { return kResultOk; }

int32_t Vst3Processor::getBusCount(int32_t type, int32_t direction)
{
  return type == kAudio && (direction == kInput || direction == kOutput) ? 1 : 0;
}

tresult Vst3Processor::getBusInfo(int32_t type, int32_t direction, int32_t index, BusInfo* bus)
{
  if (bus == nullptr || !isMainAudioBus(type, direction, index)) return kInvalidArgument;
  std::memset(bus, 0, sizeof *bus);
  bus->mediaType = kAudio;
  bus->direction = direction;
  bus->channelCount = direction == kInput ? 1 : 2;
  writeUtf16(direction == kInput ? "Input" : "Output", bus->name, 128);
  bus->busType = kMain;
  bus->flags = BusInfo::kDefaultActive;
  return kResultOk;
}

tresult Vst3Processor::getRoutingInfo(RoutingInfo* /*in*/, RoutingInfo* /*out*/) { return kNotImplemented; }

tresult Vst3Processor::activateBus(int32_t type, int32_t direction, int32_t index, TBool /*state*/)
{
  return isMainAudioBus(type, direction, index) ? kResultOk : kInvalidArgument;
}

tresult Vst3Processor::setActive(TBool state)
{
  if (!core) return kNotInitialized;
  // Deactivated, the delay line is silenced at the next block, as after a
  // VST 2 suspend: a re-activated effect starts without old echoes.
  if (state != 0) {
    core->resume();
  } else {
    core->suspend();
  }
  return kResultOk;
}

tresult Vst3Processor::setState(IBStream* state)
{
  if (state == nullptr) return kInvalidArgument;
  if (!core || core->hasLoadFailed()) return kResultFalse;
  const std::optional<ComponentState> read = readComponentState(*state);
  if (!read) return kResultFalse;
  // Every program's values are kept without selecting it, then the saved
  // current program is selected, which sets the stages once.
  for (int32_t program = 0; program < read->programsRead; ++program)
    core->keepProgramValues(program, read->programs[static_cast<std::size_t>(program)], read->valuesRead);
  core->setProgram(read->currentProgram);
  return kResultOk;
}

tresult Vst3Processor::getState(IBStream* state)
{
  if (state == nullptr) return kInvalidArgument;
  if (!core || core->hasLoadFailed()) return kResultFalse;
  ComponentState saved;
  saved.currentProgram = core->currentProgramNumber();
  for (int32_t program = 0; program < ComponentState::kProgramCount; ++program)
    saved.programs[static_cast<std::size_t>(program)] = core->programAt(program).values();
  return writeComponentState(*state, saved) ? kResultOk : kResultFalse;
}

tresult Vst3Processor::setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount, SpeakerArrangement* outputs,
                                          int32_t outputCount)
{
  const bool ours = inputCount == 1 && outputCount == 1 && inputs != nullptr && outputs != nullptr &&
                    inputs[0] == kSpeakerMono && outputs[0] == kSpeakerStereo;
  // Anything else: the host reads ours (getBusArrangement) and may ask again.
  return ours ? kResultTrue : kResultFalse;
}

tresult Vst3Processor::getBusArrangement(int32_t direction, int32_t index, SpeakerArrangement* arrangement)
{
  if (arrangement == nullptr || !isMainAudioBus(kAudio, direction, index)) return kInvalidArgument;
  *arrangement = direction == kInput ? kSpeakerMono : kSpeakerStereo;
  return kResultOk;
}

tresult Vst3Processor::canProcessSampleSize(int32_t symbolicSampleSize)
{
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

// The effect delays nothing: the other editions report no latency either.
uint32_t Vst3Processor::getLatencySamples() { return 0; }

uint32_t Vst3Processor::getTailSamples()
{
  return core && !core->hasLoadFailed() ? static_cast<uint32_t>(std::max(core->tailSamples(), 0)) : 0;
}

tresult Vst3Processor::setupProcessing(ProcessSetup* setup)
{
  if (setup == nullptr) return kInvalidArgument;
  if (!core) return kNotInitialized;
  if (setup->symbolicSampleSize != kSample32 || !std::isfinite(setup->sampleRate) ||
      !isUsableSampleRate(setup->sampleRate))
    return kResultFalse;
  core->setSampleRate(static_cast<float>(setup->sampleRate));
  if (setup->maxSamplesPerBlock > 0) core->setBlockSize(setup->maxSamplesPerBlock);
  return kResultOk;
}

tresult Vst3Processor::setProcessing(TBool state)
{
  if (!core) return kNotInitialized;
  // Starting again is a fresh start: the next block sounds as a new instance
  // with the same settings would (oscillator, filter, tracking and delay
  // forgotten). A flag only, as this may come on the audio thread.
  if (state != 0) core->requestReset();
  return kResultOk;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): an ID, then its value, as the queues give them
void Vst3Processor::applyChange(ParamID id, double value)
{
  if (id == vst3_parameters::kProgramChangeId) {
    core->setProgram(vst3_parameters::programFor(value));
    return;
  }
  const int32_t index = vst3_parameters::indexForId(id);
  // The alias is read-only to hosts; a change of it (or of an unknown ID)
  // from a host that sends one anyway is not the user's.
  if (index == vst3_parameters::kNoIndex || parameterInfo(index).aliasOf != kNoAlias) return;
  core->setParameter(index, vst3_parameters::effectValueFor(index, value));
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the buffers, then the span within them
void Vst3Processor::runPiece(float* input, float* left, float* right, int32_t from, int32_t to)
{
  if (to <= from) return;
  float* inputs[2] = {input + from, nullptr};
  float* outputs[2] = {left + from, right + from};
  core->processReplacing(inputs, outputs, to - from);
}

tresult Vst3Processor::process(ProcessData* data)
{
  if (data == nullptr) return kInvalidArgument;
  if (!core) return kNotInitialized;
  const int32_t frames = std::max(data->numSamples, 0);
  ParameterSchedule schedule(data->inputParameterChanges, frames, vst3_parameters::kProgramChangeId);
  const auto apply = [this](ParamID id, double value) { applyChange(id, value); };

  AudioBusBuffers* const out = data->numOutputs > 0 ? data->outputs : nullptr;
  const bool audio = frames > 0 && data->symbolicSampleSize == kSample32 && out != nullptr && out->numChannels > 0 &&
                     out->channelBuffers32 != nullptr && out->channelBuffers32[0] != nullptr;
  if (!audio) {
    // A flush (no samples, no buffers) or buffers we cannot use: the changes
    // still count, all of them at once.
    schedule.applyUpTo(frames, apply);
    return data->symbolicSampleSize == kSample32 || frames == 0 ? kResultOk : kInvalidArgument;
  }
  float* const left = out->channelBuffers32[0];
  float* const right = out->numChannels > 1 && out->channelBuffers32[1] != nullptr ? out->channelBuffers32[1] : left;
  const AudioBusBuffers* const in = data->numInputs > 0 ? data->inputs : nullptr;
  float* input =
      in != nullptr && in->numChannels > 0 && in->channelBuffers32 != nullptr ? in->channelBuffers32[0] : nullptr;
  if (input == nullptr || core->hasLoadFailed()) {
    // No input: the effect hears silence (its echoes still sound); no
    // effect: it plays silence.
    std::fill_n(left, frames, 0.0f);
    if (right != left) std::fill_n(right, frames, 0.0f);
    input = left;
  }
  if (core->hasLoadFailed()) {
    schedule.applyUpTo(frames, apply);
    out->silenceFlags = out->numChannels >= 64 ? ~uint64_t{0} : (uint64_t{1} << out->numChannels) - 1;
    return kResultOk;
  }

  int32_t position = 0;
  schedule.applyUpTo(position, apply);
  while (position < frames) {
    const int32_t next = std::max(schedule.nextOffset(), position + 1);
    runPiece(input, left, right, position, next);
    position = next;
    schedule.applyUpTo(position, apply);
  }
  out->silenceFlags = 0;
  return kResultOk;
}

tresult Vst3Processor::connect(IConnectionPoint* other)
{
  if (other == nullptr) return kInvalidArgument;
  peer = other;
  return kResultOk;
}

tresult Vst3Processor::disconnect(IConnectionPoint* other)
{
  if (other == peer) peer = nullptr;
  return kResultOk;
}

tresult Vst3Processor::notify(IMessage* /*message*/) { return kResultOk; }
