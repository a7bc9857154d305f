// Pushes an audio clip through a loaded plug-in block by block.
#pragma once

#include "tools/render/AudioFiles.h"
#include "tools/render/PluginHost.h"

#include <functional>
#include <vector>

struct RenderSettings {
  int32_t blockSize = 512;
  bool accumulate = false;   // the adding audio routine instead of the replacing one
  double tailSeconds = 0.0;  // silence rendered after the input, for tails to ring out
  bool mono = false;         // write the first output only
};

// Called after each block with the fraction done (0..1).
using RenderProgress = std::function<void(double)>;

// `input` is one channel of samples at the host's rate. Returns the plug-in's
// outputs (two channels, or one with `mono`), interleaved.
AudioClip renderThroughPlugin(PluginHost& plugin, const std::vector<float>& input, double sampleRate,
                              const RenderSettings& settings, const RenderProgress& progress);

// One channel taken from `clip`: channel `channel` (0-based), or the average of
// all channels when `channel` is negative.
std::vector<float> pickChannel(const AudioClip& clip, int channel);
