// The VST 3 editor view in a Windows window (run under wine), with the test
// as the host: a parent window, the view attached to its HWND, the thread's
// messages pumped as a host's interface thread does. The view must build its
// window inside the parent, live off the system's message loop (its redraw
// timer also gives the controller its idle: a program change's request to
// re-read the values arrives from there), and take its window away when
// removed.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/vst3/Vst3TestHost.h"

using namespace vst3;

namespace {

// Dispatches the thread's messages until `done` holds or two seconds pass.
template <typename Done>
bool pumpUntil(Done done)
{
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(5);
  }
  return true;
}

}  // namespace

TEST(Vst3ViewWin32Test, buildsItsWindowInTheHostsHwndRunsOffTheMessageLoopAndLeavesWhenRemoved)
{
  vst3test::Module module(vst3test::bundleBinary());
  vst3test::Plugin plugin(module, 44100.0, 512);
  ASSERT_TRUE(plugin.ready);
  IPlugView* view = plugin.controller->createView("editor");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultTrue);
  EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultFalse);
  ViewRect size{};
  ASSERT_EQ(view->getSize(&size), kResultOk);

  HWND parent =
      CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, size.right - size.left + 40,
                      size.bottom - size.top + 60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  ASSERT_EQ(view->attached(parent, "HWND"), kResultOk);
  EXPECT_NE(GetWindow(parent, GW_CHILD), nullptr) << "no window inside the host's";

  plugin.handler.calls.clear();
  ASSERT_EQ(plugin.controller->setParamNormalized(0x10000, 2.0 / 15.0), kResultOk);
  EXPECT_TRUE(plugin.handler.calls.empty());
  EXPECT_TRUE(pumpUntil([&] { return !plugin.handler.calls.empty(); })) << "the view's timer never ran";
  EXPECT_EQ(plugin.handler.calls, std::vector<std::string>{"r4"});

  ASSERT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr) << "the view's window stayed";
  EXPECT_EQ(view->release(), 0u);
  DestroyWindow(parent);
}
