// A switch with a number of positions, drawn from a bitmap strip holding one
// image per position, top to bottom. The control's height is cut into equal
// zones from the top; clicking or dragging over a zone selects its position.
#pragma once

#include "gui/Control.h"

class Bitmap;

class VerticalSwitch : public Control {
public:
  VerticalSwitch(const Rect& size, ControlListener* listener, int32_t tag, int imageCount, int imageHeight,
                 int positionCount, Bitmap* bitmap, Point offset);
  ~VerticalSwitch() override;

  void draw(DrawContext* context) override;
  void mouseDown(DrawContext* context, Point where) override;

  // The image `value` shows: 0 .. positions - 1.
  int imageForValue(float value) const;

private:
  Bitmap* bitmap;
  Point offset;
  int imageCount;
  int imageHeight;
  int positionCount;
};
