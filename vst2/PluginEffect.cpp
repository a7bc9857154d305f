#include "vst2/PluginEffect.h"

#include <cstring>
#include <new>
#include <string_view>

#if BRASKLIN_HAVE_EDITOR
#include "vst2/PluginEditor.h"
#endif
#include "effect/EffectIdentity.h"
#include "vst2/PluginIdentity.h"
#include "vst2/interface/AEffEditor.h"
#include "platform/PlatformServices.h"
#include "BrasklinVersion.h"

namespace {

constexpr int32_t kChannels = 2;
// How hosts list the plug-in: its own name rather than the file's, and as its own maker.
constexpr const char* kPluginName = kEffectName;
constexpr const char* kVendorName = kEffectMaker;

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

PluginEffect::PluginEffect(audioMasterCallback hostCallback)
    : AudioEffect(hostCallback, kProgramCount, kParameterCount), core_(platformServices())
{
  // Without its wave shapes the effect stays inert: the base's descriptor,
  // no editor.
  if (core_.hasLoadFailed()) return;
  core_.setObserver(this);
  // Two inputs (only the first is read), two outputs, mono, replacing.
  setNumInputs(kChannels);
  setNumOutputs(kChannels);
  canMono(true);
  canProcessReplacing(true);
  setUniqueID(kPluginUniqueId);
  createEditor();
}

// The core goes first and the base then deletes the editor, the order the
// effect's own members have always been released in.
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

void PluginEffect::setParameter(int32_t index, float value) { core_.setParameter(index, value); }

void PluginEffect::parameterChanged(int32_t index, float value)
{
  // The editor only stores the new value and asks for a redraw at its next
  // idle, so this is safe on any thread, the audio thread included.
  if (AEffEditor* const view = getEditor()) {
    view->postUpdate();
    view->setParameter(index, value);
  }
}

float PluginEffect::getParameter(int32_t index) { return core_.getParameter(index); }

void PluginEffect::getParameterName(int32_t index, char* text) { core_.writeParameterName(index, text); }

void PluginEffect::getParameterDisplay(int32_t index, char* text) { core_.writeParameterDisplay(index, text); }

void PluginEffect::getParameterLabel(int32_t /*index*/, char* label)
{
  if (core_.hasLoadFailed() || label == nullptr) return;
  copyBoundedText(label, kParameterTextCapacity, " ");
}

// ---------------------------------------------------------------------------
// Programs

void PluginEffect::setProgram(int32_t program)
{
  if (core_.hasLoadFailed()) return;
  AudioEffect::setProgram(program);  // the base's number, for what reads it there
  core_.setProgram(program);
}

int32_t PluginEffect::getProgram() { return core_.currentProgramNumber(); }

void PluginEffect::setProgramName(char* name) { core_.setProgramName(name); }

void PluginEffect::getProgramName(char* name) { (void)core_.writeProgramName(core_.currentProgramNumber(), name); }

bool PluginEffect::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text)
{
  return core_.writeProgramName(index, text);
}

// ---------------------------------------------------------------------------
// What hosts ask about the plug-in. The identity answers hold even when the
// wave shapes failed to load: the host still lists the plug-in by its name.

bool PluginEffect::canParameterBeAutomated(int32_t index)
{
  return isParameterIndex(index) && parameterInfo(index).automatable;
}

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

int32_t PluginEffect::getTailSize() { return core_.tailSamples(); }

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

void PluginEffect::suspend() { core_.suspend(); }

void PluginEffect::resume() { core_.resume(); }

void PluginEffect::setSampleRate(float rate)
{
  // The base keeps only usable rates; the core gets the one kept.
  AudioEffect::setSampleRate(rate);
  core_.setSampleRate(getSampleRate());
}

void PluginEffect::setBlockSize(int32_t size)
{
  AudioEffect::setBlockSize(size);
  core_.setBlockSize(getBlockSize());
}

void PluginEffect::processReplacing(float** inputs, float** outputs, int32_t sampleFrames)
{
  core_.processReplacing(inputs, outputs, sampleFrames);
}

void PluginEffect::process(float** inputs, float** outputs, int32_t sampleFrames)
{
  core_.process(inputs, outputs, sampleFrames);
}
