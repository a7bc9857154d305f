#include "presets/FactoryList.h"

#include <vector>

#include "effect/ParameterTable.h"
#include "presets/ProgramList.h"

namespace {

std::vector<ProgramListParameter> pluginParameters()
{
  std::vector<ProgramListParameter> parameters;
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const ParameterInfo& info = parameterInfo(index);
    ProgramListParameter parameter;
    parameter.name = info.name != nullptr ? info.name : "";
    parameter.initialValue = info.initialValue;
    // Hosts apply a file's values in index order: a second entry for a
    // setting must hold the setting's value, or it would undo it.
    parameter.mirrors = info.aliasOf;
    parameters.push_back(parameter);
  }
  return parameters;
}

}  // namespace

bool readFactoryList(std::string_view text, PresetBank& sounds, std::string& error)
{
  return parseProgramList(text, pluginParameters(), sounds, error);
}
