// Drawing with the Windows graphics interface (GDI): a canvas over a device
// context, bitmaps loaded from the plug-in's resources and their see-through
// masks. Every pen, brush and font a drawing call needs is made for that call
// (or, for fonts, kept until the canvas goes) and the device context gets back
// the objects it held before, so a context the host or the window system
// lends us is returned as we found it.
//
// The toolkit's headers come first; windows.h follows with its macros tamed.
#pragma once

#include <memory>
#include <string>

#include "gui/Backend.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// A font made from the toolkit's description: height -size (the size is the
// character height, not the cell), the table's face, weight and family.
HFONT createFontFor(const FontSpec& font);

// A bitmap resource (a device-dependent bitmap) and its size.
class Win32Image : public BackendImage {
public:
  explicit Win32Image(HBITMAP bitmap);  // takes ownership
  ~Win32Image() override;
  Win32Image(const Win32Image&) = delete;
  Win32Image& operator=(const Win32Image&) = delete;

  int width() const override { return width_; }
  int height() const override { return height_; }
  HBITMAP bitmap() const { return bitmap_; }

private:
  HBITMAP bitmap_;
  int width_ = 0;
  int height_ = 0;
};

// The see-through mask of an image: a monochrome bitmap with the key-coloured
// pixels set, and a copy of the image with those pixels cleared to black, so a
// masked draw is an AND with the mask followed by an OR with the copy.
class Win32Mask : public BackendMask {
public:
  Win32Mask(const Win32Image& image, Colour key);
  ~Win32Mask() override;
  Win32Mask(const Win32Mask&) = delete;
  Win32Mask& operator=(const Win32Mask&) = delete;

  bool valid() const { return mask_ && sprite_; }
  HBITMAP mask() const { return mask_; }
  HBITMAP sprite() const { return sprite_; }

private:
  HBITMAP mask_ = nullptr;
  HBITMAP sprite_ = nullptr;
};

class Win32Canvas : public Canvas {
public:
  // Draws into a device context someone else owns (BeginPaint's).
  static std::unique_ptr<Win32Canvas> borrowing(HDC dc);
  // Draws into `window` through its own device context, released with the canvas.
  static std::unique_ptr<Win32Canvas> onWindow(HWND window);
  // A width x height memory picture compatible with `window` (the screen when
  // null), cleared to black.
  static std::unique_ptr<Win32Canvas> offscreen(HWND window, int width, int height);

  ~Win32Canvas() override;
  Win32Canvas(const Win32Canvas&) = delete;
  Win32Canvas& operator=(const Win32Canvas&) = delete;

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

  HDC dc() const { return dc_; }

private:
  enum class Ownership { borrowed, windowDc, memoryDc };
  Win32Canvas(HDC dc, Ownership ownership, HWND window, HBITMAP bitmap);
  void selectFont(const FontSpec& font);

  HDC dc_;
  Ownership ownership_;
  HWND window_;     // for ReleaseDC
  HBITMAP bitmap_;  // the memory picture, owned
  HGDIOBJ previousBitmap_ = nullptr;
  int savedState_ = 0;    // SaveDC's level, restored on destruction
  HFONT font_ = nullptr;  // the font last selected, owned
  FontSpec fontSpec_;
};
