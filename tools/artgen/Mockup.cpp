#include "tools/artgen/Mockup.h"

#include "gui/BmpImage.h"
#include "editor/EditorLayout.h"
#include "tools/artgen/Painter.h"

#include <cairo.h>

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
  };

  // Copies rows of the image, full width, to the window point (x, y);
  // `keyed` leaves the canvas alone where the image is pure white.
  void blit(const BmpImage& image, Box at, Part part, bool keyed)
  {
    const int x = at.left;
    const int y = at.top;
    const int sourceX = 0;
    const int sourceY = part.sourceTop;
    const int w = image.width;
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

bool writeMockup(const std::string& bitmapFolder, const std::string& pngPath)
{
  auto background = load(bitmapFolder, layout::kBackgroundBitmap);
  auto track = load(bitmapFolder, layout::kSliderTrackBitmap);
  auto handle = load(bitmapFolder, layout::kSliderHandleBitmap);
  auto button = load(bitmapFolder, layout::kOnOffButtonBitmap);
  auto filterType = load(bitmapFolder, layout::kFilterTypeBitmap);
  auto fftLength = load(bitmapFolder, layout::kFftLengthBitmap);
  std::vector<std::optional<BmpImage>> stages;
  for (int id = layout::kFirstStageBitmap; id < layout::kFirstStageBitmap + layout::kStageSlots; ++id) {
    stages.push_back(load(bitmapFolder, id));
  }
  if (!background || !track || !handle || !button || !filterType || !fftLength) {
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
      {0, 0.0},       {4, 0.5},       {6, 0.72}, {7, 0.35},       {8, 0.25},       {9, 0.07},
      {10, 1.0},      {12, 0.15},     {13, 0.5}, {2, 1.0},        {3, 0.0},        {18, 1.0},
      {1, 1.0 / 3.0}, {5, 2.0 / 3.0}, {14, 0.0}, {15, 1.0 / 3.0}, {16, 2.0 / 3.0}, {17, 1.0},
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
    }
  }
  return canvas.save(pngPath);
}
