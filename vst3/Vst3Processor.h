// The VST 3 edition's audio processor (the component): one EffectCore, built
// at initialize with the wave shapes of the bundle's resources folder, and
// the VST 3 calls turned into the core's. One mono input bus and one stereo
// output bus, both output channels the effect's result; the processor works
// with or without a controller (some hosts make none).
//
// Parameter changes in process split the block at their offsets (see
// ParameterSchedule): the core runs each piece whole with the values in
// force there, so for the same settings and pieces the output is the VST 2
// edition's to the bit.
//
// Threads, as VST 3 hosts call: initialize, terminate, the buses,
// setupProcessing, setActive and the connection on the host's interface
// thread; process (and setProcessing, which some hosts call there) on its
// audio thread; setState and getState on the interface thread while process
// may run (the core's parameter and program calls are atomics), or on the
// processing thread when the host renders offline. Reference counting is
// atomic and safe anywhere. process allocates nothing, takes no lock, does
// no I/O and throws nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "shapes/BundleServices.h"
#include "vst3/interface/Vst3Processing.h"

class EffectCore;

class Vst3Processor final : public vst3::IComponent,
                            public vst3::IAudioProcessor,
                            public vst3::IConnectionPoint,
                            public vst3::IProcessContextRequirements,
                            private LoadFailureLog {
public:
  // `resourcesFolder` holds the Brasklin shape folder.
  explicit Vst3Processor(std::string resourcesFolder);
  Vst3Processor(const Vst3Processor&) = delete;
  Vst3Processor& operator=(const Vst3Processor&) = delete;

  // FUnknown (through each base)
  vst3::tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) override;
  uint32_t BRASKLIN_VST3_CALL addRef() override;
  uint32_t BRASKLIN_VST3_CALL release() override;

  // IPluginBase
  vst3::tresult BRASKLIN_VST3_CALL initialize(vst3::FUnknown* context) override;
  vst3::tresult BRASKLIN_VST3_CALL terminate() override;

  // IComponent
  vst3::tresult BRASKLIN_VST3_CALL getControllerClassId(char classId[16]) override;
  vst3::tresult BRASKLIN_VST3_CALL setIoMode(int32_t mode) override;
  int32_t BRASKLIN_VST3_CALL getBusCount(int32_t type, int32_t direction) override;
  vst3::tresult BRASKLIN_VST3_CALL getBusInfo(int32_t type, int32_t direction, int32_t index,
                                              vst3::BusInfo* bus) override;
  vst3::tresult BRASKLIN_VST3_CALL getRoutingInfo(vst3::RoutingInfo* in, vst3::RoutingInfo* out) override;
  vst3::tresult BRASKLIN_VST3_CALL activateBus(int32_t type, int32_t direction, int32_t index,
                                               vst3::TBool state) override;
  vst3::tresult BRASKLIN_VST3_CALL setActive(vst3::TBool state) override;
  vst3::tresult BRASKLIN_VST3_CALL setState(vst3::IBStream* state) override;
  vst3::tresult BRASKLIN_VST3_CALL getState(vst3::IBStream* state) override;

  // IAudioProcessor
  vst3::tresult BRASKLIN_VST3_CALL setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t inputCount,
                                                      vst3::SpeakerArrangement* outputs, int32_t outputCount) override;
  vst3::tresult BRASKLIN_VST3_CALL getBusArrangement(int32_t direction, int32_t index,
                                                     vst3::SpeakerArrangement* arrangement) override;
  vst3::tresult BRASKLIN_VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) override;
  uint32_t BRASKLIN_VST3_CALL getLatencySamples() override;
  vst3::tresult BRASKLIN_VST3_CALL setupProcessing(vst3::ProcessSetup* setup) override;
  vst3::tresult BRASKLIN_VST3_CALL setProcessing(vst3::TBool state) override;
  vst3::tresult BRASKLIN_VST3_CALL process(vst3::ProcessData* data) override;
  uint32_t BRASKLIN_VST3_CALL getTailSamples() override;

  // IConnectionPoint: nothing travels between processor and controller but
  // what the host carries itself (state, parameter changes); the peer is
  // only remembered.
  vst3::tresult BRASKLIN_VST3_CALL connect(vst3::IConnectionPoint* other) override;
  vst3::tresult BRASKLIN_VST3_CALL disconnect(vst3::IConnectionPoint* other) override;
  vst3::tresult BRASKLIN_VST3_CALL notify(vst3::IMessage* message) override;

  // IProcessContextRequirements: the effect reads no transport or tempo.
  uint32_t BRASKLIN_VST3_CALL getProcessContextRequirements() override { return 0; }

private:
  ~Vst3Processor();
  void error(const std::string& line) override;
  // Hands one parameter change to the core (audio thread, or the state's thread).
  void applyChange(vst3::ParamID id, double value);
  // Runs frames [from, to) of the block through the core.
  void runPiece(float* input, float* left, float* right, int32_t from, int32_t to);

  std::atomic<uint32_t> references{1};
  std::string resources;
  std::unique_ptr<BundleServices> services;
  std::unique_ptr<EffectCore> core;
  vst3::IConnectionPoint* peer = nullptr;
};
