#include "platform/headless/CairoCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#if BRASKLIN_HAVE_EMBEDDED_BITMAPS
#include "gui/BmpImage.h"
#include "resources/EmbeddedResources.h"
#endif

namespace {

void setColour(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0); }

// Text must come out identical on every surface, whatever the X server's
// defaults are, so the options are always set explicitly.
void applyFontOptions(cairo_t* cr)
{
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

Rect unite(const Rect& a, const Rect& b)
{
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

double angleOf(double cx, double cy, double rx, double ry, Point p)
{
  return std::atan2((p.y - cy) / ry, (p.x - cx) / rx);
}

}  // namespace

// ---- CairoImage / CairoMask ----

CairoImage::CairoImage(cairo_surface_t* surface) : surface_(surface) {}
CairoImage::~CairoImage() { cairo_surface_destroy(surface_); }
int CairoImage::width() const { return cairo_image_surface_get_width(surface_); }
int CairoImage::height() const { return cairo_image_surface_get_height(surface_); }

CairoMask::CairoMask(const CairoImage& image, Colour key)
{
  const int w = image.width();
  const int h = image.height();
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, std::max(w, 1), std::max(h, 1));
  cairo_surface_flush(image.surface());
  cairo_surface_flush(surface_);
  const unsigned char* src = cairo_image_surface_get_data(image.surface());
  const int srcStride = cairo_image_surface_get_stride(image.surface());
  unsigned char* dst = cairo_image_surface_get_data(surface_);
  const int dstStride = cairo_image_surface_get_stride(surface_);
  const uint32_t keyRgb = key.toRgb();
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(src + std::ptrdiff_t(y) * srcStride);
    for (int x = 0; x < w; ++x) {
      dst[std::ptrdiff_t(y) * dstStride + x] = (row[x] & 0xFFFFFFu) == keyRgb ? 0 : 255;
    }
  }
  cairo_surface_mark_dirty(surface_);
}
CairoMask::~CairoMask() { cairo_surface_destroy(surface_); }

// ---- helpers ----

cairo_surface_t* createRgbSurface(int width, int height)
{
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1));
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  return s;
}

std::unique_ptr<CairoImage> makeCairoImage(int width, int height, const std::vector<uint32_t>& pixels)
{
  if (width <= 0 || height <= 0) return nullptr;
  if (pixels.size() != std::size_t(width) * std::size_t(height)) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + std::ptrdiff_t(y) * stride);
    for (int x = 0; x < width; ++x) row[x] = pixels[std::size_t(y) * width + x] & 0xFFFFFFu;
  }
  cairo_surface_mark_dirty(s);
  return std::make_unique<CairoImage>(s);
}

std::unique_ptr<CairoImage> loadEmbeddedCairoImage(int resourceId)
{
#if BRASKLIN_HAVE_EMBEDDED_BITMAPS
  const EmbeddedBitmap* entry = findEmbeddedBitmap(resourceId);
  if (!entry || !entry->bytes) return nullptr;
  std::optional<BmpImage> decoded = decodeBmp(entry->bytes, entry->size);
  if (!decoded) return nullptr;
  return makeCairoImage(decoded->width, decoded->height, decoded->pixels);
#else
  (void)resourceId;
  return nullptr;
#endif
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the argument order is the toolkit's published one
void CairoBitmapStore::add(int resourceId, int width, int height, const std::vector<uint32_t>& pixels)
{
  if (width <= 0 || height <= 0 || pixels.size() != std::size_t(width) * std::size_t(height)) return;
  for (std::size_t i = 0; i < registered_.size(); ++i) {
    if (registered_[i].first == resourceId) {
      registered_[i].second = pixels;
      sizes_[i] = {width, height};
      return;
    }
  }
  registered_.emplace_back(resourceId, pixels);
  sizes_.emplace_back(width, height);
}

void CairoBitmapStore::hide(int resourceId) { hidden_.push_back(resourceId); }

std::unique_ptr<CairoImage> CairoBitmapStore::load(int resourceId) const
{
  if (std::find(hidden_.begin(), hidden_.end(), resourceId) != hidden_.end()) return nullptr;
  for (std::size_t i = 0; i < registered_.size(); ++i) {
    if (registered_[i].first == resourceId) {
      return makeCairoImage(sizes_[i].first, sizes_[i].second, registered_[i].second);
    }
  }
  return loadEmbeddedCairoImage(resourceId);
}

Colour surfacePixel(cairo_surface_t* surface, Point where)
{
  const int w = cairo_image_surface_get_width(surface);
  const int h = cairo_image_surface_get_height(surface);
  if (where.x < 0 || where.y < 0 || where.x >= w || where.y >= h) return kBlackColour;
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const auto* row = reinterpret_cast<const uint32_t*>(data + std::ptrdiff_t(where.y) * stride);
  return Colour::fromRgb(row[where.x]);
}

// ---- CairoCanvas ----

CairoCanvas::CairoCanvas(cairo_surface_t* surface)
    : surface_(cairo_surface_reference(surface)), cr_(cairo_create(surface))
{
  // Shapes are drawn with hard edges, as the Windows graphics calls draw them;
  // only text is smoothed (its own font options).
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  applyFontOptions(cr_);
}

CairoCanvas::~CairoCanvas()
{
  cairo_destroy(cr_);
  cairo_surface_flush(surface_);
  cairo_surface_destroy(surface_);
}

void CairoCanvas::markDirty(const Rect& area)
{
  if (area.width() <= 0 || area.height() <= 0) return;
  dirty_ = hasDirty_ ? unite(dirty_, area) : area;
  hasDirty_ = true;
}

Rect CairoCanvas::takeDirtyArea()
{
  Rect r = hasDirty_ ? dirty_ : Rect{};
  hasDirty_ = false;
  return r;
}

void CairoCanvas::line(Point from, Point to, const PenSpec& pen)
{
  if (pen.width <= 1) {
    // One-pixel pens step pixel by pixel (Bresenham) so that the end-point
    // rule and the dotted pattern are exact.
    int x = from.x, y = from.y;
    const int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    bool on = true;
    setColour(cr_, pen.colour);
    while (!(x == to.x && y == to.y)) {
      if (on) cairo_rectangle(cr_, x, y, 1, 1);
      if (pen.style == LineStyle::dotted) on = !on;
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y += sy;
      }
    }
    cairo_fill(cr_);
  } else {
    setColour(cr_, pen.colour);
    cairo_set_line_width(cr_, pen.width);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    if (pen.style == LineStyle::dotted) {
      const double dash = pen.width;
      cairo_set_dash(cr_, &dash, 1, 0);
    }
    cairo_move_to(cr_, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr_, to.x + 0.5, to.y + 0.5);
    cairo_stroke(cr_);
    cairo_set_dash(cr_, nullptr, 0, 0);
  }
  const int grow = pen.width / 2 + 1;
  markDirty({std::min(from.x, to.x) - grow, std::min(from.y, to.y) - grow, std::max(from.x, to.x) + grow,
             std::max(from.y, to.y) + grow});
}

void CairoCanvas::fillPolygon(const Point* points, int count, Colour colour)
{
  if (!points || count < 3) return;
  setColour(cr_, colour);
  Rect bounds{points[0].x, points[0].y, points[0].x, points[0].y};
  cairo_move_to(cr_, points[0].x, points[0].y);
  for (int i = 1; i < count; ++i) {
    cairo_line_to(cr_, points[i].x, points[i].y);
    bounds = unite(bounds, {points[i].x, points[i].y, points[i].x, points[i].y});
  }
  cairo_close_path(cr_);
  cairo_fill(cr_);
  markDirty({bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1});
}

void CairoCanvas::fillRect(const Rect& area, Colour colour)
{
  if (area.width() <= 0 || area.height() <= 0) return;
  setColour(cr_, colour);
  cairo_rectangle(cr_, area.left, area.top, area.width(), area.height());
  cairo_fill(cr_);
  markDirty(area);
}

void CairoCanvas::strokeEllipse(const Rect& box, const PenSpec& pen)
{
  if (box.width() <= 0 || box.height() <= 0) return;
  // The pen runs through the centres of the outermost pixels.
  const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
  const double rx = std::max(box.width() / 2.0 - 0.5, 0.01);
  const double ry = std::max(box.height() / 2.0 - 0.5, 0.01);
  cairo_save(cr_);
  cairo_translate(cr_, cx, cy);
  cairo_scale(cr_, rx, ry);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr_);
  setColour(cr_, pen.colour);
  cairo_set_line_width(cr_, std::max(pen.width, 1));
  cairo_stroke(cr_);
  markDirty(box);
}

void CairoCanvas::fillEllipse(const Rect& box, Colour colour)
{
  if (box.width() <= 0 || box.height() <= 0) return;
  cairo_save(cr_);
  cairo_translate(cr_, (box.left + box.right) / 2.0, (box.top + box.bottom) / 2.0);
  cairo_scale(cr_, box.width() / 2.0, box.height() / 2.0);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr_);
  setColour(cr_, colour);
  cairo_fill(cr_);
  markDirty(box);
}

void CairoCanvas::arcPath(const Rect& box, Point start, Point end)
{
  const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
  const double rx = std::max(box.width() / 2.0 - 0.5, 0.01);
  const double ry = std::max(box.height() / 2.0 - 0.5, 0.01);
  const double a0 = angleOf(cx, cy, rx, ry, start);
  double a1 = angleOf(cx, cy, rx, ry, end);
  // Screen y grows downwards, so decreasing angles run anticlockwise on screen.
  // Equal rays mean the whole ellipse, as on Windows.
  if (a1 >= a0) a1 -= 2 * M_PI;
  cairo_save(cr_);
  cairo_translate(cr_, cx, cy);
  cairo_scale(cr_, rx, ry);
  cairo_arc_negative(cr_, 0, 0, 1, a0, a1);
  cairo_restore(cr_);
}

void CairoCanvas::strokeArc(const Rect& box, Point start, Point end, const PenSpec& pen)
{
  if (box.width() <= 0 || box.height() <= 0) return;
  cairo_new_path(cr_);
  arcPath(box, start, end);
  setColour(cr_, pen.colour);
  cairo_set_line_width(cr_, std::max(pen.width, 1));
  cairo_stroke(cr_);
  markDirty(box);
}

void CairoCanvas::fillPie(const Rect& box, Point start, Point end, Colour colour)
{
  if (box.width() <= 0 || box.height() <= 0) return;
  cairo_new_path(cr_);
  cairo_move_to(cr_, (box.left + box.right) / 2.0, (box.top + box.bottom) / 2.0);
  arcPath(box, start, end);
  cairo_close_path(cr_);
  setColour(cr_, colour);
  cairo_fill(cr_);
  markDirty(box);
}

void CairoCanvas::setPixel(Point where, Colour colour)
{
  setColour(cr_, colour);
  cairo_rectangle(cr_, where.x, where.y, 1, 1);
  cairo_fill(cr_);
  markDirty({where.x, where.y, where.x + 1, where.y + 1});
}

Colour CairoCanvas::pixel(Point where) const { return surfacePixel(surface_, where); }

void CairoCanvas::selectFont(const FontSpec& font)
{
  cairo_select_font_face(cr_, font.face ? font.face : "Arial", CAIRO_FONT_SLANT_NORMAL,
                         font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr_, std::max(font.sizePixels, 1));
}

TextMetrics CairoCanvas::measureText(const std::string& text, const FontSpec& font)
{
  selectFont(font);
  cairo_font_extents_t fe;
  cairo_font_extents(cr_, &fe);
  cairo_text_extents_t te;
  cairo_text_extents(cr_, text.c_str(), &te);
  TextMetrics m;
  m.width = int(std::lround(te.x_advance));
  m.ascent = int(std::lround(fe.ascent));
  m.height = int(std::lround(fe.ascent + fe.descent));
  return m;
}

void CairoCanvas::drawText(const std::string& text, Point origin, const FontSpec& font, Colour colour, const Rect& clip)
{
  if (text.empty() || clip.width() <= 0 || clip.height() <= 0) return;
  const TextMetrics m = measureText(text, font);
  cairo_save(cr_);
  cairo_rectangle(cr_, clip.left, clip.top, clip.width(), clip.height());
  cairo_clip(cr_);
  setColour(cr_, colour);
  cairo_move_to(cr_, origin.x, origin.y + m.ascent);
  cairo_show_text(cr_, text.c_str());
  cairo_restore(cr_);
  cairo_new_path(cr_);
  markDirty(clip);
}

void CairoCanvas::copyFrom(Canvas& source, Point sourceOffset, const Rect& dest)
{
  auto* src = dynamic_cast<CairoCanvas*>(&source);
  if (!src || dest.width() <= 0 || dest.height() <= 0) return;
  cairo_surface_flush(src->surface_);
  cairo_save(cr_);
  cairo_rectangle(cr_, dest.left, dest.top, dest.width(), dest.height());
  cairo_clip(cr_);
  cairo_set_source_surface(cr_, src->surface_, dest.left - sourceOffset.x, dest.top - sourceOffset.y);
  cairo_paint(cr_);
  cairo_restore(cr_);
  markDirty(dest);
}

void CairoCanvas::drawImage(const BackendImage& image, const BackendMask* mask, Point sourceOffset, const Rect& dest)
{
  const auto* img = dynamic_cast<const CairoImage*>(&image);
  if (!img || dest.width() <= 0 || dest.height() <= 0) return;
  const double ox = dest.left - sourceOffset.x, oy = dest.top - sourceOffset.y;
  cairo_save(cr_);
  cairo_rectangle(cr_, dest.left, dest.top, dest.width(), dest.height());
  cairo_clip(cr_);
  cairo_set_source_surface(cr_, img->surface(), ox, oy);
  const auto* m = dynamic_cast<const CairoMask*>(mask);
  if (m) {
    cairo_mask_surface(cr_, m->surface(), ox, oy);
  } else {
    cairo_paint(cr_);
  }
  cairo_restore(cr_);
  markDirty(dest);
}
