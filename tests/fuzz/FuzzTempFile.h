// A scratch file for fuzz targets whose code under test reads from a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// One file per process, created on first use and removed at exit.
class FuzzTempFile {
public:
  // The file's path.
  static const std::string& path();
  // Replaces the file's contents with `size` bytes from `data`.
  static void write(const std::uint8_t* data, std::size_t size);
};

// Stops the run with `what` when a property the fuzzer checks does not hold,
// so libFuzzer keeps the input that broke it.
[[noreturn]] void fail(const char* what);

}  // namespace fuzzing
