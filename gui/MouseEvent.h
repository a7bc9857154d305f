// Mouse input as the platform layers report it to the frame, and what a view
// answers to a press. Every platform delivers the same three steps of a click
// or a drag (press, the moves, release) with the buttons and modifiers as they
// stood at that event; controls are state machines fed by them and never read
// the live mouse.
#pragma once

#include "gui/Geometry.h"

// Button and modifier bits of a mouse event's state.
inline constexpr int kMouseLeft = 1;
inline constexpr int kMouseMiddle = 2;
inline constexpr int kMouseRight = 4;
inline constexpr int kModifierShift = 8;
inline constexpr int kModifierControl = 16;
inline constexpr int kModifierAlt = 32;
inline constexpr int kMouseButtons = kMouseLeft | kMouseMiddle | kMouseRight;

enum class MouseEventType {
  press,    // a button went down
  move,     // the pointer moved
  release,  // a button went up
  // The window no longer gets the pointer (the host or another window took it
  // during a drag): a drag ends where it is, as if its button went up.
  cancel,
};

struct MouseEvent {
  MouseEventType type = MouseEventType::move;
  // Window coordinates. While a drag holds the pointer they run on beyond the
  // window's edges (negative to the left and above).
  Point where;
  // Press and release: the button that went down or up (kMouseLeft,
  // kMouseMiddle or kMouseRight); 0 for the other types.
  int button = 0;
  // The buttons held and the modifiers once the event has happened: a press
  // includes its own button, a release no longer does.
  int state = 0;
};

// What a view makes of a press.
enum class PressOutcome {
  done,  // the press was all of it
  // The view follows the pointer: every move and the release of the button
  // that pressed go to it, wherever the pointer is, until that release.
  dragging,
};
