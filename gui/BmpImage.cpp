#include "gui/BmpImage.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Offsets into the 14-byte file header and the BITMAPINFOHEADER that follows it.
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderMinSize = 40;
constexpr std::size_t kPixelOffsetField = 10;
constexpr std::size_t kHeaderSizeField = 14;
constexpr std::size_t kWidthField = 18;
constexpr std::size_t kHeightField = 22;
constexpr std::size_t kPlanesField = 26;
constexpr std::size_t kDepthField = 28;
constexpr std::size_t kCompressionField = 30;
constexpr std::size_t kColoursUsedField = 46;

constexpr uint32_t kUncompressed = 0;  // BI_RGB
constexpr uint32_t kMaxPaletteEntries = 256;

// Far beyond any editor picture; keeps a forged header from asking for
// gigabytes even before the data-size check runs.
constexpr int64_t kMaxSide = 16384;

uint16_t readU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t readU32(const unsigned char* p)
{
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

int32_t readI32(const unsigned char* p) { return static_cast<int32_t>(readU32(p)); }

uint32_t rgb(unsigned char red, unsigned char green, unsigned char blue)
{
  return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) | blue;
}

}  // namespace

std::optional<BmpImage> decodeBmp(const unsigned char* data, std::size_t size)
{
  if (data == nullptr || size < kFileHeaderSize + kInfoHeaderMinSize) {
    return std::nullopt;
  }
  if (data[0] != 'B' || data[1] != 'M') {
    return std::nullopt;
  }
  const uint32_t headerSize = readU32(data + kHeaderSizeField);
  // 12-byte OS/2 headers carry 16-bit sizes and 3-byte palette entries; the
  // editor's bitmaps never use them, so they are refused rather than guessed.
  if (headerSize < kInfoHeaderMinSize || headerSize > size - kFileHeaderSize) {
    return std::nullopt;
  }
  const int64_t width = readI32(data + kWidthField);
  const int64_t signedHeight = readI32(data + kHeightField);
  const uint16_t planes = readU16(data + kPlanesField);
  const uint16_t depth = readU16(data + kDepthField);
  const uint32_t compression = readU32(data + kCompressionField);
  if (planes != 1 || compression != kUncompressed || (depth != 8 && depth != 24)) {
    return std::nullopt;
  }
  // A negative height marks rows stored from the top down.
  const bool topDown = signedHeight < 0;
  const int64_t height = topDown ? -signedHeight : signedHeight;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    return std::nullopt;
  }

  const std::size_t paletteStart = kFileHeaderSize + headerSize;
  uint32_t paletteEntries = 0;
  if (depth == 8) {
    const uint32_t used = readU32(data + kColoursUsedField);
    paletteEntries = used == 0 ? kMaxPaletteEntries : used;
    if (paletteEntries > kMaxPaletteEntries) {
      return std::nullopt;
    }
  }
  const std::size_t paletteEnd = paletteStart + static_cast<std::size_t>(paletteEntries) * 4;
  const uint32_t pixelOffset = readU32(data + kPixelOffsetField);
  if (paletteEnd > size || pixelOffset < paletteEnd || pixelOffset > size) {
    return std::nullopt;
  }

  // Rows are padded to a multiple of four bytes.
  const int64_t rowBytes = (width * depth + 31) / 32 * 4;
  const int64_t available = static_cast<int64_t>(size - pixelOffset);
  if (rowBytes * height > available) {
    return std::nullopt;
  }

  BmpImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<std::size_t>(width * height));
  const unsigned char* palette = data + paletteStart;
  for (int64_t row = 0; row < height; ++row) {
    const int64_t storedRow = topDown ? row : height - 1 - row;
    const unsigned char* source = data + pixelOffset + storedRow * rowBytes;
    uint32_t* target = image.pixels.data() + row * width;
    for (int64_t x = 0; x < width; ++x) {
      if (depth == 24) {
        const unsigned char* bgr = source + x * 3;
        target[x] = rgb(bgr[2], bgr[1], bgr[0]);
      } else {
        const uint32_t index = source[x];
        // An index past a short palette points at bytes that are not
        // colours; such a file is damaged, not merely unusual.
        if (index >= paletteEntries) {
          return std::nullopt;
        }
        const unsigned char* bgrx = palette + static_cast<std::size_t>(index) * 4;
        target[x] = rgb(bgrx[2], bgrx[1], bgrx[0]);
      }
    }
  }
  return image;
}
