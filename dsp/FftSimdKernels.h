#pragma once

// Vector kernels shared by the SSE2 and AVX2 files, written once over a small
// set of operations per register width. Included only by those files; every
// definition has internal linkage so that the copy built for AVX can never be
// picked by the linker for the SSE2 path.
//
// Exactness: each output element gets the same float operations, with the same
// operands in the same order, as in Fft's scalar passes.

#include "dsp/FftSimd.h"

#include <emmintrin.h>
#if defined(__AVX2__)
#include <immintrin.h>
#endif

#include <cmath>
#include <cstdint>

namespace {

// Four floats per register: SSE2, or the VEX-encoded equivalents in the AVX file.
struct Float4 {
  using V = __m128;
  static constexpr int32_t kWidth = 4;
  static V load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, V v) { _mm_storeu_ps(p, v); }
  static V broadcast(float x) { return _mm_set1_ps(x); }
  static V add(V a, V b) { return _mm_add_ps(a, b); }
  static V sub(V a, V b) { return _mm_sub_ps(a, b); }
  static V mul(V a, V b) { return _mm_mul_ps(a, b); }
  static V reversed(V v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }
  // Lane j takes lane j + 1; the last lane's value is left unspecified.
  static V shiftedDown(V v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 3, 2, 1)); }

  // o[k] lane l is output k of group l: write each group's eight outputs to
  // out + start[l].
  static void storeGroups(float* out, const int32_t* start, const V* o)
  {
    V a0 = o[0], a1 = o[1], a2 = o[2], a3 = o[3];
    V b0 = o[4], b1 = o[5], b2 = o[6], b3 = o[7];
    _MM_TRANSPOSE4_PS(a0, a1, a2, a3);
    _MM_TRANSPOSE4_PS(b0, b1, b2, b3);
    store(out + start[0], a0);
    store(out + start[0] + 4, b0);
    store(out + start[1], a1);
    store(out + start[1] + 4, b1);
    store(out + start[2], a2);
    store(out + start[2] + 4, b2);
    store(out + start[3], a3);
    store(out + start[3] + 4, b3);
  }
};

#if defined(__AVX2__)
// Eight floats per register (AVX adds and multiplies; AVX2 for one permute).
struct Float8 {
  using V = __m256;
  static constexpr int32_t kWidth = 8;
  static V load(const float* p) { return _mm256_loadu_ps(p); }
  static void store(float* p, V v) { _mm256_storeu_ps(p, v); }
  static V broadcast(float x) { return _mm256_set1_ps(x); }
  static V add(V a, V b) { return _mm256_add_ps(a, b); }
  static V sub(V a, V b) { return _mm256_sub_ps(a, b); }
  static V mul(V a, V b) { return _mm256_mul_ps(a, b); }
  static V reversed(V v) { return _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)); }
  static V shiftedDown(V v) { return _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 0)); }

  static void storeGroups(float* out, const int32_t* start, const V* o)
  {
    const V t0 = _mm256_unpacklo_ps(o[0], o[1]);
    const V t1 = _mm256_unpackhi_ps(o[0], o[1]);
    const V t2 = _mm256_unpacklo_ps(o[2], o[3]);
    const V t3 = _mm256_unpackhi_ps(o[2], o[3]);
    const V t4 = _mm256_unpacklo_ps(o[4], o[5]);
    const V t5 = _mm256_unpackhi_ps(o[4], o[5]);
    const V t6 = _mm256_unpacklo_ps(o[6], o[7]);
    const V t7 = _mm256_unpackhi_ps(o[6], o[7]);
    // u0: lane 0 (low half) and lane 4 (high half) of o[0..3]; u1: lanes 1, 5 ...
    const V u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    const V u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    const V u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    const V u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    const V w0 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
    const V w1 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
    const V w2 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
    const V w3 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
    store(out + start[0], _mm256_permute2f128_ps(u0, w0, 0x20));
    store(out + start[1], _mm256_permute2f128_ps(u1, w1, 0x20));
    store(out + start[2], _mm256_permute2f128_ps(u2, w2, 0x20));
    store(out + start[3], _mm256_permute2f128_ps(u3, w3, 0x20));
    store(out + start[4], _mm256_permute2f128_ps(u0, w0, 0x31));
    store(out + start[5], _mm256_permute2f128_ps(u1, w1, 0x31));
    store(out + start[6], _mm256_permute2f128_ps(u2, w2, 0x31));
    store(out + start[7], _mm256_permute2f128_ps(u3, w3, 0x31));
  }
};
#endif

// Passes one to three in one sweep, from the input into `out`. The length-8
// group starting at c reads in[r + k * q], q = N/8, k = 0..7, where r is its
// bit-reversal entry; its length-4 halves are k = 0, 4, 2, 6 and 1, 5, 3, 7.
// Taking W consecutive r at once makes every load contiguous; the groups'
// outputs are then turned round into rows and stored where each group lives.
template <class T>
void firstThreePasses(float* out, const float* in, const FftVectorJob& job)
{
  using V = typename T::V;
  const int32_t q = (int32_t{1} << job.bitCount) / 8;
  const int32_t* groupStart = job.tables->groupStarts();
  const V k = T::broadcast(job.sqrtHalf);
  for (int32_t r = 0; r < q; r += T::kWidth) {
    const float* x = in + r;
    // Passes one and two, first half (outputs d0..d3 of the scalar code).
    V x0 = T::load(x);
    V x1 = T::load(x + 4 * q);
    V x2 = T::load(x + 2 * q);
    V x3 = T::load(x + 6 * q);
    const V d1 = T::sub(x0, x1);
    const V d3 = T::sub(x2, x3);
    V s0 = T::add(x0, x1);
    V s2 = T::add(x2, x3);
    const V d0 = T::add(s0, s2);
    const V d2 = T::sub(s0, s2);
    // Second half (d4..d7).
    x0 = T::load(x + q);
    x1 = T::load(x + 5 * q);
    x2 = T::load(x + 3 * q);
    x3 = T::load(x + 7 * q);
    const V d5 = T::sub(x0, x1);
    const V d7 = T::sub(x2, x3);
    s0 = T::add(x0, x1);
    s2 = T::add(x2, x3);
    const V d4 = T::add(s0, s2);
    const V d6 = T::sub(s0, s2);
    // Pass three.
    V o[8];
    o[0] = T::add(d0, d4);
    o[4] = T::sub(d0, d4);
    o[2] = d2;
    o[6] = d6;
    V v = T::mul(T::sub(d5, d7), k);
    o[1] = T::add(d1, v);
    o[3] = T::sub(d1, v);
    v = T::mul(T::add(d5, d7), k);
    o[5] = T::add(v, d3);
    o[7] = T::sub(v, d3);
    T::storeGroups(out, groupStart + r, o);
  }
}

// One butterfly chunk of a later pass: bins i0 .. i0 + W - 1 of a group.
template <class T>
inline void butterflies(float* d, const float* s, int32_t n, int32_t h, int32_t i0, typename T::V im, const float* co,
                        const float* si)
{
  using V = typename T::V;
  constexpr int32_t last = T::kWidth - 1;
  const V re = T::load(s + n + i0);
  const V c = T::load(co + i0);
  const V sn = T::load(si + i0);
  const V a = T::load(s + i0);
  const V b = T::load(s + h + i0);
  V v = T::sub(T::mul(re, c), T::mul(im, sn));
  T::store(d + i0, T::add(a, v));
  T::store(d + n - i0 - last, T::reversed(T::sub(a, v)));
  v = T::add(T::mul(re, sn), T::mul(im, c));
  T::store(d + n + i0, T::add(v, b));
  T::store(d + 2 * n - i0 - last, T::reversed(T::sub(v, b)));
}

// One pass of level p >= 3 (n = 2^p, h = n/2, h a multiple of W), from s into d.
// Chunks cover bins 1 .. h: bin h's lane computes nothing meaningful (it would
// need the next group's data), and its four stores land on d[h] and d[n + h],
// which are rewritten with their plain copies after the vector stores, like the
// bin-0 sums that no chunk touches.
template <class T>
void laterPass(float* d, const float* s, int32_t length, int32_t pass, const FftVectorTables& tables)
{
  const int32_t n = int32_t{1} << pass;
  const int32_t h = n / 2;
  const float* co = tables.cosines(pass);
  const float* si = tables.sines(pass);
  const int32_t lastChunk = h - T::kWidth + 1;
  for (int32_t c = 0; c < length; c += 2 * n) {
    const float* sg = s + c;
    float* dg = d + c;
    for (int32_t i0 = 1; i0 < lastChunk; i0 += T::kWidth)
      butterflies<T>(dg, sg, n, h, i0, T::load(sg + n + h + i0), co, si);
    // The last chunk's imaginary parts would run one past the group (and,
    // in the last group, past the buffer): load them one earlier and shift.
    butterflies<T>(dg, sg, n, h, lastChunk, T::shiftedDown(T::load(sg + n + h + lastChunk - 1)), co, si);
    dg[0] = sg[0] + sg[n];
    dg[n] = sg[0] - sg[n];
    dg[h] = sg[h];
    dg[n + h] = sg[n + h];
  }
}

// Two consecutive passes, levels p and p + 1 (n = 2^p, h = n/2, h a multiple
// of W), from s into d without the intermediate spectrum touching memory.
// Level p + 1 joins the 2n-groups G0 = s + c and G1 = s + c + 2n; its bins j
// and n - j (1 <= j < h) read exactly the four outputs of level p's butterfly j
// in G0 and in G1 (G[j], G[n - j], G[n + j], G[2n - j]), so those eight values
// stay in registers, in bin order. Bin n - j's twiddle is bin j's with cosine
// and sine exchanged. As in laterPass, the chunk lane of bin h only writes the
// outputs of level p + 1's bin h, which are computed afterwards with bin 0.
template <class T>
inline void twoButterflies(float* d, const float* s, int32_t n, int32_t h, int32_t j, typename T::V im0,
                           typename T::V im1, const float* co, const float* si, const float* co2, const float* si2)
{
  using V = typename T::V;
  constexpr int32_t last = T::kWidth - 1;
  const V c = T::load(co + j);
  const V sn = T::load(si + j);
  // Level p in G0: f = G0[j], r = G0[n - j], u = G0[n + j], w = G0[2n - j].
  V a = T::load(s + j);
  V b = T::load(s + h + j);
  V re = T::load(s + n + j);
  V v = T::sub(T::mul(re, c), T::mul(im0, sn));
  const V f0 = T::add(a, v);
  const V r0 = T::sub(a, v);
  v = T::add(T::mul(re, sn), T::mul(im0, c));
  const V u0 = T::add(v, b);
  const V w0 = T::sub(v, b);
  // The same in G1.
  const float* s1 = s + 2 * n;
  a = T::load(s1 + j);
  b = T::load(s1 + h + j);
  re = T::load(s1 + n + j);
  v = T::sub(T::mul(re, c), T::mul(im1, sn));
  const V f1 = T::add(a, v);
  const V r1 = T::sub(a, v);
  v = T::add(T::mul(re, sn), T::mul(im1, c));
  const V u1 = T::add(v, b);
  const V w1 = T::sub(v, b);
  // Level p + 1, bin j.
  const V c2 = T::load(co2 + j);
  const V s2 = T::load(si2 + j);
  v = T::sub(T::mul(f1, c2), T::mul(u1, s2));
  T::store(d + j, T::add(f0, v));
  T::store(d + 2 * n - j - last, T::reversed(T::sub(f0, v)));
  v = T::add(T::mul(f1, s2), T::mul(u1, c2));
  T::store(d + 2 * n + j, T::add(v, u0));
  T::store(d + 4 * n - j - last, T::reversed(T::sub(v, u0)));
  // Level p + 1, bin n - j.
  v = T::sub(T::mul(r1, s2), T::mul(w1, c2));
  T::store(d + n - j - last, T::reversed(T::add(r0, v)));
  T::store(d + n + j, T::sub(r0, v));
  v = T::add(T::mul(r1, c2), T::mul(w1, s2));
  T::store(d + 3 * n - j - last, T::reversed(T::add(v, w0)));
  T::store(d + 3 * n + j, T::sub(v, w0));
}

template <class T>
void twoLaterPasses(float* d, const float* s, int32_t length, int32_t pass, const FftVectorTables& tables)
{
  const int32_t n = int32_t{1} << pass;
  const int32_t h = n / 2;
  const float* co = tables.cosines(pass);
  const float* si = tables.sines(pass);
  const float* co2 = tables.cosines(pass + 1);
  const float* si2 = tables.sines(pass + 1);
  const float twiddleH = co2[h];  // angle pi/4: bin h's cosine and sine
  const int32_t lastChunk = h - T::kWidth + 1;
  for (int32_t c = 0; c < length; c += 4 * n) {
    const float* sg = s + c;
    const float* sg1 = sg + 2 * n;
    float* dg = d + c;
    for (int32_t j = 1; j < lastChunk; j += T::kWidth)
      twoButterflies<T>(dg, sg, n, h, j, T::load(sg + n + h + j), T::load(sg1 + n + h + j), co, si, co2, si2);
    // Loaded one early and shifted: see laterPass.
    twoButterflies<T>(dg, sg, n, h, lastChunk, T::shiftedDown(T::load(sg + n + h + lastChunk - 1)),
                      T::shiftedDown(T::load(sg1 + n + h + lastChunk - 1)), co, si, co2, si2);
    // Level p's bins 0 and h in both groups, and level p + 1's bins 0 and h.
    const float g0 = sg[0] + sg[n];
    const float g0n = sg[0] - sg[n];
    const float g0h = sg[h];
    const float g0nh = sg[n + h];
    const float g1 = sg1[0] + sg1[n];
    const float g1n = sg1[0] - sg1[n];
    const float g1h = sg1[h];
    const float g1nh = sg1[n + h];
    dg[0] = g0 + g1;
    dg[2 * n] = g0 - g1;
    dg[n] = g0n;
    dg[3 * n] = g1n;
    float v = g1h * twiddleH - g1nh * twiddleH;
    dg[h] = g0h + v;
    dg[2 * n - h] = g0h - v;
    v = g1h * twiddleH + g1nh * twiddleH;
    dg[2 * n + h] = v + g0nh;
    dg[4 * n - h] = v - g0nh;
  }
}

// Levels 3 .. bitCount - 1 from `latest` (written by the first passes), two at
// a time where possible; `Wide` where a half group fills its registers, `Narrow`
// below. Returns the buffer holding the result.
template <class Wide, class Narrow>
float* laterPasses(float* latest, float* spare, int32_t bitCount, const FftVectorTables& tables)
{
  const int32_t length = int32_t{1} << bitCount;
  int32_t pass = 3;
  for (; pass + 1 < bitCount; pass += 2) {
    if ((int32_t{1} << (pass - 1)) >= Wide::kWidth)
      twoLaterPasses<Wide>(spare, latest, length, pass, tables);
    else
      twoLaterPasses<Narrow>(spare, latest, length, pass, tables);
    float* const written = spare;
    spare = latest;
    latest = written;
  }
  if (pass < bitCount) {
    if ((int32_t{1} << (pass - 1)) >= Wide::kWidth)
      laterPass<Wide>(spare, latest, length, pass, tables);
    else
      laterPass<Narrow>(spare, latest, length, pass, tables);
    latest = spare;
  }
  return latest;
}

// How many sweeps over the buffers the passes after the first three make.
inline int32_t laterSweeps(int32_t bitCount) { return (bitCount - 3 + 1) / 2; }

// The scalar search's magnitude before its square root; exact in double.
inline double squaredMagnitude(const float* packed, int32_t half, int32_t i)
{
  const double re = packed[i];
  const double im = packed[half + i];
  return re * re + im * im;
}

// Second step of the peak search. `largest` is the largest squared magnitude
// (found by the caller with vector maxima). The scalar search compares square
// roots, and different squares can share one: the winner is the first bin whose
// root equals that of `largest`. Such a square lies within a few units in the
// last place of `largest`, so only bins above `threshold` are examined one by one.
inline bool isPeakCandidateFirst(const float* packed, int32_t half, int32_t i, double rootOfLargest)
{
  return std::sqrt(squaredMagnitude(packed, half, i)) == rootOfLargest;
}

inline double candidateThreshold(double largest) { return largest * (1.0 - 0x1p-30); }

}  // namespace
