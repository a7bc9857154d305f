#pragma once

#include <cstdint>
#include <memory>

// Input permutation of the radix-2 transform: entry i is i with its bitCount
// low bits reversed, so the first pass can read the input in butterfly order.
class BitReversalTable {
public:
  explicit BitReversalTable(int32_t bitCount);

  int32_t operator[](int32_t index) const { return entries_[index]; }
  const int32_t* data() const { return entries_.get(); }

private:
  std::unique_ptr<int32_t[]> entries_;
};

// Cosines for the passes from the fourth on. Level L (3 <= L < bitCount) holds
// cos(j * pi / 2^L) for j = 0 .. 2^(L-1) - 1 and starts at 2^(L-1) - 4. Entry
// h - j of a level doubles as the sine of entry j, so no sine table is kept.
// Holds nothing when bitCount <= 3: those lengths never reach the fourth pass.
class CosineTable {
public:
  explicit CosineTable(int32_t bitCount);

  // First entry of the block for `level`; valid for 3 <= level < bitCount.
  const float* level(int32_t level) const { return entries_.get() + (int32_t{1} << (level - 1)) - 4; }
  int32_t size() const { return size_; }

private:
  std::unique_ptr<float[]> entries_;
  int32_t size_ = 0;
};

// The scalar passes' table values rearranged for the vector passes, which
// handle several butterflies of a pass at once and so want every operand in
// consecutive memory. Every entry is a copy of a float the scalar passes read,
// so both compute the very same products.
//   groupStart(r), r < N/8: the first output of the length-8 group whose first
//     input sample is in[r] (the groups' inputs are then r + k * N/8).
//   cosines(L)[i], sines(L)[i], 0 <= i <= 2^(L-1): cosine and sine of the
//     angle i * pi / 2^L for the level-L pass, taken from the cosine table (the
//     sine is its mirrored entry). Entry 0 of the sines and the last entry of the
//     cosines are never used; they only keep whole-vector loads in bounds.
// Holds nothing when N < 32, the shortest length the vector passes accept.
class FftVectorTables {
public:
  static constexpr int32_t kShortestLength = 32;

  FftVectorTables(const BitReversalTable& bitReversal, const CosineTable& cosines, int32_t bitCount);

  const int32_t* groupStarts() const { return groupStarts_.get(); }
  const float* cosines(int32_t level) const { return cosines_.get() + offsetOf(level); }
  const float* sines(int32_t level) const { return sines_.get() + offsetOf(level); }

private:
  // Level L's block has 2^(L-1) + 1 entries; level 3's starts at 0.
  static int32_t offsetOf(int32_t level) { return (int32_t{1} << (level - 1)) - 4 + (level - 3); }

  std::unique_ptr<int32_t[]> groupStarts_;
  std::unique_ptr<float[]> cosines_;
  std::unique_ptr<float[]> sines_;
};
