// The VST 3 editor view in a real X11 window, with the tests as the host: a
// parent window, a frame that offers a run loop, and the run loop's work done
// on this thread as a host's interface thread does it (the X connection's
// descriptor polled, the timer fired). The view must live off that run loop
// alone, show what the host sets, report a click as begin, perform, end, and
// leave nothing registered when removed.
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdint>
#include <vector>

#include "editor/EditorLayout.h"
#include "effect/ParameterTable.h"
#include "tests/vst3/Vst3TestHost.h"
// Xlib's macros (None, Bool, ...) after every other header.
#include "tests/support/X11HostSupport.h"
#include "tests/support/X11TestDisplay.h"

using namespace vst3;
using testsupport::childrenOf;
using testsupport::pumpUntil;

namespace {

// The host's run loop: it remembers what is registered; the test runs it.
class RunLoop final : public vst3test::HostObject<IRunLoop> {
public:
  tresult BRASKLIN_VST3_CALL registerEventHandler(IEventHandler* handler, int fd) override
  {
    if (handler == nullptr || fd < 0) return kInvalidArgument;
    eventHandler = handler;
    descriptor = fd;
    return kResultOk;
  }
  tresult BRASKLIN_VST3_CALL unregisterEventHandler(IEventHandler* handler) override
  {
    if (handler != eventHandler) return kInvalidArgument;
    eventHandler = nullptr;
    return kResultOk;
  }
  tresult BRASKLIN_VST3_CALL registerTimer(ITimerHandler* handler, uint64_t milliseconds) override
  {
    if (handler == nullptr) return kInvalidArgument;
    timerHandler = handler;
    interval = milliseconds;
    return kResultOk;
  }
  tresult BRASKLIN_VST3_CALL unregisterTimer(ITimerHandler* handler) override
  {
    if (handler != timerHandler) return kInvalidArgument;
    timerHandler = nullptr;
    return kResultOk;
  }
  // One turn of the loop: the descriptor's handler if it has data, the timer.
  void turn()
  {
    if (eventHandler != nullptr) {
      pollfd watched{descriptor, POLLIN, 0};
      if (poll(&watched, 1, 0) > 0) eventHandler->onFDIsSet(descriptor);
    }
    if (timerHandler != nullptr) timerHandler->onTimer();
  }
  IEventHandler* eventHandler = nullptr;
  ITimerHandler* timerHandler = nullptr;
  int descriptor = -1;
  uint64_t interval = 0;
};

class PlugFrame final : public IPlugFrame {
public:
  tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) override
  {
    if (sameTuid(iid, IRunLoop::iid)) return loop.queryInterface(iid, object);
    if (sameTuid(iid, FUnknown::iid) || sameTuid(iid, IPlugFrame::iid)) {
      *object = this;
      return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
  }
  uint32_t BRASKLIN_VST3_CALL addRef() override { return 2; }
  uint32_t BRASKLIN_VST3_CALL release() override { return 1; }
  tresult BRASKLIN_VST3_CALL resizeView(IPlugView* /*view*/, ViewRect* /*size*/) override { return kResultFalse; }
  RunLoop loop;
};

std::vector<uint32_t> pixelsOf(Display* display, Window window, const layout::Box& box)
{
  std::vector<uint32_t> pixels;
  for (int y = box.top; y < box.bottom; y += 3) {
    for (int x = box.left; x < box.right; x += 3) pixels.push_back(testsupport::pixelAt(display, window, x, y));
  }
  return pixels;
}

}  // namespace

// robustness: VST 3 view attached to a null parent or a platform type it does not know => refused
TEST(Vst3ViewTest, livesOffTheHostsRunLoopShowsHostChangesReportsAClickAndUnregistersWhenRemoved)
{
  Display* display = testsupport::openTestDisplay();
  if (display == nullptr) return;
  vst3test::Module module(vst3test::bundleBinary());
  vst3test::Plugin plugin(module, 44100.0, 512);
  ASSERT_TRUE(plugin.ready);

  IPlugView* view = plugin.controller->createView("editor");
  ASSERT_NE(view, nullptr);
  ViewRect size{};
  ASSERT_EQ(view->getSize(&size), kResultOk);
  EXPECT_EQ(size.right - size.left, 560);
  EXPECT_EQ(size.bottom - size.top, 420);
  EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultTrue);
  EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultFalse);
  EXPECT_EQ(view->canResize(), kResultFalse);

  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 560, 420, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);
  PlugFrame frame;
  ASSERT_EQ(view->setFrame(&frame), kResultOk);
  EXPECT_NE(view->attached(nullptr, "X11EmbedWindowID"), kResultOk);
  EXPECT_NE(view->attached(reinterpret_cast<void*>(parent), "HWND"), kResultOk);
  ASSERT_EQ(view->attached(reinterpret_cast<void*>(parent), "X11EmbedWindowID"), kResultOk);
  ASSERT_NE(frame.loop.eventHandler, nullptr) << "no handler for the X connection";
  ASSERT_NE(frame.loop.timerHandler, nullptr) << "no redraw timer";
  EXPECT_GE(frame.loop.descriptor, 0);
  EXPECT_GT(frame.loop.interval, 0u);

  // The editor's window appears in the parent and gets painted.
  std::vector<Window> inside;
  ASSERT_TRUE(pumpUntil([&] { frame.loop.turn(); },
                        [&] {
                          inside = childrenOf(display, parent);
                          return inside.size() == 1 &&
                                 testsupport::pixelAt(display, inside[0], 280, 210) != 0xFFFFFFFFu &&
                                 testsupport::pixelAt(display, inside[0], 280, 210) != 0;
                        }))
      << "the editor never showed";
  const Window editor = inside[0];

  // The host sets the filter type: the switch's picture changes.
  const std::vector<uint32_t> before = pixelsOf(display, editor, layout::kFilterType.rect);
  ASSERT_EQ(plugin.controller->setParamNormalized(filterTypeParameter, 1.0), kResultOk);
  EXPECT_TRUE(pumpUntil([&] { frame.loop.turn(); },
                        [&] { return pixelsOf(display, editor, layout::kFilterType.rect) != before; }))
      << "the host's change was not shown";

  // A tap on the switch's top zone (off): begin, perform 0, end.
  plugin.handler.calls.clear();
  plugin.handler.performed.clear();
  const layout::ClickPoint top = layout::switchZoneCentre(layout::kFilterType, 0);
  XEvent press{};
  press.xbutton.type = ButtonPress;
  press.xbutton.display = display;
  press.xbutton.root = DefaultRootWindow(display);
  press.xbutton.x = top.x;
  press.xbutton.y = top.y;
  press.xbutton.button = Button1;
  press.xbutton.same_screen = True;
  std::vector<Window> frames = childrenOf(display, editor);
  const Window target = frames.empty() ? editor : frames[0];
  press.xbutton.window = target;
  XEvent release = press;
  release.xbutton.type = ButtonRelease;
  release.xbutton.state = Button1Mask;
  XSendEvent(display, target, True, ButtonPressMask, &press);
  XSendEvent(display, target, True, ButtonReleaseMask, &release);
  XFlush(display);
  ASSERT_TRUE(pumpUntil([&] { frame.loop.turn(); }, [&] { return plugin.handler.calls.size() >= 3; }))
      << "the tap reached no handler";
  EXPECT_EQ(plugin.handler.calls, (std::vector<std::string>{"b5", "p5", "e5"}));
  EXPECT_EQ(plugin.handler.performed, std::vector<double>{0.0});
  EXPECT_EQ(plugin.controller->getParamNormalized(filterTypeParameter), 0.0);

  // A program selected by the host: the host is asked to read the values
  // again from the view's idle, not from inside its call.
  plugin.handler.calls.clear();
  ASSERT_EQ(plugin.controller->setParamNormalized(0x10000, 3.0 / 15.0), kResultOk);
  EXPECT_TRUE(plugin.handler.calls.empty());
  frame.loop.turn();
  EXPECT_EQ(plugin.handler.calls, std::vector<std::string>{"r4"});

  // Removed: nothing stays registered, the window goes.
  ASSERT_EQ(view->setFrame(nullptr), kResultOk);
  ASSERT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(frame.loop.eventHandler, nullptr);
  EXPECT_EQ(frame.loop.timerHandler, nullptr);
  EXPECT_TRUE(childrenOf(display, parent).empty());
  EXPECT_EQ(view->release(), 0u);
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}
