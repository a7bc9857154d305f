// The VST 3 edition's edit controller: the parameters as hosts list, show and
// automate them (Vst3Parameters), the 16 programs as one program list with
// its selector, and the editor views. It keeps no DSP: a copy of the
// programs as the processor keeps them (PluginProgram, the same rules: a
// value set is kept in the current program, so selecting a program again
// brings back what was set in it), filled from the component's state and
// from the host's setParamNormalized, and the wave shapes' names from the
// bundle's list.
//
// Threads: every call comes from the host's interface thread, as VST 3 has
// it for controllers, views and handlers (reference counting is atomic and
// safe anywhere).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/ParameterAccess.h"
#include "effect/PluginProgram.h"
#include "vst3/interface/Vst3Editing.h"
#include "vst3/interface/Vst3Processing.h"

class EditorPanel;

class Vst3Controller final : public vst3::IEditController,
                             public vst3::IUnitInfo,
                             public vst3::IConnectionPoint,
                             public ParameterAccess {
public:
  // `resourcesFolder` holds the Brasklin shape folder (for the shapes' names).
  explicit Vst3Controller(std::string resourcesFolder);
  Vst3Controller(const Vst3Controller&) = delete;
  Vst3Controller& operator=(const Vst3Controller&) = delete;

  // FUnknown
  vst3::tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) override;
  uint32_t BRASKLIN_VST3_CALL addRef() override;
  uint32_t BRASKLIN_VST3_CALL release() override;

  // IPluginBase
  vst3::tresult BRASKLIN_VST3_CALL initialize(vst3::FUnknown* context) override;
  vst3::tresult BRASKLIN_VST3_CALL terminate() override;

  // IEditController
  vst3::tresult BRASKLIN_VST3_CALL setComponentState(vst3::IBStream* state) override;
  // The controller's own state is empty: everything lives in the component's.
  vst3::tresult BRASKLIN_VST3_CALL setState(vst3::IBStream* state) override;
  vst3::tresult BRASKLIN_VST3_CALL getState(vst3::IBStream* state) override;
  int32_t BRASKLIN_VST3_CALL getParameterCount() override;
  vst3::tresult BRASKLIN_VST3_CALL getParameterInfo(int32_t index, vst3::ParameterInfo* info) override;
  vst3::tresult BRASKLIN_VST3_CALL getParamStringByValue(vst3::ParamID id, vst3::ParamValue normalized,
                                                         char16_t text[128]) override;
  vst3::tresult BRASKLIN_VST3_CALL getParamValueByString(vst3::ParamID id, char16_t* text,
                                                         vst3::ParamValue* normalized) override;
  vst3::ParamValue BRASKLIN_VST3_CALL normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue normalized) override;
  vst3::ParamValue BRASKLIN_VST3_CALL plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plain) override;
  vst3::ParamValue BRASKLIN_VST3_CALL getParamNormalized(vst3::ParamID id) override;
  vst3::tresult BRASKLIN_VST3_CALL setParamNormalized(vst3::ParamID id, vst3::ParamValue normalized) override;
  vst3::tresult BRASKLIN_VST3_CALL setComponentHandler(vst3::IComponentHandler* handler) override;
  vst3::IPlugView* BRASKLIN_VST3_CALL createView(const char* name) override;

  // IUnitInfo: the root unit with the one program list.
  int32_t BRASKLIN_VST3_CALL getUnitCount() override;
  vst3::tresult BRASKLIN_VST3_CALL getUnitInfo(int32_t index, vst3::UnitInfo* info) override;
  int32_t BRASKLIN_VST3_CALL getProgramListCount() override;
  vst3::tresult BRASKLIN_VST3_CALL getProgramListInfo(int32_t index, vst3::ProgramListInfo* info) override;
  vst3::tresult BRASKLIN_VST3_CALL getProgramName(int32_t listId, int32_t program, char16_t name[128]) override;
  vst3::tresult BRASKLIN_VST3_CALL getProgramInfo(int32_t listId, int32_t program, const char* attribute,
                                                  char16_t value[128]) override;
  vst3::tresult BRASKLIN_VST3_CALL hasProgramPitchNames(int32_t listId, int32_t program) override;
  vst3::tresult BRASKLIN_VST3_CALL getProgramPitchName(int32_t listId, int32_t program, int16_t pitch,
                                                       char16_t name[128]) override;
  int32_t BRASKLIN_VST3_CALL getSelectedUnit() override;
  vst3::tresult BRASKLIN_VST3_CALL selectUnit(int32_t unitId) override;
  vst3::tresult BRASKLIN_VST3_CALL getUnitByBus(int32_t type, int32_t direction, int32_t bus, int32_t channel,
                                                int32_t* unitId) override;
  vst3::tresult BRASKLIN_VST3_CALL setUnitProgramData(int32_t listOrUnitId, int32_t program,
                                                      vst3::IBStream* data) override;

  // IConnectionPoint: the peer is remembered; no messages are needed.
  vst3::tresult BRASKLIN_VST3_CALL connect(vst3::IConnectionPoint* other) override;
  vst3::tresult BRASKLIN_VST3_CALL disconnect(vst3::IConnectionPoint* other) override;
  vst3::tresult BRASKLIN_VST3_CALL notify(vst3::IMessage* message) override;

  // ParameterAccess, for the editor panels of this controller's views: values
  // as the VST 2 edition's effect reports them; an edit goes to the host as
  // performEdit within the panel's begin / end gesture.
  float currentValue(int32_t index) override;
  void displayText(int32_t index, char* text, std::size_t capacity) override;
  void setFromUser(int32_t index, float value) override;
  void beginGesture(int32_t index) override;
  void endGesture(int32_t index) override;

  // Views: a panel is told of every value change while it is shown.
  void showChangesIn(EditorPanel& panel);
  void stopShowingChangesIn(EditorPanel& panel);
  // Interface thread, outside any call of the host's (a view's idle): asks
  // the host to read the parameters again after a program change.
  void idle();
  // What the host gave at initialize (null before, after terminate): a view
  // looks for the run loop there when its frame offers none.
  vst3::FUnknown* hostContext() const { return context; }

private:
  ~Vst3Controller();
  PluginProgram& current() { return *programs[static_cast<std::size_t>(currentProgram)]; }
  // Tells the panels of `index` (and of the setting it stands for).
  void showChange(int32_t index);
  void showAll();
  void selectProgram(int32_t program);

  std::atomic<uint32_t> references{1};
  std::string resources;
  std::vector<std::string> shapeNames;
  std::array<std::unique_ptr<PluginProgram>, 16> programs;
  int32_t currentProgram = 0;
  vst3::IComponentHandler* handler = nullptr;  // held (addRef) until replaced or terminate
  vst3::FUnknown* context = nullptr;           // held from initialize to terminate
  vst3::IConnectionPoint* peer = nullptr;
  std::vector<EditorPanel*> panels;
  bool restartPending = false;  // a program change the host has not re-read yet
};
