// Something drawn in a frame's window at a fixed rectangle (frame window
// coordinates). Controls derive from it; the frame owns its views.
#pragma once

#include "gui/Geometry.h"
#include "gui/MouseEvent.h"

class DrawContext;
class Frame;
class OffscreenContext;

class View {
public:
  explicit View(const Rect& size);
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  virtual void draw(DrawContext* context);
  // A press the frame routed here (window coordinates). A view that answers
  // `dragging` gets the moves and the release that follow; nothing else does.
  // The context draws into the window for this call only and may be null.
  virtual PressOutcome mouseDown(DrawContext* context, const MouseEvent& event);
  // The pointer moved during this view's drag.
  virtual void mouseMoved(DrawContext* context, const MouseEvent& event);
  // The button that started this view's drag went up, or the drag was cut
  // short (window lost, frame closed): the drag is over.
  virtual void mouseUp(DrawContext* context, const MouseEvent& event);
  // Idle: redraw if the shown state is out of date.
  virtual void updateIfChanged(DrawContext* context);
  // Keyboard focus taken away / given (text boxes).
  virtual void loseFocus();
  virtual void takeFocus();
  // Kept only when it is at least as large as the view.
  virtual void setBackgroundOffscreen(OffscreenContext* offscreen);

  // Asks the parent frame to draw this view now.
  void redraw();

  const Rect& getRect() const { return size; }
  Frame* getParent() const { return parent; }
  void setParent(Frame* frame) { parent = frame; }
  OffscreenContext* getBackgroundOffscreen() const { return backgroundOffscreen; }

protected:
  Rect size;
  Frame* parent = nullptr;
  OffscreenContext* backgroundOffscreen = nullptr;  // not owned
};
