// The VST 3 binary interface, part 1: the basic types and result codes, the
// identifiers of interfaces and classes, FUnknown and its reference counting,
// IPluginBase, IBStream and the factory. Written from the interface's public
// description of its binary layout: every interface is a pure virtual class
// with single inheritance whose methods take the slots in declaration order,
// and nothing else may be added to them (no destructor, no other virtual).
//
// The other parts: Vst3Processing.h (the component, buses, process data and
// parameter queues, messages) and Vst3Editing.h (the controller, units and
// programs, the view and the Linux run loop).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst3 {

// The calling convention of every interface method and of GetPluginFactory:
// __stdcall on 32-bit Windows (where GCC would otherwise pass `this` in ECX),
// the platform's default elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define BRASKLIN_VST3_CALL __stdcall
#else
#define BRASKLIN_VST3_CALL
#endif

using tresult = int32_t;
using TBool = uint8_t;
using ParamID = uint32_t;
using ParamValue = double;
using SpeakerArrangement = uint64_t;

// A String128 as a parameter: 128 UTF-16 units, the terminator included.
using String128 = char16_t[128];

// Result codes: COM's values on Windows, small numbers elsewhere. Success is
// kResultOk (0) alone; a result is never read as a truth value.
#if defined(_WIN32)
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;
#endif
inline constexpr tresult kResultTrue = kResultOk;

// A 16-byte interface or class identifier, laid out in memory as the system's
// hosts compare it: the four 32-bit words big-endian on Linux and macOS; the
// COM GUID layout on Windows (the first word little-endian, the second as two
// little-endian halves, high half first, the last two big-endian).
struct Tuid {
  char bytes[16];
};

constexpr Tuid makeTuid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4)
{
  auto byte = [](uint32_t word, int shift) { return static_cast<char>((word >> shift) & 0xFFu); };
#if defined(_WIN32)
  return Tuid{{byte(l1, 0), byte(l1, 8), byte(l1, 16), byte(l1, 24), byte(l2, 16), byte(l2, 24), byte(l2, 0),
               byte(l2, 8), byte(l3, 24), byte(l3, 16), byte(l3, 8), byte(l3, 0), byte(l4, 24), byte(l4, 16),
               byte(l4, 8), byte(l4, 0)}};
#else
  return Tuid{{byte(l1, 24), byte(l1, 16), byte(l1, 8), byte(l1, 0), byte(l2, 24), byte(l2, 16), byte(l2, 8),
               byte(l2, 0), byte(l3, 24), byte(l3, 16), byte(l3, 8), byte(l3, 0), byte(l4, 24), byte(l4, 16),
               byte(l4, 8), byte(l4, 0)}};
#endif
}

// Identifiers are compared as 16 raw bytes, never as strings.
bool sameTuid(const char* a, const Tuid& b);

class FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
  virtual tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) = 0;
  virtual uint32_t BRASKLIN_VST3_CALL addRef() = 0;
  virtual uint32_t BRASKLIN_VST3_CALL release() = 0;
};

class IPluginBase : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
  virtual tresult BRASKLIN_VST3_CALL initialize(FUnknown* context) = 0;
  virtual tresult BRASKLIN_VST3_CALL terminate() = 0;
};

// The host's byte stream: one position shared by reading and writing.
class IBStream : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
  enum SeekMode : int32_t { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };
  virtual tresult BRASKLIN_VST3_CALL read(void* buffer, int32_t bytes, int32_t* bytesRead) = 0;
  virtual tresult BRASKLIN_VST3_CALL write(void* buffer, int32_t bytes, int32_t* bytesWritten) = 0;
  virtual tresult BRASKLIN_VST3_CALL seek(int64_t position, int32_t mode, int64_t* result) = 0;
  virtual tresult BRASKLIN_VST3_CALL tell(int64_t* position) = 0;
};

// ---- the factory ----

struct PFactoryInfo {
  enum Flags : int32_t { kClassesDiscardable = 1, kComponentNonDiscardable = 8, kUnicode = 16 };
  char vendor[64];
  char url[256];
  char email[128];
  int32_t flags;
};

inline constexpr int32_t kManyInstances = 0x7FFFFFFF;

struct PClassInfo {
  char cid[16];
  int32_t cardinality;
  char category[32];
  char name[64];
};

struct PClassInfo2 {
  char cid[16];
  int32_t cardinality;
  char category[32];
  char name[64];
  uint32_t classFlags;
  char subCategories[128];
  char vendor[64];
  char version[64];
  char sdkVersion[64];
};

struct PClassInfoW {
  char cid[16];
  int32_t cardinality;
  char category[32];
  char16_t name[64];
  uint32_t classFlags;
  char subCategories[128];
  char16_t vendor[64];
  char16_t version[64];
  char16_t sdkVersion[64];
};

inline constexpr uint32_t kDistributable = 1;

class IPluginFactory : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
  virtual tresult BRASKLIN_VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
  virtual int32_t BRASKLIN_VST3_CALL countClasses() = 0;
  virtual tresult BRASKLIN_VST3_CALL getClassInfo(int32_t index, PClassInfo* info) = 0;
  // `cid` and `iid` point to 16 raw bytes each.
  virtual tresult BRASKLIN_VST3_CALL createInstance(const char* cid, const char* iid, void** object) = 0;
};

class IPluginFactory2 : public IPluginFactory {
public:
  static constexpr Tuid iid = makeTuid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
  virtual tresult BRASKLIN_VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) = 0;
};

class IPluginFactory3 : public IPluginFactory2 {
public:
  static constexpr Tuid iid = makeTuid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
  virtual tresult BRASKLIN_VST3_CALL getClassInfoUnicode(int32_t index, PClassInfoW* info) = 0;
  virtual tresult BRASKLIN_VST3_CALL setHostContext(FUnknown* context) = 0;
};

// The sizes every host relies on.
static_assert(sizeof(PFactoryInfo) == 452);
static_assert(sizeof(PClassInfo) == 116);
static_assert(sizeof(PClassInfo2) == 440);
static_assert(sizeof(PClassInfoW) == 696 && offsetof(PClassInfoW, classFlags) == 180);

}  // namespace vst3
