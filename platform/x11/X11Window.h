// The frame's child window on X11 and the text field shown over text boxes.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "platform/x11/X11Backend.h"

class X11Window : public ChildWindow, public X11EventTarget {
public:
  // Wraps an existing window (created by X11Backend) of the given size.
  X11Window(X11Backend& backend, unsigned long window, int width, int height, WindowEvents& events);
  ~X11Window() override;
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  void detach() override { events_ = nullptr; }
  std::unique_ptr<Canvas> canvas() override;
  void dispatchPendingEvents() override;
  std::unique_ptr<TextField> createTextField(const Rect& area, const std::string& text, const FontSpec& font,
                                             TextFieldListener& listener) override;
  void* nativeHandle() const override;

  void handleEvent(_XEvent& event) override;
  // Copies `area` of the picture to the screen.
  void present(const Rect& area);

private:
  // True when the next event waiting is a move of the same window with the
  // same `state`, which makes this one stale.
  bool newerMoveWaiting(unsigned int state) const;

  X11Backend& backend_;
  unsigned long window_;
  int width_;
  int height_;
  WindowEvents* events_;
  cairo_surface_t* picture_;  // what the window shows, drawn client side
  cairo_surface_t* screen_;   // the window itself
  bool alive_ = true;
};

// A single-line editor of our own: a child window showing the text centred
// with a caret; printable keys insert, BackSpace/Delete remove, Left/Right/
// Home/End move the caret; Enter or the loss of keyboard focus ends the edit.
// It takes the keyboard focus while it is open and, when it goes still
// holding it, hands it back to the window that had it before (the host's), so
// the host's keys work again after Enter.
class X11TextField : public TextField, public X11EventTarget {
public:
  X11TextField(X11Backend& backend, unsigned long parent, const Rect& area, std::string text, const FontSpec& font,
               TextFieldListener& listener);
  ~X11TextField() override;
  X11TextField(const X11TextField&) = delete;
  X11TextField& operator=(const X11TextField&) = delete;

  std::string text() const override { return text_; }
  void handleEvent(_XEvent& event) override;
  bool valid() const { return window_ != 0; }

private:
  void render();
  void finish();

  X11Backend& backend_;
  unsigned long window_ = 0;
  int width_;
  int height_;
  std::string text_;
  std::size_t caret_;
  FontSpec font_;
  TextFieldListener& listener_;
  cairo_surface_t* picture_ = nullptr;
  cairo_surface_t* screen_ = nullptr;
  bool finished_ = false;
  unsigned long focusBefore_ = 0;  // the window that had the keyboard focus (0: none)
};
