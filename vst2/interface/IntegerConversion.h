// Narrowing of the pointer-sized numbers that cross the host boundary.
#pragma once

#include <cstdint>
#include <limits>

// A 64-bit host may put any pointer-sized value where the plug-in expects a
// 32-bit number. Clamping (rather than dropping the high bits) keeps the sign
// and the order, so a huge negative value can never wrap into a valid index.
inline int32_t saturateToInt32(intptr_t value)
{
  if (value > std::numeric_limits<int32_t>::max()) {
    return std::numeric_limits<int32_t>::max();
  }
  if (value < std::numeric_limits<int32_t>::min()) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(value);
}
