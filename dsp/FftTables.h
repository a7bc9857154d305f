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
