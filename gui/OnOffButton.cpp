#include "gui/OnOffButton.h"

#include <cmath>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

OnOffButton::OnOffButton(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* bitmap)
    : Control(size, listener, tag), bitmap(bitmap)
{
  if (bitmap) bitmap->remember();
}

OnOffButton::~OnOffButton()
{
  if (bitmap) bitmap->forget();
}

void OnOffButton::draw(DrawContext* context)
{
  const float shown = value;  // a value stored meanwhile is drawn next time
  if (bitmap && context) {
    const int offsetY = shown != 0.0f ? bitmap->getHeight() / 2 : 0;
    bitmap->draw(context, size, {0, offsetY});
  }
  lastValueDrawn = shown;
}

PressOutcome OnOffButton::mouseDown(DrawContext* context, const MouseEvent&)
{
  if (!mouseEnabled) return PressOutcome::done;
  // Off is any value whose integer part is 0 (NaN counts as off).
  const bool off = std::isnan(value) || (value > -1.0f && value < 1.0f);
  value = off ? 1.0f : 0.0f;
  draw(context);
  reportChange(context);
  return PressOutcome::done;
}
