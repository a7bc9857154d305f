// What the effect tests share: the fake platform pointed at the shipped shape
// folder, a way to run blocks through an effect, and stand-alone stages that
// the tests chain by hand as the reference for the effect's own chain.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "vst2/PluginEffect.h"
#include "platform/fake/FakePlatformServices.h"

namespace effecttest {

// Installs a fake platform whose "registry" names the folder that holds this
// test's copy of the shipped Brasklin shape folder. Must outlive the effects.
class ShippedShapes {
public:
  ShippedShapes();
  FakePlatformServices services;

private:
  std::optional<ScopedPlatformServices> scope;
};

// A fresh effect on the shipped shapes at `sampleRate`.
std::unique_ptr<PluginEffect> makeEffect(float sampleRate = 44100.0f);

// Both outputs of a run.
struct Rendered {
  std::vector<float> left;
  std::vector<float> right;
};

// Runs `input` through processReplacing in blocks of `blockSize` frames, with
// `second` (or silence) as the unused second input.
Rendered renderReplacing(PluginEffect& effect, std::span<const float> input, int32_t blockSize,
                         std::span<const float> second = {});

// Sets the four stage-order slots to the given kinds through the parameters.
void setOrder(PluginEffect& effect, int first, int second, int third, int forth);

// The value a host sends to choose a kind (the middle of its band).
float orderValue(int kind);

// True when every sample is a finite number.
bool allFinite(std::span<const float> samples);

// An exponential sweep from `fromHz` to `toHz` over `count` samples.
std::vector<float> sweep(double fromHz, double toHz, double sampleRate, std::size_t count, double amplitude);

// The instantaneous frequency of sweep(...) at sample `n`.
double sweepFrequency(double fromHz, double toHz, std::size_t count, double n);

}  // namespace effecttest
