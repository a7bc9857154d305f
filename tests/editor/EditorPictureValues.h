// The parameter values of the editor's pictures in docs/: the VST 2 editor's
// tests draw them, and the LV2 editor's tests must draw the same pixels for
// the same values.
#pragma once

#include <array>

#include "effect/ParameterTable.h"

namespace editorpictures {

// docs/editor-custom.png: every control away from its default (index 11, the
// second delay-time entry, is left out: 9 sets the delay time).
inline constexpr std::array<float, kParameterCount> kEveryControlMoved{
    0.45f, 1.0f, 1.0f, 1.0f, 0.8f, 1.0f, 0.3f, 0.7f, 0.55f, 0.25f, 0.45f,       0.25f,
    0.35f, 0.9f, 1.0f, 0.7f, 0.4f, 0.0f, 0.0f, 0.5f, 0.4f,  0.3f,  2.0f / 6.0f, 9.0f / 11.0f};

}  // namespace editorpictures
