#include "tools/render/AudioFiles.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <random>

namespace {

std::string lowerExtension(const std::string& path)
{
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// libsndfile format word for `path` and `format`, or 0 with a reason.
int sndfileFormat(const std::string& path, const OutputFormat& format, std::string& error)
{
  const std::string ext = lowerExtension(path);
  int container = 0;
  if (ext == ".wav") {
    container = SF_FORMAT_WAV;
  } else if (ext == ".aif" || ext == ".aiff" || ext == ".aifc") {
    container = SF_FORMAT_AIFF;
  } else if (ext == ".flac") {
    container = SF_FORMAT_FLAC;
  } else {
    error = "cannot tell the output format from '" + path + "': use .wav, .aiff or .flac";
    return 0;
  }
  int bits = format.bits;
  if (bits == 0) bits = container == SF_FORMAT_FLAC ? 24 : 32;
  int subtype = 0;
  switch (bits) {
    case 16: subtype = SF_FORMAT_PCM_16; break;
    case 24: subtype = SF_FORMAT_PCM_24; break;
    case 32: subtype = SF_FORMAT_FLOAT; break;
    default: error = "--bits must be 16, 24 or 32"; return 0;
  }
  if (container == SF_FORMAT_FLAC && subtype == SF_FORMAT_FLOAT) {
    error = "FLAC holds 16- or 24-bit samples only: use --bits 16 or 24";
    return 0;
  }
  return container | subtype;
}

std::string temporaryPathBeside(const std::string& path)
{
  std::random_device seed;
  std::filesystem::path target(path);
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".partial-%08x", static_cast<unsigned>(seed()));
  return (target.parent_path() / ("." + target.filename().string() + suffix)).string();
}

}  // namespace

bool readAudioFile(const std::string& path, AudioClip& clip, std::string& error)
{
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    error = "input file not found: " + path;
    return false;
  }
  if (std::filesystem::is_directory(path, ec)) {
    error = "input is a directory, not an audio file: " + path;
    return false;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    error = "cannot read audio file " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  clip.sampleRate = info.samplerate;
  clip.channels = info.channels;
  clip.frames.assign(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels), 0.0f);
  sf_count_t got = sf_readf_float(file, clip.frames.data(), info.frames);
  sf_close(file);
  if (got < 0 || info.channels <= 0 || info.samplerate <= 0) {
    error = "cannot read audio file " + path;
    return false;
  }
  clip.frames.resize(static_cast<size_t>(got) * static_cast<size_t>(info.channels));
  return true;
}

std::string checkOutputFormat(const std::string& path, const OutputFormat& format)
{
  std::string error;
  sndfileFormat(path, format, error);
  return error;
}

bool writeAudioFile(const std::string& path, const AudioClip& clip, const OutputFormat& format, std::string& error)
{
  const int formatWord = sndfileFormat(path, format, error);
  if (formatWord == 0) return false;
  SF_INFO info{};
  info.samplerate = static_cast<int>(clip.sampleRate);
  info.channels = clip.channels;
  info.format = formatWord;
  const std::string temporary = temporaryPathBeside(path);
  SNDFILE* file = sf_open(temporary.c_str(), SFM_WRITE, &info);
  if (!file) {
    error = "cannot write output file " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  // Integer formats would wrap loud samples around; clip them instead.
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  const auto frames = static_cast<sf_count_t>(clip.frameCount());
  const sf_count_t written = sf_writef_float(file, clip.frames.data(), frames);
  const int closeStatus = sf_close(file);
  std::error_code ec;
  if (written != frames || closeStatus != 0) {
    std::filesystem::remove(temporary, ec);
    error = "cannot write output file " + path + " (disk full?)";
    return false;
  }
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    error = "cannot move the rendered file into place at " + path;
    return false;
  }
  return true;
}
