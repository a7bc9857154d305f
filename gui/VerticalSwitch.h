// A switch with a number of positions, drawn from a bitmap strip holding one
// image per position, top to bottom. The control's height is cut into equal
// zones from the top; clicking or dragging over a zone selects its position,
// whose value is k / (positions - 1).
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
  void mouseDown(DrawContext* context, Point where) override;

  // The image `value` shows: 0 .. positions - 1.
  int imageForValue(float value) const;

private:
  Bitmap* bitmap;
  Point offset;
  int imageCount;
  int imageHeight;
  int positionCount;
  PositionOfValue positionOf;
};
