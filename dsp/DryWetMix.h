#pragma once

#include <atomic>
#include <cstdint>

// The blend of the chain's result with the dry input, before the output gain:
//   out = (1 - w) dry + w wet,   w = the wet share, 0 .. 1
// an equal-gain linear blend: the two gains always sum to 1, so a signal the
// chain leaves unchanged comes out unchanged at every setting, and 0.5 is
// each at half level. At w = 1 (the default) the block is not touched at all,
// so the chain's result passes bit for bit; at w = 0 it is the dry input,
// bit for bit. A dry sample that is NaN or infinite is silence here, as it
// is to every stage of the chain, so no such sample reaches the output
// through the dry share.
//
// The chain reads the share once per block, keeps a copy of the input while
// the share is below 1 (the stages work in place and would overwrite it),
// and blends after the last stage:
//   const float wet = mix.wetShare();
//   if (DryWetMix::needsDry(wet)) copy the input aside;
//   ... the stages ...
//   DryWetMix::blend(wet, dryCopy, output, output, frames);
//
// Threads: setWetShare from any thread; the rest on the audio thread (blend
// is a pure block operation: no allocation, no lock).
class DryWetMix {
public:
  // Any thread. Clamped to 0 .. 1; NaN is taken as 1 (the chain alone).
  void setWetShare(float wet);
  float wetShare() const { return wet_.load(std::memory_order_relaxed); }

  // Whether a block blended at `wet` reads the dry input at all.
  static bool needsDry(float wet) { return wet < 1.0f; }

  // Audio thread. Writes `count` samples of the blend of `dry` and `wet`
  // into `output`, which may be either of them (in place); `share` is the
  // wet share as wetShare() gives it (0 .. 1). Intermediates in double. With
  // a share of 1 the output is `wet` copied (nothing at all is done when they
  // are the same array) and `dry` may be null. Non-finite dry samples count as
  // 0. A count of 0 or less does nothing.
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): dry, then wet, as the formula reads
  static void blend(float share, const float* dry, const float* wet, float* output, int32_t count);

private:
  std::atomic<float> wet_{1.0f};
};
