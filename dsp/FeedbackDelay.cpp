#include "dsp/FeedbackDelay.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// NaN or an infinity carries no usable signal: it goes through the line as
// silence, so it cannot circulate there for good. Huge finite samples are limited.
inline double usableSample(float x)
{
  if (!std::isfinite(x)) {
    return 0.0;
  }
  return std::clamp(x, -FeedbackDelay::kLoudestInput, FeedbackDelay::kLoudestInput);
}

}  // namespace

FeedbackDelay::FeedbackDelay() : line_(std::make_unique<float[]>(capacity)) {}

void FeedbackDelay::setLength(int32_t lengthSamples)
{
  pendingLength_.store(std::min(lengthSamples, capacity), std::memory_order_relaxed);
}

void FeedbackDelay::setFeedback(float feedback)
{
  if (!std::isnan(feedback)) {
    feedback_.store(std::clamp(feedback, -1.0f, 1.0f), std::memory_order_relaxed);
  }
}

void FeedbackDelay::setMix(float mix)
{
  if (!std::isnan(mix)) {
    mix_.store(std::clamp(mix, -kLargestMix, kLargestMix), std::memory_order_relaxed);
  }
}

// The order (length, feedback, mix) is the effect's delay settings' own.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void FeedbackDelay::configure(int32_t lengthSamples, float feedback, float mix)
{
  setLength(lengthSamples);
  setFeedback(feedback);
  setMix(mix);
  dryGain_.store(1.0f, std::memory_order_relaxed);
}

void FeedbackDelay::process(const float* input, float* output, int32_t sampleCount)
{
  if (sampleCount <= 0) {
    return;
  }
  // pendingLength is always within capacity; the min guards the line whatever happens.
  const int32_t length = std::min(pendingLength_.load(std::memory_order_relaxed), capacity);
  length_.store(length, std::memory_order_relaxed);
  const double feedback = feedback_.load(std::memory_order_relaxed);
  const double mix = mix_.load(std::memory_order_relaxed);
  const double dryGain = dryGain_.load(std::memory_order_relaxed);
  float* const line = line_.get();
  int32_t cursor = cursor_;
  float delayed = lastDelayed_;
  constexpr double kLoudest = kLoudestInput;

  for (int32_t j = 0; j < sampleCount; ++j) {
    const double x = usableSample(input[j]);
    delayed = line[cursor];
    output[j] = static_cast<float>(dryGain * x + mix * delayed);
    // With |feedback| <= 1 the line could still creep up lap by lap under a
    // steady huge input; limiting what is stored keeps every entry finite.
    line[cursor] = static_cast<float>(std::clamp(feedback * delayed + x, -kLoudest, kLoudest));
    ++cursor;
    if (cursor >= length) {
      cursor = 0;
    }
  }

  cursor_ = cursor;
  lastDelayed_ = delayed;
}

void FeedbackDelay::clear() { std::fill_n(line_.get(), capacity, 0.0f); }

void FeedbackDelay::reset()
{
  clear();
  cursor_ = 0;
  lastDelayed_ = 0.0f;
  length_.store(0, std::memory_order_relaxed);
}

int32_t FeedbackDelay::lengthForSeconds(double seconds, double tableRate)
{
  const double samples = seconds * tableRate;
  if (std::isnan(samples)) {
    return 0;
  }
  // Bound before converting: an out-of-range double-to-int conversion is undefined.
  const double bounded =
      std::clamp(samples, static_cast<double>(std::numeric_limits<int32_t>::min()), static_cast<double>(capacity));
  return static_cast<int32_t>(std::trunc(bounded));
}
