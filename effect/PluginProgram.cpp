#include "effect/PluginProgram.h"

PluginProgram::PluginProgram()
{
  for (int32_t index = 0; index < kParameterCount; ++index) {
    parameterValues[static_cast<std::size_t>(index)].store(parameterInfo(index).initialValue,
                                                           std::memory_order_relaxed);
  }
  copyBoundedText(programName.data(), programName.size(), initialName);
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
