#include "tools/artgen/Artwork.h"

#include "editor/EditorLayout.h"

#include <cmath>
#include <cstdint>
#include <random>

namespace {

using layout::Box;

// The palette of the whole unit: a dark graphite chassis, flat raised
// section plates, light grey legends and one amber accent for everything
// that is "lit".
constexpr Colour kChassis = rgb(0x26, 0x28, 0x2c);
constexpr Colour kHeader = rgb(0x16, 0x17, 0x1a);
constexpr Colour kPlate = rgb(0x34, 0x37, 0x3d);
constexpr Colour kPlateShadow = rgb(0x15, 0x16, 0x18);
constexpr Colour kPlateLight = rgb(0x4c, 0x50, 0x58);
constexpr Colour kRecess = rgb(0x19, 0x1a, 0x1d);
constexpr Colour kWindow = rgb(0x0f, 0x10, 0x12);
constexpr Colour kAmber = rgb(0xff, 0xa4, 0x2c);
constexpr Colour kAmberDark = rgb(0x4a, 0x33, 0x17);
constexpr Colour kLegend = rgb(0xe2, 0xe4, 0xe8);
constexpr Colour kDimLegend = rgb(0x8e, 0x93, 0x9b);
constexpr Colour kTick = rgb(0x86, 0x8b, 0x93);
constexpr Colour kTickMajor = rgb(0xb4, 0xb8, 0xbf);
constexpr Colour kOffWhite = rgb(250, 250, 250);  // never pure white: that is see-through

constexpr uint32_t kTransparentKey = 0xFFFFFF;

// Every random choice comes from one fixed seed, so re-running the generator
// reproduces the committed files bit for bit.
constexpr uint32_t kTextureSeed = 0x0B2A5C1u;

uint32_t packed(Colour colour)
{
  auto byte = [](double v) { return static_cast<uint32_t>(std::lround(v * 255.0)); };
  return (byte(colour.red) << 16) | (byte(colour.green) << 8) | byte(colour.blue);
}

TextStyle legend(double size = 10.0)
{
  TextStyle style;
  style.size = size;
  style.colour = kLegend;
  return style;
}

TextStyle sectionTitle()
{
  TextStyle style;
  style.size = 9.0;
  style.bold = true;
  style.colour = kAmber;
  style.tracking = 1.5;
  return style;
}

TextStyle dimNote(double size = 9.0)
{
  TextStyle style;
  style.size = size;
  style.colour = kDimLegend;
  return style;
}

// Brushed metal: fine horizontal streaks made from noise smeared along rows.
Raster brushedChassis(int width, int height)
{
  std::mt19937 random(kTextureSeed);
  Raster out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  constexpr int kSmear = 9;
  std::vector<double> noise(static_cast<std::size_t>(width + kSmear + kSmear));
  for (int y = 0; y < height; ++y) {
    const double rowShade = static_cast<double>(random() % 5) - 2.0;
    for (double& n : noise) {
      n = static_cast<double>(random() % 1000) / 1000.0 - 0.5;
    }
    for (int x = 0; x < width; ++x) {
      double sum = 0.0;
      for (int k = 0; k <= 2 * kSmear; ++k) {
        sum += noise[static_cast<std::size_t>(x) + static_cast<std::size_t>(k)];
      }
      const double shade = rowShade + sum * 2.4;
      auto level = [&](double base) {
        const long v = std::lround(base * 255.0 + shade);
        return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
      };
      out.at(x, y) = (level(kChassis.red) << 16) | (level(kChassis.green) << 8) | level(kChassis.blue);
    }
  }
  return out;
}

// A raised plate with a soft drop edge, the housing of one section.
void plate(Painter& p, const Box& box)
{
  const double x = box.left;
  const double y = box.top;
  const double w = box.width();
  const double h = box.height();
  p.fillRounded(x, y + 1, w, h, 5, kPlateShadow, 0.9);
  p.fillRounded(x, y, w, h, 5, kPlate);
  p.strokeRounded(x + 0.5, y + 0.5, w - 1, h - 1, 4.5, kPlateShadow, 1.0, 0.8);
  p.line(x + 5, y + 1.5, x + w - 5, y + 1.5, kPlateLight, 1.0, 0.9);
}

// Section name in the plate's top left, with a hairline running to the right.
void titled(Painter& p, const Box& box, const std::string& title, double baseline)
{
  TextStyle style = sectionTitle();
  const double left = box.left + 9;
  p.text(title, left, baseline, Align::Left, style);
  const double end = left + p.textWidth(title, style) + 6;
  p.line(end, baseline - 3.5, box.right - 9, baseline - 3.5, kAmber, 1.0, 0.35);
}

// Small grey heading for a group inside a section, centred over [left, right].
void subHeading(Painter& p, double left, double right, double baseline, const std::string& text)
{
  TextStyle style = dimNote(8.0);
  style.bold = true;
  style.tracking = 1.2;
  const double width = p.textWidth(text, style);
  const double centre = (left + right) / 2.0;
  p.text(text, centre, baseline, Align::Centre, style);
  p.line(left, baseline - 3.5, centre - width / 2 - 5, baseline - 3.5, kDimLegend, 1.0, 0.5);
  p.line(centre + width / 2 + 5, baseline - 3.5, right, baseline - 3.5, kDimLegend, 1.0, 0.5);
}

// The sunken frame the editor's black text boxes sit in.
void displayWell(Painter& p, const Box& box)
{
  p.fillRect(box.left - 2, box.top - 2, box.width() + 5, box.height() + 5, kRecess);
  p.line(box.left - 2, box.bottom + 3.5, box.right + 3, box.bottom + 3.5, kPlateLight, 1.0);
  p.fillRect(box.left, box.top, box.width() + 1, box.height() + 1, kWindow);
}

// A control's legend where the layout puts it: one or two centred lines.
void drawLegend(Painter& p, const layout::Control& control)
{
  const layout::Legend& l = control.legend;
  if (l.rightX > 0.0) {
    p.text(l.upper, l.rightX, l.upperBaseline, Align::Right, legend());
    return;
  }
  p.text(l.upper, l.centreX, l.upperBaseline, Align::Centre, legend());
  if (l.lower != nullptr) {
    p.text(l.lower, l.centreX, l.lowerBaseline, Align::Centre, legend());
  }
}

// A stylised cycle of a wave shape: the oscillator's badge.
struct Span {
  double left;
  double right;
};

void waveBadge(Painter& p, Span span, double centreY, double amplitude)
{
  const double left = span.left;
  const double right = span.right;
  cairo_t* cr = p.cr();
  constexpr double kTwoPi = 6.283185307179586;
  const int steps = 96;
  for (int pass = 0; pass < 2; ++pass) {
    cairo_new_path(cr);
    for (int i = 0; i <= steps; ++i) {
      const double t = static_cast<double>(i) / steps;
      const double phase = t * 2.0;  // two cycles
      // A sine that hardens into a square over the second cycle.
      const double s = std::sin(kTwoPi * phase);
      const double hardness = phase < 1.0 ? 1.0 : 1.0 + 6.0 * (phase - 1.0);
      const double v = std::tanh(hardness * s) / std::tanh(hardness);
      const double x = left + t * (right - left);
      const double y = centreY - v * amplitude;
      if (i == 0) {
        cairo_move_to(cr, x, y);
      } else {
        cairo_line_to(cr, x, y);
      }
    }
    if (pass == 0) {
      cairo_set_source_rgba(cr, kAmber.red, kAmber.green, kAmber.blue, 0.18);
      cairo_set_line_width(cr, 4.0);
    } else {
      cairo_set_source_rgba(cr, kAmber.red, kAmber.green, kAmber.blue, 0.85);
      cairo_set_line_width(cr, 1.3);
    }
    cairo_stroke(cr);
  }
}

// The amber lamp used by buttons and switches; `lit` adds the glow.
void lamp(Painter& p, double cx, double cy, double radius, bool lit)
{
  if (lit) {
    p.disc(cx, cy, radius + 2.5, kAmber, 0.18);
    p.disc(cx, cy, radius + 1.2, kAmber, 0.35);
    p.disc(cx, cy, radius, kAmber);
    p.disc(cx - radius * 0.3, cy - radius * 0.3, radius * 0.45, rgb(0xff, 0xe2, 0xa8), 0.9);
  } else {
    p.disc(cx, cy, radius + 0.8, rgb(0x0c, 0x0c, 0x0d), 0.8);
    p.disc(cx, cy, radius, kAmberDark);
  }
}

// Section plates (window pixels). Gaps of four pixels show the chassis.
constexpr Box kMoxPlate{4, 34, 132, 416};
constexpr Box kFilterPlate{136, 34, 260, 279};
constexpr Box kDelayPlate{264, 34, 420, 279};
constexpr Box kOutputPlate{424, 34, 556, 279};
constexpr Box kLivePlate{136, 283, 288, 416};
constexpr Box kOrderPlate{292, 283, 556, 416};
constexpr int kHeaderHeight = 30;
constexpr double kTitleBaseline = 45.0;
constexpr double kSecondRowTitleBaseline = 297.0;

void header(Painter& p)
{
  p.fillRect(0, 0, layout::kWindowWidth, kHeaderHeight, kHeader, 0.88);
  p.line(0, kHeaderHeight - 0.5, layout::kWindowWidth, kHeaderHeight - 0.5, kAmber, 1.0, 0.55);

  waveBadge(p, Span{14, 38}, 15.0, 6.0);
  TextStyle name;
  name.size = 21.0;
  name.bold = true;
  name.colour = kLegend;
  p.text("Brasklin", 46, 22.5, Align::Left, name);

  TextStyle tagline = dimNote(8.0);
  tagline.bold = true;
  tagline.tracking = 1.6;
  p.text("PITCH-TRACKING WAVE-TABLE EFFECT", 546, 18.5, Align::Right, tagline);
}

void moxSection(Painter& p)
{
  plate(p, kMoxPlate);
  titled(p, kMoxPlate, "MOX", kTitleBaseline);
  drawLegend(p, layout::kWaveShape);
  drawLegend(p, layout::kPitchShift);
  drawLegend(p, layout::kFftLength);
  displayWell(p, layout::kShapeNameBox.rect);

  subHeading(p, kMoxPlate.left + 9, kMoxPlate.right - 9, 296, "DETECTOR");
  const layout::Control* buttons[] = {&layout::kStablize, &layout::kQuickDetect, &layout::kPrecise};
  for (const layout::Control* button : buttons) {
    drawLegend(p, *button);
  }
  // Sockets around the buttons, so their square pictures sit in a bezel.
  for (const layout::Control* control : buttons) {
    const Box& button = control->rect;
    p.fillRounded(button.left - 2, button.top - 2, button.width() + 4, button.height() + 4, 3, kRecess);
  }
  waveBadge(p, Span{kMoxPlate.left + 22.0, kMoxPlate.right - 22.0}, 385, 11.0);
}

void filterSection(Painter& p)
{
  plate(p, kFilterPlate);
  titled(p, kFilterPlate, "FILTER", kTitleBaseline);
  drawLegend(p, layout::kCutOff);
  drawLegend(p, layout::kResonance);
  drawLegend(p, layout::kFilterType);
}

void delaySection(Painter& p)
{
  plate(p, kDelayPlate);
  titled(p, kDelayPlate, "DELAY", kTitleBaseline);
  drawLegend(p, layout::kDelayMix);
  drawLegend(p, layout::kDelayTime);
  drawLegend(p, layout::kDelayFeedBack);
  displayWell(p, layout::kDelayTimeBox.rect);
  p.text("sec", layout::kDelayTimeBox.rect.right + 5, layout::kDelayTimeBox.rect.bottom - 3, Align::Left, dimNote());
}

void outputSection(Painter& p)
{
  plate(p, kOutputPlate);
  titled(p, kOutputPlate, "OUTPUT", kTitleBaseline);
  drawLegend(p, layout::kDrive);
  drawLegend(p, layout::kVolume);
  // Gain marks at the handle's centre line for values 1, 0.5 and 0.
  const double centreOffset = layout::kHandleHeight / 2.0 - 0.5;
  const struct {
    double value;
    const char* text;
  } marks[] = {{1.0, "+12 dB"}, {0.5, "0 dB"}, {0.0, "off"}};
  for (const auto& mark : marks) {
    const double y = layout::kSliderTop + std::trunc((1.0 - mark.value) * layout::kHandleTravel) + centreOffset;
    p.text(mark.text, layout::kVolume.rect.right + 4, y + 3, Align::Left, dimNote(8.0));
  }
}

// A small arrowhead pointing right, centred on (x, y).
void arrowHead(Painter& p, double x, double y, Colour colour, double alpha)
{
  cairo_t* cr = p.cr();
  cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, alpha);
  cairo_move_to(cr, x + 2.5, y);
  cairo_line_to(cr, x - 2.5, y - 3.5);
  cairo_line_to(cr, x - 2.5, y + 3.5);
  cairo_close_path(cr);
  cairo_fill(cr);
}

void orderSection(Painter& p)
{
  plate(p, kOrderPlate);
  titled(p, kOrderPlate, "ORDER", kSecondRowTitleBaseline);
  // A recess behind the four strips joins them into one selector bank.
  const Box first = layout::kFirst.picture();
  const Box last = layout::kForth.picture();
  p.fillRounded(first.left - 3, first.top - 3, last.right - first.left + 6, first.height() + 6, 3, kRecess);
  // The slots' names under their columns, the signal flowing from one to the next.
  const layout::Control* columns[] = {&layout::kFirst, &layout::kSecond, &layout::kThird, &layout::kForth};
  for (const layout::Control* column : columns) drawLegend(p, *column);
  const double arrowY = layout::kStageLegendBaseline - 3.5;
  for (const layout::Control* column : {&layout::kSecond, &layout::kThird, &layout::kForth}) {
    arrowHead(p, column->rect.left, arrowY, kAmber, 0.8);
  }
}

void liveSection(Painter& p)
{
  plate(p, kLivePlate);
  titled(p, kLivePlate, "LIVE", kSecondRowTitleBaseline);
  for (const layout::Control* bar :
       {&layout::kDryWet, &layout::kGate, &layout::kGlide, &layout::kScale, &layout::kKey}) {
    drawLegend(p, *bar);
    // A socket around the bar, as around the buttons.
    const Box& box = bar->rect;
    p.fillRounded(box.left - 1, box.top - 1, box.width() + 2, box.height() + 2, 2, kRecess);
  }
}

}  // namespace

Raster paintBackground()
{
  Painter p(layout::kWindowWidth, layout::kWindowHeight, false);
  p.putRaster(brushedChassis(layout::kWindowWidth, layout::kWindowHeight));
  header(p);
  moxSection(p);
  filterSection(p);
  delaySection(p);
  outputSection(p);
  liveSection(p);
  orderSection(p);
  return p.raster();
}

Raster paintSliderTrack()
{
  // Built from whole-pixel rectangles only, so the picture keeps few
  // colours and fits an 8-bit palette exactly.
  Painter p(layout::kTrackWidth, layout::kTrackHeight, false);
  cairo_set_antialias(p.cr(), CAIRO_ANTIALIAS_NONE);
  p.fillRect(0, 0, layout::kTrackWidth, layout::kTrackHeight, kPlate);

  // Ticks beside the groove at the handle's centre line for values 0, 0.1 ... 1.
  const int handleCentre = layout::kHandleHeight / 2 - 1;  // upper row of the two-row grip line
  for (int step = 0; step <= 10; ++step) {
    const int top = static_cast<int>((10 - step) * layout::kHandleTravel / 10.0);
    const int row = top + handleCentre;
    const bool major = step % 5 == 0;
    const Colour colour = major ? kTickMajor : kTick;
    const int length = major ? 6 : 4;
    p.fillRect(8 - length, row, length, major ? 2 : 1, colour);
    p.fillRect(17, row, length, major ? 2 : 1, colour);
  }

  // The groove: a dark slot with a shadowed upper lip and a lit lower lip.
  const int grooveLeft = 10;
  const int grooveWidth = 5;
  const int grooveTop = 6;
  const int grooveBottom = layout::kTrackHeight - 6;
  p.fillRect(grooveLeft - 1, grooveTop - 1, grooveWidth + 2, grooveBottom - grooveTop + 2, kPlateShadow);
  p.fillRect(grooveLeft, grooveTop, grooveWidth, grooveBottom - grooveTop, rgb(0x08, 0x08, 0x09));
  p.fillRect(grooveLeft, grooveTop, grooveWidth, 2, rgb(0x02, 0x02, 0x02));
  p.fillRect(grooveLeft - 1, grooveBottom + 1, grooveWidth + 2, 1, kPlateLight);
  p.fillRect(grooveLeft + grooveWidth + 1, grooveTop, 1, grooveBottom - grooveTop + 1, rgb(0x40, 0x44, 0x4b));
  return p.raster();
}

Raster paintSliderHandle()
{
  const int w = layout::kHandleWidth;
  const int h = layout::kHandleHeight;
  Painter p(w, h, true);
  cairo_t* cr = p.cr();

  // Body: a satin cap, lighter at the top, with a dark rim.
  p.roundedRectPath(0.5, 0.5, w - 1, h - 1, 3.5);
  cairo_pattern_t* body = cairo_pattern_create_linear(0, 0, 0, h);
  cairo_pattern_add_color_stop_rgb(body, 0.0, 0x6a / 255.0, 0x6f / 255.0, 0x78 / 255.0);
  cairo_pattern_add_color_stop_rgb(body, 0.5, 0x3c / 255.0, 0x40 / 255.0, 0x47 / 255.0);
  cairo_pattern_add_color_stop_rgb(body, 1.0, 0x24 / 255.0, 0x26 / 255.0, 0x2b / 255.0);
  cairo_set_source(cr, body);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(body);
  cairo_set_source_rgb(cr, 0x0d / 255.0, 0x0e / 255.0, 0x10 / 255.0);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);

  // Grip ridges above and below the position line.
  for (int row : {4, 7, 14, 17}) {
    p.fillRect(4, row, w - 8, 1, rgb(0x16, 0x17, 0x1a));
    p.fillRect(4, row + 1, w - 8, 1, rgb(0x80, 0x85, 0x8e), 0.8);
  }
  // The position line across the middle (rows 10 and 11, the centre of 22).
  p.fillRect(2, 10, w - 4, 2, kOffWhite);

  // Half-covered edge pixels are blended with the track colour they will
  // usually sit on; anything mostly uncovered becomes the see-through key.
  Raster out = p.raster(kPlate);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t& pixel = out.at(x, y);
      if (p.alphaAt(x, y) < 128) {
        pixel = kTransparentKey;
      } else if (pixel == kTransparentKey) {
        pixel = packed(kOffWhite);
      }
    }
  }
  return out;
}

Raster paintOnOffButton()
{
  const int size = layout::kButtonSize;
  Painter p(size, 2 * size, false);
  p.fillRect(0, 0, size, 2 * size, kRecess);
  for (int image = 0; image < 2; ++image) {
    const bool on = image == 1;
    const double top = image * size;
    // The cap sits one pixel lower when pressed in.
    const double capTop = top + (on ? 3.0 : 2.0);
    p.fillRounded(2, capTop, size - 4, size - 5, 3, rgb(0x0a, 0x0a, 0x0b));
    p.roundedRectPath(2.5, capTop + 0.5, size - 5, size - 6, 2.5);
    cairo_pattern_t* cap = cairo_pattern_create_linear(0, capTop, 0, capTop + size - 5);
    const double upper = on ? 0x48 / 255.0 : 0x66 / 255.0;
    const double lower = on ? 0x2c / 255.0 : 0x34 / 255.0;
    cairo_pattern_add_color_stop_rgb(cap, 0.0, upper, upper + 0.01, upper + 0.03);
    cairo_pattern_add_color_stop_rgb(cap, 1.0, lower, lower + 0.01, lower + 0.03);
    cairo_set_source(p.cr(), cap);
    cairo_fill(p.cr());
    cairo_pattern_destroy(cap);
    lamp(p, size / 2.0, capTop + (size - 5) / 2.0, 3.2, on);
  }
  return p.raster();
}

Raster paintSwitchStrip(const std::vector<std::string>& names, int width, int imageHeight)
{
  const int count = static_cast<int>(names.size());
  Painter p(width, imageHeight * count, false);
  const double rowHeight = static_cast<double>(imageHeight) / count;
  const double fontSize = rowHeight >= 20 ? 10.0 : 9.0;
  const double lampRadius = rowHeight >= 20 ? 2.6 : 2.2;
  for (int image = 0; image < count; ++image) {
    const double top = image * imageHeight;
    // A dark display window in a one-pixel bezel; each image is complete
    // on its own because the editor shows one at a time.
    p.fillRect(0, top, width, imageHeight, kRecess);
    p.fillRounded(1, top + 1, width - 2, imageHeight - 2, 2.5, kWindow);
    for (int row = 0; row < count; ++row) {
      const bool lit = row == image;
      const double rowTop = top + 1 + row * (imageHeight - 2) / static_cast<double>(count);
      const double rowMid = rowTop + (imageHeight - 2) / (2.0 * count);
      if (lit) {
        p.fillRounded(2, rowTop + 1, width - 4, std::floor((imageHeight - 2) / static_cast<double>(count)) - 2.0, 2,
                      kAmber, 0.13);
      }
      lamp(p, 3.0 + lampRadius + 1.5, rowMid, lampRadius, lit);
      TextStyle style;
      style.size = fontSize;
      style.bold = lit;
      style.colour = lit ? rgb(0xff, 0xc8, 0x7a) : kDimLegend;
      p.text(names[static_cast<std::size_t>(row)], 3.0 + 2 * lampRadius + 5.0, std::round(rowMid + fontSize * 0.36),
             Align::Left, style);
    }
  }
  return p.raster();
}

Raster paintValueBar()
{
  const int w = layout::kBarWidth;
  const int h = layout::kBarHeight;
  Painter p(w, h * layout::kBarImages, false);
  for (int image = 0; image < layout::kBarImages; ++image) {
    const bool lit = image == 1;
    const double top = image * h;
    // A one-pixel bezel round a dark window; lit, the window glows amber,
    // dark enough that the light value text stays readable on it.
    p.fillRect(0, top, w, h, kRecess);
    p.fillRect(1, top + 1, w - 2, h - 2, kWindow);
    if (lit) {
      cairo_t* cr = p.cr();
      cairo_pattern_t* glow = cairo_pattern_create_linear(0, top + 1, 0, top + h - 1);
      cairo_pattern_add_color_stop_rgb(glow, 0.0, 0xa8 / 255.0, 0x62 / 255.0, 0x18 / 255.0);
      cairo_pattern_add_color_stop_rgb(glow, 1.0, 0x62 / 255.0, 0x3a / 255.0, 0x10 / 255.0);
      cairo_rectangle(cr, 1, top + 1, w - 2, h - 2);
      cairo_set_source(cr, glow);
      cairo_fill(cr);
      cairo_pattern_destroy(glow);
      p.fillRect(1, top + 1, w - 2, 1, kAmber, 0.55);
    } else {
      p.fillRect(1, top + 1, w - 2, 1, rgb(0x05, 0x05, 0x06));
    }
  }
  return p.raster();
}
