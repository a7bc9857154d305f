#include "gui/ParamDisplay.h"

#include <cstdio>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

ParamDisplay::ParamDisplay(const Rect& size, Bitmap* background, int style)
    : ParamDisplay(size, nullptr, 0, background, style)
{}

ParamDisplay::ParamDisplay(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background, int style)
    : Control(size, listener, tag), style(style), background(background)
{
  if (background) background->remember();
}

ParamDisplay::~ParamDisplay()
{
  if (background) background->forget();
}

void ParamDisplay::setFont(int newFont)
{
  if (fontId == newFont) return;
  fontId = newFont;
  forceRedraw();
}

void ParamDisplay::setFontColour(Colour colour)
{
  if (fontColour == colour) return;
  fontColour = colour;
  forceRedraw();
}

void ParamDisplay::setBackColour(Colour colour)
{
  if (backColour == colour) return;
  backColour = colour;
  forceRedraw();
}

void ParamDisplay::setFrameColour(Colour colour)
{
  if (frameColour == colour) return;
  frameColour = colour;
  forceRedraw();
}

void ParamDisplay::setShadowColour(Colour colour)
{
  if (shadowColour == colour) return;
  shadowColour = colour;
  forceRedraw();
}

void ParamDisplay::setHorizontalAlign(int alignment)
{
  if (horizontalAlign == alignment) return;
  horizontalAlign = alignment;
  forceRedraw();
}

void ParamDisplay::draw(DrawContext* context)
{
  const float marker = lastValueDrawn;
  const float shown = value;
  char text[kTextCapacity] = {};
  if (stringConvert) {
    stringConvert(shown, text);
    text[kTextCapacity - 1] = '\0';  // a callback that forgot the terminator
  } else {
    std::snprintf(text, sizeof text, "%2.2f", double(shown));
  }
  drawText(context, text);
  recordDrawn(marker, shown);
}

void ParamDisplay::recordDrawn(float marker, float shown)
{
  // A redraw asked for by another thread during the draw (a new text, a new
  // colour) moved the record away from `marker`: leave it so that the next
  // idle draws again.
  lastValueDrawn.replaceIf(marker, shown);
}

void ParamDisplay::drawText(DrawContext* context, const std::string& text)
{
  if (!context) return;
  const bool edgeLines = (style & (kParamDisplay3DIn | kParamDisplayNoFrame)) != 0;
  if (background) {
    background->draw(context, size, textOffset);
  } else {
    context->setFillColour(backColour);
    context->fillRect(size);
    if (!edgeLines) {
      context->setFrameColour(frameColour);
      context->drawRect(size);
    }
  }
  if (edgeLines) {
    const bool sunken = (style & kParamDisplay3DIn) != 0;
    context->setFrameColour(sunken ? backColour : frameColour);
    context->moveTo({size.left, size.bottom});
    context->lineTo({size.left, size.top});
    context->lineTo({size.right + 1, size.top});
    context->setFrameColour(sunken ? frameColour : backColour);
    context->moveTo({size.right, size.top + 1});
    context->lineTo({size.right, size.bottom});
    context->lineTo({size.left, size.bottom});
  }
  context->setFont(fontId);
  if (style & kParamDisplayShadowText) {
    context->setFontColour(shadowColour);
    context->drawString(text, size.offsetBy({1, 1}), false, horizontalAlign);
  }
  context->setFontColour(fontColour);
  context->drawString(text, size, false, horizontalAlign);
}
