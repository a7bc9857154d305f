// Lv2Plugin: one instance of the LV2 edition. It owns an EffectCore and
// turns the LV2 calls into the core's: the sample rate at instantiation, the
// control ports' values into parameter changes (in their units, see
// ParameterUnits.h) at the start of each block, the audio ports into the
// core's replacing routine, activate into the core's reset request. It adds
// nothing to the sound: for the same settings and blocks the outputs are the
// VST 2 edition's to the bit, in place or not.
//
// Threads, as LV2 defines them: instantiate, activate, deactivate and cleanup
// come from the host's instantiation thread, run and connectPort from its
// audio thread. run takes no lock, does no I/O and throws nothing; it
// allocates nothing either, save in the one case the core names (a block in
// place beyond the largest announced, both outputs on one buffer, with the
// input to keep: see EffectCore).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effect/EffectCore.h"
#include "shapes/BundleServices.h"

#include <lv2/core/lv2.h>
#include <lv2/log/log.h>

class Lv2Plugin final : private LoadFailureLog {
public:
  // Null when the rate is not usable, memory runs out or anything else
  // fails (nothing is thrown to the host). A missing or bad shape folder
  // still gives an instance: silent, with one line in the log.
  static std::unique_ptr<Lv2Plugin> create(double sampleRate, const char* bundlePath,
                                           const LV2_Feature* const* features);
  ~Lv2Plugin();

  void connectPort(uint32_t port, void* data);
  // LV2 asks activate to reset everything that depends on history: the core
  // does so at the start of the next run, so deactivate has nothing to do.
  void activate();
  void deactivate();
  // Any block size, in place or not (the core keeps what it reads again).
  void run(uint32_t frames);

  const EffectCore& core() const { return core_; }

private:
  struct HostFeatures;
  Lv2Plugin(double sampleRate, const std::string& bundlePath, const HostFeatures& features);
  void error(const std::string& line) override;
  // Hands every control port whose value changed since the last block to the core.
  void applyControls();

  // The host's log, if offered (see HostFeatures); used at instantiation only.
  const LV2_Log_Log* hostLog = nullptr;
  uint32_t errorType = 0;
  BundleServices services;
  EffectCore core_;
  const float* input = nullptr;
  float* outputs[2] = {nullptr, nullptr};
  std::vector<const float*> controls;  // by control port, from kFirstControlPort
  std::vector<float> appliedValues;    // what each control port held when last applied
};
