// What the Windows layer's tests need from the system around the plug-in: a
// host's top-level window, a message loop with a deadline, the pixels a window
// shows, and real mouse input (the system's own messages for it, with the
// cursor really moving and the mouse capture in play, which posted messages
// cannot show).
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <vector>

#include "tests/windows_gui/ReferencePicture.h"

// A visible window standing in for the host's editor window: a top-level
// window at the screen's top-left corner (there is no window manager under
// Xvfb to move it), or a child of `parent` at `origin` in it.
//
// Under wine without a window manager, hiding or destroying a top-level window
// waits two seconds for a window-manager reply that never comes; tests
// therefore share one top-level window and give each test a child of it.
class HostWindow {
public:
  HostWindow(int width, int height, HWND parent = nullptr, POINT origin = {0, 0});
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND handle() const { return hwnd_; }
  // Destroys the window now, as a host closing its editor window does.
  void destroy();

private:
  HWND hwnd_ = nullptr;
};

// Delivers this thread's messages until `done` holds or `timeout` has passed;
// false on timeout.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
// Delivers the messages waiting now (and the paints they cause).
void pumpPending();

// The width x height pixels at the window's client origin, read through the
// window's own device context into a 32-bit DIB section.
Picture captureWindow(HWND window, int width, int height);

// Real mouse input at client point (x, y) of `window`.
void moveMouseTo(HWND window, int x, int y);
void sendButton(bool down);
