// The toolkit's frame in a real child window of a host window (wine under
// Xvfb): window class and placement, the painted picture against the one the
// headless layer drew on Linux, clicks and drags posted as the system posts
// them and made with real mouse input, the mouse kept by the window during a
// drag, the system's EDIT control for text boxes, and the host taking its
// window away.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "gui/Frame.h"
#include "gui/OnOffButton.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"
#include "platform/win32/Win32Backend.h"
#include "tests/windows_gui/ReferencePicture.h"
#include "tests/windows_gui/ReferenceScene.h"
#include "tests/windows_gui/WindowTestSupport.h"

namespace {

const std::string kReferenceDir = BRASKLIN_WINDOWS_GUI_REFERENCE_DIR;

class RecordingListener : public ControlListener {
public:
  struct Call {
    Control* control;
    float value;
  };
  void valueChanged(DrawContext* context, Control* control) override
  {
    calls.push_back({control, control->getValue()});
    if (context) control->updateIfChanged(context);  // as the editor redraws a change at once
  }
  std::vector<Call> calls;
};

HWND windowOf(const Frame& frame)
{
  return frame.getWindow() ? static_cast<HWND>(frame.getWindow()->nativeHandle()) : nullptr;
}

void postClick(HWND window, Point where)
{
  const LPARAM at = MAKELPARAM(where.x, where.y);
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(window, WM_LBUTTONUP, 0, at);
}

HWND editControlOf(HWND frameWindow) { return FindWindowExA(frameWindow, nullptr, "Edit", nullptr); }

class Win32FrameTest : public ::testing::Test {
protected:
  static void SetUpTestSuite()
  {
    // Left for the end of the process to take away (see HostWindow).
    static HostWindow* const topLevel = new HostWindow(kSceneWidth + 80, kSceneHeight + 80);
    screen = topLevel->handle();
  }
  void SetUp() override
  {
    ASSERT_NE(screen, nullptr) << "no window: the tests need a display (xvfb-run)";
    // Away from the screen's origin, so window and screen coordinates differ.
    host = std::make_unique<HostWindow>(kSceneWidth + 40, kSceneHeight + 40, screen, POINT{23, 31});
    ASSERT_NE(host->handle(), nullptr) << "no window: the tests need a display (xvfb-run)";
    setCurrentBackend(&backend);
  }
  void TearDown() override
  {
    setCurrentBackend(nullptr);
    host.reset();
  }

  // A frame with the scene in the host window, painted once.
  std::unique_ptr<Frame> openScene(SceneControls& scene)
  {
    auto frame = std::make_unique<Frame>(Rect{0, 0, kSceneWidth, kSceneHeight}, host->handle());
    scene = buildReferenceScene(*frame, &listener);
    EXPECT_TRUE(pumpUntil([&] { return !frame->isFirstPaintPending(); })) << "no paint arrived";
    return frame;
  }

  // A real left click on the text box; true once its field is open.
  bool openTextBox(Frame& frame, TextEdit& box)
  {
    moveMouseTo(windowOf(frame), kSceneTextBox.left + 10, kSceneTextBox.top + 5);
    sendButton(true);
    const bool opened = pumpUntil([&] { return box.isEditing(); });
    sendButton(false);
    pumpPending();
    return opened;
  }

  static inline HWND screen = nullptr;  // the top-level window all hosts live in
  Win32Backend backend;
  std::unique_ptr<HostWindow> host;
  RecordingListener listener;
};

TEST_F(Win32FrameTest, frameWindowIsAChildOfTheHostWindowWithTheModuleClass)
{
  char expectedClass[32];
  std::snprintf(expectedClass, sizeof expectedClass, "Plugin%08x",
                unsigned(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr))));
  {
    Frame first({0, 0, 300, 200}, host->handle());
    HWND child = windowOf(first);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), host->handle());
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    EXPECT_STREQ(name, expectedClass);
    GetWindowTextA(child, name, sizeof name);
    EXPECT_STREQ(name, "Window");
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right - client.left, 300);
    EXPECT_EQ(client.bottom - client.top, 200);
    RECT inHost{};
    GetWindowRect(child, &inHost);
    MapWindowPoints(nullptr, host->handle(), reinterpret_cast<POINT*>(&inHost), 2);
    EXPECT_EQ(inHost.left, 0);
    EXPECT_EQ(inHost.top, 0);
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    EXPECT_TRUE((style & WS_CHILD) && (style & WS_VISIBLE));

    WNDCLASSA info{};
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), expectedClass, &info));
    {
      // A second frame shares the class; it stays when that one goes.
      Frame second({0, 0, 50, 50}, host->handle());
      EXPECT_NE(windowOf(second), nullptr);
    }
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), expectedClass, &info));
  }
  WNDCLASSA info{};
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), expectedClass, &info)) << "the last frame removes the class";

  // A parent that is no window gives a frame without one, and no class is left behind.
  Frame orphan({0, 0, 50, 50}, reinterpret_cast<void*>(uintptr_t(0x7FFF0)));
  EXPECT_EQ(orphan.getWindow(), nullptr);
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), expectedClass, &info));
}

TEST_F(Win32FrameTest, paintsTheHeadlessPictureAndAPostedClickTogglesTheButton)
{
  const std::optional<Picture> expectedFirst = readPicture(kReferenceDir + "/scene.brpx");
  const std::optional<Picture> expectedClicked = readPicture(kReferenceDir + "/scene-clicked.brpx");
  ASSERT_TRUE(expectedFirst && expectedClicked) << "reference pictures missing in " << kReferenceDir;

  SceneControls scene;
  std::unique_ptr<Frame> frame = openScene(scene);
  HWND child = windowOf(*frame);
  ASSERT_NE(child, nullptr);
  pumpPending();

  const Picture first = captureWindow(child, kSceneWidth, kSceneHeight);
  ASSERT_EQ(first.pixels.size(), expectedFirst->pixels.size());
  const std::vector<Rect> textAreas = sceneTextAreas();
  const PictureDifference firstDifference = comparePictures(first, *expectedFirst, textAreas);
  EXPECT_EQ(firstDifference.outsideText, 0) << "pixels differing from the headless picture";
  std::printf("painted frame: %d pixels differ outside text, %d inside the text areas\n", firstDifference.outsideText,
              firstDifference.insideText);
  // Text: drawn, and where the Linux layer draws it, within a pixel or two.
  for (const Rect& area : textAreas) {
    const Rect drawn = inkBox(first, area, 0);
    const Rect expected = inkBox(*expectedFirst, area, 0);
    ASSERT_GT(drawn.width(), 0) << "no text drawn in " << area.left << "," << area.top;
    EXPECT_NEAR(drawn.left, expected.left, 2);
    EXPECT_NEAR(drawn.right, expected.right, 2);
    EXPECT_NEAR(drawn.top, expected.top, 2);
    EXPECT_NEAR(drawn.bottom, expected.bottom, 2);
  }

  // The click arrives as the system posts it to the window under the mouse.
  postClick(child, kSceneButtonClick);
  ASSERT_TRUE(pumpUntil([&] { return scene.button->getValue() == 0.0f; })) << "the click did not arrive";
  pumpPending();
  ASSERT_EQ(listener.calls.size(), 1u);
  EXPECT_EQ(listener.calls[0].control, scene.button);
  EXPECT_EQ(listener.calls[0].value, 0.0f);
  const Picture clicked = captureWindow(child, kSceneWidth, kSceneHeight);
  const PictureDifference clickedDifference = comparePictures(clicked, *expectedClicked, textAreas);
  EXPECT_EQ(clickedDifference.outsideText, 0);
  std::printf("after the click: %d pixels differ outside text, %d inside the text areas\n",
              clickedDifference.outsideText, clickedDifference.insideText);

  // Idle redraws a value set from outside, and a full repaint gives the same picture.
  scene.button->setValue(1.0f);
  frame->idle();
  const Picture restored = captureWindow(child, kSceneWidth, kSceneHeight);
  EXPECT_EQ(comparePictures(restored, *expectedFirst, textAreas).outsideText, 0);
  InvalidateRect(child, nullptr, TRUE);
  UpdateWindow(child);
  const Picture repainted = captureWindow(child, kSceneWidth, kSceneHeight);
  EXPECT_EQ(comparePictures(repainted, restored, {}).outsideText, 0);
}

TEST_F(Win32FrameTest, textBoxEditsInTheSystemEditControl)
{
  SceneControls scene;
  std::unique_ptr<Frame> frame = openScene(scene);
  HWND child = windowOf(*frame);

  // The message's own buttons and modifiers decide, as for every control: a
  // left click with Shift leaves the box closed, a plain left click opens it.
  const LPARAM inBox = MAKELPARAM(kSceneTextBox.left + 10, kSceneTextBox.top + 5);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, inBox);
  PostMessageA(child, WM_LBUTTONUP, MK_SHIFT, inBox);
  pumpPending();
  EXPECT_FALSE(scene.box->isEditing());

  ASSERT_TRUE(openTextBox(*frame, *scene.box)) << "a real click did not open the field";
  HWND edit = editControlOf(child);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetFocus(), edit);
  RECT placed{};
  GetWindowRect(edit, &placed);
  MapWindowPoints(nullptr, child, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, kSceneTextBox.left);
  EXPECT_EQ(placed.top, kSceneTextBox.top);
  EXPECT_EQ(placed.right, kSceneTextBox.right + 1);
  EXPECT_EQ(placed.bottom, kSceneTextBox.bottom + 1);
  EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_CENTER);
  char shown[32] = {};
  GetWindowTextA(edit, shown, sizeof shown);
  EXPECT_STREQ(shown, "Saw");

  // Typing goes to the caret at the end; Enter ends the edit.
  for (char c : std::string("2.5")) PostMessageA(edit, WM_CHAR, WPARAM(c), 1);
  PostMessageA(edit, WM_KEYDOWN, VK_BACK, 1);
  PostMessageA(edit, WM_CHAR, VK_BACK, 1);
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_TRUE(pumpUntil([&] { return !scene.box->isEditing(); }));
  EXPECT_EQ(scene.box->text(), "Saw2.");
  EXPECT_FALSE(IsWindow(edit)) << "the field goes when the edit ends";
  ASSERT_EQ(listener.calls.size(), 1u);
  EXPECT_EQ(listener.calls[0].control, scene.box);

  // Ended by a click elsewhere: the text is kept and the click still reaches its control.
  ASSERT_TRUE(openTextBox(*frame, *scene.box));
  edit = editControlOf(child);
  PostMessageA(edit, WM_CHAR, WPARAM('x'), 1);
  postClick(child, kSceneButtonClick);
  ASSERT_TRUE(pumpUntil([&] { return listener.calls.size() == 3u; }));
  EXPECT_FALSE(scene.box->isEditing());
  EXPECT_EQ(scene.box->text(), "Saw2.x");
  EXPECT_EQ(listener.calls[1].control, scene.box);
  EXPECT_EQ(listener.calls[2].control, scene.button);

  // Ended by the keyboard focus moving away; an unchanged text tells no one.
  ASSERT_TRUE(openTextBox(*frame, *scene.box));
  SetFocus(host->handle());
  ASSERT_TRUE(pumpUntil([&] { return !scene.box->isEditing(); }));
  EXPECT_EQ(scene.box->text(), "Saw2.x");
  EXPECT_EQ(listener.calls.size(), 3u);

  // Longer than a text box holds: cut to its first 254 characters.
  ASSERT_TRUE(openTextBox(*frame, *scene.box));
  const std::string longText(300, 'k');
  SetWindowTextA(editControlOf(child), longText.c_str());
  PostMessageA(editControlOf(child), WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_TRUE(pumpUntil([&] { return !scene.box->isEditing(); }));
  EXPECT_EQ(scene.box->text(), std::string(254, 'k'));
}

TEST_F(Win32FrameTest, sliderFollowsARealDragUntilTheButtonIsReleased)
{
  SceneControls scene;
  std::unique_ptr<Frame> frame = openScene(scene);
  HWND child = windowOf(*frame);
  const int handleTop = scene.slider->getHandleTop();
  const Point grab{kSceneSlider.left + 8, handleTop + 4};
  const int travel = kSceneSliderBottom - kSceneSliderTop;
  const int drag = 40;  // pixels down

  // Each step is a message of its own, delivered by this thread's loop: the
  // drag never holds the thread.
  moveMouseTo(child, grab.x, grab.y);
  sendButton(true);
  ASSERT_TRUE(pumpUntil([&] { return frame->getDragView() == scene.slider; })) << "the press did not arrive";
  EXPECT_EQ(GetCapture(), child) << "the window keeps the mouse during the drag";
  moveMouseTo(child, grab.x, grab.y + drag);
  const bool moved = pumpUntil([&] { return std::fabs(scene.slider->getValue() - 0.3f) > 0.1f; });
  sendButton(false);
  EXPECT_TRUE(pumpUntil([&] { return frame->getDragView() == nullptr; })) << "the release did not end the drag";
  ASSERT_TRUE(moved) << "the drag did not move the slider";
  EXPECT_EQ(GetCapture(), nullptr);
  // Down by 40 of the 153 pixels of travel, bottom = 0: the value falls by 40 / 153.
  EXPECT_NEAR(scene.slider->getValue(), 0.3f - float(drag) / float(travel), 1.0f / float(travel));
  ASSERT_FALSE(listener.calls.empty());
  EXPECT_EQ(listener.calls.back().control, scene.slider);
  EXPECT_EQ(listener.calls.back().value, scene.slider->getValue());
  EXPECT_EQ(scene.slider->getHandleTop(), handleTop + drag) << "the handle was redrawn where it was dragged";
}

// The messages as the system posts them for a drag that leaves the window:
// the buttons and modifiers come from each message, a right-button press in
// the middle of the drag goes nowhere, the moves beyond the window's edges
// (negative coordinates) still move the handle, and losing the mouse to
// another window ends the drag.
TEST_F(Win32FrameTest, postedDragMessagesDriveTheSliderWithTheirOwnButtonsAndModifiers)
{
  SceneControls scene;
  std::unique_ptr<Frame> frame = openScene(scene);
  HWND child = windowOf(*frame);
  const Point grab{kSceneSlider.left + 8, scene.slider->getHandleTop() + 4};
  // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the message's own fields, in its order
  const auto post = [&](UINT message, WPARAM buttons, int x, int y) {
    PostMessageA(child, message, buttons, MAKELPARAM(x, y));
    pumpPending();
  };
  post(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, grab.x, grab.y);
  ASSERT_EQ(frame->getDragView(), scene.slider);
  post(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, grab.x, grab.y - 100);  // fine: a tenth of 100 pixels
  const float fine = scene.slider->getValue();
  EXPECT_NEAR(fine, 0.3f + 10.0f / float(layout::kHandleTravel), 1.0f / float(layout::kHandleTravel));
  post(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, kSceneButtonClick.x, kSceneButtonClick.y);
  EXPECT_EQ(scene.button->getValue(), 1.0f) << "the press during the drag reached the button";
  post(WM_RBUTTONUP, MK_LBUTTON, kSceneButtonClick.x, kSceneButtonClick.y);
  post(WM_MOUSEMOVE, MK_LBUTTON, grab.x - 200, -300);  // far above and left of the window
  EXPECT_EQ(scene.slider->getValue(), 1.0f);
  post(WM_LBUTTONUP, 0, grab.x - 200, -300);
  EXPECT_EQ(frame->getDragView(), nullptr);

  // Another window takes the mouse in the middle of a drag: it ends there.
  post(WM_LBUTTONDOWN, MK_LBUTTON, kSceneSlider.left + 8, scene.slider->getHandleTop() + 4);
  ASSERT_EQ(frame->getDragView(), scene.slider);
  SetCapture(host->handle());
  pumpPending();
  EXPECT_EQ(frame->getDragView(), nullptr);
  ReleaseCapture();
  for (const auto& call : listener.calls) EXPECT_NE(call.control, scene.button);
}

TEST_F(Win32FrameTest, hostDestroyingItsWindowEndsTheEditAndClosesTheFrame)
{
  SceneControls scene;
  std::unique_ptr<Frame> frame = openScene(scene);
  HWND child = windowOf(*frame);
  ASSERT_TRUE(openTextBox(*frame, *scene.box));
  PostMessageA(editControlOf(child), WM_CHAR, WPARAM('!'), 1);
  pumpPending();

  host->destroy();
  EXPECT_FALSE(frame->isOpen());
  EXPECT_EQ(frame->getParentWindow(), nullptr);
  EXPECT_FALSE(IsWindow(child));
  frame->idle();  // nothing to draw into any more, and no harm
  frame.reset();  // ends the edit if the window's going did not
  EXPECT_FALSE(listener.calls.empty());
  EXPECT_EQ(listener.calls.back().control, scene.box) << "the typed text was reported";
}

}  // namespace
