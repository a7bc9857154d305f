// Drawing with Cairo into image surfaces, shared by the headless layer and the
// X11 layer. Everything is rasterised into client-side images with the same
// options, so a window on the X server and a picture drawn headless are the
// same pixel for pixel (the X11 layer only copies finished pixels to the screen).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/Backend.h"

// A picture held as a Cairo RGB24 image surface.
class CairoImage : public BackendImage {
public:
  explicit CairoImage(cairo_surface_t* surface);  // takes ownership
  ~CairoImage() override;
  CairoImage(const CairoImage&) = delete;
  CairoImage& operator=(const CairoImage&) = delete;

  int width() const override;
  int height() const override;
  cairo_surface_t* surface() const { return surface_; }

private:
  cairo_surface_t* surface_;
};

// Alpha 0 where the image has the key colour, 255 elsewhere.
class CairoMask : public BackendMask {
public:
  CairoMask(const CairoImage& image, Colour key);
  ~CairoMask() override;
  CairoMask(const CairoMask&) = delete;
  CairoMask& operator=(const CairoMask&) = delete;

  cairo_surface_t* surface() const { return surface_; }

private:
  cairo_surface_t* surface_;
};

// A canvas over an RGB24 image surface.
class CairoCanvas : public Canvas {
public:
  // Draws into `surface` (an RGB24 image surface); takes a reference on it.
  explicit CairoCanvas(cairo_surface_t* surface);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void line(Point from, Point to, const PenSpec& pen) override;
  void fillPolygon(const Point* points, int count, Colour colour) override;
  void fillRect(const Rect& area, Colour colour) override;
  void strokeEllipse(const Rect& box, const PenSpec& pen) override;
  void fillEllipse(const Rect& box, Colour colour) override;
  void strokeArc(const Rect& box, Point start, Point end, const PenSpec& pen) override;
  void fillPie(const Rect& box, Point start, Point end, Colour colour) override;
  void setPixel(Point where, Colour colour) override;
  Colour pixel(Point where) const override;
  TextMetrics measureText(const std::string& text, const FontSpec& font) override;
  void drawText(const std::string& text, Point origin, const FontSpec& font, Colour colour, const Rect& clip) override;
  void copyFrom(Canvas& source, Point sourceOffset, const Rect& dest) override;
  void drawImage(const BackendImage& image, const BackendMask* mask, Point sourceOffset, const Rect& dest) override;

  cairo_surface_t* surface() const { return surface_; }
  // The area painted since construction or the last takeDirtyArea (empty: width 0).
  Rect takeDirtyArea();

private:
  void markDirty(const Rect& area);
  void selectFont(const FontSpec& font);
  void arcPath(const Rect& box, Point start, Point end);

  cairo_surface_t* surface_;
  cairo_t* cr_;
  Rect dirty_;
  bool hasDirty_ = false;
};

// Creates an RGB24 surface of the given size cleared to black (null-safe sizes:
// anything below 1 becomes 1 so that Cairo never sees a zero-sized surface).
cairo_surface_t* createRgbSurface(int width, int height);

// An image from top-down 0x00RRGGBB pixels; null when the sizes do not match.
std::unique_ptr<CairoImage> makeCairoImage(int width, int height, const std::vector<uint32_t>& pixels);

// The plug-in's embedded bitmap `resourceId`, decoded; null when it is missing
// or cannot be read.
std::unique_ptr<CairoImage> loadEmbeddedCairoImage(int resourceId);

// Where the Cairo-based layers get bitmaps from: pictures registered by tests
// first, then the plug-in's embedded bitmaps.
class CairoBitmapStore {
public:
  // Registers `resourceId` with top-down 0x00RRGGBB pixels (ignored when the
  // sizes do not match).
  void add(int resourceId, int width, int height, const std::vector<uint32_t>& pixels);
  // Makes loading `resourceId` fail even if it is embedded.
  void hide(int resourceId);
  // A new image for `resourceId`, or null.
  std::unique_ptr<CairoImage> load(int resourceId) const;

private:
  std::vector<std::pair<int, std::vector<uint32_t>>> registered_;
  std::vector<std::pair<int, int>> sizes_;
  std::vector<int> hidden_;
};

// The colour of pixel `where` in an RGB24 image surface (black outside).
Colour surfacePixel(cairo_surface_t* surface, Point where);
