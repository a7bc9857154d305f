// A tiny plug-in built the way the real one is, so the export test can load it
// like a host does. Its audio routine writes a recognisable value, and its
// destructor tells the host it ran through a private opcode.
#include "vst2/interface/AudioEffect.h"
#include "vst2/interface/PluginEntry.h"
#include "tests/vst2/ProbePluginProtocol.h"

namespace {

class ProbeEffect : public AudioEffect {
public:
  explicit ProbeEffect(audioMasterCallback host) : AudioEffect(host, 2, 3)
  {
    setUniqueID(kProbeUniqueId);
    setNumInputs(2);
    canProcessReplacing();
  }
  ~ProbeEffect() override
  {
    if (hostCallback != nullptr) {
      hostCallback(&descriptor, kProbeDestroyedOpcode, 0, 0, nullptr, 0.0f);
    }
  }
  void process(float** /*inputs*/, float** outputs, int32_t sampleFrames) override
  {
    for (int32_t i = 0; i < sampleFrames; ++i) {
      outputs[0][i] += kProbeSample;
    }
  }
  void processReplacing(float** /*inputs*/, float** outputs, int32_t sampleFrames) override
  {
    for (int32_t i = 0; i < sampleFrames; ++i) {
      outputs[0][i] = kProbeSample;
    }
  }
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback hostCallback) { return new ProbeEffect(hostCallback); }
