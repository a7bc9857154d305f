// The built plug-in's editor the way a Linux host runs it: the module loaded
// with dlopen, the editor opened through the dispatcher inside a top-level X11
// window of the host's own connection, driven by effEditIdle, clicked with
// synthetic button events and dragged with real ones, and closed again. Needs
// an X server (Xvfb in CI).
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "editor/EditorLayout.h"
#include "vst2/interface/AEffect.h"
#include "tests/support/EditorSwitchZones.h"
#include "tests/support/X11HostSupport.h"
#include "tests/support/X11TestDisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using PluginEntry = AEffect* (*)(audioMasterCallback);

struct Automation {
  int32_t index;
  float value;
};
std::vector<Automation> automations;
// The touch calls and automation in order: '[' begin edit, 'a' automate,
// ']' end edit; and the parameter index of each.
std::string touches;
std::vector<int32_t> touchedIndices;

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the host callback's signature
intptr_t host(AEffect* /*effect*/, int32_t opcode, int32_t index, intptr_t /*value*/, void* /*ptr*/, float opt)
{
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate) automations.push_back({index, opt});
  const char touch = opcode == audioMasterAutomate ? 'a' : opcode == 43 ? '[' : opcode == 44 ? ']' : '\0';
  if (touch != '\0') {
    touches += touch;
    touchedIndices.push_back(index);
  }
  return 0;
}

void clearHostLog()
{
  automations.clear();
  touches.clear();
  touchedIndices.clear();
}

using testsupport::childrenOf;
using testsupport::pixelAt;
using testsupport::pumpUntil;

class X11EditorHostTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    display = testsupport::openTestDisplay();
    if (!display) return;
    module = dlopen(BRASKLIN_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    entry = reinterpret_cast<PluginEntry>(dlsym(module, "main"));
    ASSERT_NE(entry, nullptr);
  }
  void TearDown() override
  {
    // The module stays loaded, as hosts keep theirs: the leak checker can then
    // still name the places inside it where the libraries it uses keep their
    // process-long caches (see LeakSuppressions.cpp).
    if (display) XCloseDisplay(display);
  }

  Display* display = nullptr;
  void* module = nullptr;
  PluginEntry entry = nullptr;
};

TEST_F(X11EditorHostTest, editorOpensInTheHostWindowTakesAClickAndCloses)
{
  clearHostLog();
  AEffect* effect = entry(&host);
  ASSERT_NE(effect, nullptr);
  const auto dispatch = [effect](int32_t opcode, intptr_t value = 0, void* ptr = nullptr) {
    return effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
  };
  dispatch(effOpen);
  ASSERT_NE(effect->flags & effFlagsHasEditor, 0);

  ERect* rect = nullptr;
  ASSERT_EQ(dispatch(effEditGetRect, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  const int width = rect->right - rect->left;
  const int height = rect->bottom - rect->top;
  EXPECT_EQ(width, layout::kWindowWidth);
  EXPECT_EQ(height, layout::kWindowHeight);

  // The host's window, sized from the rectangle, white until the editor paints.
  const int screen = DefaultScreen(display);
  const Window hostWindow =
      XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width), unsigned(height), 0,
                          WhitePixel(display, screen), WhitePixel(display, screen));
  XMapWindow(display, hostWindow);
  XSync(display, False);

  dispatch(effEditOpen, 0, reinterpret_cast<void*>(uintptr_t(hostWindow)));
  const std::vector<Window> children = childrenOf(display, hostWindow);
  ASSERT_EQ(children.size(), 1u) << "the editor's window must be the host window's only child";
  const Window editorWindow = children[0];

  // The idle calls deliver the first paint: the title strip turns from the
  // host's white into the artwork's dark background.
  ASSERT_TRUE(
      pumpUntil([&] { dispatch(effEditIdle); }, [&] { return pixelAt(display, hostWindow, 280, 30) != 0xFFFFFFu; }))
      << "the editor never painted";

  // Program 0 has " Stablize " off; a click on its button turns it on, and the
  // host hears of it.
  const float before = effect->getParameter(effect, 2);
  XEvent press{};
  press.xbutton.type = ButtonPress;
  press.xbutton.display = display;
  press.xbutton.window = editorWindow;
  press.xbutton.root = RootWindow(display, screen);
  press.xbutton.time = CurrentTime;
  press.xbutton.x = layout::centreOf(layout::kStablize).x;
  press.xbutton.y = layout::centreOf(layout::kStablize).y;
  press.xbutton.button = Button1;
  press.xbutton.same_screen = True;
  XSendEvent(display, editorWindow, True, ButtonPressMask, &press);
  XFlush(display);
  ASSERT_TRUE(pumpUntil([&] { dispatch(effEditIdle); }, [&] { return !automations.empty(); }))
      << "the click never reached the editor";
  ASSERT_EQ(automations.size(), 1u);
  EXPECT_EQ(automations[0].index, 2);
  EXPECT_EQ(automations[0].value, before == 0.0f ? 1.0f : 0.0f);
  EXPECT_EQ(effect->getParameter(effect, 2), automations[0].value);

  // The click is a touch of its own.
  EXPECT_EQ(touches, "[a]");

  // A quick click, its press and release sent together (a tap, a remote
  // desktop's click), selects the zone under it, on every switch, as one
  // touch each.
  XEvent release = press;
  release.xbutton.type = ButtonRelease;
  release.xbutton.state = Button1Mask;
  for (const editorzones::SwitchZones& column : editorzones::switchZones()) {
    // From position 0, so that every tap below changes the value.
    effect->setParameter(effect, column.parameter, 0.0f);
    for (int i = 0; i < 3; ++i) dispatch(effEditIdle);
    for (int position : {3, 1, 2, 0}) {
      SCOPED_TRACE("parameter " + std::to_string(column.parameter) + " position " + std::to_string(position));
      clearHostLog();
      press.xbutton.x = release.xbutton.x = column.zones[std::size_t(position)].x;
      press.xbutton.y = release.xbutton.y = column.zones[std::size_t(position)].y;
      XSendEvent(display, editorWindow, True, ButtonPressMask, &press);
      XSendEvent(display, editorWindow, True, ButtonReleaseMask, &release);
      XFlush(display);
      ASSERT_TRUE(pumpUntil([&] { dispatch(effEditIdle); }, [&] { return touches.size() >= 3; }))
          << "the tap selected nothing";
      EXPECT_EQ(touches, "[a]");
      for (int32_t index : touchedIndices) EXPECT_EQ(index, column.parameter);
      EXPECT_FLOAT_EQ(automations[0].value, float(position) / 3.0f);
    }
  }

  // A real drag (XTEST, from another process, while this thread goes on
  // idling: each press, move and release arrives as an event of its own):
  // the host hears begin, the automation, end.
  if (std::system("command -v xdotool >/dev/null 2>&1") == 0) {
    const int32_t kVolume = layout::kVolume.tag;
    effect->setParameter(effect, kVolume, 0.5f);  // the handle half way down its travel
    for (int i = 0; i < 5; ++i) dispatch(effEditIdle);
    clearHostLog();
    // Grabbed in the middle of the handle, then moved up 20 and 40 pixels.
    const int grab = layout::kSliderTop + layout::kHandleTravel / 2 + layout::kHandleHeight / 2;
    const std::string drag =
        testsupport::dragCommand(editorWindow, layout::kVolume.rect.left + 12, grab, {grab - 20, grab - 40});
    int dragStatus = -1;
    std::thread user([&] { dragStatus = std::system(drag.c_str()); });
    const bool ended =
        pumpUntil([&] { dispatch(effEditIdle); }, [&] { return !touches.empty() && touches.back() == ']'; });
    user.join();
    ASSERT_EQ(dragStatus, 0);
    ASSERT_TRUE(ended) << "the drag never ended: " << touches;
    ASSERT_GE(automations.size(), 2u);
    EXPECT_EQ(touches, "[" + std::string(automations.size(), 'a') + "]");
    for (int32_t index : touchedIndices) EXPECT_EQ(index, kVolume);
    // 40 pixels up of the handle's travel.
    constexpr float kTravel = layout::kHandleTravel;
    EXPECT_NEAR(effect->getParameter(effect, kVolume), 0.5f + 40.0f / kTravel, 1.5f / kTravel);
  } else {
    std::printf("xdotool missing: the real drag is not tried\n");
  }

  // Closing removes the editor's window from the host's.
  dispatch(effEditClose);
  EXPECT_TRUE(childrenOf(display, hostWindow).empty());

  // A second round works the same way.
  dispatch(effEditOpen, 0, reinterpret_cast<void*>(uintptr_t(hostWindow)));
  EXPECT_EQ(childrenOf(display, hostWindow).size(), 1u);
  for (int i = 0; i < 5; ++i) dispatch(effEditIdle);
  dispatch(effEditClose);
  EXPECT_TRUE(childrenOf(display, hostWindow).empty());

  dispatch(effClose);
  XDestroyWindow(display, hostWindow);
  XSync(display, False);
}

}  // namespace
