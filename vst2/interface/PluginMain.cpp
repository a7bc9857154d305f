#include "vst2/interface/AudioEffect.h"
#include "vst2/interface/PluginEntry.h"

AEffect* pluginMain(audioMasterCallback hostCallback)
{
  // A host that answers 0 to the version question is one we cannot talk to.
  if (hostCallback == nullptr || hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
    return nullptr;
  }

  AudioEffect* effect = nullptr;
  try {
    effect = createEffectInstance(hostCallback);
  } catch (...) {
    // Nothing may unwind into the host, which is not C++ and cannot catch it.
    return nullptr;
  }
  if (effect == nullptr) {
    return nullptr;
  }

  // Once any editor failed to allocate, every later instance is refused too:
  // memory that short cannot be trusted to run the effect.
  if (outOfMemory.load(std::memory_order_relaxed)) {
    delete effect;
    return nullptr;
  }
  return effect->getAeffect();
}
