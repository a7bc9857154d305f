// What the tests that play an X11 host share: pumping the editor's idle until
// something shows, the windows a window holds, reading back its pixels, and a
// real drag by another X client. Header only: only the X11 tests link Xlib.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Repeats `step` until `done` holds or `limit` has passed; false when the
// time ran out.
template <typename Step, typename Done>
bool pumpUntil(Step step, Done done, std::chrono::milliseconds limit = std::chrono::seconds(3))
{
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    step();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

inline std::vector<Window> childrenOf(Display* display, Window window)
{
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  std::vector<Window> list;
  XSync(display, False);
  if (XQueryTree(display, window, &root, &parent, &children, &count)) {
    list.assign(children, children + count);
    XFree(children);
  }
  return list;
}

// The colour at x, y of `window` as 0xRRGGBB; 0xFFFFFFFF when it cannot be read.
inline uint32_t pixelAt(Display* display, Window window, int x, int y)
{
  XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0xFFFFFFFFu;
  const auto rgb = uint32_t(XGetPixel(image, 0, 0)) & 0xFFFFFFu;
  XDestroyImage(image);
  return rgb;
}

// An xdotool command that presses the left button at x, y of `window`, moves
// the pointer to each of `toYs` in turn (same x) and lets go, pausing 0.2 s
// between steps: each press, move and release reaches the window as an event
// of its own, from another client, as a user's drag does.
inline std::string dragCommand(Window window, int x, int y, std::initializer_list<int> toYs)
{
  const std::string id = std::to_string(window);
  std::string command =
      "xdotool mousemove --window " + id + " " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1";
  for (const int to : toYs)
    command += " sleep 0.2 mousemove --window " + id + " " + std::to_string(x) + " " + std::to_string(to);
  return command + " sleep 0.2 mouseup 1";
}

}  // namespace testsupport
