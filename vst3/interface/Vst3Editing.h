// The VST 3 binary interface, part 3: the edit controller with its
// parameters, units and program lists, the host's handler, the editor view
// and its frame, and the Linux run loop (see Vst3Base.h for the rules).
#pragma once

#include <cstddef>
#include <cstdint>

#include "vst3/interface/Vst3Base.h"

namespace vst3 {

struct ParameterInfo {
  enum Flags : int32_t {
    kCanAutomate = 0x1,
    kIsReadOnly = 0x2,
    kIsWrapAround = 0x4,
    kIsList = 0x8,
    kIsHidden = 0x10,
    kIsProgramChange = 0x8000,
    kIsBypass = 0x10000,
  };
  ParamID id;
  char16_t title[128];
  char16_t shortTitle[128];
  char16_t units[128];
  int32_t stepCount;  // 0: continuous; n: n + 1 states, state k at k / n
  ParamValue defaultNormalizedValue;
  int32_t unitId;
  int32_t flags;
};

inline constexpr int32_t kRootUnitId = 0;
inline constexpr int32_t kNoParentUnitId = -1;
inline constexpr int32_t kNoProgramListId = -1;

struct UnitInfo {
  int32_t id;
  int32_t parentUnitId;
  char16_t name[128];
  int32_t programListId;
};

struct ProgramListInfo {
  int32_t id;
  char16_t name[128];
  int32_t programCount;
};

enum RestartFlags : int32_t { kParamValuesChanged = 4, kLatencyChanged = 8 };

class IComponentHandler : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
  virtual tresult BRASKLIN_VST3_CALL beginEdit(ParamID id) = 0;
  virtual tresult BRASKLIN_VST3_CALL performEdit(ParamID id, ParamValue normalized) = 0;
  virtual tresult BRASKLIN_VST3_CALL endEdit(ParamID id) = 0;
  virtual tresult BRASKLIN_VST3_CALL restartComponent(int32_t flags) = 0;
};

class IPlugView;

class IEditController : public IPluginBase {
public:
  static constexpr Tuid iid = makeTuid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
  virtual tresult BRASKLIN_VST3_CALL setComponentState(IBStream* state) = 0;
  virtual tresult BRASKLIN_VST3_CALL setState(IBStream* state) = 0;
  virtual tresult BRASKLIN_VST3_CALL getState(IBStream* state) = 0;
  virtual int32_t BRASKLIN_VST3_CALL getParameterCount() = 0;
  virtual tresult BRASKLIN_VST3_CALL getParameterInfo(int32_t index, ParameterInfo* info) = 0;
  virtual tresult BRASKLIN_VST3_CALL getParamStringByValue(ParamID id, ParamValue normalized, char16_t text[128]) = 0;
  virtual tresult BRASKLIN_VST3_CALL getParamValueByString(ParamID id, char16_t* text, ParamValue* normalized) = 0;
  virtual ParamValue BRASKLIN_VST3_CALL normalizedParamToPlain(ParamID id, ParamValue normalized) = 0;
  virtual ParamValue BRASKLIN_VST3_CALL plainParamToNormalized(ParamID id, ParamValue plain) = 0;
  virtual ParamValue BRASKLIN_VST3_CALL getParamNormalized(ParamID id) = 0;
  virtual tresult BRASKLIN_VST3_CALL setParamNormalized(ParamID id, ParamValue normalized) = 0;
  virtual tresult BRASKLIN_VST3_CALL setComponentHandler(IComponentHandler* handler) = 0;
  virtual IPlugView* BRASKLIN_VST3_CALL createView(const char* name) = 0;
};

class IUnitInfo : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
  virtual int32_t BRASKLIN_VST3_CALL getUnitCount() = 0;
  virtual tresult BRASKLIN_VST3_CALL getUnitInfo(int32_t index, UnitInfo* info) = 0;
  virtual int32_t BRASKLIN_VST3_CALL getProgramListCount() = 0;
  virtual tresult BRASKLIN_VST3_CALL getProgramListInfo(int32_t index, ProgramListInfo* info) = 0;
  virtual tresult BRASKLIN_VST3_CALL getProgramName(int32_t listId, int32_t program, char16_t name[128]) = 0;
  virtual tresult BRASKLIN_VST3_CALL getProgramInfo(int32_t listId, int32_t program, const char* attribute,
                                                    char16_t value[128]) = 0;
  virtual tresult BRASKLIN_VST3_CALL hasProgramPitchNames(int32_t listId, int32_t program) = 0;
  virtual tresult BRASKLIN_VST3_CALL getProgramPitchName(int32_t listId, int32_t program, int16_t pitch,
                                                         char16_t name[128]) = 0;
  virtual int32_t BRASKLIN_VST3_CALL getSelectedUnit() = 0;
  virtual tresult BRASKLIN_VST3_CALL selectUnit(int32_t unitId) = 0;
  virtual tresult BRASKLIN_VST3_CALL getUnitByBus(int32_t type, int32_t direction, int32_t bus, int32_t channel,
                                                  int32_t* unitId) = 0;
  virtual tresult BRASKLIN_VST3_CALL setUnitProgramData(int32_t listOrUnitId, int32_t program, IBStream* data) = 0;
};

// ---- the editor ----

struct ViewRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

inline constexpr char kPlatformTypeHwnd[] = "HWND";
inline constexpr char kPlatformTypeX11EmbedWindowId[] = "X11EmbedWindowID";
inline constexpr char kEditorViewType[] = "editor";

class IPlugFrame;

class IPlugView : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
  virtual tresult BRASKLIN_VST3_CALL isPlatformTypeSupported(const char* type) = 0;
  virtual tresult BRASKLIN_VST3_CALL attached(void* parent, const char* type) = 0;
  virtual tresult BRASKLIN_VST3_CALL removed() = 0;
  virtual tresult BRASKLIN_VST3_CALL onWheel(float distance) = 0;
  virtual tresult BRASKLIN_VST3_CALL onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
  virtual tresult BRASKLIN_VST3_CALL onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
  virtual tresult BRASKLIN_VST3_CALL getSize(ViewRect* size) = 0;
  virtual tresult BRASKLIN_VST3_CALL onSize(ViewRect* newSize) = 0;
  virtual tresult BRASKLIN_VST3_CALL onFocus(TBool state) = 0;
  virtual tresult BRASKLIN_VST3_CALL setFrame(IPlugFrame* frame) = 0;
  virtual tresult BRASKLIN_VST3_CALL canResize() = 0;
  virtual tresult BRASKLIN_VST3_CALL checkSizeConstraint(ViewRect* rect) = 0;
};

class IPlugFrame : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
  virtual tresult BRASKLIN_VST3_CALL resizeView(IPlugView* view, ViewRect* newSize) = 0;
};

// The host's run loop on Linux: the only place a view's X events and
// repaints are handled, on the host's interface thread.
class IEventHandler : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
  virtual void BRASKLIN_VST3_CALL onFDIsSet(int fd) = 0;
};

class ITimerHandler : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
  virtual void BRASKLIN_VST3_CALL onTimer() = 0;
};

class IRunLoop : public FUnknown {
public:
  static constexpr Tuid iid = makeTuid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
  virtual tresult BRASKLIN_VST3_CALL registerEventHandler(IEventHandler* handler, int fd) = 0;
  virtual tresult BRASKLIN_VST3_CALL unregisterEventHandler(IEventHandler* handler) = 0;
  virtual tresult BRASKLIN_VST3_CALL registerTimer(ITimerHandler* handler, uint64_t milliseconds) = 0;
  virtual tresult BRASKLIN_VST3_CALL unregisterTimer(ITimerHandler* handler) = 0;
};

static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(sizeof(UnitInfo) == 268 && sizeof(ProgramListInfo) == 264 && sizeof(ViewRect) == 16);

}  // namespace vst3
