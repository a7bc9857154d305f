// The toolkit's seven fonts. Controls name a font by its id; the platform layer
// turns the description into a real font.
#pragma once

enum class FontFamily { swiss, decorative };

struct FontSpec {
  const char* face = "Arial";
  int sizePixels = 12;  // character height (em), not cell height
  int weight = 400;     // 400 normal, 700 bold
  FontFamily family = FontFamily::swiss;
  bool variablePitch = true;
};

inline constexpr int kFontCount = 7;
// The font the text boxes use by default: "Arial", 12 pixels, normal weight.
inline constexpr int kNormalFontId = 3;

// The table entry for `fontId`; ids outside 0..6 fall back to font 0 so that a
// bad id still draws readable text instead of failing.
const FontSpec& fontTableEntry(int fontId);

// The font to select for `fontId` at `sizePixels`; a size of 0 means the
// table's own size.
FontSpec fontFor(int fontId, int sizePixels = 0);
