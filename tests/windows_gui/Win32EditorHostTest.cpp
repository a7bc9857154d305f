// The built plug-in's editor the way a Windows host runs it (wine under Xvfb):
// brasklin.dll loaded with LoadLibrary, the editor opened through the
// dispatcher inside the host's own top-level window, painted from the DLL's
// bitmap resources, clicked with posted messages, dragged with real mouse
// input, and closed again; and opened
// and closed in a loop while other threads automate and process audio.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "editor/EditorLayout.h"
#include "gui/BmpImage.h"
#include "vst2/interface/AEffect.h"
#include "tests/windows_gui/ReferencePicture.h"
#include "tests/windows_gui/ReferenceScene.h"
#include "tests/windows/PluginSessionSupport.h"
#include "tests/windows_gui/WindowTestSupport.h"
#include "tests/support/EditorStress.h"
#include "tests/support/EditorSwitchZones.h"

namespace {

using PluginEntry = AEffect* (*)(audioMasterCallback);

constexpr int kStablizeParameter = layout::kStablize.tag;
constexpr POINT kStablizeButton{layout::centreOf(layout::kStablize).x, layout::centreOf(layout::kStablize).y};
constexpr RECT kStablizeButtonArea{layout::kStablize.rect.left, layout::kStablize.rect.top,
                                   layout::kStablize.rect.right, layout::kStablize.rect.bottom};
constexpr int kControlsTop = layout::kSliderTop;  // nothing but artwork above this row

struct Automation {
  int32_t index;
  float value;
};
std::vector<Automation> automations;
// The touch calls and automation in order: '[' begin edit, 'a' automate,
// ']' end edit; and the parameter index of each.
std::string touches;
std::vector<int32_t> touchedIndices;
std::atomic<int> beginEdits{0};  // read by the thread that plays the user

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the host callback's signature
intptr_t host(AEffect* /*effect*/, int32_t opcode, int32_t index, intptr_t /*value*/, void* /*ptr*/, float opt)
{
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate) automations.push_back({index, opt});
  const char touch = opcode == audioMasterAutomate ? 'a' : opcode == 43 ? '[' : opcode == 44 ? ']' : '\0';
  if (touch == '[') ++beginEdits;
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
  beginEdits = 0;
}

std::string folderOfThisProgram()
{
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path(buffer, length);
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::optional<BmpImage> bitmapFile(int id)
{
  std::ifstream file(std::string(BRASKLIN_BITMAP_DIR) + "/bmp" + std::to_string(id) + ".bmp", std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return decodeBmp(bytes.data(), bytes.size());
}

// Pixels of `picture` in `area` that differ from `image` at offset (dx, dy).
int differingFrom(const Picture& picture, const RECT& area, const BmpImage& image, int dx, int dy)
{
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      n += picture.at(x, y) != image.pixels[std::size_t(y + dy) * std::size_t(image.width) + std::size_t(x + dx)];
  return n;
}

TEST(Win32EditorHostTest, editorOpensInTheHostWindowPaintsTheArtworkTakesAClickAndCloses)
{
  clearHostLog();
  const std::string pluginPath = folderOfThisProgram() + BRASKLIN_PLUGIN_PATH;
  const std::string pluginFolder = pluginPath.substr(0, pluginPath.find_last_of("\\/"));
  VstFolderSetting folder(pluginFolder);
  ASSERT_TRUE(folder.set());
  MessageBoxWatcher watcher;

  HMODULE module = LoadLibraryA(pluginPath.c_str());
  ASSERT_NE(module, nullptr) << pluginPath << ": LoadLibrary error " << GetLastError();
  const auto entry = reinterpret_cast<PluginEntry>(reinterpret_cast<void*>(GetProcAddress(module, "main")));
  ASSERT_NE(entry, nullptr);
  AEffect* effect = entry(&host);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(watcher.boxes.load(), 0) << "the plug-in could not load its wave shapes";
  const auto dispatch = [effect](int32_t opcode, intptr_t value = 0, void* ptr = nullptr) {
    return effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
  };
  dispatch(effOpen);
  ASSERT_NE(effect->flags & effFlagsHasEditor, 0) << "the Windows module must have its editor";

  ERect* rect = nullptr;
  ASSERT_EQ(dispatch(effEditGetRect, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  const int width = rect->right - rect->left;
  const int height = rect->bottom - rect->top;
  ASSERT_EQ(width, layout::kWindowWidth);
  ASSERT_EQ(height, layout::kWindowHeight);

  // The host's window, sized from the rectangle, white until the editor
  // paints. Left for the end of the process to take away (see HostWindow).
  HostWindow& hostWindow = *new HostWindow(width, height);
  ASSERT_NE(hostWindow.handle(), nullptr) << "no window: the test needs a display (xvfb-run)";
  dispatch(effEditOpen, 0, hostWindow.handle());
  HWND editorWindow = FindWindowExA(hostWindow.handle(), nullptr, nullptr, nullptr);
  ASSERT_NE(editorWindow, nullptr) << "the editor made no window in the host's";
  EXPECT_EQ(FindWindowExA(hostWindow.handle(), editorWindow, nullptr, nullptr), nullptr) << "only one";
  char className[32] = {};
  GetClassNameA(editorWindow, className, sizeof className);
  char expectedClass[32];
  std::snprintf(expectedClass, sizeof expectedClass, "Plugin%08x", unsigned(reinterpret_cast<uintptr_t>(module)));
  EXPECT_STREQ(className, expectedClass) << "the class is named after the DLL's module handle";

  // The window system's paint and the host's idle calls draw the artwork
  // from the DLL's own resources: above the controls it is the background
  // bitmap itself.
  const std::optional<BmpImage> background = bitmapFile(layout::kBackgroundBitmap);
  ASSERT_TRUE(background);
  const RECT artworkOnly{0, 0, width, kControlsTop};
  Picture picture;
  ASSERT_TRUE(pumpUntil([&] {
    dispatch(effEditIdle);
    picture = captureWindow(hostWindow.handle(), width, height);
    return differingFrom(picture, artworkOnly, *background, 0, 0) == 0;
  })) << differingFrom(picture, artworkOnly, *background, 0, 0)
      << " pixels differ from the artwork";
  // The whole editor is the picture the headless layer drew on Linux, but
  // for its text (the two text boxes, the values over the bars).
  const std::optional<Picture> expected = readPicture(std::string(BRASKLIN_WINDOWS_GUI_REFERENCE_DIR) + "/editor.brpx");
  ASSERT_TRUE(expected) << "reference picture missing";
  const PictureDifference difference = comparePictures(picture, *expected, editorTextAreas());
  EXPECT_EQ(difference.outsideText, 0) << "pixels differing from the headless editor";
  std::printf("editor in the host window: %d pixels differ outside text, %d inside the text areas\n",
              difference.outsideText, difference.insideText);
  // Text on the boxes' black, and light value text over each bar (whose own
  // pictures are dark or amber, never that light).
  const auto lightPixels = [&picture](const Rect& area) {
    int light = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        const uint32_t p = picture.at(x, y);
        light += ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) > 200 && (p & 0xFF) > 200;
      }
    return light;
  };
  for (const layout::Control& control : layout::kControls) {
    const Rect area = rectOf(control.rect);
    if (control.kind == layout::Kind::textBox) {
      EXPECT_GT(inkBox(picture, area, 0).width(), 0) << "no text in the box at " << area.left << "," << area.top;
    }
    if (control.kind == layout::Kind::valueBar) {
      EXPECT_GT(lightPixels(area), 5) << "no value on the bar of parameter " << control.tag;
    }
  }

  // The on/off button shows one half of its two-state bitmap; a posted click
  // flips " Stablize ", the host hears of it, and the button shows the other half.
  const std::optional<BmpImage> buttonImages = bitmapFile(layout::kOnOffButtonBitmap);
  ASSERT_TRUE(buttonImages);
  const int half = buttonImages->height / 2;
  const auto showsHalf = [&](const Picture& p, int which) {
    return differingFrom(p, kStablizeButtonArea, *buttonImages, -kStablizeButtonArea.left,
                         which * half - kStablizeButtonArea.top) == 0;
  };
  const float before = effect->getParameter(effect, kStablizeParameter);
  const int shownBefore = before != 0.0f ? 1 : 0;
  EXPECT_TRUE(showsHalf(picture, shownBefore));

  const LPARAM at = MAKELPARAM(kStablizeButton.x, kStablizeButton.y);
  PostMessageA(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(editorWindow, WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(pumpUntil([&] {
    dispatch(effEditIdle);
    return !automations.empty();
  })) << "the click never reached the editor";
  ASSERT_EQ(automations.size(), 1u);
  EXPECT_EQ(automations[0].index, kStablizeParameter);
  EXPECT_EQ(automations[0].value, before == 0.0f ? 1.0f : 0.0f);
  EXPECT_EQ(effect->getParameter(effect, kStablizeParameter), automations[0].value);
  dispatch(effEditIdle);
  picture = captureWindow(hostWindow.handle(), width, height);
  EXPECT_TRUE(showsHalf(picture, 1 - shownBefore)) << "the button was not redrawn";

  // The host changes the parameter back (automation playback): the next idle
  // shows it.
  effect->setParameter(effect, kStablizeParameter, before);
  EXPECT_TRUE(pumpUntil([&] {
    dispatch(effEditIdle);
    return showsHalf(captureWindow(hostWindow.handle(), width, height), shownBefore);
  }));

  // The click was a touch of its own.
  EXPECT_EQ(touches, "[a]");

  // A quick click, its press and release posted together, selects the zone
  // under it, on every switch, as one touch each.
  for (const editorzones::SwitchZones& column : editorzones::switchZones()) {
    // From position 0, so that every tap below changes the value.
    effect->setParameter(effect, column.parameter, 0.0f);
    dispatch(effEditIdle);
    for (int position : {3, 1, 2, 0}) {
      SCOPED_TRACE("parameter " + std::to_string(column.parameter) + " position " + std::to_string(position));
      clearHostLog();
      const layout::ClickPoint zone = column.zones[std::size_t(position)];
      const LPARAM zoneAt = MAKELPARAM(zone.x, zone.y);
      PostMessageA(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, zoneAt);
      PostMessageA(editorWindow, WM_LBUTTONUP, 0, zoneAt);
      ASSERT_TRUE(pumpUntil([&] {
        dispatch(effEditIdle);
        return touches.size() >= 3;
      })) << "the tap selected nothing";
      EXPECT_EQ(touches, "[a]");
      for (int32_t index : touchedIndices) EXPECT_EQ(index, column.parameter);
      EXPECT_FLOAT_EQ(automations[0].value, float(position) / 3.0f);
    }
  }

  // A real drag of the Volume handle, played by another thread while this
  // one goes on idling and delivering each press, move and release as a
  // message of its own: the host hears begin, the automation, end.
  constexpr int32_t kVolume = layout::kVolume.tag;
  effect->setParameter(effect, kVolume, 0.5f);  // the handle half way down its travel
  dispatch(effEditIdle);
  pumpPending();
  clearHostLog();
  // Grabbed in the middle of the handle, then moved up 20 and 40 pixels.
  constexpr int x = layout::kVolume.rect.left + 12;
  constexpr int grab = layout::kSliderTop + layout::kHandleTravel / 2 + layout::kHandleHeight / 2;
  moveMouseTo(editorWindow, x, grab);
  std::thread user([&] {
    for (int i = 0; i < 300 && beginEdits == 0; ++i) Sleep(10);
    moveMouseTo(editorWindow, x, grab - 20);
    Sleep(100);
    moveMouseTo(editorWindow, x, grab - 40);
    Sleep(150);
    sendButton(false);  // always, so nothing waits for ever
  });
  sendButton(true);
  const bool ended = pumpUntil([&] {
    dispatch(effEditIdle);
    return !touches.empty() && touches.back() == ']';
  });
  user.join();
  pumpPending();
  ASSERT_TRUE(ended) << "the drag never ended: " << touches;
  ASSERT_GE(automations.size(), 2u);
  EXPECT_EQ(touches, "[" + std::string(automations.size(), 'a') + "]");
  for (int32_t index : touchedIndices) EXPECT_EQ(index, kVolume);
  constexpr float kTravel = layout::kHandleTravel;
  EXPECT_NEAR(effect->getParameter(effect, kVolume), 0.5f + 40.0f / kTravel, 1.5f / kTravel);

  // Closing takes the editor's window out of the host's; a second round works too.
  dispatch(effEditClose);
  pumpPending();
  EXPECT_EQ(FindWindowExA(hostWindow.handle(), nullptr, nullptr, nullptr), nullptr);
  dispatch(effEditOpen, 0, hostWindow.handle());
  EXPECT_NE(FindWindowExA(hostWindow.handle(), nullptr, nullptr, nullptr), nullptr);
  for (int i = 0; i < 5; ++i) {
    dispatch(effEditIdle);
    pumpPending();
  }
  dispatch(effEditClose);
  EXPECT_EQ(FindWindowExA(hostWindow.handle(), nullptr, nullptr, nullptr), nullptr);

  dispatch(effClose);
  EXPECT_EQ(watcher.boxes.load(), 0);
  // The module stays loaded, as hosts keep theirs.
}

// The user opening and closing the editor during a playback with automation:
// the interface thread (this one, which owns the host window) opens and closes
// it in a loop while a second thread sets all 24 parameters and a third runs
// blocks. Setting a parameter once reached controls that close had deleted.
TEST(Win32EditorHostTest, openCloseLoopDuringAutomationAndAudio)
{
  const std::string pluginPath = folderOfThisProgram() + BRASKLIN_PLUGIN_PATH;
  VstFolderSetting folder(pluginPath.substr(0, pluginPath.find_last_of("\\/")));
  ASSERT_TRUE(folder.set());
  MessageBoxWatcher watcher;
  HMODULE module = LoadLibraryA(pluginPath.c_str());
  ASSERT_NE(module, nullptr) << pluginPath << ": LoadLibrary error " << GetLastError();
  const auto entry = reinterpret_cast<PluginEntry>(reinterpret_cast<void*>(GetProcAddress(module, "main")));
  ASSERT_NE(entry, nullptr);
  AEffect* effect = entry(&host);
  ASSERT_NE(effect, nullptr);
  effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
  HostWindow& hostWindow =
      *new HostWindow(layout::kWindowWidth, layout::kWindowHeight);  // left for the end of the process, as above
  ASSERT_NE(hostWindow.handle(), nullptr) << "no window: the test needs a display (xvfb-run)";

  const editorstress::Outcome outcome =
      editorstress::run(effect, hostWindow.handle(), std::chrono::milliseconds(3000), [] { pumpPending(); });
  EXPECT_TRUE(outcome.stoppedInTime);
  EXPECT_GE(outcome.openCloseRounds, 5);
  EXPECT_GE(outcome.automationCalls, effect->numParams * 5);
  EXPECT_GE(outcome.blocks, 5);
  EXPECT_EQ(outcome.unfiniteSamples, 0);
  EXPECT_EQ(FindWindowExA(hostWindow.handle(), nullptr, nullptr, nullptr), nullptr) << "no editor window left";
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(watcher.boxes.load(), 0);
}

}  // namespace
