#include "gui/Slider.h"

#include <cmath>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace {
constexpr int kLeftAlone = kMouseLeft;
constexpr int kLeftWithShift = kMouseLeft | kModifierShift;
constexpr float kFineFactor = 10.0f;  // Shift moves the value a tenth as far
}  // namespace

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the argument order is the toolkit's published one
Slider::Slider(const Rect& size, ControlListener* listener, int32_t tag, int minPosition, int maxPosition,
               Bitmap* handle, Bitmap* background, Point backgroundOffset, int style)
    : Control(size, listener, tag),
      handle(handle),
      background(background),
      backgroundOffset(backgroundOffset),
      handleWidth(handle ? handle->getWidth() : 0),
      handleHeight(handle ? handle->getHeight() : 0),
      minPosition(minPosition),
      maxPosition(maxPosition),
      style(style),
      handleTopOnScreen(maxPosition),
      handleTopLimit(minPosition - size.top),
      handleBottomLimit(maxPosition + handleHeight - size.top),
      controlWidth(size.width()),
      controlHeight(size.height())
{
  if (handle) handle->remember();
  if (background) background->remember();
}

Slider::~Slider()
{
  if (handle) handle->forget();
  if (background) background->forget();
}

void Slider::draw(DrawContext* context)
{
  if (!context) return;
  const float current = value;
  float drawn = (style & kSliderStyleTop) ? current : 1.0f - current;
  if (!std::isfinite(drawn)) drawn = 0.0f;  // a bad value must not overflow the pixel maths

  OffscreenContext offscreen(parent, controlWidth, controlHeight, kBlackColour);
  if (background) background->draw(&offscreen, {0, 0, controlWidth, controlHeight}, backgroundOffset);

  Rect handleRect;
  handleRect.left = handleOffset.x;
  handleRect.right = handleRect.left + handleWidth;
  handleRect.top = int(drawn * float(maxPosition - minPosition)) + handleOffset.y;
  if (handleRect.top < handleTopLimit) handleRect.top = handleTopLimit;
  handleRect.bottom = handleRect.top + handleHeight;
  if (handleRect.bottom > handleBottomLimit) handleRect.bottom = handleBottomLimit;

  if (handle) {
    if (drawTransparentHandle) {
      handle->drawTransparent(&offscreen, handleRect);
    } else {
      handle->draw(&offscreen, handleRect);
    }
  }
  offscreen.copyTo(context, size);

  handleTopOnScreen = handleRect.top + size.top;
  lastValueDrawn = current;  // a value stored meanwhile is drawn next time
}

namespace {
// The buttons and modifiers a slider follows the pointer with.
bool movesHandle(int state) { return state == kLeftAlone || state == kLeftWithShift; }
}  // namespace

PressOutcome Slider::mouseDown(DrawContext* context, const MouseEvent& event)
{
  if (!mouseEnabled) return PressOutcome::done;
  if (tookDefaultOnAltClick(context, event)) return PressOutcome::done;
  if (!movesHandle(event.state)) return PressOutcome::done;

  const Rect handleArea{size.left, handleTopOnScreen, size.left + handleWidth, handleTopOnScreen + handleHeight};
  if (!handleArea.contains(event.where)) return PressOutcome::done;
  if (maxPosition - minPosition <= 0) return PressOutcome::done;  // nothing to travel along: no value to derive

  drag = Drag{true, event.where.y - handleTopOnScreen, value, event.state};
  beginEdit();
  follow(context, event.where, event.state);
  return PressOutcome::dragging;
}

void Slider::mouseMoved(DrawContext* context, const MouseEvent& event)
{
  // With another button or modifier held the handle waits where it is.
  if (!drag.active || !movesHandle(event.state)) return;
  if (event.state != drag.state) {
    // Whenever Shift goes down the fine movement starts from where the handle
    // is now, so the value never jumps (also when Shift is pressed again).
    if (event.state & kModifierShift) drag.reference = value;
    drag.state = event.state;
  }
  follow(context, event.where, event.state);
}

void Slider::mouseUp(DrawContext*, const MouseEvent&)
{
  if (!drag.active) return;
  drag.active = false;
  endEdit();
}

void Slider::follow(DrawContext* context, Point where, int state)
{
  const int range = maxPosition - minPosition;
  float next = float(where.y - minPosition - drag.grab) / float(range);
  if (style & kSliderStyleBottom) next = 1.0f - next;
  if (state & kModifierShift) next = drag.reference + (next - drag.reference) / kFineFactor;
  if (!(next >= 0.0f)) next = 0.0f;
  if (next > 1.0f) next = 1.0f;
  value = next;
  if (valueDiffersFromDrawn()) reportChange(context);
}
