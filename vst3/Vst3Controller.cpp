#include "vst3/Vst3Controller.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "editor/EditorPanel.h"
#include "effect/FactoryPrograms.h"
#include "effect/ParameterText.h"
#include "effect/ParameterUnits.h"
#include "shapes/ShapeList.h"
#include "vst3/ComponentState.h"
#include "vst3/Utf16Text.h"
#include "vst3/Vst3Parameters.h"
#include "vst3/Vst3View.h"

using namespace vst3;
namespace params = vst3_parameters;

namespace {

constexpr char kUnitName[] = "Brasklin";
constexpr char kProgramListName[] = "Programs";

bool isOurList(int32_t listId) { return listId == params::kProgramListId; }

}  // namespace

Vst3Controller::Vst3Controller(std::string resourcesFolder) : resources(std::move(resourcesFolder)) {}

Vst3Controller::~Vst3Controller() { terminate(); }

tresult Vst3Controller::queryInterface(const char* iid, void** object)
{
  if (object == nullptr) return kInvalidArgument;
  void* found = nullptr;
  if (iid == nullptr) {
  } else if (sameTuid(iid, FUnknown::iid) || sameTuid(iid, IPluginBase::iid) || sameTuid(iid, IEditController::iid)) {
    found = static_cast<IEditController*>(this);
  } else if (sameTuid(iid, IUnitInfo::iid)) {
    found = static_cast<IUnitInfo*>(this);
  } else if (sameTuid(iid, IConnectionPoint::iid)) {
    found = static_cast<IConnectionPoint*>(this);
  }
  *object = found;
  if (found == nullptr) return kNoInterface;
  addRef();
  return kResultOk;
}

uint32_t Vst3Controller::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t Vst3Controller::release()
{
  const uint32_t left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

tresult Vst3Controller::initialize(FUnknown* hostContext)
{
  if (programs[0]) return kResultFalse;
  try {
    shapeNames = shapeNamesInFolder(resources);
    for (int32_t program = 0; program < params::kProgramCount; ++program)
      programs[static_cast<std::size_t>(program)] = makeFactoryProgram(program);
  } catch (const std::bad_alloc&) {
    for (auto& program : programs) program.reset();
    return kOutOfMemory;
  }
  if (hostContext != nullptr) {
    hostContext->addRef();
    context = hostContext;
  }
  return kResultOk;
}

tresult Vst3Controller::terminate()
{
  if (handler != nullptr) handler->release();
  handler = nullptr;
  if (context != nullptr) context->release();
  context = nullptr;
  peer = nullptr;
  return kResultOk;
}

tresult Vst3Controller::setComponentState(IBStream* state)
{
  if (state == nullptr) return kInvalidArgument;
  if (!programs[0]) return kNotInitialized;
  const std::optional<ComponentState> read = readComponentState(*state);
  if (!read) return kResultFalse;
  for (int32_t program = 0; program < read->programsRead; ++program) {
    for (int32_t index = 0; index < read->valuesRead; ++index)
      programs[static_cast<std::size_t>(program)]->keepSetting(
          index, read->programs[static_cast<std::size_t>(program)][static_cast<std::size_t>(index)]);
  }
  currentProgram = read->currentProgram;
  showAll();
  return kResultOk;
}

tresult Vst3Controller::setState(IBStream* state) { return state != nullptr ? kResultOk : kInvalidArgument; }

tresult Vst3Controller::getState(IBStream* state) { return state != nullptr ? kResultOk : kInvalidArgument; }

int32_t Vst3Controller::getParameterCount() { return params::kListedCount; }

tresult Vst3Controller::getParameterInfo(int32_t index, vst3::ParameterInfo* info)
{
  if (info == nullptr) return kInvalidArgument;
  return params::describe(index, *info) ? kResultOk : kInvalidArgument;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
tresult Vst3Controller::getParamStringByValue(ParamID id, ParamValue normalized, char16_t text[128])
{
  if (text == nullptr || !programs[0]) return kInvalidArgument;
  if (id == params::kProgramChangeId)
    return getProgramName(params::kProgramListId, params::programFor(normalized), text);
  const int32_t index = params::indexForId(id);
  if (index == params::kNoIndex) return kInvalidArgument;
  writeUtf16(params::valueText(index, normalized, shapeNames), text, 128);
  return kResultOk;
}

tresult Vst3Controller::getParamValueByString(ParamID id, char16_t* text, ParamValue* normalized)
{
  if (text == nullptr || normalized == nullptr || !programs[0]) return kInvalidArgument;
  const std::string typed = utf8From(text, 128);
  if (id == params::kProgramChangeId) {
    for (int32_t program = 0; program < params::kProgramCount; ++program) {
      char name[PluginProgram::nameCapacity] = {};
      programs[static_cast<std::size_t>(program)]->writeShownName(program, name);
      if (typed == name) {
        *normalized = params::normalisedForProgram(program);
        return kResultOk;
      }
    }
    return kResultFalse;
  }
  const int32_t index = params::indexForId(id);
  if (index == params::kNoIndex) return kInvalidArgument;
  const std::optional<double> value = params::valueFromText(index, typed, shapeNames);
  if (!value) return kResultFalse;
  *normalized = *value;
  return kResultOk;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
ParamValue Vst3Controller::normalizedParamToPlain(ParamID id, ParamValue normalized)
{
  if (id == params::kProgramChangeId) return params::programFor(normalized);
  const int32_t index = params::indexForId(id);
  if (index == params::kNoIndex) return normalized;
  return unitValueFor(index, params::effectValueFor(index, normalized));
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
ParamValue Vst3Controller::plainParamToNormalized(ParamID id, ParamValue plain)
{
  if (id == params::kProgramChangeId)
    return std::isnan(plain) ? 0.0 : params::normalisedForProgram(static_cast<int32_t>(std::clamp(plain, 0.0, 15.0)));
  const int32_t index = params::indexForId(id);
  if (index == params::kNoIndex || std::isnan(plain)) return 0.0;
  return params::normalisedForKept(index, keptValue(index, normalisedFor(index, static_cast<float>(plain))));
}

ParamValue Vst3Controller::getParamNormalized(ParamID id)
{
  if (!programs[0]) return 0.0;
  if (id == params::kProgramChangeId) return params::normalisedForProgram(currentProgram);
  const int32_t index = params::indexForId(id);
  if (index == params::kNoIndex) return 0.0;
  return params::normalisedForKept(index, current().value(aliasTarget(index)));
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
tresult Vst3Controller::setParamNormalized(ParamID id, ParamValue normalized)
{
  if (!programs[0]) return kNotInitialized;
  if (std::isnan(normalized)) return kInvalidArgument;
  if (id == params::kProgramChangeId) {
    selectProgram(params::programFor(normalized));
    return kResultOk;
  }
  const int32_t index = params::indexForId(id);
  if (index == params::kNoIndex) return kInvalidArgument;
  current().keepSetting(index, params::effectValueFor(index, normalized));
  showChange(index);
  return kResultOk;
}

void Vst3Controller::selectProgram(int32_t program)
{
  if (program == currentProgram) return;
  currentProgram = program;
  showAll();
  // The processor loads the program itself from the same change. The host
  // is asked to read the other parameters again, but not from inside its own
  // call: Ardour 7.3 selects a preset under a lock that its answer to
  // restartComponent takes again, and hangs (seen: its interface thread
  // waiting in restartComponent under load_preset). The request waits for
  // the next idle of a view, or for the next program the host selects.
  restartPending = true;
}

void Vst3Controller::idle()
{
  if (!restartPending || handler == nullptr) return;
  restartPending = false;
  handler->restartComponent(kParamValuesChanged);
}

tresult Vst3Controller::setComponentHandler(IComponentHandler* newHandler)
{
  if (newHandler == handler) return kResultOk;
  if (newHandler != nullptr) newHandler->addRef();
  if (handler != nullptr) handler->release();
  handler = newHandler;
  return kResultOk;
}

IPlugView* Vst3Controller::createView(const char* name)
{
  if (name == nullptr || std::strcmp(name, kEditorViewType) != 0 || !programs[0]) return nullptr;
  return makeEditorView(*this);
}

// ---- units and the program list ----

int32_t Vst3Controller::getUnitCount() { return 1; }

tresult Vst3Controller::getUnitInfo(int32_t index, UnitInfo* info)
{
  if (info == nullptr || index != 0) return kInvalidArgument;
  std::memset(info, 0, sizeof *info);
  info->id = kRootUnitId;
  info->parentUnitId = kNoParentUnitId;
  writeUtf16(kUnitName, info->name, 128);
  info->programListId = params::kProgramListId;
  return kResultOk;
}

int32_t Vst3Controller::getProgramListCount() { return 1; }

tresult Vst3Controller::getProgramListInfo(int32_t index, ProgramListInfo* info)
{
  if (info == nullptr || index != 0) return kInvalidArgument;
  std::memset(info, 0, sizeof *info);
  info->id = params::kProgramListId;
  writeUtf16(kProgramListName, info->name, 128);
  info->programCount = params::kProgramCount;
  return kResultOk;
}

tresult Vst3Controller::getProgramName(int32_t listId, int32_t program, char16_t name[128])
{
  if (name == nullptr || !isOurList(listId) || program < 0 || program >= params::kProgramCount || !programs[0])
    return kInvalidArgument;
  char shown[PluginProgram::nameCapacity] = {};
  programs[static_cast<std::size_t>(program)]->writeShownName(program, shown);
  writeUtf16(shown, name, 128);
  return kResultOk;
}

tresult Vst3Controller::getProgramInfo(int32_t /*listId*/, int32_t /*program*/, const char* /*attribute*/,
                                       char16_t /*value*/[128])
{
  return kResultFalse;
}

tresult Vst3Controller::hasProgramPitchNames(int32_t /*listId*/, int32_t /*program*/) { return kResultFalse; }

tresult Vst3Controller::getProgramPitchName(int32_t /*listId*/, int32_t /*program*/, int16_t /*pitch*/,
                                            char16_t /*name*/[128])
{
  return kResultFalse;
}

int32_t Vst3Controller::getSelectedUnit() { return kRootUnitId; }

tresult Vst3Controller::selectUnit(int32_t unitId) { return unitId == kRootUnitId ? kResultOk : kInvalidArgument; }

tresult Vst3Controller::getUnitByBus(int32_t /*type*/, int32_t /*direction*/, int32_t /*bus*/, int32_t /*channel*/,
                                     int32_t* unitId)
{
  if (unitId == nullptr) return kInvalidArgument;
  *unitId = kRootUnitId;
  return kResultOk;
}

tresult Vst3Controller::setUnitProgramData(int32_t /*listOrUnitId*/, int32_t /*program*/, IBStream* /*data*/)
{
  return kNotImplemented;
}

// ---- connection ----

tresult Vst3Controller::connect(IConnectionPoint* other)
{
  if (other == nullptr) return kInvalidArgument;
  peer = other;
  return kResultOk;
}

tresult Vst3Controller::disconnect(IConnectionPoint* other)
{
  if (other == peer) peer = nullptr;
  return kResultOk;
}

tresult Vst3Controller::notify(IMessage* /*message*/) { return kResultOk; }

// ---- the editor's parameters ----

float Vst3Controller::currentValue(int32_t index)
{
  if (!isParameterIndex(index) || !programs[0]) return 0.0f;
  return reportedValue(index, current().value(aliasTarget(index)));
}

void Vst3Controller::displayText(int32_t index, char* text, std::size_t capacity)
{
  if (text == nullptr || capacity == 0) return;
  char display[kParameterTextCapacity] = {};
  if (isParameterIndex(index) && programs[0])
    writeParameterDisplay(index, current().value(aliasTarget(index)), shapeNames, display);
  copyBoundedText(text, capacity, display);
}

void Vst3Controller::setFromUser(int32_t index, float value)
{
  if (!isParameterIndex(index) || !programs[0] || !std::isfinite(value)) return;
  const int32_t target = aliasTarget(index);
  current().keepSetting(target, value);
  if (handler != nullptr)
    handler->performEdit(static_cast<ParamID>(target), params::normalisedForKept(target, current().value(target)));
  showChange(target);
}

void Vst3Controller::beginGesture(int32_t index)
{
  if (handler != nullptr && isParameterIndex(index)) handler->beginEdit(static_cast<ParamID>(aliasTarget(index)));
}

void Vst3Controller::endGesture(int32_t index)
{
  if (handler != nullptr && isParameterIndex(index)) handler->endEdit(static_cast<ParamID>(aliasTarget(index)));
}

void Vst3Controller::showChangesIn(EditorPanel& panel)
{
  if (std::find(panels.begin(), panels.end(), &panel) == panels.end()) panels.push_back(&panel);
}

void Vst3Controller::stopShowingChangesIn(EditorPanel& panel) { std::erase(panels, &panel); }

void Vst3Controller::showChange(int32_t index)
{
  const int32_t target = aliasTarget(index);
  for (EditorPanel* panel : panels) panel->parameterChanged(target, currentValue(target));
}

void Vst3Controller::showAll()
{
  for (int32_t index = 0; index < kParameterCount; ++index) {
    if (aliasTarget(index) == index) showChange(index);
  }
}
