#include "tools/artgen/Mockup.h"

#include "gui/BmpImage.h"
#include "editor/EditorLayout.h"
#include "effect/ParameterTable.h"
#include "tools/artgen/Painter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace {

using layout::Box;

constexpr uint32_t kTransparentKey = 0xFFFFFF;

std::optional<BmpImage> load(const std::string& folder, int id)
{
  const std::string path = folder + "/bmp" + std::to_string(id) + ".bmp";
  std::ifstream file(path, std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  auto image = decodeBmp(bytes.data(), bytes.size());
  if (!image) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
  }
  return image;
}

class Canvas {
public:
  Canvas() : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout::kWindowWidth, layout::kWindowHeight)) {}
  ~Canvas() { cairo_surface_destroy(surface_); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  struct Part {
    int sourceTop;  // first row of the image to copy
    int rows;
    int columns = -1;  // from the left; -1: the whole width
  };

  // Copies rows of the image, full width, to the window point (x, y);
  // `keyed` leaves the canvas alone where the image is pure white.
  void blit(const BmpImage& image, Box at, Part part, bool keyed)
  {
    const int x = at.left;
    const int y = at.top;
    const int sourceX = 0;
    const int sourceY = part.sourceTop;
    const int w = part.columns < 0 ? image.width : part.columns;
    const int h = part.rows;
    cairo_surface_flush(surface_);
    unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int row = 0; row < h; ++row) {
      for (int col = 0; col < w; ++col) {
        const int tx = x + col;
        const int ty = y + row;
        const int sx = sourceX + col;
        const int sy = sourceY + row;
        if (tx < 0 || ty < 0 || tx >= layout::kWindowWidth || ty >= layout::kWindowHeight || sx >= image.width ||
            sy >= image.height) {
          continue;
        }
        const uint32_t pixel = image.pixels[static_cast<std::size_t>(sy) * static_cast<std::size_t>(image.width) +
                                            static_cast<std::size_t>(sx)];
        if (keyed && pixel == kTransparentKey) {
          continue;
        }
        surfaceRow(data, stride, ty)[tx] = 0xFF000000u | pixel;
      }
    }
    cairo_surface_mark_dirty(surface_);
  }

  // The editor's text boxes: white 12-pixel Arial centred on black.
  void textBox(const Box& box, const char* text)
  {
    cairo_t* cr = cairo_create(surface_);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, box.left, box.top, box.width() + 1, box.height() + 1);
    cairo_fill(cr);
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, static_cast<int>(box.centreX() - extents.x_advance / 2), static_cast<int>(box.centreY() + 4.5));
    cairo_show_text(cr, text);
    cairo_destroy(cr);
  }

  // A value bar's text: light 11-pixel Arial centred on the bar.
  void barText(const Box& box, const char* text)
  {
    cairo_t* cr = cairo_create(surface_);
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.96);
    cairo_move_to(cr, static_cast<int>(box.centreX() - extents.x_advance / 2), static_cast<int>(box.centreY() + 4.0));
    cairo_show_text(cr, text);
    cairo_destroy(cr);
  }

  bool save(const std::string& path)
  {
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
  }

private:
  cairo_surface_t* surface_;
};

// The image a four-position switch shows for a value: the first i with
// i/3 > value picks image i - 1, otherwise the last image.
int switchImage(double value)
{
  for (int i = 1; i < layout::kPositions; ++i) {
    if (i / 3.0 > value) {
      return i - 1;
    }
  }
  return layout::kPositions - 1;
}

}  // namespace

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): from, then to, as the command line gives them
bool writeMockup(const std::string& bitmapFolder, const std::string& pngPath)
{
  auto background = load(bitmapFolder, layout::kBackgroundBitmap);
  auto track = load(bitmapFolder, layout::kSliderTrackBitmap);
  auto handle = load(bitmapFolder, layout::kSliderHandleBitmap);
  auto button = load(bitmapFolder, layout::kOnOffButtonBitmap);
  auto filterType = load(bitmapFolder, layout::kFilterTypeBitmap);
  auto fftLength = load(bitmapFolder, layout::kFftLengthBitmap);
  auto bar = load(bitmapFolder, layout::kValueBarBitmap);
  std::vector<std::optional<BmpImage>> stages;
  for (int id = layout::kFirstStageBitmap; id < layout::kFirstStageBitmap + layout::kStageSlots; ++id) {
    stages.push_back(load(bitmapFolder, id));
  }
  if (!background || !track || !handle || !button || !filterType || !fftLength || !bar) {
    return false;
  }
  for (const auto& stage : stages) {
    if (!stage) {
      return false;
    }
  }

  Canvas canvas;
  canvas.blit(*background, Box{0, 0, 0, 0}, {0, background->height}, false);

  // A value for every control, away from the defaults so that the mock-up
  // shows each picture in use.
  struct ValueOf {
    int32_t tag;
    double value;
  };
  const ValueOf values[] = {
      {0, 0.0},       {4, 0.5},       {6, 0.72}, {7, 0.35},       {8, 0.25},        {9, 0.07},
      {10, 1.0},      {12, 0.15},     {13, 0.5}, {2, 1.0},        {3, 0.0},         {18, 1.0},
      {1, 1.0 / 3.0}, {5, 2.0 / 3.0}, {14, 0.0}, {15, 1.0 / 3.0}, {16, 2.0 / 3.0},  {17, 1.0},
      {19, 0.5},      {20, 0.4},      {21, 0.3}, {22, 2.0 / 6.0}, {23, 9.0 / 11.0},
  };
  // What the bars write for those values (the parameters' display texts).
  const auto barText = [](int32_t tag) {
    switch (tag) {
      case 19: return "0.500";
      case 20: return "-56.0 dB";
      case 21: return "90 ms";
      case 22: return "Major";
      default: return "A";
    }
  };
  const auto valueOf = [&](int32_t tag) {
    for (const ValueOf& v : values) {
      if (v.tag == tag) {
        return v.value;
      }
    }
    return 0.0;
  };
  const auto bitmap = [&](int32_t id) -> const BmpImage& {
    switch (id) {
      case layout::kSliderTrackBitmap: return *track;
      case layout::kOnOffButtonBitmap: return *button;
      case layout::kFilterTypeBitmap: return *filterType;
      case layout::kFftLengthBitmap: return *fftLength;
      default: return *stages[static_cast<std::size_t>(id - layout::kFirstStageBitmap)];
    }
  };

  for (const layout::Control& control : layout::kControls) {
    const double value = valueOf(control.tag);
    switch (control.kind) {
      case layout::Kind::slider: {
        canvas.blit(*track, control.rect, {0, track->height}, false);
        const int handleTop = static_cast<int>((1.0 - value) * layout::kHandleTravel);
        const Box handleAt{control.rect.left, control.rect.top + handleTop, 0, 0};
        canvas.blit(*handle, handleAt, {0, handle->height}, true);
        break;
      }
      case layout::Kind::onOffButton:
        canvas.blit(*button, control.rect, {value != 0.0 ? control.imageHeight : 0, control.imageHeight}, false);
        break;
      case layout::Kind::verticalSwitch:
        canvas.blit(bitmap(control.bitmap), control.rect,
                    {switchImage(value) * control.imageHeight, control.imageHeight}, false);
        break;
      case layout::Kind::textBox:
        canvas.textBox(control.rect, control.tag == layout::kWaveShapeBoxTag ? "Sine" : "0.350");
        break;
      case layout::Kind::valueBar: {
        // Lit to the value, or the zone of a switch's position, as the
        // panel draws it.
        const int positions = parameterInfo(control.tag).positions;
        canvas.blit(*bar, control.rect, {0, control.imageHeight}, false);
        const int width = control.imageWidth;
        int from = 0;
        int to = static_cast<int>(std::lround(value * width));
        if (positions > 0) {
          const int position = static_cast<int>(std::lround(value * (positions - 1)));
          from = position * width / positions;
          to = (position + 1) * width / positions;
        }
        // The lit image's columns from..to, by blitting a shifted copy.
        BmpImage lit = *bar;
        for (int y = 0; y < bar->height; ++y)
          for (int x = 0; x < width; ++x)
            lit.pixels[static_cast<std::size_t>(y) * std::size_t(width) + std::size_t(x)] =
                bar->pixels[static_cast<std::size_t>(y) * std::size_t(width) +
                            std::size_t(std::min(x + from, width - 1))];
        canvas.blit(lit, Box{control.rect.left + from, control.rect.top, 0, 0},
                    {control.imageHeight, control.imageHeight, to - from}, false);
        canvas.barText(control.rect, barText(control.tag));
        break;
      }
    }
  }
  return canvas.save(pngPath);
}
