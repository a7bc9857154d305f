// A two-state button drawn from a bitmap holding both images one above the
// other (upper: off, lower: on). Any click toggles it.
#pragma once

#include "gui/Control.h"

class Bitmap;

class OnOffButton : public Control {
public:
  OnOffButton(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* bitmap);
  ~OnOffButton() override;

  void draw(DrawContext* context) override;
  PressOutcome mouseDown(DrawContext* context, const MouseEvent& event) override;

private:
  Bitmap* bitmap;
};
