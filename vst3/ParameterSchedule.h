// The parameter changes of one VST 3 process call in the order they fall in
// the block, so that the block can be split at their sample offsets: every
// point is applied at its own offset, the audio before it runs with the
// values before it. A point's value holds from its offset on; the ramps a
// host may mean between points are taken as steps at the points (a host
// that wants a finer ramp sends more points).
//
// Made on the audio thread inside process: it holds the host's queues
// (borrowed) in a fixed array, allocates nothing and calls nothing but the
// queues' getters. At most kMaxQueues queues are followed; a host sends one
// per changed parameter, so more can only be a hostile host's, whose extra
// queues are ignored.
#pragma once

#include <array>
#include <cstdint>

#include "vst3/interface/Vst3Processing.h"

class ParameterSchedule {
public:
  static constexpr int32_t kMaxQueues = 64;

  // `changes` may be null (nothing changes). Offsets are taken within
  // 0..frames: a point before the block counts at its start, one past its
  // end after it. The queue of `firstId`, if there is one, is applied before
  // any other at the same offset (a program change before the values that
  // come with it).
  ParameterSchedule(vst3::IParameterChanges* changes, int32_t frames, vst3::ParamID firstId);

  // The offset of the next point not yet applied, or `frames` when none is
  // left before the block's end.
  int32_t nextOffset() const;

  // Calls apply(id, value) for every point not yet applied whose offset is
  // `offset` or earlier, in offset order across the queues.
  template <class Apply>
  void applyUpTo(int32_t offset, Apply&& apply)
  {
    for (;;) {
      int32_t best = -1;
      for (int32_t q = 0; q < queueCount; ++q) {
        const Queue& queue = queues[static_cast<std::size_t>(q)];
        if (queue.next >= queue.count || queue.nextOffset > offset) continue;
        if (best < 0 || queue.nextOffset < queues[static_cast<std::size_t>(best)].nextOffset) best = q;
      }
      if (best < 0) return;
      Queue& queue = queues[static_cast<std::size_t>(best)];
      apply(queue.id, queue.nextValue);
      ++queue.next;
      readPoint(queue);
    }
  }

private:
  struct Queue {
    vst3::IParamValueQueue* queue = nullptr;
    vst3::ParamID id = 0;
    int32_t count = 0;
    int32_t next = 0;        // the point to apply next
    int32_t nextOffset = 0;  // its offset, within 0..frames
    double nextValue = 0.0;
  };
  // Reads point `queue.next` (skipping points the host will not give).
  void readPoint(Queue& queue) const;

  std::array<Queue, kMaxQueues> queues;
  int32_t queueCount = 0;
  int32_t frames;
};
