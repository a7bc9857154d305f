// Tests that need a window system skip themselves where none can be opened,
// so that a plain `ctest` on a machine without a display still runs all the
// rest. The test scripts set BRASKLIN_REQUIRE_DISPLAY=1: there a missing
// display fails the test, so a window test cannot pass by not running.
#pragma once

#include <string>

namespace testsupport {

// Whether BRASKLIN_REQUIRE_DISPLAY is set to anything but empty or "0".
bool displayRequired();

// Records that the running test has no display, for the reason `why`: a
// failure when a display is required, otherwise a skip. Call it from SetUp
// (or the test body) and return right after: either way the test body does
// not run.
void noDisplay(const std::string& why);

}  // namespace testsupport
