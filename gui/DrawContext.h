// Drawing into a frame's window or into an offscreen picture, with a current
// pen (frame colour, width, style), brush (fill colour), font and text colour.
// A context lives for one paint, one click, one idle pass or one redraw.
//
// Geometry rules, all in frame window coordinates:
// - drawRect outlines the pixels from left, top to right, bottom inclusive;
//   fillRect paints only inside that outline: left + 1, top + 1 up to (not
//   including) right, bottom. Filling then outlining the same rectangle
//   covers it exactly.
// - drawEllipse and drawArc stay within left..right, top..bottom inclusive;
//   fillEllipse and fillArc within left + 1..right - 1, top + 1..bottom - 1.
// - Lines paint their start and leave out their end pixel.
#pragma once

#include <memory>
#include <string>

#include "gui/Backend.h"
#include "gui/Colour.h"
#include "gui/Geometry.h"

class Frame;

inline constexpr int kTextAlignLeft = 0;
inline constexpr int kTextAlignCentre = 1;
inline constexpr int kTextAlignRight = 2;

class DrawContext {
public:
  // Draws into `canvas`, which must outlive the context, for `frame` (may be
  // null when there is no window, e.g. in an offscreen without a frame).
  DrawContext(Canvas& canvas, Frame* frame);
  virtual ~DrawContext();
  DrawContext(const DrawContext&) = delete;
  DrawContext& operator=(const DrawContext&) = delete;

  void moveTo(Point where);
  void lineTo(Point where);  // draws from the pen position, which moves to `where`
  void polyline(const Point* points, int count);
  void polygon(const Point* points, int count);  // filled with the fill colour, no outline
  void drawRect(const Rect& rect);
  void fillRect(const Rect& rect);
  void drawEllipse(const Rect& rect);
  void fillEllipse(const Rect& rect);
  void drawArc(const Rect& rect, Point start, Point end);  // anticlockwise from start to end
  void fillArc(const Rect& rect, Point start, Point end);
  void drawPoint(Point where, Colour colour);

  void setLineStyle(LineStyle style);
  void setLineWidth(int width);
  void setFrameColour(Colour colour);
  void setFillColour(Colour colour);
  void setFontColour(Colour colour);
  // Font `fontId` (0..6, others mean 0) at `size` pixels, 0 for its table size.
  void setFont(int fontId, int size = 0);

  // One line of text, vertically centred in `rect`; horizontally centred for
  // kTextAlignCentre, right-aligned for kTextAlignRight, otherwise starting one
  // pixel in from the left. With `opaque`, the text's cell is first filled
  // with the fill colour. Nothing is painted outside `rect`.
  void drawString(const std::string& text, const Rect& rect, bool opaque = false, int alignment = kTextAlignCentre);

  LineStyle getLineStyle() const { return pen_.style; }
  int getLineWidth() const { return pen_.width; }
  Colour getFrameColour() const { return pen_.colour; }
  Colour getFillColour() const { return fillColour_; }
  Colour getFontColour() const { return fontColour_; }
  const FontSpec& getFont() const { return font_; }
  int getFontId() const { return fontId_; }
  Frame* getFrame() const { return frame_; }
  Canvas& canvas() { return *canvas_; }

protected:
  // For offscreen contexts, which own their canvas.
  DrawContext(std::unique_ptr<Canvas> ownedCanvas, Frame* frame);

private:
  std::unique_ptr<Canvas> ownedCanvas_;
  Canvas* canvas_;
  Frame* frame_;
  PenSpec pen_;
  Colour fillColour_ = kBlackColour;
  Colour fontColour_ = kWhiteColour;
  FontSpec font_;
  int fontId_ = 0;
  Point penPosition_;
};

class Bitmap;

// A picture composed in memory and copied to the screen in one step.
class OffscreenContext : public DrawContext {
public:
  // A width x height picture for `frame`, cleared to `background`.
  OffscreenContext(Frame* frame, int width, int height, Colour background = kBlackColour);
  // A picture holding `bitmap` (its size; 20 x 20 without one).
  OffscreenContext(Frame* frame, Bitmap* bitmap);
  ~OffscreenContext() override;

  // Copies destRect.width() x destRect.height() pixels, starting at
  // `sourceOffset` in this picture, to destRect's top-left corner in `dest`.
  void copyTo(DrawContext* dest, const Rect& destRect, Point sourceOffset = {});

  int getWidth() const { return width_; }
  int getHeight() const { return height_; }
  Colour getBackgroundColour() const { return background_; }

private:
  int width_;
  int height_;
  Colour background_;
};
