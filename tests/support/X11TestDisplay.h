// The X server connection of a test that drives real X11 windows (run under
// Xvfb by the test scripts). Header only: only the X11 tests link Xlib.
#pragma once

#include <X11/Xlib.h>

#include <cstdlib>
#include <string>

#include "tests/support/DisplayRequirement.h"

namespace testsupport {

// Opens the display DISPLAY names. Without one it returns null after
// noDisplay() has skipped or failed the test: the caller's SetUp then returns.
inline Display* openTestDisplay()
{
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    noDisplay("no DISPLAY: run under xvfb-run");
    return nullptr;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) noDisplay(std::string("cannot open DISPLAY ") + name);
  return display;
}

}  // namespace testsupport
