// What the editor tests share: a whole effect on the shipped wave shapes with
// its editor, a fake host that records what the plug-in tells it, the headless
// window layer with scripted mouse, and pixel comparisons against the artwork.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/EditorLayout.h"
#include "vst2/PluginEditor.h"
#include "vst2/PluginEffect.h"
#include "gui/Frame.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "gui/VerticalSwitch.h"
#include "vst2/interface/AEffect.h"
#include "platform/fake/FakePlatformServices.h"
#include "platform/headless/CairoCanvas.h"
#include "platform/headless/HeadlessBackend.h"

namespace editortest {

// The editor's layout in the toolkit's terms.
constexpr Rect rectOf(const layout::Box& box) { return {box.left, box.top, box.right, box.bottom}; }
constexpr Point pointOf(layout::ClickPoint point) { return {point.x, point.y}; }
// Where value 1.0 puts a slider's handle (the top of its travel) and 0.0 the
// bottom, whole pixels towards the top.
constexpr int handleTopFor(float value)
{
  return layout::kSliderTop + int((1.0 - double(value)) * layout::kHandleTravel);
}

// Any non-null value serves as the host's window for the headless layer.
inline void* const kHostWindow = reinterpret_cast<void*>(uintptr_t(0x4242));

// One audioMasterAutomate call as the host saw it.
struct Automation {
  int32_t index;
  float value;
};

// What the fake host has been told since the last clear().
struct HostLog {
  std::vector<Automation> automations;
  // The opcodes of every other call (audioMasterIdle among them).
  std::vector<int32_t> otherCalls;
  // The touch calls and the automation between them, in order: '[' begin
  // edit, 'a' automate, ']' end edit; `touchedIndices` has each call's index.
  std::string touches;
  std::vector<int32_t> touchedIndices;
  void clear()
  {
    automations.clear();
    otherCalls.clear();
    touches.clear();
    touchedIndices.clear();
  }
};
HostLog& hostLog();
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the host callback's signature
intptr_t fakeHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

// The headless window layer, the shipped shapes and one effect with its
// editor, in that order of construction (the editor loads its background
// through the current window layer).
class EditorTest : public ::testing::Test {
protected:
  EditorTest();
  ~EditorTest() override;

  // Opens the editor in the fake host window and paints it once, as a window
  // system does after mapping it.
  void openAndPaint();
  HeadlessWindow& window() const { return *backend.newestWindow(); }
  // A left click at `where`: press and release, no move between.
  void click(Point where);
  // Presses at `from`, drags to `to` in a few steps and releases there.
  void drag(Point from, Point to);
  // Types `text` into the text box at `where` (replacing what it held) and presses Enter.
  void typeInto(Point where, const std::string& text);
  // The parameters as the effect holds them now.
  std::vector<float> parameterValues() const;
  std::string boxText(const TextEdit* box) const { return box ? box->text() : std::string("<no box>"); }

  HeadlessBackend backend;
  FakePlatformServices services;
  std::unique_ptr<ScopedPlatformServices> servicesScope;
  std::unique_ptr<PluginEffect> effect;
  PluginEditor* editor = nullptr;
};

// The artwork as the plug-in ships it (its embedded bitmaps).
class Artwork {
public:
  explicit Artwork(int resourceId);
  int width() const;
  int height() const;
  uint32_t pixel(int x, int y) const;  // 0xRRGGBB

private:
  std::unique_ptr<CairoImage> image_;
};

// Number of pixels in the area of `size` (width, height) at `at` of the window
// that differ from the artwork's area at `source`; pixels that are white in the
// artwork are skipped when `skipWhite` (the handle's see-through key).
int differingFromArtwork(const HeadlessWindow& window, Point at, const Artwork& art, Point source, Point size,
                         bool skipWhite = false);

// Number of light pixels in `area` (the anti-aliased white text of the text boxes).
int countLight(const HeadlessWindow& window, const Rect& area);

// Where the handle of the slider whose left edge is `x` is drawn: the top row
// at which the window shows the handle image (all of its opaque pixels), or -1.
int drawnHandleTop(const HeadlessWindow& window, int x);

// Which of the `count` images of `imageSize` (width, height), stacked in strip
// `art`, the window shows at `at`, or -1 for none.
int shownImage(const HeadlessWindow& window, Point at, const Artwork& art, Point imageSize, int count);

}  // namespace editortest
