#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A decoded picture: width x height pixels, rows from the top down,
// each pixel 0x00RRGGBB.
struct BmpImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // top-down rows, 0x00RRGGBB
};

// Reads an uncompressed Windows BMP file (BITMAPINFOHEADER or a later
// header version; 8 bits with a palette, or 24 bits; rows bottom-up or,
// with a negative height, top-down). Anything else, and any file whose
// headers point outside the data, gives nullopt. Never reads beyond
// data + size.
std::optional<BmpImage> decodeBmp(const unsigned char* data, std::size_t size);
