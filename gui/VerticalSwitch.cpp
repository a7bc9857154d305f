#include "gui/VerticalSwitch.h"

#include <algorithm>
#include <utility>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the argument order is the toolkit's published one
VerticalSwitch::VerticalSwitch(const Rect& size, ControlListener* listener, int32_t tag, int imageCount,
                               int imageHeight, int positionCount, Bitmap* bitmap, Point offset,
                               PositionOfValue positionOf)
    : Control(size, listener, tag),
      bitmap(bitmap),
      offset(offset),
      imageCount(imageCount),
      imageHeight(imageHeight),
      positionCount(positionCount),
      positionOf(std::move(positionOf))
{
  defaultValue = 0.0f;
  if (bitmap) bitmap->remember();
}

VerticalSwitch::~VerticalSwitch()
{
  if (bitmap) bitmap->forget();
}

int VerticalSwitch::imageForValue(float shown) const
{
  if (positionCount < 2) return 0;  // a single position has a single image
  if (positionOf) return std::clamp(positionOf(shown), 0, positionCount - 1);
  const double step = 1.0 / (positionCount - 1);
  for (int i = 1; i < positionCount; ++i) {
    if (i * step > shown) return i - 1;
  }
  return positionCount - 1;
}

void VerticalSwitch::draw(DrawContext* context)
{
  const float shown = value;  // a value stored meanwhile is drawn next time
  if (bitmap && context) bitmap->draw(context, size, {0, imageForValue(shown) * imageHeight});
  lastValueDrawn = shown;
}

PressOutcome VerticalSwitch::mouseDown(DrawContext* context, const MouseEvent& event)
{
  if (!mouseEnabled) return PressOutcome::done;
  if (tookDefaultOnAltClick(context, event)) return PressOutcome::done;
  if (positionCount < 1) return PressOutcome::done;
  // The press itself selects the zone it landed in, so a click that is
  // released at once (a tap, a remote desktop) still chooses a position.
  dragging = true;
  beginEdit();
  select(context, event.where);
  return PressOutcome::dragging;
}

void VerticalSwitch::mouseMoved(DrawContext* context, const MouseEvent& event)
{
  if (dragging) select(context, event.where);
}

void VerticalSwitch::mouseUp(DrawContext*, const MouseEvent&)
{
  if (!dragging) return;
  dragging = false;
  endEdit();
}

void VerticalSwitch::select(DrawContext* context, Point where)
{
  const double zone = double(imageHeight) / positionCount;
  const int dy = where.y - size.top;
  float chosen = 1.0f;
  for (int i = 1; i < positionCount; ++i) {
    if (dy < int(i * zone)) {
      chosen = float(i - 1) / float(positionCount - 1);
      break;
    }
  }
  value = chosen;
  if (valueDiffersFromDrawn()) reportChange(context);
}
