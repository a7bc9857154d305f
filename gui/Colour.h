// Colours as the toolkit hands them around: red, green, blue and a fourth
// byte that is always 0.
#pragma once

#include <cstdint>

struct Colour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t unused = 0;

  // The packed form the Windows graphics calls take: red | green << 8 | blue << 16.
  constexpr uint32_t toPlatform() const { return uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16); }
  // 0x00RRGGBB, the layout decoded pictures and image surfaces use.
  constexpr uint32_t toRgb() const { return (uint32_t(red) << 16) | (uint32_t(green) << 8) | uint32_t(blue); }
  static constexpr Colour fromRgb(uint32_t rgb) { return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 0}; }

  constexpr bool operator==(const Colour&) const = default;
};

inline constexpr Colour kWhiteColour{255, 255, 255, 0};
inline constexpr Colour kBlackColour{0, 0, 0, 0};
inline constexpr Colour kGreyColour{127, 127, 127, 0};
inline constexpr Colour kRedColour{255, 0, 0, 0};
inline constexpr Colour kGreenColour{0, 255, 0, 0};
inline constexpr Colour kBlueColour{0, 0, 255, 0};
inline constexpr Colour kYellowColour{255, 255, 0, 0};
inline constexpr Colour kMagentaColour{255, 0, 255, 0};
inline constexpr Colour kCyanColour{0, 255, 255, 0};
// Pixels of this colour are see-through when a bitmap is drawn transparently.
// It is white on purpose: the artwork paints the background of handles white.
inline constexpr Colour kTransparentColour{255, 255, 255, 0};
