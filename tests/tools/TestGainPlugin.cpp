// A second plug-in of the same interface for the renderer's tests: a plain
// gain with two programs, so a render through it can be checked exactly.
#include "vst2/interface/AudioEffect.h"
#include "vst2/interface/PluginEntry.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kPrograms = 2;
constexpr int32_t kParameters = 2;
// Program 1 doubles the signal; program 0 leaves it as it is.
constexpr float kProgramGain[kPrograms] = {0.5f, 1.0f};

class TestGain : public AudioEffect {
public:
  explicit TestGain(audioMasterCallback host) : AudioEffect(host, kPrograms, kParameters)
  {
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing(true);
    setUniqueID(fourCharCode("TGai"));
  }

  void setProgram(int32_t program) override
  {
    if (program < 0 || program >= kPrograms) return;
    AudioEffect::setProgram(program);
    gain_ = kProgramGain[program];
  }
  void getProgramName(char* name) override { std::snprintf(name, 24, "Gain program %d", getProgram()); }

  void setParameter(int32_t index, float value) override
  {
    if (index == 0) gain_ = value;
    if (index == 1) invert_ = value >= 0.5f;
  }
  float getParameter(int32_t index) override
  {
    return index == 0 ? gain_ : index == 1 ? (invert_ ? 1.0f : 0.0f) : 0.0f;
  }
  void getParameterName(int32_t index, char* text) override
  {
    std::strcpy(text, index == 0 ? " Gain " : index == 1 ? "Invert Right" : "");
  }
  void getParameterDisplay(int32_t index, char* text) override
  {
    std::snprintf(text, 9, "%.2f", static_cast<double>(getParameter(index)));
  }
  void getParameterLabel(int32_t index, char* text) override { std::strcpy(text, index == 0 ? "x2" : ""); }

  // Output 0 is the input times 2 x gain; output 1 the same, negated when inverting.
  void processReplacing(float** inputs, float** outputs, int32_t frames) override
  {
    for (int32_t i = 0; i < frames; ++i) {
      const float y = inputs[0][i] * (2.0f * gain_);
      outputs[0][i] = y;
      outputs[1][i] = invert_ ? -y : y;
    }
  }
  void process(float** inputs, float** outputs, int32_t frames) override
  {
    for (int32_t i = 0; i < frames; ++i) {
      const float y = inputs[0][i] * (2.0f * gain_);
      outputs[0][i] += y;
      outputs[1][i] += invert_ ? -y : y;
    }
  }

private:
  float gain_ = 0.5f;
  bool invert_ = false;
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback host)
{
#ifdef TEST_PLUGIN_REFUSES
  // Stands for a plug-in that cannot start (say its data folder is missing):
  // it says why on standard error and returns no effect.
  (void)host;
  std::fprintf(stderr, "test plug-in: my data folder is missing\n");
  return nullptr;
#else
  return new TestGain(host);
#endif
}
