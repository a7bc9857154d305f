#include "gui/DrawContext.h"

#include <algorithm>

#include "gui/Bitmap.h"
#include "gui/Frame.h"

namespace {
constexpr int kDefaultOffscreenSide = 20;  // an offscreen made from no bitmap

std::unique_ptr<Canvas> makeOffscreenCanvas(Frame* frame, int width, int height)
{
  ChildWindow* window = frame ? frame->getWindow() : nullptr;
  return currentBackend().createOffscreen(window, std::max(width, 1), std::max(height, 1));
}

Rect intersect(const Rect& a, const Rect& b)
{
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}
}  // namespace

DrawContext::DrawContext(Canvas& canvas, Frame* frame) : canvas_(&canvas), frame_(frame), font_(fontFor(0)) {}

DrawContext::DrawContext(std::unique_ptr<Canvas> ownedCanvas, Frame* frame)
    : ownedCanvas_(std::move(ownedCanvas)), canvas_(ownedCanvas_.get()), frame_(frame), font_(fontFor(0))
{}

DrawContext::~DrawContext() = default;

void DrawContext::moveTo(Point where) { penPosition_ = where; }

void DrawContext::lineTo(Point where)
{
  canvas_->line(penPosition_, where, pen_);
  penPosition_ = where;
}

void DrawContext::polyline(const Point* points, int count)
{
  if (!points || count <= 0) return;
  moveTo(points[0]);
  for (int i = 1; i < count; ++i) lineTo(points[i]);
}

void DrawContext::polygon(const Point* points, int count) { canvas_->fillPolygon(points, count, fillColour_); }

void DrawContext::drawRect(const Rect& rect)
{
  moveTo({rect.left, rect.top});
  lineTo({rect.right, rect.top});
  lineTo({rect.right, rect.bottom});
  lineTo({rect.left, rect.bottom});
  lineTo({rect.left, rect.top});
}

void DrawContext::fillRect(const Rect& rect)
{
  canvas_->fillRect({rect.left + 1, rect.top + 1, rect.right, rect.bottom}, fillColour_);
}

void DrawContext::drawEllipse(const Rect& rect)
{
  canvas_->strokeEllipse({rect.left, rect.top, rect.right + 1, rect.bottom + 1}, pen_);
}

void DrawContext::fillEllipse(const Rect& rect)
{
  canvas_->fillEllipse({rect.left + 1, rect.top + 1, rect.right, rect.bottom}, fillColour_);
}

void DrawContext::drawArc(const Rect& rect, Point start, Point end)
{
  canvas_->strokeArc({rect.left, rect.top, rect.right + 1, rect.bottom + 1}, start, end, pen_);
}

void DrawContext::fillArc(const Rect& rect, Point start, Point end)
{
  canvas_->fillPie({rect.left + 1, rect.top + 1, rect.right, rect.bottom}, start, end, fillColour_);
}

void DrawContext::drawPoint(Point where, Colour colour) { canvas_->setPixel(where, colour); }

void DrawContext::setLineStyle(LineStyle style) { pen_.style = style; }
void DrawContext::setLineWidth(int width) { pen_.width = std::max(width, 1); }
void DrawContext::setFrameColour(Colour colour) { pen_.colour = colour; }
void DrawContext::setFillColour(Colour colour) { fillColour_ = colour; }
void DrawContext::setFontColour(Colour colour) { fontColour_ = colour; }

void DrawContext::setFont(int fontId, int size)
{
  if (fontId < 0 || fontId >= kFontCount) fontId = 0;
  fontId_ = fontId;
  font_ = fontFor(fontId, size);
}

void DrawContext::drawString(const std::string& text, const Rect& rect, bool opaque, int alignment)
{
  const TextMetrics m = canvas_->measureText(text, font_);
  int x;
  if (alignment == kTextAlignCentre) {
    x = rect.left + (rect.width() - m.width) / 2;
  } else if (alignment == kTextAlignRight) {
    x = rect.right - m.width;
  } else {
    x = rect.left + 1;
  }
  const int y = rect.top + (rect.height() - m.height) / 2;
  if (opaque) {
    canvas_->fillRect(intersect({x, y, x + m.width, y + m.height}, rect), fillColour_);
  }
  canvas_->drawText(text, {x, y}, font_, fontColour_, rect);
}

// ---- OffscreenContext ----

OffscreenContext::OffscreenContext(Frame* frame, int width, int height, Colour background)
    : DrawContext(makeOffscreenCanvas(frame, width, height), frame),
      width_(width),
      height_(height),
      background_(background)
{
  canvas().fillRect({0, 0, std::max(width, 1), std::max(height, 1)}, background);
}

OffscreenContext::OffscreenContext(Frame* frame, Bitmap* bitmap)
    : DrawContext(makeOffscreenCanvas(frame, bitmap ? bitmap->getWidth() : kDefaultOffscreenSide,
                                      bitmap ? bitmap->getHeight() : kDefaultOffscreenSide),
                  frame),
      width_(bitmap ? bitmap->getWidth() : kDefaultOffscreenSide),
      height_(bitmap ? bitmap->getHeight() : kDefaultOffscreenSide),
      background_(kBlackColour)
{
  if (bitmap) bitmap->draw(this, {0, 0, width_, height_});
}

OffscreenContext::~OffscreenContext() = default;

void OffscreenContext::copyTo(DrawContext* dest, const Rect& destRect, Point sourceOffset)
{
  if (!dest) return;
  dest->canvas().copyFrom(canvas(), sourceOffset, destRect);
}
