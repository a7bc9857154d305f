#include "vst3/Vst3Parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effect/ParameterText.h"
#include "effect/ParameterUnits.h"
#include "vst3/Utf16Text.h"

namespace vst3_parameters {
namespace {

bool isSwitch(int32_t index) { return parameterInfo(index).positions >= 2; }

// The position k = min(n, floor(v * (n + 1))) of a switch of n + 1
// positions, values outside 0..1 taken at the nearer end.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): a value, then the steps it is read in
int32_t positionFor(double normalised, int32_t steps)
{
  const double clamped = std::clamp(normalised, 0.0, 1.0);
  return std::min(steps, static_cast<int32_t>(std::floor(clamped * (steps + 1))));
}

// Digits after the point each unit is shown with.
int decimalsOf(ParameterScale scale)
{
  switch (scale) {
    case ParameterScale::volumeDecibels:
    case ParameterScale::gateDecibels: return 1;
    case ParameterScale::glideMilliseconds: return 0;
    default: return 3;
  }
}

// A text the user typed and a name compared without case and surrounding spaces.
bool namesMatch(const std::string& typed, const char* name)
{
  if (name == nullptr) return false;
  std::size_t begin = typed.find_first_not_of(' ');
  std::size_t end = typed.find_last_not_of(' ');
  if (begin == std::string::npos) return name[0] == '\0';
  const std::string trimmed = typed.substr(begin, end - begin + 1);
  if (trimmed.size() != std::strlen(name)) return false;
  for (std::size_t k = 0; k < trimmed.size(); ++k) {
    const auto a = static_cast<unsigned char>(trimmed[k]);
    const auto b = static_cast<unsigned char>(name[k]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

}  // namespace

int32_t indexForId(vst3::ParamID id)
{
  return id < static_cast<vst3::ParamID>(kParameterCount) ? static_cast<int32_t>(id) : kNoIndex;
}

int32_t stepCountOf(int32_t index) { return isSwitch(index) ? parameterInfo(index).positions - 1 : 0; }

float effectValueFor(int32_t index, double normalised)
{
  if (std::isnan(normalised)) return std::nanf("");
  // VST 3 values are 0..1 by definition: a host's value beyond them (an
  // infinity included) is taken at the nearer end.
  if (!isSwitch(index)) return static_cast<float>(std::clamp(normalised, 0.0, 1.0));
  return normalisedFor(index, static_cast<float>(positionFor(normalised, stepCountOf(index))));
}

double normalisedForKept(int32_t index, float kept)
{
  if (!isSwitch(index)) return static_cast<double>(reportedValue(index, kept));
  return static_cast<double>(switchPositionFor(index, kept)) / stepCountOf(index);
}

int32_t programFor(double normalised)
{
  if (std::isnan(normalised)) return 0;
  return positionFor(normalised, kProgramCount - 1);
}

double normalisedForProgram(int32_t program)
{
  return static_cast<double>(std::clamp(program, 0, kProgramCount - 1)) / (kProgramCount - 1);
}

bool describe(int32_t position, vst3::ParameterInfo& info)
{
  if (position < 0 || position >= kListedCount) return false;
  std::memset(&info, 0, sizeof info);
  info.unitId = vst3::kRootUnitId;
  if (position == kParameterCount) {
    info.id = kProgramChangeId;
    writeUtf16("Program", info.title, 128);
    writeUtf16("Program", info.shortTitle, 128);
    info.stepCount = kProgramCount - 1;
    info.defaultNormalizedValue = 0.0;
    info.flags = vst3::ParameterInfo::kIsProgramChange | vst3::ParameterInfo::kIsList;
    return true;
  }
  const int32_t index = position;
  const ParameterInfo& row = parameterInfo(index);
  info.id = static_cast<vst3::ParamID>(index);
  // An alias has no name of its own: it is listed under its target's, hidden
  // and read-only, so that a host neither shows nor automates it twice.
  const std::string name = plainParameterName(aliasTarget(index));
  writeUtf16(name, info.title, 128);
  writeUtf16(name, info.shortTitle, 128);
  writeUtf16(unitSymbol(index), info.units, 128);
  info.stepCount = stepCountOf(index);
  info.defaultNormalizedValue = normalisedForKept(index, keptValue(index, row.initialValue));
  if (row.aliasOf != kNoAlias) {
    info.flags = vst3::ParameterInfo::kIsReadOnly | vst3::ParameterInfo::kIsHidden;
  } else {
    info.flags = row.automatable ? vst3::ParameterInfo::kCanAutomate : 0;
    if (positionName(index, 0) != nullptr) info.flags |= vst3::ParameterInfo::kIsList;
  }
  return true;
}

const char* unitSymbol(int32_t index)
{
  switch (parameterInfo(index).scale) {
    case ParameterScale::delaySeconds: return "s";
    case ParameterScale::volumeDecibels:
    case ParameterScale::gateDecibels: return "dB";
    case ParameterScale::glideMilliseconds: return "ms";
    default: return "";
  }
}

std::string valueText(int32_t index, double normalised, const std::vector<std::string>& shapeNames)
{
  const ParameterInfo& row = parameterInfo(index);
  const float value = effectValueFor(index, std::isnan(normalised) ? 0.0 : normalised);
  if (isSwitch(index)) {
    const int32_t position = switchPositionFor(index, value);
    if (const char* name = positionName(index, position)) return name;
    return switchText(position != 0);
  }
  if (row.display == ParameterDisplay::shapeName) {
    char text[kParameterTextCapacity] = {};
    writeParameterDisplay(index, keptValue(index, value), shapeNames, text);
    return text;
  }
  const float unitValue = unitValueFor(index, value);
  if (const NamedValue* named = namedValueOf(index); named != nullptr && unitValue == named->unitValue)
    return named->name;
  char text[64] = {};
  std::snprintf(text, sizeof text, "%.*f", decimalsOf(row.scale), static_cast<double>(unitValue));
  return text;
}

std::optional<double> valueFromText(int32_t index, const std::string& text, const std::vector<std::string>& shapeNames)
{
  const ParameterInfo& row = parameterInfo(index);
  if (isSwitch(index)) {
    const int32_t steps = stepCountOf(index);
    for (int32_t position = 0; position <= steps; ++position) {
      const char* name = positionName(index, position);
      if (name == nullptr) name = switchText(position != 0);
      if (namesMatch(text, name)) return static_cast<double>(position) / steps;
    }
  }
  if (row.display == ParameterDisplay::shapeName) {
    const auto count = static_cast<int32_t>(shapeNames.size());
    for (int32_t shape = 0; shape < count; ++shape) {
      if (namesMatch(text, shapeNames[static_cast<std::size_t>(shape)].c_str()))
        return static_cast<double>(static_cast<float>(shape) * (1.0f / static_cast<float>(count)));
    }
  }
  if (const NamedValue* named = namedValueOf(index); named != nullptr && namesMatch(text, named->name))
    return normalisedForKept(index, normalisedFor(index, named->unitValue));
  const char* begin = text.c_str();
  char* end = nullptr;
  const double number = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(number)) return std::nullopt;
  if (isSwitch(index)) {
    // A number is a position, counted from 0.
    return std::clamp(std::round(number), 0.0, static_cast<double>(stepCountOf(index))) / stepCountOf(index);
  }
  const float value = normalisedFor(index, static_cast<float>(number));
  return std::clamp(static_cast<double>(value), 0.0, 1.0);
}

}  // namespace vst3_parameters
