#include "vst2/interface/AudioEffect.h"

#include <cmath>
#include <cstring>

#include "vst2/interface/AEffEditor.h"
#include "vst2/interface/IntegerConversion.h"

std::atomic<bool> outOfMemory{false};

namespace {

constexpr int32_t kUnnamedEffectId = fourCharCode("NoEf");
constexpr int32_t kDefaultInputs = 1;
constexpr int32_t kDefaultOutputs = 2;

// The descriptor's entries are plain functions; each finds its object through
// the record's `object` field. A record without an object (a host calling after
// close, or a forged record) is answered with nothing rather than a crash.
AudioEffect* objectOf(AEffect* effect)
{
  return effect != nullptr ? static_cast<AudioEffect*>(effect->object) : nullptr;
}

intptr_t dispatchTrampoline(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
  AudioEffect* object = objectOf(effect);
  if (object == nullptr) {
    return 0;
  }
  const intptr_t result = object->dispatcher(opcode, index, value, ptr, opt);
  if (opcode == effClose) {
    // The host gives up the effect: it goes, and the record with it.
    delete object;
    return 1;
  }
  return result;
}

void processTrampoline(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames)
{
  if (AudioEffect* object = objectOf(effect)) {
    object->process(inputs, outputs, sampleFrames);
  }
}

void processReplacingTrampoline(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames)
{
  if (AudioEffect* object = objectOf(effect)) {
    object->processReplacing(inputs, outputs, sampleFrames);
  }
}

void setParameterTrampoline(AEffect* effect, int32_t index, float value)
{
  if (AudioEffect* object = objectOf(effect)) {
    object->setParameter(index, value);
  }
}

float getParameterTrampoline(AEffect* effect, int32_t index)
{
  AudioEffect* object = objectOf(effect);
  return object != nullptr ? object->getParameter(index) : 0.0f;
}

void writeEmpty(char* text)
{
  if (text != nullptr) {
    text[0] = '\0';
  }
}

}  // namespace

// The argument order is the interface convention every effect is written against.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
AudioEffect::AudioEffect(audioMasterCallback hostCallback, int32_t programCount, int32_t parameterCount)
    : sampleRate(kDefaultSampleRate),
      editor(nullptr),
      hostCallback(hostCallback),
      programCount(programCount > 0 ? programCount : 0),
      parameterCount(parameterCount > 0 ? parameterCount : 0),
      currentProgram(0),
      blockSize(kDefaultBlockSize),
      descriptor()
{
  std::memset(&descriptor, 0, sizeof descriptor);
  descriptor.magic = kEffectMagic;
  descriptor.dispatcher = dispatchTrampoline;
  descriptor.process = processTrampoline;
  descriptor.setParameter = setParameterTrampoline;
  descriptor.getParameter = getParameterTrampoline;
  descriptor.numPrograms = this->programCount;
  descriptor.numParams = this->parameterCount;
  descriptor.numInputs = kDefaultInputs;
  descriptor.numOutputs = kDefaultOutputs;
  descriptor.ioRatio = 1.0f;
  descriptor.object = this;
  descriptor.uniqueID = kUnnamedEffectId;
  descriptor.version = kBaseEffectVersion;
  descriptor.processReplacing = processReplacingTrampoline;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setParameter(int32_t /*index*/, float /*value*/) {}

float AudioEffect::getParameter(int32_t /*index*/) { return 0.0f; }

void AudioEffect::setParameterAutomated(int32_t index, float value)
{
  setParameter(index, value);
  if (hostCallback != nullptr) {
    hostCallback(&descriptor, audioMasterAutomate, index, 0, nullptr, value);
  }
}

void AudioEffect::processReplacing(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) {}

void AudioEffect::open() {}

void AudioEffect::close() {}

int32_t AudioEffect::getProgram() { return currentProgram.load(std::memory_order_relaxed); }

void AudioEffect::setProgram(int32_t program)
{
  if (program >= 0 && program < programCount) {
    currentProgram.store(program, std::memory_order_relaxed);
  }
}

void AudioEffect::setProgramName(char* name) { writeEmpty(name); }

void AudioEffect::getProgramName(char* name) { writeEmpty(name); }

void AudioEffect::getParameterLabel(int32_t /*index*/, char* label) { writeEmpty(label); }

void AudioEffect::getParameterDisplay(int32_t /*index*/, char* text) { writeEmpty(text); }

void AudioEffect::getParameterName(int32_t /*index*/, char* text) { writeEmpty(text); }

float AudioEffect::getVu() { return 0.0f; }

intptr_t AudioEffect::getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }

intptr_t AudioEffect::setChunk(void* /*data*/, intptr_t /*byteSize*/, bool /*isPreset*/) { return 0; }

void AudioEffect::setSampleRate(float rate)
{
  // The comparison is false for NaN, so NaN is ignored too.
  if (std::isfinite(rate) && rate >= kMinSampleRate && rate <= kMaxSampleRate) {
    sampleRate.store(rate, std::memory_order_relaxed);
  }
}

void AudioEffect::setBlockSize(int32_t size)
{
  if (size >= 0) {
    blockSize.store(size, std::memory_order_relaxed);
  }
}

void AudioEffect::suspend() {}

void AudioEffect::resume() {}

void AudioEffect::setUniqueID(int32_t id) { descriptor.uniqueID = id; }

void AudioEffect::setNumInputs(int32_t inputs) { descriptor.numInputs = inputs; }

void AudioEffect::setNumOutputs(int32_t outputs) { descriptor.numOutputs = outputs; }

namespace {
void setFlag(AEffect& descriptor, int32_t flag, bool state)
{
  if (state) {
    descriptor.flags |= flag;
  } else {
    descriptor.flags &= ~flag;
  }
}
}  // namespace

void AudioEffect::hasVu(bool state) { setFlag(descriptor, effFlagsHasVu, state); }

void AudioEffect::hasClip(bool state) { setFlag(descriptor, effFlagsHasClip, state); }

void AudioEffect::canMono(bool state) { setFlag(descriptor, effFlagsCanMono, state); }

void AudioEffect::canProcessReplacing(bool state) { setFlag(descriptor, effFlagsCanReplacing, state); }

void AudioEffect::programsAreChunks(bool state) { setFlag(descriptor, effFlagsProgramChunks, state); }

void AudioEffect::setRealtimeQualities(int32_t qualities) { descriptor.realQualities = qualities; }

void AudioEffect::setOfflineQualities(int32_t qualities) { descriptor.offQualities = qualities; }

void AudioEffect::setInitialDelay(int32_t delay) { descriptor.initialDelay = delay; }

float AudioEffect::getSampleRate() { return sampleRate.load(std::memory_order_relaxed); }

int32_t AudioEffect::getBlockSize() { return blockSize.load(std::memory_order_relaxed); }

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value)
{
  return hostCallback(&descriptor, opcode, index, value, nullptr, 0.0f);
}

int32_t AudioEffect::getMasterVersion()
{
  if (hostCallback == nullptr) {
    return 1;
  }
  const intptr_t version = callHost(audioMasterVersion, 0, 0);
  return version != 0 ? saturateToInt32(version) : 1;
}

int32_t AudioEffect::getCurrentUniqueId()
{
  return hostCallback != nullptr ? saturateToInt32(callHost(audioMasterCurrentId, 0, 0)) : 0;
}

void AudioEffect::masterIdle()
{
  if (hostCallback != nullptr) {
    callHost(audioMasterIdle, 0, 0);
  }
}

// The host answers 0 for a connected pin.
bool AudioEffect::isInputConnected(int32_t input)
{
  return hostCallback == nullptr || callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(int32_t output)
{
  return hostCallback == nullptr || callHost(audioMasterPinConnected, output, 1) == 0;
}

bool AudioEffect::beginEdit(int32_t index)
{
  return hostCallback != nullptr && callHost(audioMasterBeginEdit, index, 0) != 0;
}

bool AudioEffect::endEdit(int32_t index)
{
  return hostCallback != nullptr && callHost(audioMasterEndEdit, index, 0) != 0;
}

bool AudioEffect::canParameterBeAutomated(int32_t /*index*/) { return false; }

bool AudioEffect::getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char* /*text*/) { return false; }

bool AudioEffect::getEffectName(char* /*name*/) { return false; }

bool AudioEffect::getVendorString(char* /*text*/) { return false; }

bool AudioEffect::getProductString(char* /*text*/) { return false; }

int32_t AudioEffect::getVendorVersion() { return 0; }

int32_t AudioEffect::getPlugCategory() { return kPlugCategUnknown; }

int32_t AudioEffect::canDo(const char* /*text*/) { return 0; }

int32_t AudioEffect::getTailSize() { return 0; }

bool AudioEffect::getParameterProperties(int32_t /*index*/, VstParameterProperties* /*properties*/) { return false; }

int32_t AudioEffect::getVstVersion() { return kVstVersion; }

void AudioEffect::setEditor(AEffEditor* newEditor)
{
  editor = newEditor;
  setFlag(descriptor, effFlagsHasEditor, newEditor != nullptr);
}
