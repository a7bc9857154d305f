#include "vst3/Utf16Text.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point starting at text[at], and how many bytes it takes.
char32_t decodeUtf8(std::string_view text, std::size_t at, std::size_t& length)
{
  const auto lead = static_cast<unsigned char>(text[at]);
  length = 1;
  if (lead < 0x80) return lead;
  std::size_t extra = 0;
  char32_t point = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    point = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    point = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    point = lead & 0x07;
  } else {
    return kReplacement;
  }
  if (at + extra >= text.size()) return kReplacement;
  for (std::size_t k = 1; k <= extra; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    point = (point << 6) | (next & 0x3F);
  }
  length = extra + 1;
  // Overlong forms, surrogates and numbers past Unicode are no characters.
  const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
  if (point < smallest[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return kReplacement;
  return point;
}

void appendUtf8(std::string& out, char32_t point)
{
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

}  // namespace

void writeUtf16(std::string_view text, char16_t* out, std::size_t capacity)
{
  if (out == nullptr || capacity == 0) return;
  std::size_t used = 0;
  for (std::size_t at = 0; at < text.size() && text[at] != '\0';) {
    std::size_t length = 1;
    const char32_t point = decodeUtf8(text, at, length);
    at += length;
    const std::size_t units = point >= 0x10000 ? 2 : 1;
    if (used + units + 1 > capacity) break;
    if (units == 2) {
      const char32_t offset = point - 0x10000;
      out[used++] = static_cast<char16_t>(0xD800 + (offset >> 10));
      out[used++] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    } else {
      out[used++] = static_cast<char16_t>(point);
    }
  }
  out[used] = u'\0';
}

std::string utf8From(const char16_t* text, std::size_t capacity)
{
  std::string out;
  if (text == nullptr) return out;
  for (std::size_t at = 0; at < capacity && text[at] != u'\0'; ++at) {
    const char16_t unit = text[at];
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < capacity && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[at + 1] - 0xDC00));
      ++at;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      appendUtf8(out, kReplacement);
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}
