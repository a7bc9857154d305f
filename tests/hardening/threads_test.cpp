// Hosts that call the plug-in from several threads at once: an automation
// thread and an interface thread both setting and reading parameters and
// programs while the audio thread runs blocks. Run under ThreadSanitizer by
// scripts/test-sanitizers.sh, where any data race fails; in every build the
// audio must stay finite and the plug-in must end in a state that a single
// thread could have left.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "tests/hardening/HardeningSupport.h"

namespace {

using hardening::HostedPlugin;

// robustness: parameter sets, reads, displays, program changes and renames from two threads at once while a third runs blocks => no data race (ThreadSanitizer build), every output sample finite, and afterwards every parameter reads as the last value set
TEST(HardeningThreadsTest, parameterCallsFromTwoThreadsAtOnceWhileBlocksRun)
{
  HostedPlugin plugin;
  plugin.everyStageOn(0.5f, 0.5f);
  std::atomic<bool> stop{false};
  std::atomic<int> unfinite{0};

  std::thread audio([&] {
    const auto tone = hardening::sine(250.0, 44100.0, 256, 0.8f);
    std::vector<float> in(tone), left(256), right(256);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {left.data(), right.data()};
    int blocks = 0;
    while (!stop.load() || blocks < 50) {
      plugin->processReplacing(plugin.descriptor(), inputs, outputs, 256);
      for (const float x : left) {
        if (!std::isfinite(x)) unfinite.fetch_add(1);
      }
      ++blocks;
    }
  });

  // Two host threads doing what hosts do: automation writes and reads values,
  // the interface thread switches programs, renames them and reads texts.
  auto host = [&](unsigned seed, bool interfaceThread) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    char text[64];
    for (int i = 0; i < 3000; ++i) {
      const auto index = static_cast<int32_t>(random() % kParameterCount);
      plugin.set(index, value(random));
      (void)plugin.get(index);
      plugin.dispatch(effGetParamDisplay, index, 0, text);
      if (interfaceThread && i % 50 == 0) {
        plugin.dispatch(effSetProgram, 0, static_cast<intptr_t>(random() % 16));
        std::strcpy(text, i % 100 == 0 ? "Init" : "Racing");
        plugin.dispatch(effSetProgramName, 0, 0, text);
        plugin.dispatch(effGetProgramName, 0, 0, text);
      }
    }
  };
  std::thread automation(host, 1u, false);
  std::thread interface(host, 2u, true);
  automation.join();
  interface.join();
  stop.store(true);
  audio.join();

  EXPECT_EQ(unfinite.load(), 0);
  // Quiet again, the plug-in answers like one driven by a single thread.
  const float values[] = {0.2f, 0.35f, 0.0f, 1.0f, 0.6f, 0.55f, 0.4f, 0.3f, 0.25f, 0.15f, 0.45f, 0.15f, 0.7f, 0.5f};
  for (int32_t index = 0; index < 14; ++index) plugin.set(index, values[index]);
  for (int32_t index = 0; index < 14; ++index) EXPECT_EQ(plugin.get(index), values[index]) << index;
}

}  // namespace
