// The X11 layer against a real X server (run under Xvfb): the frame's window
// lives inside a window of another connection (the host's), paints the same
// pixels the headless layer draws, receives clicks, edits text through its own
// line editor, and survives the host destroying its window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/OnOffButton.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "gui/VerticalSwitch.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/x11/X11Backend.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/X11HostSupport.h"
#include "tests/support/X11TestDisplay.h"

#include <cairo.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 420;
constexpr Point kButtonClick{37, 319};
constexpr Rect kTextBox{10, 257, 65, 270};

// The controls the scene holds, for the test to look at.
struct Scene {
  OnOffButton* button = nullptr;
  TextEdit* box = nullptr;
  Slider* slider = nullptr;
};

// A small editor-like scene on the plug-in's own artwork: background, a
// slider, an on/off button, a switch, a value display and a text box.
Scene buildScene(Frame& frame, ControlListener* listener)
{
  Scene scene;
  auto* background = new Bitmap(128);
  frame.setBackground(background);
  background->forget();
  auto* track = new Bitmap(129);
  auto* handle = new Bitmap(130);
  scene.slider = new Slider({25, 73, 50, 248}, listener, 0, 73, 226, handle, track, {0, 0}, kSliderStyleBottom);
  scene.slider->setValue(0.3f);
  frame.addView(scene.slider);
  track->forget();
  handle->forget();
  auto* buttonBitmap = new Bitmap(131);
  scene.button = new OnOffButton({25, 307, 50, 332}, listener, 2, buttonBitmap);
  scene.button->setValue(1.0f);
  frame.addView(scene.button);
  buttonBitmap->forget();
  auto* switchBitmap = new Bitmap(132);
  auto* sw = new VerticalSwitch({178, 73, 218, 133}, listener, 5, 4, 60, 4, switchBitmap, {0, 0});
  sw->setValue(2.0f / 3.0f);
  frame.addView(sw);
  switchBitmap->forget();
  auto* display = new ParamDisplay({100, 257, 160, 275});
  display->setValue(0.5f);
  frame.addView(display);
  scene.box = new TextEdit(kTextBox, listener, 99, "Saw", nullptr, kParamDisplay3DIn);
  frame.addView(scene.box);
  return scene;
}

std::vector<uint32_t> headlessPicture(const HeadlessWindow& window)
{
  std::vector<uint32_t> pixels;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pixels.push_back(window.pixel({x, y}).toRgb());
  return pixels;
}

std::vector<uint32_t> capture(Display* display, Window window)
{
  std::vector<uint32_t> pixels;
  XImage* image = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  if (!image) return pixels;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
  XDestroyImage(image);
  return pixels;
}

int differingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (std::size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

// Repeats `step` until `done` holds or two seconds have passed: the frame's
// own window answers well within that.
template <typename Step, typename Done>
bool pumpUntil(Step step, Done done)
{
  return testsupport::pumpUntil(step, done, std::chrono::seconds(2));
}

class X11FrameTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    host = testsupport::openTestDisplay();
    if (!host) return;
    const int screen = DefaultScreen(host);
    parent = XCreateSimpleWindow(host, RootWindow(host, screen), 0, 0, kWidth + 40, kHeight + 40, 0,
                                 WhitePixel(host, screen), WhitePixel(host, screen));
    XMapWindow(host, parent);
    XSync(host, False);
  }
  void TearDown() override
  {
    setCurrentBackend(nullptr);
    if (host) XCloseDisplay(host);
    // Cairo keeps caches for drawing to X servers; let go of them so that the
    // leak checker sees only what the toolkit itself might have lost.
    cairo_debug_reset_static_data();
  }

  Display* host = nullptr;
  Window parent = 0;
};

TEST_F(X11FrameTest, embeddedFramePaintsLikeHeadlessTakesClicksAndEditsText)
{
  RecordingListener listener;
  listener.redrawOnChange = false;

  // The reference pictures from the headless layer.
  HeadlessBackend headless;
  setCurrentBackend(&headless);
  std::vector<uint32_t> expectedFirst, expectedClicked;
  {
    Frame frame({0, 0, kWidth, kHeight}, kFakeParentWindow);
    buildScene(frame, &listener);
    ASSERT_EQ(frame.getBackground()->getWidth(), kWidth) << "the artwork must be embedded";
    headless.newestWindow()->paint();
    expectedFirst = headlessPicture(*headless.newestWindow());
    headless.press(kButtonClick, kMouseLeft);
    expectedClicked = headlessPicture(*headless.newestWindow());
  }
  ASSERT_NE(expectedFirst, expectedClicked) << "the click must change the picture";
  listener.calls.clear();

  X11Backend x11;
  setCurrentBackend(&x11);
  auto frame = std::make_unique<Frame>(Rect{0, 0, kWidth, kHeight}, reinterpret_cast<void*>(uintptr_t(parent)));
  ASSERT_NE(frame->getWindow(), nullptr);
  const auto child = Window(reinterpret_cast<uintptr_t>(frame->getWindow()->nativeHandle()));
  Scene scene = buildScene(*frame, &listener);

  // The frame's window is the host window's only child.
  Window root, parentOfParent, *children = nullptr;
  unsigned int count = 0;
  XSync(x11.display(), False);
  ASSERT_TRUE(XQueryTree(host, parent, &root, &parentOfParent, &children, &count));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(children[0], child);
  XFree(children);

  ASSERT_TRUE(pumpUntil([&] { frame->idle(); }, [&] { return !frame->isFirstPaintPending(); }))
      << "no Expose reached the frame";
  XSync(x11.display(), False);
  EXPECT_EQ(differingPixels(capture(host, child), expectedFirst), 0);

  // A click sent by the host's connection toggles the button.
  XEvent press{};
  press.xbutton.type = ButtonPress;
  press.xbutton.display = host;
  press.xbutton.window = child;
  press.xbutton.root = root;
  press.xbutton.time = CurrentTime;
  press.xbutton.x = kButtonClick.x;
  press.xbutton.y = kButtonClick.y;
  press.xbutton.button = Button1;
  press.xbutton.same_screen = True;
  XSendEvent(host, child, True, ButtonPressMask, &press);
  XFlush(host);
  ASSERT_TRUE(pumpUntil([&] { frame->idle(); }, [&] { return scene.button->getValue() == 0.0f; }));
  XSync(x11.display(), False);
  EXPECT_EQ(differingPixels(capture(host, child), expectedClicked), 0);
  ASSERT_EQ(listener.calls.size(), 1u);
  EXPECT_EQ(listener.calls[0].control, scene.button);

  // A real click (through XTEST) opens the line editor; typing and Enter end
  // it, and the keyboard goes back to the host's window, which had it.
  if (std::system("command -v xdotool >/dev/null 2>&1") == 0) {
    XSetInputFocus(host, parent, RevertToParent, CurrentTime);
    XSync(host, False);
    const std::string windowId = std::to_string(child);
    const std::string down = "xdotool mousemove --window " + windowId + " 20 262 mousedown 1";
    ASSERT_EQ(std::system(down.c_str()), 0);
    const bool opened = pumpUntil([&] { frame->idle(); }, [&] { return scene.box->isEditing(); });
    ASSERT_EQ(std::system("xdotool mouseup 1"), 0);
    ASSERT_TRUE(opened) << "the text box did not open its field";
    ASSERT_EQ(std::system("xdotool type --delay 1 '2.5' && xdotool key BackSpace Return"), 0);
    ASSERT_TRUE(pumpUntil([&] { frame->idle(); }, [&] { return !scene.box->isEditing(); }));
    EXPECT_EQ(scene.box->text(), "Saw2.");
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(host, &focus, &revert);
    EXPECT_EQ(focus, parent);
    ASSERT_EQ(listener.calls.size(), 2u);
    EXPECT_EQ(listener.calls[1].control, scene.box);

    // A second edit, ended by a click elsewhere in the frame: the text is kept
    // and the click still reaches the button it was meant for.
    ASSERT_EQ(std::system(down.c_str()), 0);
    const bool reopened = pumpUntil([&] { frame->idle(); }, [&] { return scene.box->isEditing(); });
    ASSERT_EQ(std::system("xdotool mouseup 1"), 0);
    ASSERT_TRUE(reopened);
    ASSERT_EQ(std::system("xdotool key Home x"), 0);
    // The server queues the keys before the click that follows them.
    XSendEvent(host, child, True, ButtonPressMask, &press);
    XFlush(host);
    ASSERT_TRUE(pumpUntil([&] { frame->idle(); }, [&] { return !scene.box->isEditing(); }));
    EXPECT_EQ(scene.box->text(), "xSaw2.");
    ASSERT_TRUE(pumpUntil([&] { frame->idle(); }, [&] { return listener.calls.size() == 4u; }));
    EXPECT_EQ(listener.calls[2].control, scene.box);
    EXPECT_EQ(listener.calls[3].control, scene.button);
  }

  // The host destroys its window: the frame notices and can still be deleted.
  XDestroyWindow(host, parent);
  XSync(host, False);
  EXPECT_TRUE(pumpUntil([&] { frame->idle(); }, [&] { return !frame->isOpen(); }));
  frame.reset();
}

TEST_F(X11FrameTest, parentThatIsNoWindowGivesAFrameWithoutWindow)
{
  X11Backend x11;
  setCurrentBackend(&x11);
  Frame frame({0, 0, 50, 50}, reinterpret_cast<void*>(uintptr_t(0x7FFFFFF0)));
  EXPECT_EQ(frame.getWindow(), nullptr);
  frame.idle();
}

}  // namespace
