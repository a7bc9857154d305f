#pragma once

#include <cstdint>
#include <vector>

// Writes BMP files field by field for the reader's tests, so each test can
// forge exactly the header it needs. Offsets are those of the file format.
struct BmpFields {
  uint32_t headerSize = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t depth = 24;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
  std::vector<uint32_t> palette;    // 0x00RRGGBB, written as B, G, R, 0
  std::vector<uint8_t> pixelBytes;  // rows exactly as stored, padding included
  uint32_t gapBeforePixels = 0;     // extra bytes between palette and pixels
};

std::vector<uint8_t> buildBmp(const BmpFields& fields);

// Field offsets, for tests that patch a built file.
constexpr std::size_t kOffsetPixelOffset = 10;
constexpr std::size_t kOffsetHeaderSize = 14;
constexpr std::size_t kOffsetWidth = 18;
constexpr std::size_t kOffsetHeight = 22;
constexpr std::size_t kOffsetDepth = 28;

void patchU32(std::vector<uint8_t>& file, std::size_t offset, uint32_t value);
