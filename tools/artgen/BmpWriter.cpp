#include "tools/artgen/BmpWriter.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch
constexpr uint32_t kPaletteEntries = 256;

void putU16(std::vector<unsigned char>& out, uint32_t value)
{
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void putU32(std::vector<unsigned char>& out, uint32_t value)
{
  putU16(out, value & 0xFFFF);
  putU16(out, value >> 16);
}

uint32_t rowBytes(int width, int depth) { return static_cast<uint32_t>((width * depth + 31) / 32 * 4); }

struct Format {
  int depth;                // bits per pixel
  uint32_t paletteEntries;  // 0 for 24 bits
};

void putHeaders(std::vector<unsigned char>& out, const Raster& picture, Format format)
{
  const int depth = format.depth;
  const uint32_t paletteEntries = format.paletteEntries;
  const uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteEntries * 4;
  const uint32_t imageSize = rowBytes(picture.width, depth) * static_cast<uint32_t>(picture.height);
  out.push_back('B');
  out.push_back('M');
  putU32(out, pixelOffset + imageSize);
  putU32(out, 0);  // two reserved words
  putU32(out, pixelOffset);
  putU32(out, kInfoHeaderSize);
  putU32(out, static_cast<uint32_t>(picture.width));
  putU32(out, static_cast<uint32_t>(picture.height));  // positive: bottom-up rows
  putU16(out, 1);                                      // planes
  putU16(out, static_cast<uint32_t>(depth));
  putU32(out, 0);  // BI_RGB, uncompressed
  putU32(out, imageSize);
  putU32(out, kPixelsPerMetre);
  putU32(out, kPixelsPerMetre);
  putU32(out, paletteEntries);
  putU32(out, 0);  // all colours important
}

}  // namespace

std::vector<unsigned char> encodeBmp24(const Raster& picture)
{
  std::vector<unsigned char> out;
  putHeaders(out, picture, Format{24, 0});
  const uint32_t padding = rowBytes(picture.width, 24) - static_cast<uint32_t>(picture.width) * 3;
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t pixel = picture.at(x, y);
      out.push_back(static_cast<unsigned char>(pixel & 0xFF));
      out.push_back(static_cast<unsigned char>((pixel >> 8) & 0xFF));
      out.push_back(static_cast<unsigned char>((pixel >> 16) & 0xFF));
    }
    out.insert(out.end(), padding, 0);
  }
  return out;
}

std::optional<std::vector<unsigned char>> encodeBmp8(const Raster& picture)
{
  // Colours sorted by value so the same picture always gives the same file.
  std::map<uint32_t, uint32_t> indexOf;
  for (uint32_t pixel : picture.pixels) {
    indexOf.emplace(pixel, 0);
  }
  if (indexOf.size() > kPaletteEntries) {
    return std::nullopt;
  }
  std::vector<uint32_t> palette;
  for (auto& [colour, index] : indexOf) {
    index = static_cast<uint32_t>(palette.size());
    palette.push_back(colour);
  }
  palette.resize(kPaletteEntries, 0);

  std::vector<unsigned char> out;
  putHeaders(out, picture, Format{8, kPaletteEntries});
  for (uint32_t colour : palette) {
    out.push_back(static_cast<unsigned char>(colour & 0xFF));
    out.push_back(static_cast<unsigned char>((colour >> 8) & 0xFF));
    out.push_back(static_cast<unsigned char>((colour >> 16) & 0xFF));
    out.push_back(0);
  }
  const uint32_t padding = rowBytes(picture.width, 8) - static_cast<uint32_t>(picture.width);
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      out.push_back(static_cast<unsigned char>(indexOf.at(picture.at(x, y))));
    }
    out.insert(out.end(), padding, 0);
  }
  return out;
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  const bool complete = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && complete;
}
