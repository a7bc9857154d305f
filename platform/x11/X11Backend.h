// The Linux editor layer: Xlib windows drawn with Cairo. The plug-in opens its
// own connection to the X server, makes the frame's window a child of the
// host's window (given as an X11 window id) and handles its events whenever the
// editor idles; there is no thread. Each event is handled and done with, so
// the host's interface thread is never held beyond one idle call.
//
// All drawing happens in client-side image surfaces (the shared Cairo canvas)
// and finished pixels are copied to the window, so the window shows exactly
// what the headless layer would draw.
//
// The toolkit's headers come first; Xlib's are only included by the .cpp
// files, after them, so Xlib's macros (None, Bool, Status ...) never reach
// toolkit code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/Backend.h"
#include "platform/headless/CairoCanvas.h"

struct _XDisplay;
union _XEvent;

// Something that receives the X events of one window.
class X11EventTarget {
public:
  virtual ~X11EventTarget() = default;
  virtual void handleEvent(_XEvent& event) = 0;
};

class X11Backend : public Backend {
public:
  X11Backend();
  ~X11Backend() override;
  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  uint32_t moduleTag() const override;
  bool registerWindowClass(const std::string& className) override;
  void unregisterWindowClass(const std::string& className) override;
  std::unique_ptr<ChildWindow> createChildWindow(void* parent, const std::string& className, int width, int height,
                                                 WindowEvents& events) override;
  std::unique_ptr<Canvas> createOffscreen(ChildWindow* window, int width, int height) override;
  std::unique_ptr<BackendImage> loadBitmap(int resourceId) override;
  std::unique_ptr<BackendMask> createMask(const BackendImage& image, Colour key) override;
  // The X connection's socket (opened on first use).
  int eventDescriptor() override;

  // Test hook: bitmaps registered here take precedence over the embedded ones.
  void addBitmap(int resourceId, int width, int height, const std::vector<uint32_t>& pixels);

  // ---- for the layer's own windows ----
  _XDisplay* display();  // opened on first use; null when there is no X server
  void addTarget(unsigned long window, X11EventTarget* target);
  void removeTarget(unsigned long window);
  // Handles every event waiting on the connection.
  void dispatchEvents();

private:
  _XDisplay* display_ = nullptr;
  bool triedToOpen_ = false;
  std::vector<std::pair<unsigned long, X11EventTarget*>> targets_;
  std::vector<std::string> classes_;
  CairoBitmapStore bitmaps_;
};

// Runs `action` with X errors caught instead of ending the process (the
// default handler exits); true when no error occurred.
bool withXErrorsCaught(_XDisplay* display, void (*action)(_XDisplay*, void*), void* data);
