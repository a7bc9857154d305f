#include "shapes/WaveFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The scan for the data tag gives up after this many steps and reads on from
// wherever the file stands, so a file without the tag still ends quickly.
constexpr int kTagScanSteps = 2000;
// The four bytes after the tag hold the chunk's length, which is not needed:
// the cycle length is fixed.
constexpr long kChunkLengthBytes = 4;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Moves the file to just after the tag "data". The matching is deliberately
// loose and step-wise (a step consumes up to four bytes and stops on a final
// "a"), which finds the tag in every canonical header and never reads more
// than 8000 bytes.
void skipToDataTag(std::FILE* file)
{
  for (int step = 0; step < kTagScanSteps; ++step) {
    int c = std::fgetc(file);
    if (c == 'd') c = std::fgetc(file);
    if (c == 'a') c = std::fgetc(file);
    if (c == 't') c = std::fgetc(file);
    if (c == 'a') return;
  }
}

}  // namespace

bool readWaveFile(const std::string& path, float* table)
{
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;

  skipToDataTag(file.get());
  for (long skipped = 0; skipped < kChunkLengthBytes; ++skipped) std::fgetc(file.get());

  // On the heap: hosts may construct effects on threads with small stacks.
  std::vector<unsigned char> bytes(2 * static_cast<std::size_t>(kFileCycleLength));
  const std::size_t bytesRead = std::fread(bytes.data(), 1, bytes.size(), file.get());
  // A short file is fine (the rest of the cycle is silence), but a read that
  // failed outright, as reading a folder does on some systems, is not a file.
  if (std::ferror(file.get())) return false;

  const std::size_t wholeSamples = bytesRead / 2;
  for (std::size_t j = 0; j < static_cast<std::size_t>(kFileCycleLength); ++j) {
    std::int16_t sample = 0;
    if (j < wholeSamples) {
      const auto low = static_cast<std::uint16_t>(bytes[2 * j]);
      const auto high = static_cast<std::uint16_t>(bytes[2 * j + 1]);
      sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
    }
    table[j] = static_cast<float>(sample) * kSampleScale;
  }
  return true;
}
