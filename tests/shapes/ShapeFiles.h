#pragma once

// Files on disk for the loader tests: a fresh folder per test, wave files
// written byte by byte (independently of the reader under test) and raw files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shapetest {

// A folder of its own for one test, removed with everything in it afterwards.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // Creates (and returns) a subfolder.
  std::filesystem::path makeFolder(std::string_view name) const;

private:
  std::filesystem::path path_;
};

// Writes `bytes` to `path` exactly.
void writeBytes(const std::filesystem::path& path, std::string_view bytes);
std::string readBytes(const std::filesystem::path& path);

// A canonical mono 16-bit 44100 Hz wave file holding `samples`.
std::string canonicalWave(const std::vector<std::int16_t>& samples);
void writeWave(const std::filesystem::path& path, const std::vector<std::int16_t>& samples);

// A cycle whose every sample differs from its neighbours: j - 22050.
std::vector<std::int16_t> rampCycle();

}  // namespace shapetest
