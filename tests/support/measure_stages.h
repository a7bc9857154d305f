#pragma once

// Helpers for driving the block-processing stages in tests: run a whole signal
// through a stage in blocks of a chosen size, in place or not.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace measure {

// Runs `input` through `stage(const float* in, float* out, int32_t count)` in
// consecutive blocks of `blockSize` samples (the last may be shorter), into a
// separate output array.
template <typename Stage>
std::vector<float> inBlocks(Stage&& stage, const std::vector<float>& input, std::size_t blockSize)
{
  std::vector<float> output(input.size(), 0.0f);
  for (std::size_t start = 0; start < input.size(); start += blockSize) {
    const std::size_t count = std::min(blockSize, input.size() - start);
    stage(input.data() + start, output.data() + start, static_cast<int32_t>(count));
  }
  return output;
}

// Same, but every block is processed in place in a copy of `input`.
template <typename Stage>
std::vector<float> inPlaceInBlocks(Stage&& stage, const std::vector<float>& input, std::size_t blockSize)
{
  std::vector<float> buffer = input;
  for (std::size_t start = 0; start < buffer.size(); start += blockSize) {
    const std::size_t count = std::min(blockSize, buffer.size() - start);
    stage(buffer.data() + start, buffer.data() + start, static_cast<int32_t>(count));
  }
  return buffer;
}

inline std::vector<float> impulse(std::size_t count, float height = 1.0f)
{
  std::vector<float> out(count, 0.0f);
  if (count > 0) out[0] = height;
  return out;
}

}  // namespace measure
