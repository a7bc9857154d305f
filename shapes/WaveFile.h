#pragma once

// Reading one single-cycle wave shape from a 16-bit wave file.

#include <string>

// A wave file gives one cycle of exactly this many samples, taken as one
// cycle at 44100 Hz whatever the file's header says.
inline constexpr int kFileCycleLength = 44100;

// A table entry is a 16-bit sample times the float nearest to 1/32767, so
// full-scale positive samples give exactly 1.0.
inline constexpr float kSampleScale = static_cast<float>(1.0 / 32767.0);

// Reads the kFileCycleLength samples that follow the file's data tag into
// `table` (kFileCycleLength floats). Samples the file does not have are
// silence. Returns false, with `table` untouched, when the file cannot be
// opened or read (a folder where the file should be counts as unreadable).
// Construction thread.
[[nodiscard]] bool readWaveFile(const std::string& path, float* table);
