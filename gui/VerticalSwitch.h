// A switch with a number of positions, drawn from a bitmap strip holding one
// image per position, top to bottom. The control's height is cut into equal
// zones from the top; clicking or dragging over a zone selects its position,
// whose value is k / (positions - 1), with any button: a press begins the
// touch and selects the zone under the pointer, each move selects again, the
// release ends the touch.
//
// Which image a value shows is the owner's rule when it gives one (the value's
// meaning is the owner's: a value between two positions may select either),
// otherwise the position whose value is the largest at or below it.
#pragma once

#include <functional>

#include "gui/Control.h"

class Bitmap;

class VerticalSwitch : public Control {
public:
  // The position (0 .. positions - 1) a value shows; one outside is drawn as
  // the nearest end.
  using PositionOfValue = std::function<int(float value)>;

  VerticalSwitch(const Rect& size, ControlListener* listener, int32_t tag, int imageCount, int imageHeight,
                 int positionCount, Bitmap* bitmap, Point offset, PositionOfValue positionOf = {});
  ~VerticalSwitch() override;

  void draw(DrawContext* context) override;
  PressOutcome mouseDown(DrawContext* context, const MouseEvent& event) override;
  void mouseMoved(DrawContext* context, const MouseEvent& event) override;
  void mouseUp(DrawContext* context, const MouseEvent& event) override;

  // The image `value` shows: 0 .. positions - 1.
  int imageForValue(float value) const;

private:
  // Selects the position of the zone at `where` and reports it when it
  // differs from what is shown.
  void select(DrawContext* context, Point where);

  Bitmap* bitmap;
  Point offset;
  int imageCount;
  int imageHeight;
  int positionCount;
  bool dragging = false;
  PositionOfValue positionOf;
};
