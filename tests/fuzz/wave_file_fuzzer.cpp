// Fuzzes the wave-file reader with arbitrary files. Whatever the bytes, the
// reader must accept the file (any readable file is a shape), and the cycle
// must be what a 16-bit reader can produce: consecutive little-endian samples
// of the file taken from one starting offset near the front, scaled by
// 1/32767, then silence where the file ends. The offset is found here by
// trying each one, not by the reader's own tag search.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "shapes/WaveFile.h"
#include "tests/fuzz/FuzzTempFile.h"

using fuzzing::fail;

namespace {

// The reader looks for its tag within 2000 steps of four bytes and then skips
// the four length bytes, so the samples start no later than this.
constexpr std::size_t kLatestStart = 2000 * 4 + 4;

float sampleAt(const std::uint8_t* data, std::size_t size, std::size_t offset)
{
  if (offset + 1 >= size) return 0.0f;
  const auto raw = static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
  const int value = raw >= 0x8000 ? static_cast<int>(raw) - 0x10000 : static_cast<int>(raw);
  return static_cast<float>(value) * kSampleScale;
}

bool cycleStartsAt(const std::vector<float>& table, const std::uint8_t* data, std::size_t size, std::size_t start)
{
  for (std::size_t j = 0; j < table.size(); ++j) {
    if (table[j] != sampleAt(data, size, start + 2 * j)) return false;
  }
  return true;
}

}  // namespace

// robustness: arbitrary bytes as a wave file (libFuzzer) => accepted; the cycle is a run of the file's 16-bit samples scaled by 1/32767 from one offset, then silence; no read outside the buffers (ASan)
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  fuzzing::FuzzTempFile::write(data, size);
  // A value no 16-bit sample can give, so entries the reader forgets show up.
  std::vector<float> table(kFileCycleLength, 7.0f);
  if (!readWaveFile(fuzzing::FuzzTempFile::path(), table.data())) fail("a readable file was refused");

  for (const float value : table) {
    if (!(value >= -32768.0f * kSampleScale && value <= 1.0f)) fail("a sample outside the 16-bit range");
  }
  const std::size_t latest = std::min(size, kLatestStart);
  bool found = false;
  for (std::size_t start = 0; start <= latest && !found; ++start) found = cycleStartsAt(table, data, size, start);
  if (!found) fail("the cycle is not a run of the file's samples followed by silence");
  return 0;
}
