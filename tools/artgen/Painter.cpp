#include "tools/artgen/Painter.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Liberation Sans has the metrics of Arial, the face the editor's own text uses.
constexpr const char* kFace = "Liberation Sans";

int channel(double value)
{
  const long scaled = std::lround(value * 255.0);
  return static_cast<int>(scaled < 0 ? 0 : (scaled > 255 ? 255 : scaled));
}

}  // namespace

Painter::Painter(int width, int height, bool withAlpha)
    : width_(width),
      height_(height),
      withAlpha_(withAlpha),
      surface_(cairo_image_surface_create(withAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height)),
      context_(cairo_create(surface_))
{
  // Crisp small labels: hinted outlines and metrics, greyscale smoothing.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(context_, options);
  cairo_font_options_destroy(options);
  if (withAlpha) {
    cairo_set_operator(context_, CAIRO_OPERATOR_CLEAR);
    cairo_paint(context_);
    cairo_set_operator(context_, CAIRO_OPERATOR_OVER);
  }
}

Painter::~Painter()
{
  cairo_destroy(context_);
  cairo_surface_destroy(surface_);
}

void Painter::fillRect(double x, double y, double w, double h, Colour colour, double alpha)
{
  cairo_set_source_rgba(context_, colour.red, colour.green, colour.blue, alpha);
  cairo_rectangle(context_, x, y, w, h);
  cairo_fill(context_);
}

void Painter::roundedRectPath(double x, double y, double w, double h, double radius)
{
  cairo_new_sub_path(context_);
  cairo_arc(context_, x + w - radius, y + radius, radius, -kPi / 2, 0);
  cairo_arc(context_, x + w - radius, y + h - radius, radius, 0, kPi / 2);
  cairo_arc(context_, x + radius, y + h - radius, radius, kPi / 2, kPi);
  cairo_arc(context_, x + radius, y + radius, radius, kPi, 3 * kPi / 2);
  cairo_close_path(context_);
}

void Painter::fillRounded(double x, double y, double w, double h, double radius, Colour colour, double alpha)
{
  roundedRectPath(x, y, w, h, radius);
  cairo_set_source_rgba(context_, colour.red, colour.green, colour.blue, alpha);
  cairo_fill(context_);
}

void Painter::strokeRounded(double x, double y, double w, double h, double radius, Colour colour, double lineWidth,
                            double alpha)
{
  roundedRectPath(x, y, w, h, radius);
  cairo_set_source_rgba(context_, colour.red, colour.green, colour.blue, alpha);
  cairo_set_line_width(context_, lineWidth);
  cairo_stroke(context_);
}

void Painter::line(double x0, double y0, double x1, double y1, Colour colour, double lineWidth, double alpha)
{
  cairo_set_source_rgba(context_, colour.red, colour.green, colour.blue, alpha);
  cairo_set_line_width(context_, lineWidth);
  cairo_move_to(context_, x0, y0);
  cairo_line_to(context_, x1, y1);
  cairo_stroke(context_);
}

void Painter::disc(double cx, double cy, double radius, Colour colour, double alpha)
{
  cairo_set_source_rgba(context_, colour.red, colour.green, colour.blue, alpha);
  cairo_arc(context_, cx, cy, radius, 0, 2 * kPi);
  cairo_fill(context_);
}

void Painter::selectFont(const TextStyle& style)
{
  cairo_select_font_face(context_, kFace, CAIRO_FONT_SLANT_NORMAL,
                         style.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(context_, style.size);
}

double Painter::textWidth(const std::string& text, const TextStyle& style)
{
  selectFont(style);
  cairo_text_extents_t extents;
  cairo_text_extents(context_, text.c_str(), &extents);
  const double gaps = text.empty() ? 0.0 : static_cast<double>(text.size() - 1);
  return extents.x_advance + gaps * style.tracking;
}

void Painter::text(const std::string& text, double x, double baseline, Align align, const TextStyle& style)
{
  const double width = textWidth(text, style);
  double left = x;
  if (align == Align::Centre) {
    left = x - width / 2.0;
  } else if (align == Align::Right) {
    left = x - width;
  }
  // Whole-pixel starts keep hinted glyphs sharp.
  left = std::round(left);
  selectFont(style);
  cairo_set_source_rgb(context_, style.colour.red, style.colour.green, style.colour.blue);
  if (style.tracking == 0.0) {
    cairo_move_to(context_, left, baseline);
    cairo_show_text(context_, text.c_str());
    return;
  }
  // Letter-spaced text is set one character at a time (ASCII only).
  double pen = left;
  for (char letter : text) {
    const char glyph[2] = {letter, '\0'};
    cairo_text_extents_t extents;
    cairo_text_extents(context_, glyph, &extents);
    cairo_move_to(context_, std::round(pen), baseline);
    cairo_show_text(context_, glyph);
    pen += extents.x_advance + style.tracking;
  }
}

void Painter::putRaster(const Raster& picture)
{
  cairo_surface_flush(surface_);
  unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < height_ && y < picture.height; ++y) {
    uint32_t* row = surfaceRow(data, stride, y);
    for (int x = 0; x < width_ && x < picture.width; ++x) {
      row[x] = 0xFF000000u | picture.at(x, y);
    }
  }
  cairo_surface_mark_dirty(surface_);
}

Raster Painter::raster(Colour under) const
{
  cairo_surface_flush(surface_);
  unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  Raster out;
  out.width = width_;
  out.height = height_;
  out.pixels.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
  for (int y = 0; y < height_; ++y) {
    const uint32_t* row = surfaceRow(data, stride, y);
    for (int x = 0; x < width_; ++x) {
      const uint32_t pixel = row[x];
      double red = ((pixel >> 16) & 0xFF) / 255.0;
      double green = ((pixel >> 8) & 0xFF) / 255.0;
      double blue = (pixel & 0xFF) / 255.0;
      if (withAlpha_) {
        // Cairo stores premultiplied colour: add what shows through.
        const double alpha = ((pixel >> 24) & 0xFF) / 255.0;
        red += (1.0 - alpha) * under.red;
        green += (1.0 - alpha) * under.green;
        blue += (1.0 - alpha) * under.blue;
      }
      out.at(x, y) = (static_cast<uint32_t>(channel(red)) << 16) | (static_cast<uint32_t>(channel(green)) << 8) |
                     static_cast<uint32_t>(channel(blue));
    }
  }
  return out;
}

int Painter::alphaAt(int x, int y) const
{
  if (!withAlpha_) {
    return 255;
  }
  cairo_surface_flush(surface_);
  unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  const uint32_t* row = surfaceRow(data, stride, y);
  return static_cast<int>((row[x] >> 24) & 0xFF);
}
