#include "tools/render/Spectrogram.h"

#include "dsp/Fft.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace {

constexpr int kWindowLength = 2048;
constexpr int kPanelWidth = 480;
constexpr int kPanelHeight = 300;
constexpr int kMargin = 36;
constexpr double kMaxHz = 5000.0;  // voices and their first formants live below this
constexpr double kFloorDb = -90.0;

// Magnitude in dB (0 dB = full-scale sine) of kPanelWidth evenly spaced,
// Hann-windowed frames; one column of kPanelHeight rows each, low rows first.
std::vector<float> spectrogramColumns(const std::vector<float>& signal, double sampleRate)
{
  Fft fft(kWindowLength);
  std::vector<float> window(kWindowLength), frame(kWindowLength), spectrum(kWindowLength);
  for (int i = 0; i < kWindowLength; ++i)
    window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kWindowLength));
  std::vector<float> columns(static_cast<size_t>(kPanelWidth) * kPanelHeight, static_cast<float>(kFloorDb));
  const double hop =
      signal.size() > kWindowLength ? static_cast<double>(signal.size() - kWindowLength) / (kPanelWidth - 1) : 0.0;
  const int half = kWindowLength / 2;
  for (int x = 0; x < kPanelWidth; ++x) {
    const auto start = static_cast<size_t>(x * hop);
    for (int i = 0; i < kWindowLength; ++i) {
      const size_t at = start + static_cast<size_t>(i);
      frame[i] = at < signal.size() ? signal[at] * window[i] : 0.0f;
    }
    fft.transform(spectrum.data(), frame.data());
    for (int y = 0; y < kPanelHeight; ++y) {
      const double hz = kMaxHz * (y + 0.5) / kPanelHeight;
      const int bin = std::clamp(static_cast<int>(std::lround(hz * kWindowLength / sampleRate)), 1, half - 1);
      const double re = spectrum[bin];
      const double im = spectrum[half + bin];
      // A full-scale sine gives |X| = N/4 under a Hann window.
      const double magnitude = std::sqrt(re * re + im * im) / (kWindowLength / 4.0);
      columns[static_cast<size_t>(x) * kPanelHeight + y] =
          static_cast<float>(std::max(kFloorDb, 20.0 * std::log10(magnitude + 1e-12)));
    }
  }
  return columns;
}

struct Rgb {
  double r, g, b;
};

// Dark blue through magenta to yellow: quiet parts recede, loud ones stand out.
Rgb heatColour(double level)
{
  level = std::clamp(level, 0.0, 1.0);
  return {std::clamp(1.6 * level, 0.0, 1.0), std::clamp(1.8 * level - 0.8, 0.0, 1.0),
          std::clamp(0.35 + 0.9 * level - 1.6 * level * level, 0.0, 1.0)};
}

void drawPanel(cairo_t* cr, const std::vector<float>& signal, double sampleRate, int left, const char* title)
{
  const std::vector<float> columns = spectrogramColumns(signal, sampleRate);
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPanelWidth, kPanelHeight);
  unsigned char* pixels = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  cairo_surface_flush(image);
  for (int x = 0; x < kPanelWidth; ++x) {
    for (int y = 0; y < kPanelHeight; ++y) {
      const Rgb c = heatColour((columns[static_cast<size_t>(x) * kPanelHeight + y] - kFloorDb) / -kFloorDb);
      const auto row = static_cast<std::ptrdiff_t>(kPanelHeight - 1 - y) * stride;
      auto* pixel = reinterpret_cast<uint32_t*>(pixels + row) + x;
      *pixel = (static_cast<uint32_t>(c.r * 255) << 16) | (static_cast<uint32_t>(c.g * 255) << 8) |
               static_cast<uint32_t>(c.b * 255);
    }
  }
  cairo_surface_mark_dirty(image);
  cairo_set_source_surface(cr, image, left, kMargin);
  cairo_paint(cr);
  cairo_surface_destroy(image);

  cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 14);
  cairo_move_to(cr, left, kMargin - 12);
  cairo_show_text(cr, title);
  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 10);
  for (int hz = 0; hz <= static_cast<int>(kMaxHz); hz += 1000) {
    const double y = kMargin + kPanelHeight - kPanelHeight * hz / kMaxHz;
    cairo_move_to(cr, left - 30, y + 3);
    cairo_show_text(cr, (std::to_string(hz / 1000) + "k").c_str());
  }
}

}  // namespace

bool writeSpectrogramPng(const std::string& path, const std::vector<float>& input, const std::vector<float>& output,
                         double sampleRate, std::string& error)
{
  const int width = 2 * kPanelWidth + 3 * kMargin;
  const int height = kPanelHeight + 2 * kMargin;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.08, 0.08, 0.1);
  cairo_paint(cr);
  drawPanel(cr, input, sampleRate, kMargin, "Input");
  drawPanel(cr, output, sampleRate, 2 * kMargin + kPanelWidth, "Brasklin output");
  cairo_set_source_rgb(cr, 0.7, 0.7, 0.7);
  cairo_set_font_size(cr, 10);
  cairo_move_to(cr, kMargin, height - 12);
  const double seconds = static_cast<double>(std::max(input.size(), output.size())) / sampleRate;
  cairo_show_text(cr, ("time 0 .. " + std::to_string(seconds).substr(0, 5) + " s, frequency 0 .. 5 kHz").c_str());
  cairo_destroy(cr);
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = "cannot write spectrogram " + path + ": " + cairo_status_to_string(status);
    return false;
  }
  return true;
}
