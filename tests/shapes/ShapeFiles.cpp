#include "tests/shapes/ShapeFiles.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace shapetest {

namespace {

template <int Bytes>
void appendLittleEndian(std::string& out, std::uint32_t value)
{
  for (int i = 0; i < Bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

}  // namespace

TempFolder::TempFolder()
{
  // A random tag per process keeps parallel test processes apart.
  static const unsigned long long processTag = std::random_device{}();
  static std::atomic<int> serial{0};
  path_ = std::filesystem::temp_directory_path() /
          ("brasklin-shapes-" + std::to_string(processTag) + "-" + std::to_string(serial++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder()
{
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::makeFolder(std::string_view name) const
{
  const auto folder = path_ / std::filesystem::path(std::string(name));
  std::filesystem::create_directories(folder);
  return folder;
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::filesystem::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string canonicalWave(const std::vector<std::int16_t>& samples)
{
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::string out = "RIFF";
  appendLittleEndian<4>(out, 36 + dataBytes);
  out += "WAVEfmt ";
  appendLittleEndian<4>(out, 16);     // fmt chunk length
  appendLittleEndian<2>(out, 1);      // PCM
  appendLittleEndian<2>(out, 1);      // mono
  appendLittleEndian<4>(out, 44100);  // frames per second
  appendLittleEndian<4>(out, 88200);  // bytes per second
  appendLittleEndian<2>(out, 2);      // bytes per frame
  appendLittleEndian<2>(out, 16);     // bits per sample
  out += "data";
  appendLittleEndian<4>(out, dataBytes);
  for (const std::int16_t sample : samples) appendLittleEndian<2>(out, static_cast<std::uint16_t>(sample));
  return out;
}

void writeWave(const std::filesystem::path& path, const std::vector<std::int16_t>& samples)
{
  writeBytes(path, canonicalWave(samples));
}

std::vector<std::int16_t> rampCycle()
{
  std::vector<std::int16_t> samples(44100);
  for (int j = 0; j < 44100; ++j) samples[static_cast<std::size_t>(j)] = static_cast<std::int16_t>(j - 22050);
  return samples;
}

}  // namespace shapetest
