// DenormalGuard: runs a scope with denormal numbers flushed to zero and
// rounding to nearest.
//
// Recursive stages (the filter's poles, the delay's feedback, decaying
// oscillator levels) drift into denormal numbers when the input falls silent,
// and arithmetic on them costs x86 processors tens to hundreds of cycles per
// operation: a silent passage can take longer than the host's block deadline.
// Inside the guard the SSE unit flushes denormal results to zero (FTZ) and
// reads denormal inputs as zero (DAZ), and rounds to nearest: the code is
// compiled for that rounding (only dsp/ResonantFilter.cpp is built with
// -frounding-math, because the filter checks the mode itself and keeps to its
// plain loop in any other), so a host thread left in another rounding mode
// would otherwise get slightly different samples than every other host. Leaving the scope puts the caller's control and
// status register back exactly as it was, because it belongs to the host's thread.
//
// On processors without SSE control (other architectures, 32-bit x87 builds)
// the guard does nothing; those builds keep their usual denormal arithmetic.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define BRASKLIN_HAS_MXCSR 1
#else
#define BRASKLIN_HAS_MXCSR 0
#endif

class DenormalGuard {
public:
#if BRASKLIN_HAS_MXCSR
  // MXCSR bit 15 flushes denormal results to zero; bit 6 treats denormal
  // operands as zero (every x86-64 processor has it).
  static constexpr unsigned int kFlushToZero = 0x8000u;
  static constexpr unsigned int kDenormalsAreZero = 0x0040u;
  // Bits 13 and 14 choose the rounding; both clear is round to nearest.
  static constexpr unsigned int kRoundingControl = 0x6000u;

  DenormalGuard() noexcept : saved(_mm_getcsr())
  {
    _mm_setcsr((saved & ~kRoundingControl) | kFlushToZero | kDenormalsAreZero);
  }
  ~DenormalGuard() { _mm_setcsr(saved); }

  // Whether the calling thread flushes denormals and rounds to nearest right now.
  static bool flushing() noexcept
  {
    const unsigned int state = _mm_getcsr();
    return (state & kFlushToZero) != 0 && (state & kDenormalsAreZero) != 0 && (state & kRoundingControl) == 0;
  }
#else
  DenormalGuard() noexcept = default;
  ~DenormalGuard() = default;
  static bool flushing() noexcept { return false; }
#endif

  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#if BRASKLIN_HAS_MXCSR
  unsigned int saved;
#endif
};
