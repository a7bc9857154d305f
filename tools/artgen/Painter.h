#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

// A colour with components from 0 to 1, as Cairo takes them.
struct Colour {
  double red;
  double green;
  double blue;
};

constexpr Colour rgb(int red, int green, int blue) { return Colour{red / 255.0, green / 255.0, blue / 255.0}; }

// A finished picture: rows from the top down, 0x00RRGGBB.
struct Raster {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  std::size_t indexOf(int x, int y) const
  {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  }
  uint32_t at(int x, int y) const { return pixels[indexOf(x, y)]; }
  uint32_t& at(int x, int y) { return pixels[indexOf(x, y)]; }
};

// Row y of a Cairo image surface's pixel data.
inline uint32_t* surfaceRow(unsigned char* data, int stride, int y)
{
  return reinterpret_cast<uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
}

enum class Align { Left, Centre, Right };

struct TextStyle {
  double size = 10.0;
  bool bold = false;
  Colour colour{0.9, 0.9, 0.9};
  double tracking = 0.0;  // extra pixels between letters
};

// One Cairo drawing surface with the handful of shapes the artwork is made
// of. Coordinates are pixels; a shape meant to sit on whole pixels is given
// whole-pixel edges so that flat parts stay free of blended colours.
class Painter {
public:
  Painter(int width, int height, bool withAlpha);
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  cairo_t* cr() { return context_; }
  int width() const { return width_; }
  int height() const { return height_; }

  void fillRect(double x, double y, double w, double h, Colour colour, double alpha = 1.0);
  void roundedRectPath(double x, double y, double w, double h, double radius);
  void fillRounded(double x, double y, double w, double h, double radius, Colour colour, double alpha = 1.0);
  void strokeRounded(double x, double y, double w, double h, double radius, Colour colour, double lineWidth,
                     double alpha = 1.0);
  void line(double x0, double y0, double x1, double y1, Colour colour, double lineWidth, double alpha = 1.0);
  void disc(double cx, double cy, double radius, Colour colour, double alpha = 1.0);

  double textWidth(const std::string& text, const TextStyle& style);
  // Draws one line of text; x is the left edge, centre or right edge.
  void text(const std::string& text, double x, double baseline, Align align, const TextStyle& style);

  // Replaces the whole surface with these pixels (same size).
  void putRaster(const Raster& picture);

  // The surface as opaque pixels. A surface with alpha is laid over
  // `under` first.
  Raster raster(Colour under = Colour{0, 0, 0}) const;
  // Alpha of one pixel, 0..255 (255 for surfaces without alpha).
  int alphaAt(int x, int y) const;

private:
  void selectFont(const TextStyle& style);

  int width_;
  int height_;
  bool withAlpha_;
  cairo_surface_t* surface_;
  cairo_t* context_;
};
