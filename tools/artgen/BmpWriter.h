#pragma once

#include "tools/artgen/Painter.h"

#include <optional>
#include <string>
#include <vector>

// Uncompressed Windows BMP files (14-byte file header, 40-byte
// BITMAPINFOHEADER, rows bottom-up, each row padded to four bytes), the form
// the Windows resource compiler and LoadBitmap take without conversion.

// 24 bits per pixel, blue-green-red byte order.
std::vector<unsigned char> encodeBmp24(const Raster& picture);

// 8 bits per pixel with a 256-entry palette built from the picture's own
// colours; nullopt when the picture holds more than 256 distinct colours.
std::optional<std::vector<unsigned char>> encodeBmp8(const Raster& picture);

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes);
