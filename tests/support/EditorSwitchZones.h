// Where a host test taps the editor's multi-position switches: the middle of
// every zone of every switch, taken from the editor's layout, so the Linux
// and the Windows host tests tap the same points wherever the switches move.
#pragma once

#include <array>
#include <cstdint>

#include "editor/EditorLayout.h"

namespace editorzones {

struct SwitchZones {
  int32_t parameter;
  std::array<layout::ClickPoint, layout::kPositions> zones;  // top zone first
};

constexpr int kSwitchCount = layout::countOf(layout::Kind::verticalSwitch);

// The switches in the order the editor adds them.
constexpr std::array<SwitchZones, kSwitchCount> switchZones()
{
  std::array<SwitchZones, kSwitchCount> all{};
  int next = 0;
  for (const layout::Control& control : layout::kControls) {
    if (control.kind != layout::Kind::verticalSwitch) continue;
    SwitchZones& zones = all[static_cast<std::size_t>(next++)];
    zones.parameter = control.tag;
    for (int position = 0; position < layout::kPositions; ++position)
      zones.zones[static_cast<std::size_t>(position)] = layout::switchZoneCentre(control, position);
  }
  return all;
}

}  // namespace editorzones
