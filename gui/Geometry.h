// Plain value types for positions and areas in window pixels.
#pragma once

#include <cstdint>

struct Point {
  int32_t x = 0;
  int32_t y = 0;

  constexpr Point() = default;
  constexpr Point(int32_t x, int32_t y) : x(x), y(y) {}

  constexpr Point operator+(Point other) const { return {x + other.x, y + other.y}; }
  constexpr Point operator-(Point other) const { return {x - other.x, y - other.y}; }
  constexpr bool operator==(const Point&) const = default;
};

// An area given by its edges. Width and height are right - left and
// bottom - top; for hit testing the right and bottom edges count as inside,
// so a click on the line two neighbouring views share belongs to both and the
// frame decides by order.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  constexpr Rect() = default;
  constexpr Rect(int32_t left, int32_t top, int32_t right, int32_t bottom)
      : left(left), top(top), right(right), bottom(bottom)
  {}

  constexpr int32_t width() const { return right - left; }
  constexpr int32_t height() const { return bottom - top; }
  constexpr Point topLeft() const { return {left, top}; }

  constexpr bool contains(Point p) const { return left <= p.x && p.x <= right && top <= p.y && p.y <= bottom; }

  // The same size, moved by `delta`.
  constexpr Rect offsetBy(Point delta) const
  {
    return {left + delta.x, top + delta.y, right + delta.x, bottom + delta.y};
  }

  // The rectangle of `size` (as a point: width, height) whose top-left is `origin`.
  static constexpr Rect fromOriginAndSize(Point origin, int32_t width, int32_t height)
  {
    return {origin.x, origin.y, origin.x + width, origin.y + height};
  }

  constexpr bool operator==(const Rect&) const = default;
};
