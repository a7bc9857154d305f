// A host for the hardening tests: the plug-in built through its entry and
// driven through the descriptor only, as a host sees it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vst2/interface/AEffect.h"
#include "tests/effect/EffectTestSupport.h"

namespace hardening {

// The parameter numbers the tests set (the host's view: plain indices).
enum Parameter : int32_t {
  kWaveShape = 0,
  kFftLength = 1,
  kPitchShift = 4,
  kFilterType = 5,
  kCutOff = 6,
  kResonance = 7,
  kDelayMix = 8,
  kDelayTime = 9,
  kDelayFeedBack = 10,
  kDrive = 12,
  kVolume = 13,
  kFirst = 14,
  kSecond = 15,
  kThird = 16,
  kForth = 17,
};

// One plug-in instance as the host holds it: created by the entry, closed
// (and so destroyed) with effClose when this goes.
class HostedPlugin {
public:
  HostedPlugin();
  ~HostedPlugin();
  HostedPlugin(const HostedPlugin&) = delete;
  HostedPlugin& operator=(const HostedPlugin&) = delete;

  AEffect* operator->() const { return effect; }
  AEffect* descriptor() const { return effect; }

  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
  void set(int32_t index, float value) { effect->setParameter(effect, index, value); }
  float get(int32_t index) { return effect->getParameter(effect, index); }

  // Every stage on: filter (band-pass) after the Mox stage, the delay and the
  // distortion, with the given resonance and delay feedback.
  void everyStageOn(float resonance, float feedback);

  // Runs `input` through processReplacing (or process, into zeroed outputs)
  // in blocks of `blockSize`; the left output, after checking that the right
  // one is the same.
  std::vector<float> render(std::span<const float> input, int32_t blockSize, bool replacing = true);

private:
  AEffect* effect;
};

// A sine of `count` samples at `hertz` for `sampleRate`.
std::vector<float> sine(double hertz, double sampleRate, std::size_t count, float amplitude);

// The shipped shapes for every plug-in the tests create; one per process.
void useShippedShapes();

}  // namespace hardening
