#include "tests/resources/BmpBuilder.h"

void patchU32(std::vector<uint8_t>& file, std::size_t offset, uint32_t value)
{
  for (int i = 0; i < 4; ++i) {
    file[offset + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
  }
}

std::vector<uint8_t> buildBmp(const BmpFields& fields)
{
  const uint32_t paletteBytes = static_cast<uint32_t>(fields.palette.size() * 4);
  const uint32_t pixelOffset = 14 + fields.headerSize + paletteBytes + fields.gapBeforePixels;
  std::vector<uint8_t> file(pixelOffset, 0);
  file[0] = 'B';
  file[1] = 'M';
  patchU32(file, 2, static_cast<uint32_t>(pixelOffset + fields.pixelBytes.size()));
  patchU32(file, kOffsetPixelOffset, pixelOffset);
  patchU32(file, kOffsetHeaderSize, fields.headerSize);
  patchU32(file, kOffsetWidth, static_cast<uint32_t>(fields.width));
  patchU32(file, kOffsetHeight, static_cast<uint32_t>(fields.height));
  file[26] = static_cast<uint8_t>(fields.planes);
  file[27] = static_cast<uint8_t>(fields.planes >> 8);
  file[kOffsetDepth] = static_cast<uint8_t>(fields.depth);
  file[kOffsetDepth + 1] = static_cast<uint8_t>(fields.depth >> 8);
  patchU32(file, 30, fields.compression);
  patchU32(file, 34, static_cast<uint32_t>(fields.pixelBytes.size()));
  patchU32(file, 46, fields.coloursUsed);
  std::size_t at = 14 + fields.headerSize;
  for (uint32_t colour : fields.palette) {
    file[at++] = static_cast<uint8_t>(colour);        // blue
    file[at++] = static_cast<uint8_t>(colour >> 8);   // green
    file[at++] = static_cast<uint8_t>(colour >> 16);  // red
    file[at++] = 0;
  }
  file.insert(file.end(), fields.pixelBytes.begin(), fields.pixelBytes.end());
  return file;
}
