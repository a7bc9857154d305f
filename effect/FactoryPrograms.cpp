#include "effect/FactoryPrograms.h"

#include "effect/FactorySounds.h"

std::unique_ptr<PluginProgram> makeFactoryProgram(int32_t number)
{
  const std::span<const FactorySound> sounds = factorySounds();
  if (number < 1 || static_cast<std::size_t>(number) > sounds.size()) return std::make_unique<PluginProgram>();
  const FactorySound& sound = sounds[static_cast<std::size_t>(number) - 1];
  return std::make_unique<PluginProgram>(sound.name, sound.values);
}
