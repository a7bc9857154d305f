#include "platform/win32/Win32Canvas.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

COLORREF toColorRef(Colour c) { return COLORREF(c.toPlatform()); }

constexpr COLORREF kWhiteRef = RGB(255, 255, 255);
constexpr COLORREF kBlackRef = RGB(0, 0, 0);

// A GDI object selected into a device context for one drawing call: the
// previous object goes back and the new one is deleted when the scope ends.
class Selected {
public:
  Selected(HDC dc, HGDIOBJ object, bool owned = true) : dc_(dc), object_(object), owned_(owned && object)
  {
    previous_ = object ? SelectObject(dc, object) : nullptr;
  }
  ~Selected()
  {
    if (previous_) SelectObject(dc_, previous_);
    if (owned_) DeleteObject(object_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  // False when the object could not be made (the system is out of GDI
  // objects): the caller then draws nothing rather than with whatever the
  // context held.
  bool ok() const { return object_ != nullptr; }

private:
  HDC dc_;
  HGDIOBJ object_;
  bool owned_;
  HGDIOBJ previous_;
};

// A memory device context with `bitmap` selected, for block transfers.
class MemoryDc {
public:
  MemoryDc(HDC compatible, HBITMAP bitmap) : dc_(CreateCompatibleDC(compatible))
  {
    previous_ = dc_ && bitmap ? SelectObject(dc_, bitmap) : nullptr;
  }
  ~MemoryDc()
  {
    if (previous_) SelectObject(dc_, previous_);
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  bool valid() const { return dc_ && previous_; }
  HDC dc() const { return dc_; }

private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A 32-bit top-down bitmap whose colours do not depend on the display's depth.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): width before height, as in every GDI call
HBITMAP createColourBitmap(int width, int height)
{
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = std::max(width, 1);
  info.bmiHeader.biHeight = -std::max(height, 1);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

HPEN createPen(const PenSpec& pen)
{
  LOGBRUSH brush{BS_SOLID, toColorRef(pen.colour), 0};
  const int width = std::max(pen.width, 1);
  if (pen.style == LineStyle::dotted) {
    // One pixel on, one off, as the toolkit's other layers draw dotted lines.
    if (width == 1) return ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr);
    return ExtCreatePen(PS_GEOMETRIC | PS_DOT | PS_ENDCAP_ROUND, DWORD(width), &brush, 0, nullptr);
  }
  return CreatePen(PS_SOLID, width, toColorRef(pen.colour));
}

// The part of [offset, offset + length) that lies within [0, size): its start
// and length, or a length <= 0 when nothing does.
struct Span {
  int start;
  int length;
};
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): offset, length, limit: the order they are read in
Span clipSpan(int offset, int length, int size)
{
  const int start = std::max(offset, 0);
  const int end = std::min(offset + length, size);
  return {start, end - start};
}

}  // namespace

HFONT createFontFor(const FontSpec& font)
{
  const BYTE family = font.family == FontFamily::decorative ? FF_DECORATIVE : FF_SWISS;
  const BYTE pitch = font.variablePitch ? VARIABLE_PITCH : FIXED_PITCH;
  return CreateFontA(-std::max(font.sizePixels, 1), 0, 0, 0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                     OUT_STRING_PRECIS, CLIP_STROKE_PRECIS, DEFAULT_QUALITY, BYTE(pitch | family),
                     font.face ? font.face : "Arial");
}

// ---- Win32Image / Win32Mask ----

Win32Image::Win32Image(HBITMAP bitmap) : bitmap_(bitmap)
{
  BITMAP info{};
  if (bitmap_ && GetObjectA(bitmap_, sizeof info, &info) == sizeof info) {
    width_ = info.bmWidth;
    height_ = std::abs(info.bmHeight);
  }
}

Win32Image::~Win32Image()
{
  if (bitmap_) DeleteObject(bitmap_);
}

Win32Mask::Win32Mask(const Win32Image& image, Colour key)
{
  const int w = image.width(), h = image.height();
  if (w <= 0 || h <= 0) return;
  mask_ = CreateBitmap(w, h, 1, 1, nullptr);
  sprite_ = createColourBitmap(w, h);
  if (!mask_ || !sprite_) return;
  MemoryDc source(nullptr, image.bitmap());
  MemoryDc mask(nullptr, mask_);
  MemoryDc sprite(nullptr, sprite_);
  if (!source.valid() || !mask.valid() || !sprite.valid()) {
    DeleteObject(mask_);
    DeleteObject(sprite_);
    mask_ = sprite_ = nullptr;
    return;
  }
  // Colour to monochrome: pixels of the source's background colour become 1.
  SetBkColor(source.dc(), toColorRef(key));
  BitBlt(mask.dc(), 0, 0, w, h, source.dc(), 0, 0, SRCCOPY);
  // The copy, then AND with the mask turned to colour (1 -> background black,
  // 0 -> text white): key pixels become black, the others stay.
  BitBlt(sprite.dc(), 0, 0, w, h, source.dc(), 0, 0, SRCCOPY);
  SetBkColor(sprite.dc(), kBlackRef);
  SetTextColor(sprite.dc(), kWhiteRef);
  BitBlt(sprite.dc(), 0, 0, w, h, mask.dc(), 0, 0, SRCAND);
  GdiFlush();
}

Win32Mask::~Win32Mask()
{
  if (mask_) DeleteObject(mask_);
  if (sprite_) DeleteObject(sprite_);
}

// ---- Win32Canvas ----

Win32Canvas::Win32Canvas(HDC dc, Ownership ownership, HWND window, HBITMAP bitmap)
    : dc_(dc), ownership_(ownership), window_(window), bitmap_(bitmap)
{
  if (bitmap_) previousBitmap_ = SelectObject(dc_, bitmap_);
  savedState_ = SaveDC(dc_);
  SetBkMode(dc_, TRANSPARENT);
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  SetPolyFillMode(dc_, WINDING);
  SetArcDirection(dc_, AD_COUNTERCLOCKWISE);
}

std::unique_ptr<Win32Canvas> Win32Canvas::borrowing(HDC dc)
{
  if (!dc) return nullptr;
  return std::unique_ptr<Win32Canvas>(new Win32Canvas(dc, Ownership::borrowed, nullptr, nullptr));
}

std::unique_ptr<Win32Canvas> Win32Canvas::onWindow(HWND window)
{
  if (!window || !IsWindow(window)) return nullptr;
  HDC dc = GetDC(window);
  if (!dc) return nullptr;
  return std::unique_ptr<Win32Canvas>(new Win32Canvas(dc, Ownership::windowDc, window, nullptr));
}

std::unique_ptr<Win32Canvas> Win32Canvas::offscreen(HWND window, int width, int height)
{
  width = std::max(width, 1);
  height = std::max(height, 1);
  // A memory context alone would make monochrome bitmaps: take the format
  // from the window's (or the screen's) context.
  HWND reference = window && IsWindow(window) ? window : nullptr;
  HDC referenceDc = GetDC(reference);
  HDC dc = referenceDc ? CreateCompatibleDC(referenceDc) : nullptr;
  HBITMAP bitmap = referenceDc ? CreateCompatibleBitmap(referenceDc, width, height) : nullptr;
  if (referenceDc) ReleaseDC(reference, referenceDc);
  if (!dc || !bitmap) {
    if (dc) DeleteDC(dc);
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  auto canvas = std::unique_ptr<Win32Canvas>(new Win32Canvas(dc, Ownership::memoryDc, nullptr, bitmap));
  PatBlt(dc, 0, 0, width, height, BLACKNESS);
  return canvas;
}

Win32Canvas::~Win32Canvas()
{
  RestoreDC(dc_, savedState_);
  if (font_) DeleteObject(font_);
  switch (ownership_) {
    case Ownership::borrowed: break;
    case Ownership::windowDc: ReleaseDC(window_, dc_); break;
    case Ownership::memoryDc:
      if (previousBitmap_) SelectObject(dc_, previousBitmap_);
      DeleteDC(dc_);
      break;
  }
  if (bitmap_) DeleteObject(bitmap_);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the toolkit's published order
void Win32Canvas::line(Point from, Point to, const PenSpec& pen)
{
  Selected selected(dc_, createPen(pen));
  if (!selected.ok()) return;
  MoveToEx(dc_, from.x, from.y, nullptr);
  LineTo(dc_, to.x, to.y);
}

void Win32Canvas::fillPolygon(const Point* points, int count, Colour colour)
{
  if (!points || count < 3) return;
  std::vector<POINT> corners(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) corners[std::size_t(i)] = {points[i].x, points[i].y};
  Selected brush(dc_, CreateSolidBrush(toColorRef(colour)));
  Selected pen(dc_, GetStockObject(NULL_PEN), false);
  if (!brush.ok()) return;
  Polygon(dc_, corners.data(), count);
}

void Win32Canvas::fillRect(const Rect& area, Colour colour)
{
  if (area.width() <= 0 || area.height() <= 0) return;
  HBRUSH brush = CreateSolidBrush(toColorRef(colour));
  if (!brush) return;
  const RECT r{area.left, area.top, area.right, area.bottom};
  ::FillRect(dc_, &r, brush);
  DeleteObject(brush);
}

void Win32Canvas::strokeEllipse(const Rect& box, const PenSpec& pen)
{
  if (box.width() <= 0 || box.height() <= 0) return;
  Selected selectedPen(dc_, createPen(pen));
  Selected brush(dc_, GetStockObject(NULL_BRUSH), false);
  if (!selectedPen.ok()) return;
  Ellipse(dc_, box.left, box.top, box.right, box.bottom);
}

// With no pen GDI fills a figure one pixel short of its box on the right and
// bottom; a one-pixel pen in the fill colour gives exactly the box.
void Win32Canvas::fillEllipse(const Rect& box, Colour colour)
{
  if (box.width() <= 0 || box.height() <= 0) return;
  Selected pen(dc_, CreatePen(PS_SOLID, 1, toColorRef(colour)));
  Selected brush(dc_, CreateSolidBrush(toColorRef(colour)));
  if (!pen.ok() || !brush.ok()) return;
  Ellipse(dc_, box.left, box.top, box.right, box.bottom);
}

void Win32Canvas::strokeArc(const Rect& box, Point start, Point end, const PenSpec& pen)
{
  if (box.width() <= 0 || box.height() <= 0) return;
  Selected selectedPen(dc_, createPen(pen));
  if (!selectedPen.ok()) return;
  Arc(dc_, box.left, box.top, box.right, box.bottom, start.x, start.y, end.x, end.y);
}

void Win32Canvas::fillPie(const Rect& box, Point start, Point end, Colour colour)
{
  if (box.width() <= 0 || box.height() <= 0) return;
  Selected pen(dc_, CreatePen(PS_SOLID, 1, toColorRef(colour)));
  Selected brush(dc_, CreateSolidBrush(toColorRef(colour)));
  if (!pen.ok() || !brush.ok()) return;
  Pie(dc_, box.left, box.top, box.right, box.bottom, start.x, start.y, end.x, end.y);
}

void Win32Canvas::setPixel(Point where, Colour colour) { SetPixel(dc_, where.x, where.y, toColorRef(colour)); }

Colour Win32Canvas::pixel(Point where) const
{
  const COLORREF c = GetPixel(dc_, where.x, where.y);
  if (c == CLR_INVALID) return kBlackColour;
  return {GetRValue(c), GetGValue(c), GetBValue(c), 0};
}

void Win32Canvas::selectFont(const FontSpec& font)
{
  const bool same = font_ && fontSpec_.sizePixels == font.sizePixels && fontSpec_.weight == font.weight &&
                    fontSpec_.family == font.family && fontSpec_.variablePitch == font.variablePitch &&
                    std::strcmp(fontSpec_.face ? fontSpec_.face : "", font.face ? font.face : "") == 0;
  if (same) return;
  HFONT made = createFontFor(font);
  if (!made) return;  // the previous font stays
  SelectObject(dc_, made);
  if (font_) DeleteObject(font_);
  font_ = made;
  fontSpec_ = font;
}

TextMetrics Win32Canvas::measureText(const std::string& text, const FontSpec& font)
{
  selectFont(font);
  TextMetrics m;
  TEXTMETRICA tm{};
  if (GetTextMetricsA(dc_, &tm)) {
    m.height = tm.tmHeight;
    m.ascent = tm.tmAscent;
  }
  SIZE size{};
  if (!text.empty() && GetTextExtentPoint32A(dc_, text.data(), int(text.size()), &size)) {
    m.width = size.cx;
  }
  return m;
}

void Win32Canvas::drawText(const std::string& text, Point origin, const FontSpec& font, Colour colour, const Rect& clip)
{
  if (text.empty() || clip.width() <= 0 || clip.height() <= 0) return;
  selectFont(font);
  SetTextColor(dc_, toColorRef(colour));
  const RECT r{clip.left, clip.top, clip.right, clip.bottom};
  ExtTextOutA(dc_, origin.x, origin.y, ETO_CLIPPED, &r, text.data(), UINT(text.size()), nullptr);
}

void Win32Canvas::copyFrom(Canvas& source, Point sourceOffset, const Rect& dest)
{
  auto* src = dynamic_cast<Win32Canvas*>(&source);
  if (!src || dest.width() <= 0 || dest.height() <= 0) return;
  BitBlt(dc_, dest.left, dest.top, dest.width(), dest.height(), src->dc_, sourceOffset.x, sourceOffset.y, SRCCOPY);
}

void Win32Canvas::drawImage(const BackendImage& image, const BackendMask* mask, Point sourceOffset, const Rect& dest)
{
  const auto* img = dynamic_cast<const Win32Image*>(&image);
  if (!img || !img->bitmap() || dest.width() <= 0 || dest.height() <= 0) return;
  // Only the part that lies inside the image is painted.
  const Span xs = clipSpan(sourceOffset.x, dest.width(), img->width());
  const Span ys = clipSpan(sourceOffset.y, dest.height(), img->height());
  if (xs.length <= 0 || ys.length <= 0) return;
  const int dx = dest.left + (xs.start - sourceOffset.x);
  const int dy = dest.top + (ys.start - sourceOffset.y);

  const auto* m = dynamic_cast<const Win32Mask*>(mask);
  if (!m || !m->valid()) {
    MemoryDc source(dc_, img->bitmap());
    if (!source.valid()) return;
    BitBlt(dc_, dx, dy, xs.length, ys.length, source.dc(), xs.start, ys.start, SRCCOPY);
    return;
  }
  // Composed in memory and copied once, so the screen never shows the
  // half-done picture: the destination ANDed with the mask keeps the
  // background where the key colour was, ORed with the key-cleared copy adds
  // the picture everywhere else.
  HBITMAP composedBitmap = createColourBitmap(xs.length, ys.length);
  if (!composedBitmap) return;
  {
    MemoryDc composed(dc_, composedBitmap);
    MemoryDc maskDc(dc_, m->mask());
    MemoryDc spriteDc(dc_, m->sprite());
    if (composed.valid() && maskDc.valid() && spriteDc.valid()) {
      BitBlt(composed.dc(), 0, 0, xs.length, ys.length, dc_, dx, dy, SRCCOPY);
      SetBkColor(composed.dc(), kWhiteRef);
      SetTextColor(composed.dc(), kBlackRef);
      BitBlt(composed.dc(), 0, 0, xs.length, ys.length, maskDc.dc(), xs.start, ys.start, SRCAND);
      BitBlt(composed.dc(), 0, 0, xs.length, ys.length, spriteDc.dc(), xs.start, ys.start, SRCPAINT);
      BitBlt(dc_, dx, dy, xs.length, ys.length, composed.dc(), 0, 0, SRCCOPY);
    }
  }
  DeleteObject(composedBitmap);
}
