#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

// The echo stage: one circular delay line with a single cursor that is read
// and then written at every sample.
//   output = dryGain * x + mix * d
//   line   = feedback * d + x        (d: the entry at the cursor, written `length` steps ago)
// So an impulse comes back after `length` samples scaled by `mix`, and every
// further repeat is weaker by `feedback`. A length of 0 or 1 (or below 0) keeps
// the cursor at index 0: a delay of one sample.
//
// Threads: the setters may run on any thread while process() runs on the audio
// thread; each setting is an atomic of its own, which process() reads once per
// block, and a new length waits in pendingLength until the start of the next
// processed block. Each setter touches only its own setting, so two threads
// setting different ones at once cannot undo each other. process(), clear()
// and reset() belong to the audio side (the host does not process while suspended).
class FeedbackDelay {
public:
  // The longest delay the line holds in full up to kFullRate: five seconds
  // at 96 kHz. The line is allocated once at this size.
  static constexpr double kLongestSeconds = 5.0;
  static constexpr double kFullRate = 96000.0;
  static constexpr auto capacity = static_cast<int32_t>(kLongestSeconds * kFullRate);

  // All-zero line, cursor at the start, length and pending length 0,
  // feedback and mix 0, dry gain 1.
  FeedbackDelay();

  FeedbackDelay(const FeedbackDelay&) = delete;
  FeedbackDelay& operator=(const FeedbackDelay&) = delete;

  // Any thread. The latest length given takes force at the start of the next
  // processed block, whatever was given before it (a length changed and
  // changed back plays the length it was changed back to). Lengths above
  // `capacity` are taken as `capacity`; lengths below 0 behave as 0.
  void setLength(int32_t lengthSamples);
  // Any thread. Limited to [-1, 1]: beyond that every lap is louder than the
  // last and the line overflows to infinity. NaN is ignored (the value in
  // force stays).
  void setFeedback(float feedback);
  // Any thread. Limited to +-kLargestMix; NaN is ignored.
  void setMix(float mix);
  // Any thread: the three settings above, one after the other, and dryGain 1.
  void configure(int32_t lengthSamples, float feedback, float mix);

  // Audio thread. Takes the pending length, then runs `sampleCount` samples
  // of `input` into `output`; the two may be the same array (each input
  // sample is read before its output sample is written). A count of 0 or
  // less does nothing, not even take the pending length. Non-finite input
  // samples count as silence and finite ones are limited to +-kLoudestInput,
  // so the line never holds NaN or infinity.
  void process(const float* input, float* output, int32_t sampleCount);

  // Silences the whole line; cursor, length and pending length stay.
  void clear();
  // Audio thread. Back to the state of a new delay whose settings are the
  // ones in force: the line silent, the cursor at the start, no length in
  // force yet (the pending one takes force at the next processed block).
  void reset();

  // The delay in samples for `seconds` at `tableRate`: trunc(seconds *
  // tableRate), formed in double. The result always fits the signed 32-bit
  // range and never exceeds `capacity`; NaN (in either argument, or as their
  // product) gives 0. Values below 0 stay negative, as they would be.
  static int32_t lengthForSeconds(double seconds, double tableRate);

  int32_t length() const { return length_.load(std::memory_order_relaxed); }
  int32_t pendingLength() const { return pendingLength_.load(std::memory_order_relaxed); }
  int32_t cursor() const { return cursor_; }
  float feedback() const { return feedback_.load(std::memory_order_relaxed); }
  float mix() const { return mix_.load(std::memory_order_relaxed); }
  float dryGain() const { return dryGain_.load(std::memory_order_relaxed); }
  float lastDelayed() const { return lastDelayed_; }

  // See process(), setFeedback() and setMix().
  static constexpr float kLoudestInput = 1.0e30f;
  static constexpr float kLargestMix = 1.0e6f;

private:
  std::unique_ptr<float[]> line_;
  float lastDelayed_ = 0.0f;  // the entry read at the cursor in the latest step
  int32_t cursor_ = 0;        // index read and then written by the next step
  // In force; changed only at the start of a block. Atomic because setLength()
  // compares against it from other threads.
  std::atomic<int32_t> length_{0};
  std::atomic<int32_t> pendingLength_{0};
  std::atomic<float> feedback_{0.0f};
  std::atomic<float> mix_{0.0f};
  std::atomic<float> dryGain_{1.0f};
};
