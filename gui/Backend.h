// The seam between the toolkit and the platform. The toolkit (DrawContext,
// Bitmap, Frame, the controls) includes no operating-system header; everything
// it needs from the window system goes through the few interfaces below. Each
// platform layer (platform/win32, platform/x11, platform/headless) implements
// them once.
//
// Pixel rules every implementation follows (they are what the Windows graphics
// calls do, so a GDI layer maps one to one):
// - Rectangles given to fill operations cover x in [left, right) and
//   y in [top, bottom): the right column and bottom row are not painted.
// - A line from A to B paints A and every pixel up to, but not including, B.
// - Ellipses, arcs and pies are inscribed in a box whose right and bottom edges
//   are exclusive, like the fill rule above.
//
// Threads: every call is made on the thread that owns the editor window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gui/Colour.h"
#include "gui/Fonts.h"
#include "gui/Geometry.h"
#include "gui/MouseEvent.h"

enum class LineStyle { solid, dotted };

struct PenSpec {
  Colour colour = kWhiteColour;
  int width = 1;
  LineStyle style = LineStyle::solid;
};

struct TextMetrics {
  int width = 0;   // advance of the whole text
  int height = 0;  // cell height: ascent + descent
  int ascent = 0;  // from the cell top to the baseline
};

// A picture loaded from the plug-in's own bitmap resources.
class BackendImage {
public:
  virtual ~BackendImage() = default;
  virtual int width() const = 0;   // pixels
  virtual int height() const = 0;  // pixels
};

// A see-through mask built from an image, marking the key-coloured pixels.
class BackendMask {
public:
  virtual ~BackendMask() = default;
};

// Somewhere to draw: a window or an offscreen picture.
class Canvas {
public:
  virtual ~Canvas() = default;

  // Paints the line from `from` towards `to`, `to` itself excluded.
  virtual void line(Point from, Point to, const PenSpec& pen) = 0;
  // Fills the polygon through `count` points with `colour`, no outline.
  virtual void fillPolygon(const Point* points, int count, Colour colour) = 0;
  // Fills x in [area.left, area.right), y in [area.top, area.bottom).
  virtual void fillRect(const Rect& area, Colour colour) = 0;
  // Outlines the ellipse inscribed in `box` (right, bottom exclusive).
  virtual void strokeEllipse(const Rect& box, const PenSpec& pen) = 0;
  // Fills the ellipse inscribed in `box` (right, bottom exclusive), no outline.
  virtual void fillEllipse(const Rect& box, Colour colour) = 0;
  // Outlines the part of the ellipse in `box` running anticlockwise on screen
  // from the ray (centre to `start`) to the ray (centre to `end`).
  virtual void strokeArc(const Rect& box, Point start, Point end, const PenSpec& pen) = 0;
  // Fills the pie slice bounded like strokeArc and the two radii, no outline.
  virtual void fillPie(const Rect& box, Point start, Point end, Colour colour) = 0;
  // Sets one pixel.
  virtual void setPixel(Point where, Colour colour) = 0;
  // The colour of one pixel (black outside the canvas); used by tests and by
  // the text field to sample its background.
  virtual Colour pixel(Point where) const = 0;
  // Size of `text` in `font`.
  virtual TextMetrics measureText(const std::string& text, const FontSpec& font) = 0;
  // Draws `text` with the top-left corner of its cell at `origin`, painting
  // only inside `clip`; the background is left as it is.
  virtual void drawText(const std::string& text, Point origin, const FontSpec& font, Colour colour,
                        const Rect& clip) = 0;
  // Copies dest.width() x dest.height() pixels of `source`, starting at
  // `sourceOffset`, to dest's top-left corner. `source` comes from the same backend.
  virtual void copyFrom(Canvas& source, Point sourceOffset, const Rect& dest) = 0;
  // Copies dest.width() x dest.height() pixels of `image`, starting at
  // `sourceOffset`, to dest's top-left corner. With a mask, pixels it marks as
  // see-through leave the canvas unchanged. Parts outside the image are not painted.
  virtual void drawImage(const BackendImage& image, const BackendMask* mask, Point sourceOffset, const Rect& dest) = 0;
};

// Told when a single-line text field ends its edit.
class TextFieldListener {
public:
  virtual ~TextFieldListener() = default;
  // Enter was pressed or the field lost the keyboard focus. The listener may
  // destroy the field from inside this call; the field touches nothing after it.
  virtual void textFieldFinished() = 0;
};

// A native single-line text field placed over a text box while it is edited.
class TextField {
public:
  virtual ~TextField() = default;  // removes the field from the window
  // The text as the user left it.
  virtual std::string text() const = 0;
};

// What a child window reports to its owner (the Frame).
class WindowEvents {
public:
  virtual ~WindowEvents() = default;
  // The window needs painting; `canvas` draws into it for this call only.
  virtual void windowPaint(Canvas& canvas) = 0;
  // A mouse event in this window. Presses and releases come for the left
  // and the right button only; while one of them is held the window keeps the
  // pointer (a grab, a capture), so the moves and the release reach it even
  // beyond its edges.
  virtual void windowMouse(const MouseEvent& event) = 0;
  // The window is gone (the host destroyed it, or its parent).
  virtual void windowDestroyed() = 0;
};

// The frame's window: a child of the host's window.
class ChildWindow {
public:
  virtual ~ChildWindow() = default;  // destroys the window if it still exists
  // Stops reporting events; called before the owner goes away.
  virtual void detach() = 0;
  // A canvas that draws straight into the window until it is destroyed.
  virtual std::unique_ptr<Canvas> canvas() = 0;
  // Delivers the events waiting for this window. Where the host's own message
  // loop delivers them (Windows) this does nothing.
  virtual void dispatchPendingEvents() = 0;
  // Opens a text field over `area` (window coordinates) holding `text`, gives
  // it the keyboard focus, and reports the end of the edit to `listener`.
  virtual std::unique_ptr<TextField> createTextField(const Rect& area, const std::string& text, const FontSpec& font,
                                                     TextFieldListener& listener) = 0;
  // The native handle (HWND, X11 Window id), for the host and for tests.
  virtual void* nativeHandle() const = 0;
};

// The platform itself: one per process.
class Backend {
public:
  virtual ~Backend() = default;
  // A number identifying the plug-in module; it names the window class.
  virtual uint32_t moduleTag() const = 0;
  // Registers the window class all frames' windows use; false on failure.
  virtual bool registerWindowClass(const std::string& className) = 0;
  // Removes the window class again.
  virtual void unregisterWindowClass(const std::string& className) = 0;
  // Creates a visible child window of `parent` at 0, 0 with the given size;
  // null when that fails.
  virtual std::unique_ptr<ChildWindow> createChildWindow(void* parent, const std::string& className, int width,
                                                         int height, WindowEvents& events) = 0;
  // A memory picture of the given size, compatible with `window` (may be null).
  virtual std::unique_ptr<Canvas> createOffscreen(ChildWindow* window, int width, int height) = 0;
  // The bitmap resource `resourceId` of the plug-in module; null when missing.
  virtual std::unique_ptr<BackendImage> loadBitmap(int resourceId) = 0;
  // A mask marking every pixel of `image` equal to `key` as see-through.
  virtual std::unique_ptr<BackendMask> createMask(const BackendImage& image, Colour key) = 0;
  // The file descriptor that becomes readable when this layer has events
  // waiting, for hosts whose run loop watches descriptors and calls back on
  // the interface thread (VST 3 on Linux); -1 where the system's own message
  // loop delivers the events (Windows) or no connection is open.
  virtual int eventDescriptor() { return -1; }
};

// The backend the toolkit uses: the one set with setCurrentBackend, or else
// the platform layer linked into the program.
Backend& currentBackend();
// Test hook: makes `backend` current; null returns to the platform's own.
void setCurrentBackend(Backend* backend);
// Defined by the platform layer linked into the program.
Backend& platformDefaultBackend();
