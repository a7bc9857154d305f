// A switch with a number of positions, drawn from a bitmap strip holding one
// image per position, top to bottom. The control's height is cut into equal
// zones from the top; clicking or dragging over a zone selects its position,
// with any button: a press begins the touch and selects the zone under the
// pointer, each move selects again, the release ends the touch.
#pragma once

#include "gui/Control.h"

class Bitmap;

class VerticalSwitch : public Control {
public:
  VerticalSwitch(const Rect& size, ControlListener* listener, int32_t tag, int imageCount, int imageHeight,
                 int positionCount, Bitmap* bitmap, Point offset);
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
};
