// The VST 3 binary interface, part 2: the component and its buses, the audio
// processor with its process data and parameter queues, and the messages
// between the component and its controller (see Vst3Base.h for the rules).
#pragma once

#include <cstddef>
#include <cstdint>

#include "vst3/interface/Vst3Base.h"

namespace vst3 {

enum MediaType : int32_t { kAudio = 0, kEvent = 1 };
enum BusDirection : int32_t { kInput = 0, kOutput = 1 };
enum BusType : int32_t { kMain = 0, kAux = 1 };
enum SymbolicSampleSize : int32_t { kSample32 = 0, kSample64 = 1 };

inline constexpr SpeakerArrangement kSpeakerMono = 0x80000;
inline constexpr SpeakerArrangement kSpeakerStereo = 0x3;

struct BusInfo {
  enum Flags : uint32_t { kDefaultActive = 1 };
  int32_t mediaType;
  int32_t direction;
  int32_t channelCount;
  char16_t name[128];
  int32_t busType;
  uint32_t flags;
};

struct RoutingInfo {
  int32_t mediaType;
  int32_t busIndex;
  int32_t channel;
};

class IComponent : public IPluginBase {
public:
  static constexpr Tuid iid = makeTuid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
  virtual tresult BRASKLIN_VST3_CALL getControllerClassId(char classId[16]) = 0;
  virtual tresult BRASKLIN_VST3_CALL setIoMode(int32_t mode) = 0;
  virtual int32_t BRASKLIN_VST3_CALL getBusCount(int32_t type, int32_t direction) = 0;
  virtual tresult BRASKLIN_VST3_CALL getBusInfo(int32_t type, int32_t direction, int32_t index, BusInfo* bus) = 0;
  virtual tresult BRASKLIN_VST3_CALL getRoutingInfo(RoutingInfo* in, RoutingInfo* out) = 0;
  virtual tresult BRASKLIN_VST3_CALL activateBus(int32_t type, int32_t direction, int32_t index, TBool state) = 0;
  virtual tresult BRASKLIN_VST3_CALL setActive(TBool state) = 0;
  virtual tresult BRASKLIN_VST3_CALL setState(IBStream* state) = 0;
  virtual tresult BRASKLIN_VST3_CALL getState(IBStream* state) = 0;
};

struct ProcessSetup {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t maxSamplesPerBlock;
  double sampleRate;
};

struct AudioBusBuffers {
  int32_t numChannels;
  uint64_t silenceFlags;
  union {
    float** channelBuffers32;
    double** channelBuffers64;
  };
};

// One parameter's points within a block: normalised values at sample offsets.
class IParamValueQueue : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
  virtual ParamID BRASKLIN_VST3_CALL getParameterId() = 0;
  virtual int32_t BRASKLIN_VST3_CALL getPointCount() = 0;
  virtual tresult BRASKLIN_VST3_CALL getPoint(int32_t index, int32_t* sampleOffset, ParamValue* value) = 0;
  virtual tresult BRASKLIN_VST3_CALL addPoint(int32_t sampleOffset, ParamValue value, int32_t* index) = 0;
};

class IParameterChanges : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
  virtual int32_t BRASKLIN_VST3_CALL getParameterCount() = 0;
  // Borrowed: not released by the caller.
  virtual IParamValueQueue* BRASKLIN_VST3_CALL getParameterData(int32_t index) = 0;
  virtual IParamValueQueue* BRASKLIN_VST3_CALL addParameterData(const ParamID* id, int32_t* index) = 0;
};

// Event lists and the process context are passed through untouched: an
// effect without an event bus or any use for the transport reads neither.
class IEventList;
struct ProcessContext;

struct ProcessData {
  int32_t processMode;
  int32_t symbolicSampleSize;
  int32_t numSamples;
  int32_t numInputs;
  int32_t numOutputs;
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};

class IAudioProcessor : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
  virtual tresult BRASKLIN_VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount,
                                                        SpeakerArrangement* outputs, int32_t outputCount) = 0;
  virtual tresult BRASKLIN_VST3_CALL getBusArrangement(int32_t direction, int32_t index,
                                                       SpeakerArrangement* arrangement) = 0;
  virtual tresult BRASKLIN_VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) = 0;
  virtual uint32_t BRASKLIN_VST3_CALL getLatencySamples() = 0;
  virtual tresult BRASKLIN_VST3_CALL setupProcessing(ProcessSetup* setup) = 0;
  virtual tresult BRASKLIN_VST3_CALL setProcessing(TBool state) = 0;
  virtual tresult BRASKLIN_VST3_CALL process(ProcessData* data) = 0;
  virtual uint32_t BRASKLIN_VST3_CALL getTailSamples() = 0;
};

class IProcessContextRequirements : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
  virtual uint32_t BRASKLIN_VST3_CALL getProcessContextRequirements() = 0;
};

// ---- messages between the component and its controller ----

class IAttributeList : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
  virtual tresult BRASKLIN_VST3_CALL setInt(const char* key, int64_t value) = 0;
  virtual tresult BRASKLIN_VST3_CALL getInt(const char* key, int64_t* value) = 0;
  virtual tresult BRASKLIN_VST3_CALL setFloat(const char* key, double value) = 0;
  virtual tresult BRASKLIN_VST3_CALL getFloat(const char* key, double* value) = 0;
  virtual tresult BRASKLIN_VST3_CALL setString(const char* key, const char16_t* text) = 0;
  virtual tresult BRASKLIN_VST3_CALL getString(const char* key, char16_t* text, uint32_t bytes) = 0;
  virtual tresult BRASKLIN_VST3_CALL setBinary(const char* key, const void* data, uint32_t bytes) = 0;
  virtual tresult BRASKLIN_VST3_CALL getBinary(const char* key, const void** data, uint32_t* bytes) = 0;
};

class IMessage : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
  virtual const char* BRASKLIN_VST3_CALL getMessageID() = 0;
  virtual void BRASKLIN_VST3_CALL setMessageID(const char* id) = 0;
  virtual IAttributeList* BRASKLIN_VST3_CALL getAttributes() = 0;
};

class IConnectionPoint : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
  // `other` may be a proxy of the host's: never taken for one of ours.
  virtual tresult BRASKLIN_VST3_CALL connect(IConnectionPoint* other) = 0;
  virtual tresult BRASKLIN_VST3_CALL disconnect(IConnectionPoint* other) = 0;
  virtual tresult BRASKLIN_VST3_CALL notify(IMessage* message) = 0;
};

class IHostApplication : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
  virtual tresult BRASKLIN_VST3_CALL getName(char16_t name[128]) = 0;
  virtual tresult BRASKLIN_VST3_CALL createInstance(char cid[16], char iid[16], void** object) = 0;
};

// The layouts hosts rely on (they differ between 64 and 32 bits only by the
// pointers' and the 64-bit fields' alignment).
static_assert(sizeof(BusInfo) == 276);
static_assert(sizeof(RoutingInfo) == 12);
#if defined(__x86_64__) || defined(_WIN64)
static_assert(sizeof(ProcessSetup) == 24 && sizeof(AudioBusBuffers) == 24 && sizeof(ProcessData) == 80);
static_assert(offsetof(ProcessData, processContext) == 72);
#elif defined(_WIN32)
static_assert(sizeof(ProcessSetup) == 24 && sizeof(AudioBusBuffers) == 24 && sizeof(ProcessData) == 48);
#else
static_assert(sizeof(ProcessSetup) == 20 && sizeof(AudioBusBuffers) == 16 && sizeof(ProcessData) == 48);
#endif

}  // namespace vst3
