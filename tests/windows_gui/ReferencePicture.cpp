#include "tests/windows_gui/ReferencePicture.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr char kMagic[4] = {'B', 'R', 'P', 'X'};
constexpr uint32_t kLongestRun = 0xFFFF;

template <int Bytes>
void putLe(std::vector<unsigned char>& out, uint32_t value)
{
  for (int i = 0; i < Bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

template <int Bytes>
uint32_t getLe(const std::vector<unsigned char>& in, std::size_t at)
{
  uint32_t value = 0;
  for (int i = 0; i < Bytes; ++i) value |= uint32_t(in[at + std::size_t(i)]) << (8 * i);
  return value;
}

bool inside(const Rect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

}  // namespace

bool writePicture(const std::string& path, const Picture& picture)
{
  std::vector<unsigned char> out(kMagic, kMagic + 4);
  putLe<4>(out, uint32_t(picture.width));
  putLe<4>(out, uint32_t(picture.height));
  std::size_t i = 0;
  while (i < picture.pixels.size()) {
    const uint32_t colour = picture.pixels[i] & 0xFFFFFFu;
    std::size_t run = 1;
    while (i + run < picture.pixels.size() && run < kLongestRun && (picture.pixels[i + run] & 0xFFFFFFu) == colour)
      ++run;
    putLe<2>(out, uint32_t(run));
    out.push_back(static_cast<unsigned char>(colour >> 16));
    out.push_back(static_cast<unsigned char>(colour >> 8));
    out.push_back(static_cast<unsigned char>(colour));
    i += run;
  }
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
  return bool(file);
}

std::optional<Picture> readPicture(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  const std::vector<unsigned char> in((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (in.size() < 12 || std::memcmp(in.data(), kMagic, 4) != 0) return std::nullopt;
  Picture picture;
  picture.width = int(getLe<4>(in, 4));
  picture.height = int(getLe<4>(in, 8));
  if (picture.width <= 0 || picture.height <= 0 || picture.width > 8192 || picture.height > 8192) return std::nullopt;
  const std::size_t expected = std::size_t(picture.width) * std::size_t(picture.height);
  for (std::size_t at = 12; at + 5 <= in.size(); at += 5) {
    const uint32_t run = getLe<2>(in, at);
    const uint32_t colour = (uint32_t(in[at + 2]) << 16) | (uint32_t(in[at + 3]) << 8) | in[at + 4];
    if (run == 0 || picture.pixels.size() + run > expected) return std::nullopt;
    picture.pixels.insert(picture.pixels.end(), run, colour);
  }
  if (picture.pixels.size() != expected) return std::nullopt;
  return picture;
}

bool writeMeasurements(const std::string& path, const std::vector<TextMeasurement>& list)
{
  std::ofstream file(path);
  for (const TextMeasurement& m : list)
    file << m.fontId << ' ' << m.width << ' ' << m.height << ' ' << m.ascent << ' ' << m.text << '\n';
  return bool(file);
}

std::vector<TextMeasurement> readMeasurements(const std::string& path)
{
  std::vector<TextMeasurement> list;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    TextMeasurement m;
    if (!(fields >> m.fontId >> m.width >> m.height >> m.ascent)) continue;
    fields.get();  // the single space before the text
    std::getline(fields, m.text);
    list.push_back(m);
  }
  return list;
}

PictureDifference comparePictures(const Picture& a, const Picture& b, const std::vector<Rect>& textAreas)
{
  PictureDifference difference;
  if (a.width != b.width || a.height != b.height) {
    difference.outsideText = a.width * a.height + b.width * b.height;
    return difference;
  }
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.at(x, y) == b.at(x, y)) continue;
      const bool text =
          std::any_of(textAreas.begin(), textAreas.end(), [x, y](const Rect& r) { return inside(r, x, y); });
      ++(text ? difference.insideText : difference.outsideText);
    }
  }
  return difference;
}

Rect inkBox(const Picture& picture, const Rect& area, uint32_t background)
{
  Rect box{area.right, area.bottom, area.left, area.top};
  bool any = false;
  for (int y = std::max(area.top, 0); y < std::min(area.bottom, picture.height); ++y) {
    for (int x = std::max(area.left, 0); x < std::min(area.right, picture.width); ++x) {
      if (picture.at(x, y) == background) continue;
      any = true;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  return any ? box : Rect{};
}
