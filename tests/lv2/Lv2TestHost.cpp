#include "tests/lv2/Lv2TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "effect/ParameterPorts.h"
#include "effect/ParameterTable.h"
#include "effect/ParameterUnits.h"
#include "lv2/Lv2Identity.h"
#include "effect/EffectCore.h"
#include "effect/FactoryPrograms.h"

namespace lv2test {

namespace {

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): lilv's callback signature
void setPortValue(const char* symbol, void* userData, const void* value, uint32_t size, uint32_t /*type*/)
{
  auto& instance = *static_cast<Instance*>(userData);
  ASSERT_EQ(size, sizeof(float)) << symbol;
  float unitValue = 0.0f;
  std::memcpy(&unitValue, value, sizeof unitValue);
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const char* own = parameterInfo(index).symbol;
    if (own != nullptr && std::strcmp(own, symbol) == 0) {
      instance.setControl(index, unitValue);
      return;
    }
  }
  ADD_FAILURE() << "preset names an unknown port " << symbol;
}

}  // namespace

World::World(const std::string& lv2Path) : world_(lilv_world_new())
{
  LilvNode* path = lilv_new_string(world_, lv2Path.c_str());
  lilv_world_set_option(world_, LILV_OPTION_LV2_PATH, path);
  lilv_node_free(path);
  lilv_world_load_all(world_);
  plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri(kLv2PluginUri));
  if (plugin_ == nullptr) throw std::runtime_error("the bundle's plug-in is not found");
}

World::~World()
{
  for (LilvNode* node : nodes) lilv_node_free(node);
  lilv_world_free(world_);
}

const LilvNode* World::uri(const std::string& text)
{
  nodes.push_back(lilv_new_uri(world_, text.c_str()));
  return nodes.back();
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): rate, then block size, as a host gives them
Instance::Instance(World& world, double sampleRate, uint32_t maxBlock, bool announced)
    : world(world),
      hostFeatures(announced ? static_cast<int32_t>(maxBlock) : 0),
      maxBlock(maxBlock),
      controls(portCount(), 0.0f),
      in(maxBlock),
      left(maxBlock),
      right(maxBlock)
{
  instance = lilv_plugin_instantiate(world.plugin(), sampleRate, hostFeatures.list());
  if (instance == nullptr) throw std::runtime_error("the plug-in did not instantiate");
  // Every control at its default, as a host starts.
  std::vector<float> defaults(controls.size());
  lilv_plugin_get_port_ranges_float(world.plugin(), nullptr, nullptr, defaults.data());
  for (uint32_t port = kFirstControlPort; port < controls.size(); ++port) controls[port] = defaults[port];
  for (uint32_t port = kFirstControlPort; port < controls.size(); ++port)
    lilv_instance_connect_port(instance, port, &controls[port]);
  lilv_instance_connect_port(instance, kAudioInputPort, in.data());
  lilv_instance_connect_port(instance, kFirstAudioOutputPort, left.data());
  lilv_instance_connect_port(instance, kFirstAudioOutputPort + 1, right.data());
  lilv_instance_activate(instance);
}

Instance::~Instance()
{
  lilv_instance_deactivate(instance);
  lilv_instance_free(instance);
}

void Instance::restart()
{
  lilv_instance_deactivate(instance);
  lilv_instance_activate(instance);
}

void Instance::setControl(int32_t index, float unitValue) { controls.at(portForParameter(index)) = unitValue; }

void Instance::setAll(std::span<const float> values)
{
  for (int32_t index = 0; index < kParameterCount; ++index) {
    if (portForParameter(index) == kNoPort) continue;
    setControl(index, unitValueFor(index, keptValue(index, values[static_cast<std::size_t>(index)])));
  }
}

void Instance::applyPreset(const std::string& presetUri)
{
  // A preset's port values live in a file of their own, read on demand.
  ASSERT_GE(lilv_world_load_resource(world.world(), world.uri(presetUri)), 0) << presetUri;
  LilvState* state = lilv_state_new_from_world(world.world(), hostFeatures.uridMap(), world.uri(presetUri));
  ASSERT_NE(state, nullptr) << presetUri;
  lilv_state_restore(state, instance, setPortValue, this, 0, nullptr);
  lilv_state_free(state);
}

std::vector<float> Instance::render(std::span<const float> input, uint32_t blockSize)
{
  std::vector<float> output;
  output.reserve(input.size());
  for (std::size_t offset = 0; offset < input.size(); offset += blockSize) {
    const auto frames = static_cast<uint32_t>(std::min<std::size_t>(blockSize, input.size() - offset));
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), frames, in.begin());
    lilv_instance_run(instance, frames);
    EXPECT_TRUE(std::equal(left.begin(), left.begin() + frames, right.begin())) << "at frame " << offset;
    output.insert(output.end(), left.begin(), left.begin() + frames);
  }
  return output;
}

std::vector<float> Instance::renderInPlace(std::span<const float> input, uint32_t blockSize)
{
  lilv_instance_connect_port(instance, kAudioInputPort, left.data());
  std::vector<float> output;
  output.reserve(input.size());
  for (std::size_t offset = 0; offset < input.size(); offset += blockSize) {
    const auto frames = static_cast<uint32_t>(std::min<std::size_t>(blockSize, input.size() - offset));
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), frames, left.begin());
    lilv_instance_run(instance, frames);
    output.insert(output.end(), left.begin(), left.begin() + frames);
  }
  lilv_instance_connect_port(instance, kAudioInputPort, in.data());
  return output;
}

std::vector<std::vector<float>> factoryPrograms()
{
  std::vector<std::vector<float>> programs;
  for (int32_t number = 0; number < EffectCore::kProgramCount; ++number) {
    const PluginProgram::Values values = makeFactoryProgram(number)->values();
    programs.emplace_back(values.begin(), values.end());
  }
  return programs;
}

std::vector<std::string> factoryProgramNames()
{
  std::vector<std::string> names;
  for (int32_t number = 0; number < EffectCore::kProgramCount; ++number) {
    std::array<char, PluginProgram::nameCapacity> shown{};
    makeFactoryProgram(number)->writeShownName(number, shown.data());
    names.emplace_back(shown.data());
  }
  return names;
}

}  // namespace lv2test
