// A horizontal bar that is a slider and its value's display at once: the
// part of the bar the value covers is lit, and the text the owner gives for
// the value stands over the middle. Drawn from a bitmap of two images of the
// bar's size, the empty bar above and the lit bar below.
//
// A continuous bar lights from its left end to the value (0 empty, 1 full).
// A bar with positions is a switch: its width is cut into that many equal
// zones from the left, position k (the value k / (positions - 1)) lights
// zone k, and which position a value shows is the owner's rule when it gives
// one (otherwise the nearest).
//
// Mouse: a press with the left button anywhere on the bar starts a touch and
// puts the value under the pointer, each move of the drag puts it there again
// (beyond the ends the value stops at 0 or 1; a switch takes the zone under
// the pointer), the release ends the touch. Shift moves a continuous value a
// tenth as far as the pointer, counted from where the value is when Shift
// goes down. Alt-click sets the default value.
//
// Threads: the interface thread only, as every control's drawing and mouse
// handling; setValue may come from any thread (the value is a relaxed atomic).
#pragma once

#include <functional>
#include <string>

#include "gui/Colour.h"
#include "gui/Control.h"

class Bitmap;

class ValueBar : public Control {
public:
  using PositionOfValue = std::function<int(float value)>;

  // `positions` 0 (or 1) for a continuous bar, 2 or more for a switch.
  ValueBar(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* images, int positions = 0,
           PositionOfValue positionOf = {});
  ~ValueBar() override;

  void draw(DrawContext* context) override;
  PressOutcome mouseDown(DrawContext* context, const MouseEvent& event) override;
  void mouseMoved(DrawContext* context, const MouseEvent& event) override;
  void mouseUp(DrawContext* context, const MouseEvent& event) override;

  // Interface thread: the text shown over the bar; the next idle redraws it.
  void setText(const std::string& text);
  const std::string& text() const { return text_; }
  void setFont(int fontId) { fontId_ = fontId; }
  void setFontColour(Colour colour) { fontColour_ = colour; }

  // The lit part of the bar for `shown`, in window coordinates (empty when
  // nothing is lit).
  Rect litArea(float shown) const;
  // The position a switch's value shows (0 for a continuous bar).
  int positionForValue(float shown) const;

private:
  // The value for the pointer at `where` with `state`, reported when it
  // differs from what is shown.
  void follow(DrawContext* context, Point where, int state);
  bool isSwitch() const { return positions_ >= 2; }

  Bitmap* images_;
  int positions_;
  PositionOfValue positionOf_;
  std::string text_;
  int fontId_ = 4;
  Colour fontColour_ = kWhiteColour;
  bool dragging_ = false;
  int dragState_ = 0;
  float fineReference_ = 0.0f;     // the value when Shift went down
  float pointerReference_ = 0.0f;  // the pointer's place along the bar then, 0..1
};
