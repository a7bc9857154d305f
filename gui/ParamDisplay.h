// A value shown as text: on a background bitmap, or on a filled box with an
// outline or with edge lines. The value is formatted by a callback, or with
// two decimals.
#pragma once

#include <string>

#include "gui/Colour.h"
#include "gui/Control.h"

class Bitmap;

// Style bits.
inline constexpr int kParamDisplayShadowText = 4;
// Edge lines instead of an outline: top and left in the back colour, right and
// bottom in the frame colour (kParamDisplayNoFrame: the other way round).
inline constexpr int kParamDisplay3DIn = 128;
inline constexpr int kParamDisplayNoFrame = 256;

// Writes the text for `value` into `text` (256 bytes, empty on entry).
using StringConvert = void (*)(float value, char* text);

class ParamDisplay : public Control {
public:
  ParamDisplay(const Rect& size, Bitmap* background = nullptr, int style = 0);
  ~ParamDisplay() override;

  void draw(DrawContext* context) override;

  virtual void setFont(int fontId);
  virtual void setFontColour(Colour colour);
  virtual void setBackColour(Colour colour);
  virtual void setFrameColour(Colour colour);
  virtual void setShadowColour(Colour colour);
  virtual void setHorizontalAlign(int alignment);
  virtual void setTextOffset(Point offset) { textOffset = offset; }
  virtual void setStringConvert(StringConvert convert) { stringConvert = convert; }

  int getFont() const { return fontId; }
  Colour getFontColour() const { return fontColour; }
  Colour getBackColour() const { return backColour; }
  int getStyle() const { return style; }

  static constexpr int kTextCapacity = 256;  // bytes, terminator included

protected:
  ParamDisplay(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background, int style);
  // The box and `text` on it.
  void drawText(DrawContext* context, const std::string& text);
  // After a draw that began with the record at `marker` and showed the value
  // `shown`: records it, unless a redraw was asked for meanwhile.
  void recordDrawn(float marker, float shown);
  // After a look setting changed: make the next idle redraw.
  void forceRedraw() { lastValueDrawn = value + 0.1f; }

  int horizontalAlign = 1;
  int style;
  int fontId = 3;
  Colour fontColour = kWhiteColour;
  Colour backColour = kBlackColour;
  Colour frameColour = kBlackColour;
  Colour shadowColour = kRedColour;
  Point textOffset;
  Bitmap* background;
  StringConvert stringConvert = nullptr;
};
