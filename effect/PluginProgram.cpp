#include "effect/PluginProgram.h"

#include <charconv>
#include <cstring>

PluginProgram::PluginProgram()
{
  for (int32_t index = 0; index < kParameterCount; ++index) {
    parameterValues[static_cast<std::size_t>(index)].store(parameterInfo(index).initialValue,
                                                           std::memory_order_relaxed);
  }
  copyBoundedText(programName.data(), programName.size(), initialName);
}

PluginProgram::PluginProgram(const char* text, const Values& given) : PluginProgram()
{
  for (int32_t index = 0; index < kParameterCount; ++index)
    store(index, keptValue(index, given[static_cast<std::size_t>(index)]));
  setName(text);
}

float PluginProgram::value(int32_t index) const
{
  if (!isParameterIndex(index)) return 0.0f;
  return parameterValues[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}

void PluginProgram::store(int32_t index, float v)
{
  if (!isParameterIndex(index)) return;
  parameterValues[static_cast<std::size_t>(index)].store(v, std::memory_order_relaxed);
}

void PluginProgram::keepSetting(int32_t index, float v)
{
  if (!isParameterIndex(index)) return;
  const float kept = keptValue(index, v);
  const int32_t target = aliasTarget(index);
  for (int32_t other = 0; other < kParameterCount; ++other) {
    if (aliasTarget(other) == target) store(other, kept);
  }
}

PluginProgram::Values PluginProgram::values() const
{
  Values copy{};
  for (int32_t index = 0; index < kParameterCount; ++index) copy[static_cast<std::size_t>(index)] = value(index);
  return copy;
}

void PluginProgram::setName(const char* text)
{
  if (text == nullptr) return;
  copyBoundedText(programName.data(), programName.size(), text);
}

void PluginProgram::writeShownName(int32_t number, char* text) const
{
  if (std::strcmp(programName.data(), initialName) != 0) {
    copyBoundedText(text, nameCapacity, programName.data());
    return;
  }
  // The name, a space and the program's number counted from 1.
  std::array<char, nameCapacity> numbered{};
  const std::size_t length = std::strlen(initialName);
  std::memcpy(numbered.data(), initialName, length);
  numbered[length] = ' ';
  std::to_chars(numbered.data() + length + 1, numbered.data() + numbered.size() - 1, number + 1);
  copyBoundedText(text, nameCapacity, numbered.data());
}
