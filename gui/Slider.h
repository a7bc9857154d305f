// A handle moving along a track, both from bitmaps. The handle is dragged
// with the left button (with Shift for one-tenth movement); Alt + click resets
// to the default value. Clicks beside the handle are ignored.
#pragma once

#include "gui/Control.h"

class Bitmap;

// Style bits. Drawing puts value 0.0 at the top with kSliderStyleTop and at
// the bottom otherwise; the mouse maps the top end to 1.0 with
// kSliderStyleBottom and to 0.0 otherwise. kSliderStyleBottom alone therefore
// gives a slider whose bottom is 0.0 both ways.
inline constexpr int kSliderStyleTop = 32;
inline constexpr int kSliderStyleBottom = 64;

class Slider : public Control {
public:
  // `minPosition` and `maxPosition` are the handle's top in window coordinates
  // at the two ends of its travel; `backgroundOffset` is where in `background`
  // the track picture starts.
  Slider(const Rect& size, ControlListener* listener, int32_t tag, int minPosition, int maxPosition, Bitmap* handle,
         Bitmap* background, Point backgroundOffset, int style = kSliderStyleBottom);
  ~Slider() override;

  void draw(DrawContext* context) override;
  void mouseDown(DrawContext* context, Point where) override;

  virtual void setDrawTransparentHandle(bool transparent) { drawTransparentHandle = transparent; }
  virtual void setHandleOffset(Point offset) { handleOffset = offset; }

  // The handle's top on screen as last drawn (what clicks are tested against).
  int getHandleTop() const { return handleTopOnScreen; }

private:
  Bitmap* handle;
  Bitmap* background;
  Point backgroundOffset;
  Point handleOffset;
  int handleWidth;
  int handleHeight;
  int minPosition;
  int maxPosition;
  int style;
  int handleTopOnScreen;
  bool drawTransparentHandle = true;
  int handleTopLimit;
  int handleBottomLimit;
  int controlWidth;
  int controlHeight;
};
