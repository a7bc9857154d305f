#include "gui/ValueBar.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace {
constexpr int kLeftAlone = kMouseLeft;
constexpr int kLeftWithShift = kMouseLeft | kModifierShift;
constexpr float kFineFactor = 10.0f;  // Shift moves the value a tenth as far

// The buttons and modifiers a bar follows the pointer with.
bool follows(int state) { return state == kLeftAlone || state == kLeftWithShift; }
}  // namespace

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the toolkit's order: size, listener, tag, pictures
ValueBar::ValueBar(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* images, int positions,
                   PositionOfValue positionOf)
    : Control(size, listener, tag), images_(images), positions_(positions), positionOf_(std::move(positionOf))
{
  if (images_) images_->remember();
}

ValueBar::~ValueBar()
{
  if (images_) images_->forget();
}

void ValueBar::setText(const std::string& text)
{
  if (text == text_) return;
  text_ = text;
  lastValueDrawn = value == 0.0f ? 1.0f : 0.0f;  // the next idle redraws
}

int ValueBar::positionForValue(float shown) const
{
  if (!isSwitch()) return 0;
  if (positionOf_) return std::clamp(positionOf_(shown), 0, positions_ - 1);
  const double scaled = static_cast<double>(shown) * (positions_ - 1);
  if (!(scaled > 0.0)) return 0;
  return static_cast<int>(std::min(std::floor(scaled + 0.5), static_cast<double>(positions_ - 1)));
}

Rect ValueBar::litArea(float shown) const
{
  const int width = size.width();
  if (isSwitch()) {
    const int position = positionForValue(shown);
    return {size.left + position * width / positions_, size.top, size.left + (position + 1) * width / positions_,
            size.bottom};
  }
  float part = shown;
  if (!(part >= 0.0f)) part = 0.0f;  // NaN lights nothing
  part = std::min(part, 1.0f);
  const int lit = static_cast<int>(std::lround(static_cast<double>(part) * width));
  return {size.left, size.top, size.left + lit, size.bottom};
}

void ValueBar::draw(DrawContext* context)
{
  const float shown = value;  // a value stored meanwhile is drawn next time
  if (context) {
    if (images_) {
      images_->draw(context, size, {0, 0});
      const Rect lit = litArea(shown);
      if (lit.width() > 0) images_->draw(context, lit, {lit.left - size.left, size.height()});
    }
    context->setFont(fontId_);
    context->setFontColour(fontColour_);
    context->drawString(text_, size, false, kTextAlignCentre);
  }
  lastValueDrawn = shown;
}

PressOutcome ValueBar::mouseDown(DrawContext* context, const MouseEvent& event)
{
  if (!mouseEnabled) return PressOutcome::done;
  if (tookDefaultOnAltClick(context, event)) return PressOutcome::done;
  if (!follows(event.state) || size.width() <= 0) return PressOutcome::done;
  dragging_ = true;
  dragState_ = 0;  // taken as a change of state by the first follow, with Shift or without
  beginEdit();
  follow(context, event.where, event.state);
  return PressOutcome::dragging;
}

void ValueBar::mouseMoved(DrawContext* context, const MouseEvent& event)
{
  // With another button or modifier held the bar waits where it is.
  if (dragging_ && follows(event.state)) follow(context, event.where, event.state);
}

void ValueBar::mouseUp(DrawContext*, const MouseEvent&)
{
  if (!dragging_) return;
  dragging_ = false;
  endEdit();
}

void ValueBar::follow(DrawContext* context, Point where, int state)
{
  const int width = size.width();
  const int along = where.x - size.left;
  float next = 0.0f;
  if (isSwitch()) {
    // The zone under the pointer; beyond the ends, the first or the last.
    const int zone = std::clamp(along < 0 ? 0 : along * positions_ / width, 0, positions_ - 1);
    next = static_cast<float>(zone) / static_cast<float>(positions_ - 1);
  } else {
    const float pointer = std::clamp(static_cast<float>(along) / static_cast<float>(width), 0.0f, 1.0f);
    if (state != dragState_ && (state & kModifierShift)) {
      // Whenever Shift goes down the fine movement starts from the value as
      // it is and the pointer where it is, so the value never jumps.
      fineReference_ = value;
      pointerReference_ = pointer;
    }
    next = (state & kModifierShift) ? fineReference_ + (pointer - pointerReference_) / kFineFactor : pointer;
    if (!(next >= 0.0f)) next = 0.0f;  // a NaN value held before Shift went down starts again from 0
    next = std::min(next, 1.0f);
  }
  dragState_ = state;
  value = next;
  if (valueDiffersFromDrawn()) reportChange(context);
}
