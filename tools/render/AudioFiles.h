// Reading and writing audio files through libsndfile.
#pragma once

#include <string>
#include <vector>

struct AudioClip {
  double sampleRate = 0.0;
  int channels = 0;
  std::vector<float> frames;  // interleaved, channels samples per frame

  size_t frameCount() const { return channels > 0 ? frames.size() / static_cast<size_t>(channels) : 0; }
};

// Reads any format libsndfile knows. Returns false with a reason in `error`.
bool readAudioFile(const std::string& path, AudioClip& clip, std::string& error);

// How a rendered file is written: the container follows the file name's
// extension (.wav, .aif/.aiff, .flac), the sample format follows `bits`
// (16, 24, or 32 for 32-bit float; 0 picks the container's natural default).
struct OutputFormat {
  int bits = 0;
};

// Checks that `path` names a container we can write with `format`; returns an
// empty string when it can, otherwise the reason.
std::string checkOutputFormat(const std::string& path, const OutputFormat& format);

// Writes `clip` to a temporary file beside `path` and renames it into place
// only when everything was written, so a failed render never leaves a partial
// file under the requested name.
bool writeAudioFile(const std::string& path, const AudioClip& clip, const OutputFormat& format, std::string& error);
