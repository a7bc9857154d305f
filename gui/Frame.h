// The editor's window: a child of the host's window holding a background
// bitmap and a list of views, in the order they were added. It paints them on
// the window's paint event, routes the window's mouse events to them (a press
// goes to the view under it, the one added last where rectangles overlap; a
// view that takes the drag gets every move and the release until its button
// goes up) and, once the window has been painted for the first time, lets
// changed views redraw themselves on idle. The frame owns its views and
// deletes them with itself.
//
// It needs nothing of the plug-in format around it: whoever owns it (the
// VST 2 editor, another format's interface) gives it a parent window and
// calls idle.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gui/Backend.h"
#include "gui/View.h"

class Bitmap;

class Frame : public View, private WindowEvents {
public:
  // Creates the child window of `parentWindow` at its origin with the size of
  // `size`; without a parent window no window is created.
  Frame(const Rect& size, void* parentWindow);
  ~Frame() override;

  void draw(DrawContext* context) override;
  // Routes a press: ends an edit it lands outside of, then passes it to the
  // modal view (when it lies inside it) or to the view under it, and keeps
  // that view as the drag's holder when it answers `dragging`.
  PressOutcome mouseDown(DrawContext* context, const MouseEvent& event) override;
  // Pass a move, or the release of the drag's button, to the drag's holder.
  void mouseMoved(DrawContext* context, const MouseEvent& event) override;
  void mouseUp(DrawContext* context, const MouseEvent& event) override;
  void updateIfChanged(DrawContext* context) override;

  // Appends `view` and becomes its parent; false (view not added) only when
  // the list cannot grow.
  virtual bool addView(View* view);
  // Takes `view` out of the list without deleting it; false when absent.
  virtual bool removeView(View* view);

  void setBackground(Bitmap* background);
  Bitmap* getBackground() const { return background_; }

  // Refused (false) when a modal view is already set and another is given;
  // null clears it.
  bool setModalView(View* view);
  View* getModalView() const { return modalView_; }
  void setFocusView(View* view) { focusView_ = view; }
  View* getFocusView() const { return focusView_; }
  // The view following the pointer in a drag, or null.
  View* getDragView() const { return dragView_; }

  // Handles waiting window events, then, after the first paint, redraws the
  // views whose value changed.
  void idle();
  // Draws `view` at once if it is one of ours, otherwise the whole frame.
  void drawView(View* view = nullptr);

  bool isOpen() const { return open_; }
  bool isFirstPaintPending() const { return firstPaintPending_; }
  bool containsView(const View* view) const;
  int getViewCount() const { return viewCount_; }
  int getViewCapacity() const { return viewCapacity_; }
  View* getView(int index) const;
  ChildWindow* getWindow() const { return window_.get(); }
  void* getParentWindow() const { return parentWindow_; }

  // The window class every frame window uses, and how many frames use it now.
  static std::string windowClassName();
  static int windowClassUseCount();

  // How much the view list grows each time it is full.
  static constexpr int kViewListGrowth = 10;

private:
  void windowPaint(Canvas& canvas) override;
  void windowMouse(const MouseEvent& event) override;
  void windowDestroyed() override;
  void createWindow();
  // Ends a drag whose release will never come, as if its button went up at
  // the last place the pointer was seen.
  void endDrag(DrawContext* context);

  void* parentWindow_;
  Bitmap* background_ = nullptr;
  View** views_ = nullptr;
  int viewCount_ = 0;
  int viewCapacity_ = 0;
  View* modalView_ = nullptr;
  View* focusView_ = nullptr;
  View* dragView_ = nullptr;
  int dragButton_ = 0;  // the button whose release ends the drag
  Point lastPointer_;   // where the latest mouse event was
  bool firstPaintPending_ = true;
  bool open_ = true;
  bool usesWindowClass_ = false;
  std::unique_ptr<ChildWindow> window_;
};
