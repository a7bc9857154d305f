#include "tests/support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace testsupport {

bool displayRequired()
{
  const char* value = std::getenv("BRASKLIN_REQUIRE_DISPLAY");
  return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void noDisplay(const std::string& why)
{
  if (displayRequired()) {
    GTEST_FAIL() << why << " (BRASKLIN_REQUIRE_DISPLAY is set: this test must run)";
  }
  GTEST_SKIP() << why;
}

}  // namespace testsupport
