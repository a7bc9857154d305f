// A handle moving along a track, both from bitmaps. The handle is dragged
// with the left button (with Shift for one-tenth movement); Alt + click resets
// to the default value. Clicks beside the handle are ignored.
//
// A drag is a small state machine: a press on the handle begins the touch and
// places the value under the pointer, each move places it again, the release
// ends the touch.
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
  PressOutcome mouseDown(DrawContext* context, const MouseEvent& event) override;
  void mouseMoved(DrawContext* context, const MouseEvent& event) override;
  void mouseUp(DrawContext* context, const MouseEvent& event) override;

  virtual void setDrawTransparentHandle(bool transparent) { drawTransparentHandle = transparent; }
  virtual void setHandleOffset(Point offset) { handleOffset = offset; }

  // The handle's top on screen as last drawn (what clicks are tested against).
  int getHandleTop() const { return handleTopOnScreen; }

private:
  // The value for the pointer at `where` with `state`, reported when it
  // differs from what is shown.
  void follow(DrawContext* context, Point where, int state);

  // A drag in progress: where in the handle it was grabbed, the value fine
  // movement starts from, and the buttons and modifiers last seen.
  struct Drag {
    bool active = false;
    int grab = 0;
    float reference = 0.0f;
    int state = 0;
  };

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
  Drag drag;
};
