// A small plug-in DLL built exactly the way the real one is, so the Windows
// loading test can treat it like a host would. Beyond a recognisable audio
// routine it reveals the module handle its DLL entry point stored, which only
// the module itself can see.
#include "platform/win32/ModuleHandle.h"
#include "vst2/interface/AudioEffect.h"
#include "vst2/interface/PluginEntry.h"
#include "tests/windows/ModuleProbeProtocol.h"

namespace {

class ModuleProbeEffect : public AudioEffect {
public:
  explicit ModuleProbeEffect(audioMasterCallback host) : AudioEffect(host, 1, 1)
  {
    setUniqueID(kModuleProbeUniqueId);
    canProcessReplacing();
  }
  ~ModuleProbeEffect() override
  {
    if (hostCallback != nullptr) {
      hostCallback(&descriptor, kModuleProbeDestroyedOpcode, 0, 0, nullptr, 0.0f);
    }
  }
  intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override
  {
    if (opcode == kModuleProbeHandleOpcode) {
      return reinterpret_cast<intptr_t>(moduleHandle);
    }
    return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
  void process(float** /*inputs*/, float** outputs, int32_t sampleFrames) override
  {
    for (int32_t i = 0; i < sampleFrames; ++i) {
      outputs[0][i] += kModuleProbeSample;
    }
  }
  void processReplacing(float** /*inputs*/, float** outputs, int32_t sampleFrames) override
  {
    for (int32_t i = 0; i < sampleFrames; ++i) {
      outputs[0][i] = kModuleProbeSample;
    }
  }
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback hostCallback) { return new ModuleProbeEffect(hostCallback); }
