// Shared pieces of the toolkit tests: a headless backend installed for the
// test's lifetime, bitmaps built from plain colours, and pixel queries.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/Backend.h"
#include "gui/Bitmap.h"
#include "gui/Control.h"
#include "gui/Frame.h"
#include "platform/headless/HeadlessBackend.h"

// Any non-null value serves as the host's window for the headless layer.
inline void* const kFakeParentWindow = reinterpret_cast<void*>(uintptr_t(0x1234));

class HeadlessGuiTest : public ::testing::Test {
protected:
  void SetUp() override { setCurrentBackend(&backend); }
  void TearDown() override { setCurrentBackend(nullptr); }

  // Registers a width x height bitmap `id` whose pixel colour is pick(x, y).
  void addBitmap(int id, int width, int height, const std::function<uint32_t(int, int)>& pick)
  {
    std::vector<uint32_t> pixels(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) pixels[std::size_t(y) * width + x] = pick(x, y);
    backend.addBitmap(id, width, height, std::move(pixels));
  }
  void addSolidBitmap(int id, int width, int height, uint32_t rgb)
  {
    addBitmap(id, width, height, [rgb](int, int) { return rgb; });
  }

  HeadlessBackend backend;
};

// Bounding box (right, bottom inclusive) of the pixels of `colour` in `window`;
// left > right when there are none.
struct PixelBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  bool empty() const { return right < left; }
};

inline PixelBox boxOf(const HeadlessWindow& window, Colour colour)
{
  PixelBox box;
  for (int y = 0; y < window.height(); ++y)
    for (int x = 0; x < window.width(); ++x)
      if (window.pixel({x, y}) == colour) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

inline int countPixels(const HeadlessWindow& window, const Rect& area, Colour colour)
{
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (window.pixel({x, y}) == colour) ++n;
  return n;
}

// Records every valueChanged with the value the control had at that moment.
class RecordingListener : public ControlListener {
public:
  struct Call {
    Control* control;
    float value;
  };
  void valueChanged(DrawContext* context, Control* control) override
  {
    calls.push_back({control, control->getValue()});
    touches += 'v';
    if (redrawOnChange && context) control->updateIfChanged(context);
  }
  void controlBeginEdit(Control* /*control*/) override { touches += '['; }
  void controlEndEdit(Control* /*control*/) override { touches += ']'; }
  std::vector<Call> calls;
  // Every call in order: '[' begin of a touch, 'v' a change, ']' its end.
  std::string touches;
  bool redrawOnChange = true;  // like an editor: redraw the changed control at once
};
