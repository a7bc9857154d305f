#include "presets/FactoryPrograms.h"

#include "effect/EffectCore.h"
#include "effect/ParameterTable.h"

std::vector<ProgramListParameter> factoryProgramParameters()
{
  std::vector<ProgramListParameter> parameters;
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const ParameterInfo& info = parameterInfo(index);
    ProgramListParameter parameter;
    parameter.name = info.name != nullptr ? info.name : "";
    parameter.initialValue = info.initialValue;
    // Hosts apply a file's values in index order: the second delay-time entry
    // must hold the delay time, or it would undo it.
    parameter.mirrors = info.aliasOf;
    parameters.push_back(parameter);
  }
  return parameters;
}

bool readFactoryPrograms(const std::string& path, PresetBank& bank, std::string& error)
{
  std::string text;
  if (!readPresetBytes(path, text, error)) return false;
  if (!parseProgramList(text, factoryProgramParameters(), bank, error)) {
    error = path + ": " + error;
    return false;
  }
  if (bank.size() != static_cast<std::size_t>(EffectCore::kProgramCount)) {
    error = path + ": holds " + std::to_string(bank.size()) + " programs, the factory bank fills all " +
            std::to_string(EffectCore::kProgramCount);
    return false;
  }
  return true;
}
