#include "dsp/Fft.h"

#include "dsp/FftSimd.h"

#include <cmath>
#include <utility>

namespace {

int32_t bitCountOf(int32_t length)
{
  return static_cast<int32_t>(std::floor(std::log(static_cast<double>(length)) / std::log(2.0) + 0.5));
}

}  // namespace

Fft::Fft(int32_t length)
    : bitReversal_(bitCountOf(length)),
      cosines_(bitCountOf(length)),
      sqrtHalf_(static_cast<float>(std::sqrt(2.0) * 0.5)),
      length_(length),
      bitCount_(bitCountOf(length)),
      vectorTables_(bitReversal_, cosines_, bitCount_),
      path_(widestPath())
{
  if (bitCount_ > 2) workBuffer_ = std::make_unique<float[]>(static_cast<std::size_t>(length));
}

bool Fft::supports(FftPath path)
{
  if (path == FftPath::scalar) return true;
#if BRASKLIN_FFT_X86
  if (path == FftPath::sse2) return true;
  // Also false when the system does not save the AVX registers. The explicit
  // init makes the answer right even when asked from a static constructor.
  if (path == FftPath::avx2) {
    __builtin_cpu_init();
    return kFftAvx2Built && __builtin_cpu_supports("avx2") != 0;
  }
#endif
  return false;
}

FftPath Fft::widestPath()
{
  static const FftPath widest = supports(FftPath::avx2)   ? FftPath::avx2
                                : supports(FftPath::sse2) ? FftPath::sse2
                                                          : FftPath::scalar;
  return widest;
}

bool Fft::usePath(FftPath path)
{
  if (!supports(path)) return false;
  path_ = path;
  return true;
}

void Fft::transform(float* output, const float* input)
{
#if BRASKLIN_FFT_X86
  // Shorter lengths are a handful of operations: the scalar passes serve them.
  if (path_ != FftPath::scalar && length_ >= FftVectorTables::kShortestLength) {
    const FftVectorJob job{&vectorTables_, workBuffer_.get(), bitCount_, sqrtHalf_};
    if (path_ == FftPath::avx2)
      fftTransformAvx2(job, output, input);
    else
      fftTransformSse2(job, output, input);
    return;
  }
#endif
  transformScalar(output, input);
}

void Fft::transformScalar(float* output, const float* input)
{
  if (bitCount_ <= 2) {
    transformShort(output, input);
    return;
  }
  // Choose the first destination so that the final pass lands in `output`:
  // passes 1+2 and 3 make two writes, then one more per remaining level.
  float* destination = (bitCount_ % 2 != 0) ? workBuffer_.get() : output;
  float* source = (bitCount_ % 2 != 0) ? output : workBuffer_.get();

  firstTwoPasses(destination, input);
  thirdPass(source, destination);
  for (int32_t pass = 3; pass < bitCount_; ++pass) {
    laterPass(destination, source, pass);
    std::swap(destination, source);
  }
}

void Fft::transformShort(float* output, const float* input) const
{
  switch (length_) {
    case 1: output[0] = input[0]; break;
    case 2:
      output[0] = input[0] + input[1];
      output[1] = input[0] - input[1];
      break;
    default: {  // 4
      output[1] = input[0] - input[2];
      output[3] = input[1] - input[3];
      const float b0 = input[0] + input[2];
      const float b2 = input[1] + input[3];
      output[0] = b0 + b2;
      output[2] = b0 - b2;
      break;
    }
  }
}

// Length-4 transforms of the bit-reversed input, straight into packed layout.
void Fft::firstTwoPasses(float* destination, const float* input) const
{
  const int32_t* order = bitReversal_.data();
  for (int32_t c = 0; c < length_; c += 4) {
    const float x0 = input[order[c]];
    const float x1 = input[order[c + 1]];
    const float x2 = input[order[c + 2]];
    const float x3 = input[order[c + 3]];
    destination[c + 1] = x0 - x1;
    destination[c + 3] = x2 - x3;
    const float s0 = x0 + x1;
    const float s2 = x2 + x3;
    destination[c] = s0 + s2;
    destination[c + 2] = s0 - s2;
  }
}

// Joins pairs of length-4 spectra into length-8 ones; the only twiddle that is
// not trivial here is pi/4, whose cosine and sine are both sqrt(2)/2.
void Fft::thirdPass(float* destination, const float* source) const
{
  const float k = sqrtHalf_;
  for (int32_t c = 0; c < length_; c += 8) {
    const float* s = source + c;
    float* d = destination + c;
    d[0] = s[0] + s[4];
    d[4] = s[0] - s[4];
    d[2] = s[2];
    d[6] = s[6];
    float v = (s[5] - s[7]) * k;
    d[1] = s[1] + v;
    d[3] = s[1] - v;
    v = (s[5] + s[7]) * k;
    d[5] = v + s[3];
    d[7] = v - s[3];
  }
}

// Joins pairs of packed spectra of length n = 2^pass into spectra of length 2n.
// Each half is in packed layout (Re of bin i at i, negated Im at h + i); the
// second half is turned by the twiddle of bin i, angle i * pi / n, whose sine
// is the cosine of the mirrored entry h - i.
void Fft::laterPass(float* destination, const float* source, int32_t pass) const
{
  const int32_t n = int32_t{1} << pass;
  const int32_t h = n / 2;
  const float* cosine = cosines_.level(pass);
  for (int32_t c = 0; c < length_; c += 2 * n) {
    const float* s = source + c;
    float* d = destination + c;
    d[0] = s[0] + s[n];
    d[n] = s[0] - s[n];
    d[h] = s[h];
    d[n + h] = s[n + h];
    for (int32_t i = 1; i < h; ++i) {
      const float co = cosine[i];
      const float si = cosine[h - i];
      const float re = s[n + i];
      const float im = s[n + h + i];
      float v = re * co - im * si;
      d[i] = s[i] + v;
      d[n - i] = s[i] - v;
      v = re * si + im * co;
      d[n + i] = v + s[h + i];
      d[2 * n - i] = v - s[h + i];
    }
  }
}
