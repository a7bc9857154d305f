#include "lv2/Lv2Plugin.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include "effect/ParameterPorts.h"
#include "effect/ParameterUnits.h"
#include "effect/SampleRate.h"
#include "platform/PlatformServices.h"

// What the plug-in takes from the host's features: urid:map (to read the
// options and to type log lines), log:log, and options:options for the
// largest block (bufsz:maxBlockLength, or the nominal length when only that
// is given). All are optional.
struct Lv2Plugin::HostFeatures {
  const LV2_Log_Log* log = nullptr;
  uint32_t errorType = 0;
  int32_t maxBlock = 0;  // 0: not given

  explicit HostFeatures(const LV2_Feature* const* features)
  {
    const LV2_URID_Map* map = nullptr;
    const LV2_Options_Option* options = nullptr;
    for (const LV2_Feature* const* feature = features; feature != nullptr && *feature != nullptr; ++feature) {
      const char* uri = (*feature)->URI;
      if (uri == nullptr) continue;
      if (std::strcmp(uri, LV2_URID__map) == 0) map = static_cast<const LV2_URID_Map*>((*feature)->data);
      if (std::strcmp(uri, LV2_LOG__log) == 0) log = static_cast<const LV2_Log_Log*>((*feature)->data);
      if (std::strcmp(uri, LV2_OPTIONS__options) == 0)
        options = static_cast<const LV2_Options_Option*>((*feature)->data);
    }
    if (map == nullptr || map->map == nullptr) return;
    errorType = map->map(map->handle, LV2_LOG__Error);
    if (options == nullptr) return;
    const LV2_URID maxKey = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID nominalKey = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
    const LV2_URID intType = map->map(map->handle, "http://lv2plug.in/ns/ext/atom#Int");
    int32_t nominal = 0;
    for (const LV2_Options_Option* option = options; option->key != 0; ++option) {
      if (option->type != intType || option->size != sizeof(int32_t) || option->value == nullptr) continue;
      int32_t value = 0;
      std::memcpy(&value, option->value, sizeof value);
      if (option->key == maxKey) maxBlock = value;
      if (option->key == nominalKey) nominal = value;
    }
    if (maxBlock <= 0) maxBlock = nominal;
    if (maxBlock < 0) maxBlock = 0;
  }
};

std::unique_ptr<Lv2Plugin> Lv2Plugin::create(double sampleRate, const char* bundlePath,
                                             const LV2_Feature* const* features)
{
  if (!std::isfinite(sampleRate) || !isUsableSampleRate(sampleRate) || bundlePath == nullptr) return nullptr;
  try {
    const HostFeatures host(features);
    return std::unique_ptr<Lv2Plugin>(new Lv2Plugin(sampleRate, bundlePath, host));
  } catch (...) {
    // A C host cannot take an exception: whatever went wrong, no instance.
    return nullptr;
  }
}

Lv2Plugin::Lv2Plugin(double sampleRate, const std::string& bundlePath, const HostFeatures& features)
    : hostLog(features.log),
      errorType(features.errorType),
      services(bundlePath, platformServices(), *this),
      core_(services),
      controls(controlPortCount(), nullptr),
      appliedValues(controlPortCount())
{
  core_.setSampleRate(static_cast<float>(sampleRate));
  if (features.maxBlock > 0) core_.setBlockSize(features.maxBlock);
  // The core starts at program 0; a port the host leaves at that value
  // changes nothing when the first block applies the ports.
  for (uint32_t c = 0; c < appliedValues.size(); ++c) {
    const int32_t index = parameterForPort(kFirstControlPort + c);
    appliedValues[c] = unitValueFor(index, core_.keptValueOf(index));
  }
}

Lv2Plugin::~Lv2Plugin() = default;

void Lv2Plugin::error(const std::string& line)
{
  if (hostLog != nullptr && hostLog->printf != nullptr && errorType != 0) {
    hostLog->printf(hostLog->handle, errorType, "%s\n", line.c_str());
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  }
}

void Lv2Plugin::connectPort(uint32_t port, void* data)
{
  if (port == kAudioInputPort) {
    input = static_cast<const float*>(data);
  } else if (port >= kFirstAudioOutputPort && port < kFirstControlPort) {
    outputs[port - kFirstAudioOutputPort] = static_cast<float*>(data);
  } else if (port < portCount()) {
    controls[port - kFirstControlPort] = static_cast<const float*>(data);
  }
}

void Lv2Plugin::activate()
{
  core_.resume();
  core_.requestReset();
}

void Lv2Plugin::deactivate() {}

void Lv2Plugin::applyControls()
{
  for (std::size_t c = 0; c < controls.size(); ++c) {
    if (controls[c] == nullptr) continue;
    const float value = *controls[c];
    // Compared as bits: a NaN the host leaves in a port is not applied again
    // and again (the core refuses it anyway).
    if (std::bit_cast<uint32_t>(value) == std::bit_cast<uint32_t>(appliedValues[c])) continue;
    appliedValues[c] = value;
    const int32_t index = parameterForPort(kFirstControlPort + static_cast<uint32_t>(c));
    core_.setParameter(index, normalisedFor(index, value));
  }
}

void Lv2Plugin::run(uint32_t frames)
{
  applyControls();
  float* const first = outputs[0];
  if (frames == 0 || input == nullptr || first == nullptr) return;
  if (core_.hasLoadFailed()) {
    // Loaded but silent: LV2 output buffers hold whatever the host left.
    for (float* const output : outputs) {
      if (output != nullptr) std::fill_n(output, frames, 0.0f);
    }
    return;
  }
  // The core reads one channel and never writes it unless it is the output.
  float* inputs[2] = {const_cast<float*>(input), nullptr};  // NOLINT: read only
  const int32_t count = frames > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(frames);
  core_.processReplacing(inputs, outputs, count);
}
