#include "tools/render/PresetTransfer.h"

namespace {

std::string countProblem(std::size_t fileCount, int32_t pluginCount, const char* what)
{
  if (fileCount <= static_cast<std::size_t>(pluginCount)) return "";
  return "the file holds " + std::to_string(fileCount) + " " + what + ", the plug-in has only " +
         std::to_string(pluginCount);
}

void applyProgram(PluginHost& plugin, const PresetProgram& program, const std::vector<float>& opening)
{
  for (int32_t index = 0; index < plugin.numParams(); ++index) {
    const auto at = static_cast<std::size_t>(index);
    if (at < program.values.size()) {
      plugin.setParameter(index, program.values[at]);
    } else if (at < opening.size()) {
      plugin.setParameter(index, opening[at]);
    }
  }
  plugin.setProgramName(program.name);
}

}  // namespace

std::vector<float> openingValues(PluginHost& plugin)
{
  std::vector<float> values;
  for (int32_t index = 0; index < plugin.numParams(); ++index) values.push_back(plugin.parameterValue(index));
  return values;
}

std::string loadProgram(PluginHost& plugin, const PresetProgram& program, const std::vector<float>& opening)
{
  std::string problem = countProblem(program.values.size(), plugin.numParams(), "parameters");
  if (!problem.empty()) return problem;
  applyProgram(plugin, program, opening);
  return "";
}

std::string loadBank(PluginHost& plugin, const PresetBank& bank, const std::vector<float>& opening)
{
  std::string problem = countProblem(bank.size(), plugin.numPrograms(), "programs");
  for (std::size_t i = 0; problem.empty() && i < bank.size(); ++i) {
    problem = countProblem(bank[i].values.size(), plugin.numParams(), "parameters");
    if (!problem.empty()) problem = "program " + std::to_string(i) + ": " + problem;
  }
  if (!problem.empty()) return problem;
  for (std::size_t i = 0; i < bank.size(); ++i) {
    plugin.setProgram(static_cast<int32_t>(i));
    applyProgram(plugin, bank[i], opening);
  }
  if (plugin.numPrograms() > 0) plugin.setProgram(0);
  return "";
}

bool captureProgram(PluginHost& plugin, PresetProgram& program, std::string& error)
{
  program.name = boundedProgramName(plugin.programName());
  program.values.clear();
  for (int32_t index = 0; index < plugin.numParams(); ++index) {
    const float value = plugin.parameterValue(index);
    const std::string problem = presetValueProblem(value);
    if (!problem.empty()) {
      error = "cannot save program '" + program.name + "': parameter " + std::to_string(index) + ": " + problem;
      return false;
    }
    program.values.push_back(value);
  }
  return true;
}

bool captureBank(PluginHost& plugin, PresetBank& bank, std::string& error)
{
  const int32_t current = plugin.program();
  bank.clear();
  bool captured = true;
  for (int32_t i = 0; captured && i < plugin.numPrograms(); ++i) {
    plugin.setProgram(i);
    PresetProgram program;
    captured = captureProgram(plugin, program, error);
    bank.push_back(std::move(program));
  }
  plugin.setProgram(current);
  return captured;
}

PresetOwner presetOwner(PluginHost& plugin)
{
  return PresetOwner{plugin.descriptor().uniqueID, plugin.descriptor().version};
}
