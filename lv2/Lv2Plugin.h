// Lv2Plugin: one instance of the LV2 edition. It owns an EffectCore and
// turns the LV2 calls into the core's: the sample rate at instantiation, the
// control ports' values into parameter changes (in their units, see
// ParameterUnits.h) at the start of each block, the audio ports into the
// core's replacing routine. It adds nothing to the sound: for the same
// settings and blocks the outputs are the VST 2 edition's to the bit.
//
// Threads, as LV2 defines them: instantiate, activate, deactivate and cleanup
// come from the host's instantiation thread, run and connectPort from its
// audio thread. run allocates nothing, takes no lock, does no I/O and throws
// nothing; everything it needs is built at instantiation.
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
  // Frames the plug-in copies the input through when a host runs it in place
  // (input and first output the same buffer) and gives no largest block.
  static constexpr uint32_t kDefaultInPlaceFrames = 4096;

  // Null when the rate is not usable or memory runs out. A missing or bad
  // shape folder still gives an instance: silent, with one line in the log.
  static std::unique_ptr<Lv2Plugin> create(double sampleRate, const char* bundlePath,
                                           const LV2_Feature* const* features);
  ~Lv2Plugin();

  void connectPort(uint32_t port, void* data);
  void activate();
  void deactivate();
  void run(uint32_t frames);

  const EffectCore& core() const { return core_; }

private:
  struct HostFeatures;
  Lv2Plugin(double sampleRate, const std::string& bundlePath, const HostFeatures& features);
  void error(const std::string& line) override;
  // Hands every control port whose value changed since the last block to the core.
  void applyControls();
  void processBlock(const float* input, uint32_t offset, uint32_t frames);

  // The host's log, if offered (see HostFeatures); used at instantiation only.
  const LV2_Log_Log* hostLog = nullptr;
  uint32_t errorType = 0;
  BundleServices services;
  EffectCore core_;
  const float* input = nullptr;
  float* outputs[2] = {nullptr, nullptr};
  std::vector<const float*> controls;  // by control port, from kFirstControlPort
  std::vector<float> appliedValues;    // what each control port held when last applied
  std::vector<float> inputCopy;        // the input of a block run in place
};
