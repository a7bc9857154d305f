#pragma once

#include "dsp/FftTables.h"

#include <cstdint>
#include <memory>

// How transform() computes: the plain scalar passes, or the same operations
// several butterflies at a time. Every path gives bit-identical results.
enum class FftPath : int32_t {
  scalar,
  sse2,  // any x86-64 processor
  avx2,  // x86 processors that have AVX2, decided at run time
};

// Radix-2 decimation-in-time FFT of a real frame of power-of-two length N.
//
// The result is the packed, unscaled spectrum of X[k] = sum in[n] e^(-2 pi i k n / N):
//   out[k]         = Re X[k]            for k = 0 .. N/2
//   out[N/2 + k]   = -Im X[k]           for k = 1 .. N/2 - 1
// (the second half is sum in[n] sin(2 pi k n / N), positive for a sine at bin k).
//
// All tables are built by the constructor; transform() allocates nothing and
// calls no library function, so it is safe on the audio thread.
//
// transform() runs on the widest path the processor offers; transformScalar()
// is the plain reference it must match bit for bit.
class Fft {
public:
  // `length` must be a power of two (1 .. 2^30); it is not checked here, the
  // owner only ever asks for valid lengths.
  explicit Fft(int32_t length);

  Fft(const Fft&) = delete;
  Fft& operator=(const Fft&) = delete;

  // Writes the packed spectrum of `input` (N floats) into `output` (N floats).
  // `input` is only read and must not alias `output`. Clobbers the work buffer.
  void transform(float* output, const float* input);
  // The same result by the scalar passes alone.
  void transformScalar(float* output, const float* input);

  // Whether this build and this processor can run `path`.
  static bool supports(FftPath path);
  // The widest supported path; what a new engine uses.
  static FftPath widestPath();
  // Makes transform() use `path` (tests and benchmarks compare the paths).
  // Returns false and changes nothing when the path is not supported.
  bool usePath(FftPath path);
  FftPath path() const { return path_; }

  int32_t length() const { return length_; }
  int32_t bitCount() const { return bitCount_; }

private:
  void transformShort(float* output, const float* input) const;
  void firstTwoPasses(float* destination, const float* input) const;
  void thirdPass(float* destination, const float* source) const;
  void laterPass(float* destination, const float* source, int32_t pass) const;

  BitReversalTable bitReversal_;
  CosineTable cosines_;
  float sqrtHalf_;
  int32_t length_;
  int32_t bitCount_;
  std::unique_ptr<float[]> workBuffer_;  // ping-pong partner of the output; none when N <= 4
  FftVectorTables vectorTables_;
  FftPath path_;
};
