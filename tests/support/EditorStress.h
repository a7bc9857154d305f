// A host that opens and closes the plug-in's editor over and over on its
// interface thread (the calling thread) while a second thread automates every
// parameter and a third runs audio blocks, the way a user clicking the
// editor button during a playback with automation drives a plug-in. Only the
// descriptor is used, so the same loop runs on any window layer: headless,
// X11, or Win32 under wine.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "vst2/interface/AEffect.h"

namespace editorstress {

// Each of the three threads does at least this much (open/close rounds,
// passes over the parameters, blocks) before the loop ends, however slow a
// loaded or instrumented machine makes them.
inline constexpr long kMinimumRounds = 20;

struct Outcome {
  int openCloseRounds = 0;
  long automationCalls = 0;
  long blocks = 0;
  long unfiniteSamples = 0;
  // Both helper threads stopped within their deadline after the loop ended.
  bool stoppedInTime = false;
};

inline intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr)
{
  return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
}

// Runs the three threads for `duration`, and on until each has done
// kMinimumRounds, for at most eight times `duration` in all. `pump` is
// called on the interface thread between idles, for the window system's
// events (may be empty).
inline Outcome run(AEffect* effect, void* parentWindow, std::chrono::milliseconds duration,
                   const std::function<void()>& pump = {})
{
  constexpr int32_t kFrames = 256;
  Outcome outcome;
  std::atomic<bool> stop{false};
  std::atomic<long> automationCalls{0};
  std::atomic<long> blocks{0};
  std::atomic<long> unfinite{0};
  std::atomic<int> stopped{0};

  const int32_t parameters = effect->numParams;
  std::thread automation([&] {
    uint32_t step = 0;
    while (!stop.load(std::memory_order_relaxed)) {
      for (int32_t index = 0; index < parameters; ++index) {
        // Values that sweep each parameter's whole range, stage-order slots
        // and switches included.
        const float value = static_cast<float>((step * 7 + static_cast<uint32_t>(index) * 13) % 101) / 100.0f;
        effect->setParameter(effect, index, value);
        (void)effect->getParameter(effect, index);
      }
      ++step;
      automationCalls.fetch_add(parameters, std::memory_order_relaxed);
    }
    stopped.fetch_add(1);
  });

  std::thread audio([&] {
    std::vector<float> in(kFrames), left(kFrames), right(kFrames);
    for (int32_t i = 0; i < kFrames; ++i)
      in[static_cast<std::size_t>(i)] = 0.7f * std::sin(0.05f * static_cast<float>(i));
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {left.data(), right.data()};
    long count = 0;
    while (!stop.load(std::memory_order_relaxed)) {
      if (count % 3 == 0) {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        effect->process(effect, inputs, outputs, kFrames);
      } else {
        effect->processReplacing(effect, inputs, outputs, kFrames);
      }
      unfinite.fetch_add(std::count_if(left.begin(), left.end(), [](float x) { return !std::isfinite(x); }),
                         std::memory_order_relaxed);
      ++count;
      blocks.fetch_add(1, std::memory_order_relaxed);
    }
    stopped.fetch_add(1);
  });

  const auto start = std::chrono::steady_clock::now();
  const auto enough = [&] {
    return outcome.openCloseRounds >= kMinimumRounds && blocks.load() >= kMinimumRounds &&
           automationCalls.load() >= kMinimumRounds * parameters;
  };
  for (;;) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (elapsed >= 8 * duration || (elapsed >= duration && enough())) break;
    dispatch(effect, effEditOpen, 0, 0, parentWindow);
    for (int idle = 0; idle < 3; ++idle) {
      if (pump) pump();
      dispatch(effect, effEditIdle);
    }
    dispatch(effect, effEditClose);
    ++outcome.openCloseRounds;
  }
  stop.store(true);
  // Bounded: a thread that hangs fails the test instead of blocking it forever.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (stopped.load() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  outcome.stoppedInTime = stopped.load() == 2;
  if (!outcome.stoppedInTime) {
    // The threads still use this frame's variables: nothing safe is left to do.
    std::fputs("editor stress: a helper thread did not stop within 10 s\n", stderr);
    std::abort();
  }
  automation.join();
  audio.join();
  outcome.automationCalls = automationCalls.load();
  outcome.blocks = blocks.load();
  outcome.unfiniteSamples = unfinite.load();
  return outcome;
}

}  // namespace editorstress
