// Pictures and text metrics handed from the Linux build to the Windows tests
// as committed files. A picture is stored run-length encoded (the artwork has
// long runs of one colour): "BRPX", width and height as 32-bit little-endian
// numbers, then runs of a 16-bit little-endian count (1 to 65535) and the
// colour as red, green, blue bytes. Pixels are 0x00RRGGBB, rows top down.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gui/Geometry.h"

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

bool writePicture(const std::string& path, const Picture& picture);
// Nullopt when the file is missing, damaged or holds the wrong number of pixels.
std::optional<Picture> readPicture(const std::string& path);

// One line per measurement: font id, width, height, ascent, then the text.
struct TextMeasurement {
  int fontId = 0;
  int width = 0;
  int height = 0;
  int ascent = 0;
  std::string text;
};
bool writeMeasurements(const std::string& path, const std::vector<TextMeasurement>& list);
std::vector<TextMeasurement> readMeasurements(const std::string& path);

// How two pictures of one size differ.
struct PictureDifference {
  int outsideText = 0;  // differing pixels outside every text area
  int insideText = 0;   // differing pixels inside the text areas
};
PictureDifference comparePictures(const Picture& a, const Picture& b, const std::vector<Rect>& textAreas);

// Bounding box (right and bottom exclusive) of the pixels in `area` that
// differ from `background`; empty (width 0) when there are none.
Rect inkBox(const Picture& picture, const Rect& area, uint32_t background);
