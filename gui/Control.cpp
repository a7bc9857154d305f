#include "gui/Control.h"

#include <cmath>

Control::Control(const Rect& size, ControlListener* listener, int32_t tag) : View(size), listener(listener), tag(tag) {}

Control::~Control() = default;

bool Control::valueDiffersFromDrawn() const
{
  if (std::isnan(value) && std::isnan(lastValueDrawn)) return false;
  return value != lastValueDrawn;
}

void Control::updateIfChanged(DrawContext* context)
{
  if (!valueDiffersFromDrawn()) return;
  // What was drawn is recorded by draw from the value it read; a control
  // whose draw records nothing is taken to show the value read here. Either
  // way a value stored by another thread during the draw differs from the
  // record and is drawn at the next chance.
  const float before = lastValueDrawn;
  const float shown = value;
  draw(context);
  lastValueDrawn.replaceIf(before, shown);
}

void Control::reportChange(DrawContext* context)
{
  if (listener) listener->valueChanged(context, this);
}

void Control::beginEdit()
{
  if (listener) listener->controlBeginEdit(this);
}

void Control::endEdit()
{
  if (listener) listener->controlEndEdit(this);
}

bool Control::tookDefaultOnAltClick(DrawContext* context, const MouseEvent& event)
{
  if (event.state != (kMouseLeft | kModifierAlt)) return false;
  value = defaultValue;
  if (valueDiffersFromDrawn()) reportChange(context);
  return true;
}
