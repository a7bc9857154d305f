#include "tests/vst3/Vst3TestHost.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace vst3;

namespace vst3test {

tresult MemoryStream::read(void* buffer, int32_t bytes, int32_t* bytesRead)
{
  if (bytes < 0) return kInvalidArgument;
  const std::size_t available = data.size() - std::min(position, data.size());
  const std::size_t taken = std::min<std::size_t>(available, static_cast<std::size_t>(bytes));
  if (taken > 0) std::memcpy(buffer, data.data() + position, taken);
  position += taken;
  if (bytesRead != nullptr) *bytesRead = static_cast<int32_t>(taken);
  return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32_t bytes, int32_t* bytesWritten)
{
  if (bytes < 0) return kInvalidArgument;
  if (data.size() < position + static_cast<std::size_t>(bytes)) data.resize(position + static_cast<std::size_t>(bytes));
  std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(bytes));
  position += static_cast<std::size_t>(bytes);
  if (bytesWritten != nullptr) *bytesWritten = bytes;
  return kResultOk;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
tresult MemoryStream::seek(int64_t to, int32_t mode, int64_t* result)
{
  const int64_t base = mode == IBStream::kSeekSet   ? 0
                       : mode == IBStream::kSeekCur ? static_cast<int64_t>(position)
                                                    : static_cast<int64_t>(data.size());
  if (base + to < 0) return kInvalidArgument;
  position = static_cast<std::size_t>(base + to);
  if (result != nullptr) *result = static_cast<int64_t>(position);
  return kResultOk;
}

tresult MemoryStream::tell(int64_t* at)
{
  if (at == nullptr) return kInvalidArgument;
  *at = static_cast<int64_t>(position);
  return kResultOk;
}

tresult ParameterQueue::getPoint(int32_t index, int32_t* offset, ParamValue* value)
{
  if (index < 0 || index >= count) return kInvalidArgument;
  *offset = offsets[index];
  *value = values[index];
  return kResultOk;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
tresult ParameterQueue::addPoint(int32_t offset, ParamValue value, int32_t* index)
{
  if (count == kCapacity) return kResultFalse;
  offsets[count] = offset;
  values[count] = value;
  if (index != nullptr) *index = count;
  ++count;
  return kResultOk;
}

IParamValueQueue* ParameterChanges::getParameterData(int32_t index)
{
  return index >= 0 && index < count ? &queues[index] : nullptr;
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID* id, int32_t* index)
{
  for (int32_t q = 0; q < count; ++q) {
    if (queues[q].id == *id) {
      if (index != nullptr) *index = q;
      return &queues[q];
    }
  }
  if (count == kCapacity) return nullptr;
  queues[count].id = *id;
  queues[count].count = 0;
  if (index != nullptr) *index = count;
  return &queues[count++];
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
void ParameterChanges::add(ParamID id, int32_t offset, double value)
{
  if (IParamValueQueue* queue = addParameterData(&id, nullptr)) queue->addPoint(offset, value, nullptr);
}

tresult ComponentHandler::beginEdit(ParamID id)
{
  calls.push_back("b" + std::to_string(id));
  return kResultOk;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
tresult ComponentHandler::performEdit(ParamID id, ParamValue value)
{
  calls.push_back("p" + std::to_string(id));
  performed.push_back(value);
  return kResultOk;
}

tresult ComponentHandler::endEdit(ParamID id)
{
  calls.push_back("e" + std::to_string(id));
  return kResultOk;
}

tresult ComponentHandler::restartComponent(int32_t flags)
{
  calls.push_back("r" + std::to_string(flags));
  return kResultOk;
}

Module::Module(const std::string& binary)
{
#if defined(_WIN32)
  handle = LoadLibraryA(binary.c_str());
  if (handle == nullptr) return;
  auto init = reinterpret_cast<bool (*)()>(symbol("InitDll"));
  if (init != nullptr && !init()) return;
#else
  // Kept mapped after dlclose, so that a leak checker can still name the
  // module's frames when it reports at exit.
  handle = dlopen(binary.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) return;
  auto entry = reinterpret_cast<bool (*)(void*)>(symbol("ModuleEntry"));
  if (entry == nullptr || !entry(handle)) return;
#endif
  using GetFactory = IPluginFactory*(BRASKLIN_VST3_CALL*)();
  if (auto get = reinterpret_cast<GetFactory>(symbol("GetPluginFactory"))) factory_ = get();
}

Module::~Module()
{
  if (factory_ != nullptr) factory_->release();
#if defined(_WIN32)
  if (auto exit = reinterpret_cast<bool (*)()>(symbol("ExitDll"))) exit();
  if (handle != nullptr) FreeLibrary(static_cast<HMODULE>(handle));
#else
  if (auto exit = reinterpret_cast<bool (*)()>(symbol("ModuleExit"))) exit();
  if (handle != nullptr) dlclose(handle);
#endif
}

void* Module::symbol(const char* name) const
{
  if (handle == nullptr) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

namespace {

template <class Interface>
Interface* queried(FUnknown* object)
{
  void* found = nullptr;
  if (object == nullptr || object->queryInterface(Interface::iid.bytes, &found) != kResultOk) return nullptr;
  return static_cast<Interface*>(found);
}

}  // namespace

Plugin::Plugin(Module& module, double rate, int32_t maxBlock)
{
  IPluginFactory* factory = module.factory();
  if (factory == nullptr) return;
  // The processor is the class of category "Audio Module Class".
  PClassInfo info{};
  char processorCid[16] = {};
  for (int32_t index = 0; index < factory->countClasses(); ++index) {
    if (factory->getClassInfo(index, &info) == kResultOk && std::strcmp(info.category, "Audio Module Class") == 0)
      std::memcpy(processorCid, info.cid, 16);
  }
  void* made = nullptr;
  if (factory->createInstance(processorCid, IComponent::iid.bytes, &made) != kResultOk) return;
  component = static_cast<IComponent*>(made);
  if (component->initialize(nullptr) != kResultOk) return;
  processor = queried<IAudioProcessor>(component);
  componentPoint = queried<IConnectionPoint>(component);
  // Two objects: the component must not be the controller too.
  if (IEditController* single = queried<IEditController>(component)) {
    single->release();
    return;
  }
  char controllerCid[16] = {};
  if (component->getControllerClassId(controllerCid) != kResultOk) return;
  made = nullptr;
  if (factory->createInstance(controllerCid, IEditController::iid.bytes, &made) != kResultOk) return;
  controller = static_cast<IEditController*>(made);
  if (controller->initialize(nullptr) != kResultOk) return;
  controllerPoint = queried<IConnectionPoint>(controller);
  if (processor == nullptr || componentPoint == nullptr || controllerPoint == nullptr) return;
  if (controller->setComponentHandler(&handler) != kResultOk) return;
  if (componentPoint->connect(controllerPoint) != kResultOk || controllerPoint->connect(componentPoint) != kResultOk)
    return;
  MemoryStream state;
  if (component->getState(&state) != kResultOk) return;
  state.position = 0;
  if (controller->setComponentState(&state) != kResultOk) return;

  SpeakerArrangement in = kSpeakerMono, out = kSpeakerStereo;
  if (processor->setBusArrangements(&in, 1, &out, 1) != kResultTrue) return;
  if (component->activateBus(kAudio, kInput, 0, 1) != kResultOk) return;
  if (component->activateBus(kAudio, kOutput, 0, 1) != kResultOk) return;
  if (processor->canProcessSampleSize(kSample32) != kResultTrue) return;
  ProcessSetup setup{0, kSample32, maxBlock, rate};
  if (processor->setupProcessing(&setup) != kResultOk) return;
  if (component->setActive(1) != kResultOk) return;
  if (processor->setProcessing(1) != kResultOk) return;
  ready = true;
}

Plugin::~Plugin()
{
  if (processor != nullptr) {
    processor->setProcessing(0);
    component->setActive(0);
  }
  if (componentPoint != nullptr && controllerPoint != nullptr) {
    componentPoint->disconnect(controllerPoint);
    controllerPoint->disconnect(componentPoint);
  }
  if (componentPoint != nullptr) componentPoint->release();
  if (controllerPoint != nullptr) controllerPoint->release();
  if (processor != nullptr) processor->release();
  if (component != nullptr) {
    component->terminate();
    component->release();
  }
  if (controller != nullptr) {
    controller->terminate();
    controller->release();
  }
}

tresult Plugin::process(const float* input, float* left, float* right, int32_t count, ParameterChanges* changes)
{
  float* inputs[1] = {const_cast<float*>(input)};
  float* outputs[2] = {left, right};
  AudioBusBuffers in{};
  in.numChannels = 1;
  in.channelBuffers32 = inputs;
  AudioBusBuffers out{};
  out.numChannels = 2;
  out.channelBuffers32 = outputs;
  ProcessData data{};
  data.processMode = 0;
  data.symbolicSampleSize = kSample32;
  data.numSamples = count;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  data.inputParameterChanges = changes;
  return processor->process(&data);
}

std::vector<char> Plugin::componentState()
{
  MemoryStream stream;
  if (component->getState(&stream) != kResultOk) return {};
  return stream.data;
}

std::string bundleBinary()
{
  // Another bundle's binary (an installed one) when the environment names one.
  const char* other = std::getenv("BRASKLIN_VST3_BINARY");
  return other != nullptr && *other != '\0' ? other : BRASKLIN_VST3_BINARY;
}

}  // namespace vst3test
