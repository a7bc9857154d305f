#include "presets/ProgramList.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <set>

namespace {

std::string_view trimmed(std::string_view text)
{
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Characters that would make the program's own file name unusable on one of
// the systems the files ship for.
bool isFileNameSafe(std::string_view name)
{
  constexpr std::string_view refused = "/\\:*?\"<>|";
  if (name.front() == '.' || name.back() == '.' || name.back() == ' ') return false;
  return std::none_of(name.begin(), name.end(), [refused](char c) {
    return static_cast<unsigned char>(c) < 0x20 || refused.find(c) != std::string_view::npos;
  });
}

std::optional<float> parseValue(std::string_view text)
{
  const std::string copy(text);
  char* end = nullptr;
  const float value = std::strtof(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string matchingName(std::string_view name)
{
  std::string lowered(trimmed(name));
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

bool parseProgramList(std::string_view text, const std::vector<ProgramListParameter>& parameters, PresetBank& bank,
                      std::string& error)
{
  bank.clear();
  std::set<std::string> names;
  std::vector<bool> given;
  int lineNumber = 0;
  const auto failAt = [&](const std::string& message) {
    error = "line " + std::to_string(lineNumber) + ": " + message;
    return false;
  };
  std::size_t position = 0;
  while (position <= text.size()) {
    const std::size_t end = std::min(text.find('\n', position), text.size());
    std::string_view line = text.substr(position, end - position);
    position = end + 1;
    ++lineNumber;
    line = trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;

    if (line.front() == '[') {
      if (line.back() != ']') return failAt("a program name needs its closing ']'");
      const std::string name(trimmed(line.substr(1, line.size() - 2)));
      if (name.empty()) return failAt("a program needs a name");
      if (name.size() >= kProgramNameCapacity)
        return failAt("the name '" + name + "' is longer than " + std::to_string(kProgramNameCapacity - 1) + " bytes");
      if (!isFileNameSafe(name)) return failAt("the name '" + name + "' cannot be a file name");
      if (!names.insert(matchingName(name)).second) return failAt("a second program named '" + name + "'");
      PresetProgram program;
      program.name = name;
      for (const ProgramListParameter& parameter : parameters) program.values.push_back(parameter.initialValue);
      bank.push_back(std::move(program));
      given.assign(parameters.size(), false);
      continue;
    }

    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return failAt("expected '[Program Name]' or 'Parameter = value'");
    if (bank.empty()) return failAt("a setting before the first '[Program Name]'");
    const std::string key = matchingName(line.substr(0, equals));
    const auto found = std::find_if(parameters.begin(), parameters.end(), [&key](const ProgramListParameter& p) {
      return !p.name.empty() && matchingName(p.name) == key;
    });
    if (key.empty() || found == parameters.end()) return failAt("unknown parameter '" + key + "'");
    const auto index = static_cast<std::size_t>(found - parameters.begin());
    if (given[index]) return failAt("'" + key + "' is set twice in one program");
    given[index] = true;
    const std::string_view valueText = trimmed(line.substr(equals + 1));
    const std::optional<float> value = parseValue(valueText);
    if (!value) return failAt("the value of '" + key + "' is not a number: '" + std::string(valueText) + "'");
    const std::string problem = presetValueProblem(*value);
    if (!problem.empty()) return failAt("'" + key + "': " + problem);
    bank.back().values[index] = *value;
  }
  for (PresetProgram& program : bank) {
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      const int32_t source = parameters[i].mirrors;
      if (source >= 0 && static_cast<std::size_t>(source) < parameters.size())
        program.values[i] = program.values[static_cast<std::size_t>(source)];
    }
  }
  return true;
}
