#include "dsp/FftTables.h"

#include <cmath>

BitReversalTable::BitReversalTable(int32_t bitCount) : entries_(std::make_unique<int32_t[]>(std::size_t{1} << bitCount))
{
  const int32_t length = int32_t{1} << bitCount;
  entries_[0] = 0;
  // Count upwards in mirrored binary: add one at the top bit and let the carry
  // run towards the low bits, which is cheaper than reversing every index.
  int32_t reversed = 0;
  for (int32_t i = 1; i < length; ++i) {
    int32_t bit = length >> 1;
    reversed ^= bit;
    while ((reversed & bit) == 0) {
      bit >>= 1;
      reversed ^= bit;
    }
    entries_[i] = reversed;
  }
}

CosineTable::CosineTable(int32_t bitCount)
{
  if (bitCount <= 3) return;
  size_ = (int32_t{1} << (bitCount - 1)) - 4;
  entries_ = std::make_unique<float[]>(static_cast<std::size_t>(size_));
  const double pi = 4.0 * std::atan(1.0);
  for (int32_t lvl = 3; lvl < bitCount; ++lvl) {
    const int32_t count = int32_t{1} << (lvl - 1);
    const double step = pi / static_cast<double>(int32_t{1} << lvl);
    float* block = entries_.get() + count - 4;
    for (int32_t j = 0; j < count; ++j) block[j] = static_cast<float>(std::cos(static_cast<double>(j) * step));
  }
}

FftVectorTables::FftVectorTables(const BitReversalTable& bitReversal, const CosineTable& cosines, int32_t bitCount)
{
  const int32_t length = int32_t{1} << bitCount;
  if (length < kShortestLength) return;
  // Group c = 8m reads in[r], r = its bit-reversal entry; invert that map.
  const int32_t groups = length / 8;
  groupStarts_ = std::make_unique<int32_t[]>(static_cast<std::size_t>(groups));
  for (int32_t c = 0; c < length; c += 8) groupStarts_[bitReversal[c]] = c;

  const int32_t size = offsetOf(bitCount);
  cosines_ = std::make_unique<float[]>(static_cast<std::size_t>(size));
  sines_ = std::make_unique<float[]>(static_cast<std::size_t>(size));
  for (int32_t level = 3; level < bitCount; ++level) {
    const int32_t half = int32_t{1} << (level - 1);
    const float* source = cosines.level(level);
    float* co = cosines_.get() + offsetOf(level);
    float* si = sines_.get() + offsetOf(level);
    for (int32_t i = 0; i < half; ++i) co[i] = source[i];
    co[half] = 0.0f;
    si[0] = 0.0f;
    for (int32_t i = 1; i <= half; ++i) si[i] = source[half - i];
  }
}
