// The tests' own VST 3 host: it loads the bundle's binary as hosts do
// (dlopen / LoadLibrary, the module entry, GetPluginFactory), makes the
// processor and the controller, connects them, and provides what a host
// provides: byte streams, parameter queues, a component handler that records
// its calls, and a frame with a run loop for the editor view.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vst3/interface/Vst3Editing.h"
#include "vst3/interface/Vst3Processing.h"

namespace vst3test {

// Reference counting for the host's own objects, which live on the stack
// of the tests: counts are kept but never free anything.
template <class Interface>
class HostObject : public Interface {
public:
  vst3::tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) override
  {
    if (vst3::sameTuid(iid, vst3::FUnknown::iid) || vst3::sameTuid(iid, Interface::iid)) {
      *object = this;
      addRef();
      return vst3::kResultOk;
    }
    *object = nullptr;
    return vst3::kNoInterface;
  }
  uint32_t BRASKLIN_VST3_CALL addRef() override { return ++references; }
  uint32_t BRASKLIN_VST3_CALL release() override { return --references; }
  uint32_t references = 1;
};

// A byte stream in memory.
class MemoryStream final : public HostObject<vst3::IBStream> {
public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<char> bytes) : data(std::move(bytes)) {}
  vst3::tresult BRASKLIN_VST3_CALL read(void* buffer, int32_t bytes, int32_t* bytesRead) override;
  vst3::tresult BRASKLIN_VST3_CALL write(void* buffer, int32_t bytes, int32_t* bytesWritten) override;
  vst3::tresult BRASKLIN_VST3_CALL seek(int64_t position, int32_t mode, int64_t* result) override;
  vst3::tresult BRASKLIN_VST3_CALL tell(int64_t* position) override;
  std::vector<char> data;
  std::size_t position = 0;
};

// One parameter's points for one block (at most kCapacity).
class ParameterQueue final : public HostObject<vst3::IParamValueQueue> {
public:
  static constexpr int32_t kCapacity = 64;
  vst3::ParamID BRASKLIN_VST3_CALL getParameterId() override { return id; }
  int32_t BRASKLIN_VST3_CALL getPointCount() override { return count; }
  vst3::tresult BRASKLIN_VST3_CALL getPoint(int32_t index, int32_t* offset, vst3::ParamValue* value) override;
  vst3::tresult BRASKLIN_VST3_CALL addPoint(int32_t offset, vst3::ParamValue value, int32_t* index) override;
  vst3::ParamID id = 0;
  int32_t count = 0;
  int32_t offsets[kCapacity] = {};
  double values[kCapacity] = {};
};

// The changes of one block: queues made before the block, so nothing is
// allocated while the plug-in processes.
class ParameterChanges final : public HostObject<vst3::IParameterChanges> {
public:
  static constexpr int32_t kCapacity = 32;
  int32_t BRASKLIN_VST3_CALL getParameterCount() override { return count; }
  vst3::IParamValueQueue* BRASKLIN_VST3_CALL getParameterData(int32_t index) override;
  vst3::IParamValueQueue* BRASKLIN_VST3_CALL addParameterData(const vst3::ParamID* id, int32_t* index) override;
  // Adds a point to `id`'s queue (made on first use).
  void add(vst3::ParamID id, int32_t offset, double value);
  void clear() { count = 0; }
  int32_t count = 0;
  ParameterQueue queues[kCapacity];
};

// Records the handler calls: "b<id>", "p<id>", "e<id>", "r<flags>".
class ComponentHandler final : public HostObject<vst3::IComponentHandler> {
public:
  vst3::tresult BRASKLIN_VST3_CALL beginEdit(vst3::ParamID id) override;
  vst3::tresult BRASKLIN_VST3_CALL performEdit(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult BRASKLIN_VST3_CALL endEdit(vst3::ParamID id) override;
  vst3::tresult BRASKLIN_VST3_CALL restartComponent(int32_t flags) override;
  std::vector<std::string> calls;
  std::vector<double> performed;
};

// The loaded module: entry on load, exit and unload when this goes.
class Module {
public:
  // `binary`: the .so / DLL inside the bundle.
  explicit Module(const std::string& binary);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  vst3::IPluginFactory* factory() const { return factory_; }
  bool loaded() const { return factory_ != nullptr; }
  // An exported symbol of the module, by its plain name.
  void* symbol(const char* name) const;

private:
  void* handle = nullptr;
  vst3::IPluginFactory* factory_ = nullptr;
};

// A processor and its controller as a host sets them up: made by the
// factory, initialised, connected, the controller given the component's
// state and the handler, buses agreed, set up at `rate` for blocks of up to
// `maxBlock` and active and processing.
class Plugin {
public:
  Plugin(Module& module, double rate, int32_t maxBlock);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // Runs `count` frames from `input` into `left` and `right` (may be the
  // input itself), with `changes` (may be null).
  vst3::tresult process(const float* input, float* left, float* right, int32_t count,
                        ParameterChanges* changes = nullptr);
  std::vector<char> componentState();

  vst3::IComponent* component = nullptr;
  vst3::IAudioProcessor* processor = nullptr;
  vst3::IEditController* controller = nullptr;
  vst3::IConnectionPoint* componentPoint = nullptr;
  vst3::IConnectionPoint* controllerPoint = nullptr;
  ComponentHandler handler;
  bool ready = false;  // every step of the set-up answered as hosts require
};

// Where the tests find the bundle's binary: the built one, or the one the
// environment variable BRASKLIN_VST3_BINARY names.
std::string bundleBinary();

}  // namespace vst3test
