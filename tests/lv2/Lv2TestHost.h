// A small LV2 host for the tests: the bundle built in place, found through
// lilv as any host finds it, instantiated with urid:map, options (the largest
// block) and no log, its ports connected to buffers of its own.
#pragma once

#include <lilv/lilv.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tests/support/Lv2HostFeatures.h"

namespace lv2test {

// The lilv world over the in-place bundle (and the installed LV2 vocabularies).
class World {
public:
  // `path`: the LV2_PATH to search (the in-place bundle by default).
  explicit World(const std::string& path = BRASKLIN_LV2_PATH ":/usr/lib/lv2");
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  LilvWorld* world() const { return world_; }
  const LilvPlugin* plugin() const { return plugin_; }
  // A node for `uri`, freed with the world.
  const LilvNode* uri(const std::string& text);

private:
  LilvWorld* world_ = nullptr;
  const LilvPlugin* plugin_ = nullptr;
  std::vector<LilvNode*> nodes;
};

// One instance, activated, ready to run, with buffers of `maxBlock` frames;
// the host announces that largest block unless `announced` is false (it then
// offers 0, which tells the plug-in nothing, as hosts without the option).
class Instance {
public:
  Instance(World& world, double sampleRate, uint32_t maxBlock, bool announced = true);
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // Sets the control port of parameter `index` to `unitValue` (the port's unit).
  void setControl(int32_t index, float unitValue);
  // Sets every control port to the unit value of the normalised `values`
  // (one per parameter index), as a program would keep them.
  void setAll(std::span<const float> values);
  // Applies the preset `presetUri` through lilv's state support.
  void applyPreset(const std::string& presetUri);
  float control(uint32_t port) const { return controls.at(port); }
  // Deactivates and activates the instance again, as a host restarting it.
  void restart();

  // Runs `input` in blocks of `blockSize`; the left output, after checking
  // that the right one is the same.
  std::vector<float> render(std::span<const float> input, uint32_t blockSize);
  // The same with the input port on the left output's buffer (in place, as
  // hosts may connect them).
  std::vector<float> renderInPlace(std::span<const float> input, uint32_t blockSize);

  LilvInstance* handle() const { return instance; }

private:
  World& world;
  // Kept for the instance's life: a preset's state maps URIs through it.
  testsupport::Lv2HostFeatures hostFeatures;
  LilvInstance* instance = nullptr;
  uint32_t maxBlock;
  std::vector<float> controls;  // by port number
  std::vector<float> in, left, right;
};

// The 16 programs of a new effect (what the bundle's presets are), the values
// each keeps per parameter, and the names hosts show for them.
std::vector<std::vector<float>> factoryPrograms();
std::vector<std::string> factoryProgramNames();

}  // namespace lv2test
