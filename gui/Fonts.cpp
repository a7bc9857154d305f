#include "gui/Fonts.h"

namespace {
constexpr FontSpec kFontTable[kFontCount] = {
    {"Arial", 12, 700, FontFamily::swiss, true},       {"Arial", 18, 400, FontFamily::swiss, true},
    {"Arial", 14, 400, FontFamily::swiss, true},       {"Arial", 12, 400, FontFamily::swiss, true},
    {"Arial", 11, 400, FontFamily::swiss, true},       {"Small Fonts", 9, 400, FontFamily::swiss, true},
    {"Symbol", 13, 400, FontFamily::decorative, true},
};
}  // namespace

const FontSpec& fontTableEntry(int fontId)
{
  if (fontId < 0 || fontId >= kFontCount) fontId = 0;
  return kFontTable[fontId];
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the argument order is the toolkit's published one
FontSpec fontFor(int fontId, int sizePixels)
{
  FontSpec spec = fontTableEntry(fontId);
  if (sizePixels > 0) spec.sizePixels = sizePixels;
  return spec;
}
