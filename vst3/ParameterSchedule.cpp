#include "vst3/ParameterSchedule.h"

#include <algorithm>
#include <utility>

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the changes, then the block they belong to
ParameterSchedule::ParameterSchedule(vst3::IParameterChanges* changes, int32_t frames, vst3::ParamID firstId)
    : frames(std::max(frames, 0))
{
  if (changes == nullptr) return;
  const int32_t available = changes->getParameterCount();
  for (int32_t index = 0; index < available && queueCount < kMaxQueues; ++index) {
    vst3::IParamValueQueue* const queue = changes->getParameterData(index);
    if (queue == nullptr) continue;
    Queue& entry = queues[static_cast<std::size_t>(queueCount)];
    entry.queue = queue;
    entry.id = queue->getParameterId();
    entry.count = queue->getPointCount();
    entry.next = 0;
    readPoint(entry);
    if (entry.next >= entry.count) continue;
    // The first queue is the one consulted first among equal offsets.
    if (entry.id == firstId && queueCount > 0) std::swap(entry, queues[0]);
    ++queueCount;
  }
}

void ParameterSchedule::readPoint(Queue& queue) const
{
  for (; queue.next < queue.count; ++queue.next) {
    int32_t offset = 0;
    double value = 0.0;
    if (queue.queue->getPoint(queue.next, &offset, &value) != vst3::kResultOk) continue;
    // Points out of order are taken where the block has got to by then.
    const int32_t earliest = queue.next > 0 ? queue.nextOffset : 0;
    queue.nextOffset = std::clamp(offset, earliest, frames);
    queue.nextValue = value;
    return;
  }
}

int32_t ParameterSchedule::nextOffset() const
{
  int32_t next = frames;
  for (int32_t q = 0; q < queueCount; ++q) {
    const Queue& queue = queues[static_cast<std::size_t>(q)];
    if (queue.next < queue.count) next = std::min(next, queue.nextOffset);
  }
  return next;
}
