// What an LV2 editor tells the host, as the tests' hosts record it: their
// write function and touch feature both log into a HostLog.
#pragma once

#include <gtest/gtest.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace lv2uitest {

// '[' a grab, 'w' a write, ']' a release, with the port of each, the values
// written and the size the editor asked for (ui:resize).
struct HostLog {
  std::string calls;
  std::vector<uint32_t> ports;
  std::vector<float> written;
  int width = 0;
  int height = 0;
};

// The host's write function: the editor writes control ports only, one float
// each (format 0).
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own signature
inline void writePort(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
  auto& log = *static_cast<HostLog*>(controller);
  EXPECT_EQ(size, sizeof(float));
  EXPECT_EQ(format, 0u);
  float value = 0.0f;
  std::memcpy(&value, buffer, sizeof value);
  log.calls += 'w';
  log.ports.push_back(port);
  log.written.push_back(value);
}

// The host's ui:touch feature.
inline void touchPort(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed)
{
  auto& log = *static_cast<HostLog*>(handle);
  log.calls += grabbed ? '[' : ']';
  log.ports.push_back(port);
}

}  // namespace lv2uitest
