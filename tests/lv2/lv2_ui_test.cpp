// The LV2 editor the way a Linux host runs it: found through lilv in the
// bundle built in place, its binary loaded with dlopen and its descriptor
// called directly, embedded in a window of the host's own X connection with
// the features hosts give (ui:parent, ui:resize, ui:touch, ui:idleInterface),
// fed port events, driven by idle calls, clicked and dragged. Needs an X
// server (Xvfb in CI).
#include <dlfcn.h>

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/ui/ui.h>

#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "editor/EditorLayout.h"
#include "effect/ParameterPorts.h"
#include "effect/ParameterTable.h"
#include "effect/ParameterUnits.h"
#include "lv2/Lv2Identity.h"
#include "tests/editor/EditorPictureValues.h"
#include "tests/lv2/UiHostLog.h"
#include "tests/support/EditorSwitchZones.h"
#include "tests/support/X11HostSupport.h"
#include "tests/support/X11TestDisplay.h"

namespace {

using testsupport::childrenOf;
using testsupport::pumpUntil;

const std::string kUiPrefix = LV2_UI_PREFIX;
const std::string kLv2 = "http://lv2plug.in/ns/lv2core#";

// The bundle's editor as lilv finds it: its URI, binary and bundle folder,
// the features it requires, and the class of the one X11 interface.
struct FoundUi {
  std::string uri;
  std::string binary;
  std::string bundle;
  std::vector<std::string> required;
  int x11Uis = 0;
};

std::string filePath(const LilvNode* uri)
{
  char* path = lilv_file_uri_parse(lilv_node_as_uri(uri), nullptr);
  std::string text = path != nullptr ? path : "";
  lilv_free(path);
  return text;
}

// A lilv world over the bundle built in place (and the installed LV2
// vocabularies); the caller frees it.
LilvWorld* loadWorld()
{
  LilvWorld* world = lilv_world_new();
  LilvNode* path = lilv_new_string(world, BRASKLIN_LV2_PATH ":/usr/lib/lv2");
  lilv_world_set_option(world, LILV_OPTION_LV2_PATH, path);
  lilv_node_free(path);
  lilv_world_load_all(world);
  return world;
}

FoundUi findUi()
{
  FoundUi found;
  LilvWorld* world = loadWorld();
  LilvNode* pluginUri = lilv_new_uri(world, kLv2PluginUri);
  LilvNode* x11Class = lilv_new_uri(world, LV2_UI__X11UI);
  LilvNode* requiredFeature = lilv_new_uri(world, (kLv2 + "requiredFeature").c_str());
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), pluginUri);
  LilvUIs* uis = plugin != nullptr ? lilv_plugin_get_uis(plugin) : nullptr;
  LILV_FOREACH (uis, i, uis) {
    const LilvUI* ui = lilv_uis_get(uis, i);
    if (!lilv_ui_is_a(ui, x11Class)) continue;
    ++found.x11Uis;
    found.uri = lilv_node_as_uri(lilv_ui_get_uri(ui));
    found.binary = filePath(lilv_ui_get_binary_uri(ui));
    found.bundle = filePath(lilv_ui_get_bundle_uri(ui));
    LilvNodes* features = lilv_world_find_nodes(world, lilv_ui_get_uri(ui), requiredFeature, nullptr);
    LILV_FOREACH (nodes, f, features) found.required.emplace_back(lilv_node_as_uri(lilv_nodes_get(features, f)));
    lilv_nodes_free(features);
  }
  lilv_uis_free(uis);
  lilv_node_free(requiredFeature);
  lilv_node_free(x11Class);
  lilv_node_free(pluginUri);
  lilv_world_free(world);
  return found;
}

// The port defaults the description gives (program 0's values in the ports'
// units): what a host sends an interface it has just opened.
std::vector<float> portDefaults()
{
  LilvWorld* world = loadWorld();
  LilvNode* pluginUri = lilv_new_uri(world, kLv2PluginUri);
  std::vector<float> defaults(portCount(), 0.0f);
  if (const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), pluginUri))
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
  lilv_node_free(pluginUri);
  lilv_world_free(world);
  return defaults;
}

using lv2uitest::HostLog;
using lv2uitest::touchPort;
using lv2uitest::writePort;

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own signature
int resizeTo(LV2UI_Feature_Handle handle, int width, int height)
{
  auto& log = *static_cast<HostLog*>(handle);
  log.width = width;
  log.height = height;
  return 0;
}

// Which features a host offers the interface.
struct Offer {
  bool parent = true;
  bool touch = true;
  bool resize = true;
};

class Lv2UiTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    display = testsupport::openTestDisplay();
    if (!display) return;
    found = findUi();
    ASSERT_EQ(found.x11Uis, 1) << "the plug-in's one X11 editor";
    // The module stays loaded, as hosts keep theirs (see X11EditorHostTest).
    module = dlopen(found.binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using Entry = const LV2UI_Descriptor* (*)(uint32_t);
    const auto entry = reinterpret_cast<Entry>(dlsym(module, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    for (uint32_t i = 0; entry(i) != nullptr; ++i)
      if (found.uri == entry(i)->URI) descriptor = entry(i);
    ASSERT_NE(descriptor, nullptr) << "no descriptor for " << found.uri;
    const auto* idleInterface =
        static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idleInterface, nullptr);
    idleCall = idleInterface->idle;

    const int screen = DefaultScreen(display);
    hostWindow =
        XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, layout::kWindowWidth, layout::kWindowHeight, 0,
                            WhitePixel(display, screen), WhitePixel(display, screen));
    XMapWindow(display, hostWindow);
    XSync(display, False);
  }
  void TearDown() override
  {
    if (handle != nullptr) descriptor->cleanup(handle);
    if (!display) return;
    if (hostWindow != 0) XDestroyWindow(display, hostWindow);
    XCloseDisplay(display);
  }

  // The interface for the plug-in `pluginUri` inside `parent` (the host's
  // window unless given), with the features `offer` names; null when refused.
  LV2UI_Handle instantiate(const Offer& offer, Window parent = 0, const char* pluginUri = kLv2PluginUri)
  {
    touchFeature = {&log, touchPort};
    resizeFeature = {&log, resizeTo};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(uintptr_t(parent ? parent : hostWindow))};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature touch{LV2_UI__touch, &touchFeature};
    const LV2_Feature resize{LV2_UI__resize, &resizeFeature};
    std::vector<const LV2_Feature*> features{&idleFeature};
    if (offer.parent) features.push_back(&parentFeature);
    if (offer.touch) features.push_back(&touch);
    if (offer.resize) features.push_back(&resize);
    features.push_back(nullptr);
    widget = nullptr;
    return descriptor->instantiate(descriptor, pluginUri, found.bundle.c_str(), writePort, &log, &widget,
                                   features.data());
  }
  void open(const Offer& offer = {})
  {
    handle = instantiate(offer);
    ASSERT_NE(handle, nullptr);
    editorWindow = Window(reinterpret_cast<uintptr_t>(widget));
  }
  void sendPort(uint32_t port, float value) { descriptor->port_event(handle, port, sizeof value, 0, &value); }
  // Every control port at the unit value of the normalised `values`.
  template <typename Values>
  void sendParameters(const Values& values)
  {
    for (int32_t index = 0; index < kParameterCount; ++index)
      if (portForParameter(index) != kNoPort)
        sendPort(portForParameter(index), unitValueFor(index, values[std::size_t(index)]));
  }
  void idle(int times = 1)
  {
    for (int i = 0; i < times; ++i) EXPECT_EQ(idleCall(handle), 0);
  }
  // Idle until the editor has painted over the host's white.
  bool idleUntilPainted()
  {
    return pumpUntil([&] { idle(); },
                     [&] { return testsupport::pixelAt(display, editorWindow, 280, 30) != 0xFFFFFFu; });
  }
  // Pixels of the editor's window that differ from the picture at `png`.
  int differingFrom(const char* png)
  {
    cairo_surface_t* expected = cairo_image_surface_create_from_png(png);
    EXPECT_EQ(cairo_surface_status(expected), CAIRO_STATUS_SUCCESS) << png;
    XSync(display, False);
    XImage* shot =
        XGetImage(display, editorWindow, 0, 0, layout::kWindowWidth, layout::kWindowHeight, AllPlanes, ZPixmap);
    int differing = layout::kWindowWidth * layout::kWindowHeight;
    if (shot != nullptr && cairo_surface_status(expected) == CAIRO_STATUS_SUCCESS) {
      cairo_surface_flush(expected);
      const unsigned char* data = cairo_image_surface_get_data(expected);
      const int stride = cairo_image_surface_get_stride(expected);
      differing = 0;
      for (int y = 0; y < layout::kWindowHeight; ++y)
        for (int x = 0; x < layout::kWindowWidth; ++x) {
          uint32_t want = 0;
          std::memcpy(&want, data + std::size_t(y) * std::size_t(stride) + std::size_t(x) * 4, sizeof want);
          differing += (uint32_t(XGetPixel(shot, x, y)) & 0xFFFFFFu) != (want & 0xFFFFFFu);
        }
    }
    if (shot != nullptr) XDestroyImage(shot);
    cairo_surface_destroy(expected);
    return differing;
  }

  Display* display = nullptr;
  FoundUi found;
  void* module = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;
  int (*idleCall)(LV2UI_Handle) = nullptr;
  Window hostWindow = 0;
  HostLog log;
  LV2UI_Touch touchFeature{};
  LV2UI_Resize resizeFeature{};
  LV2UI_Widget widget = nullptr;
  LV2UI_Handle handle = nullptr;
  Window editorWindow = 0;
};

TEST_F(Lv2UiTest, embedsItselfAndShowsPortEventsWithTheVst2EditorsPixelsForTheSameValues)
{
  EXPECT_NE(found.binary.find(BRASKLIN_LV2_PATH), std::string::npos) << found.binary;
  for (const char* feature : {LV2_UI__idleInterface, LV2_UI__parent}) {
    bool listed = false;
    for (const std::string& required : found.required) listed |= required == feature;
    EXPECT_TRUE(listed) << feature;
  }
  open();
  // One window of exactly the announced size, inside the host's.
  ASSERT_EQ(childrenOf(display, hostWindow), std::vector<Window>{editorWindow});
  EXPECT_EQ(log.width, layout::kWindowWidth);
  EXPECT_EQ(log.height, layout::kWindowHeight);
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(display, editorWindow, &attributes));
  EXPECT_EQ(attributes.width, layout::kWindowWidth);
  EXPECT_EQ(attributes.height, layout::kWindowHeight);

  // The ports' defaults, as a host sends them first: program 0's picture.
  const std::vector<float> defaults = portDefaults();
  for (uint32_t port = kFirstControlPort; port < portCount(); ++port) sendPort(port, defaults[port]);
  ASSERT_TRUE(idleUntilPainted());
  idle(3);
  EXPECT_EQ(differingFrom(BRASKLIN_DOCS_DIR "/editor-program0.png"), 0);

  // Every control moved by the host: the picture of the same values.
  sendParameters(editorpictures::kEveryControlMoved);
  idle(3);
  EXPECT_EQ(differingFrom(BRASKLIN_DOCS_DIR "/editor-custom.png"), 0);
  EXPECT_TRUE(log.calls.empty()) << "port events are no user edits: " << log.calls;

  descriptor->cleanup(handle);
  handle = nullptr;
  EXPECT_TRUE(childrenOf(display, hostWindow).empty());
}

TEST_F(Lv2UiTest, aDragAndAClickWritePortValuesInTheirUnitsFramedByTouch)
{
  open();
  constexpr int32_t kVolume = volumeParameter;
  const uint32_t volumePort = portForParameter(kVolume);
  sendPort(volumePort, unitValueFor(kVolume, 0.5f));  // the handle half way down its travel
  ASSERT_TRUE(idleUntilPainted());

  if (std::system("command -v xdotool >/dev/null 2>&1") == 0) {
    // Grabbed in the middle of the handle, then moved up 20 and 40 pixels,
    // while this thread goes on idling as the host's does.
    const int grab = layout::kSliderTop + layout::kHandleTravel / 2 + layout::kHandleHeight / 2;
    const std::string drag =
        testsupport::dragCommand(editorWindow, layout::kVolume.rect.left + 12, grab, {grab - 20, grab - 40});
    int dragStatus = -1;
    std::thread user([&] { dragStatus = std::system(drag.c_str()); });
    const bool ended = pumpUntil([&] { idle(); }, [&] { return !log.calls.empty() && log.calls.back() == ']'; });
    user.join();
    ASSERT_EQ(dragStatus, 0);
    ASSERT_TRUE(ended) << "the drag never ended: " << log.calls;
    ASSERT_GE(log.written.size(), 2u);
    EXPECT_EQ(log.calls, "[" + std::string(log.written.size(), 'w') + "]");
    for (uint32_t port : log.ports) EXPECT_EQ(port, volumePort);
    // In dB, 40 pixels up of the handle's travel from the middle.
    constexpr float kTravel = layout::kHandleTravel;
    EXPECT_NEAR(normalisedFor(kVolume, log.written.back()), 0.5f + 40.0f / kTravel, 1.5f / kTravel);
    EXPECT_GT(log.written.back(), 6.0f);
  } else {
    std::printf("xdotool missing: the real drag is not tried\n");
  }

  // A tap on the filter switch's lowest zone: its position, 3 (band-pass),
  // as a touch of its own.
  log = HostLog{};
  const layout::ClickPoint lowest = layout::switchZoneCentre(layout::kFilterType, layout::kPositions - 1);
  XEvent press{};
  press.xbutton.type = ButtonPress;
  press.xbutton.display = display;
  press.xbutton.window = editorWindow;
  press.xbutton.root = DefaultRootWindow(display);
  press.xbutton.x = lowest.x;
  press.xbutton.y = lowest.y;
  press.xbutton.button = Button1;
  press.xbutton.same_screen = True;
  XEvent release = press;
  release.xbutton.type = ButtonRelease;
  release.xbutton.state = Button1Mask;
  // The frame's window is the one under the pointer, inside the editor's.
  const std::vector<Window> inner = childrenOf(display, editorWindow);
  ASSERT_EQ(inner.size(), 1u);
  press.xbutton.window = release.xbutton.window = inner[0];
  XSendEvent(display, inner[0], True, ButtonPressMask, &press);
  XSendEvent(display, inner[0], True, ButtonReleaseMask, &release);
  XFlush(display);
  ASSERT_TRUE(pumpUntil([&] { idle(); }, [&] { return log.calls.size() >= 3; })) << "the tap wrote nothing";
  EXPECT_EQ(log.calls, "[w]");
  EXPECT_EQ(log.ports, std::vector<uint32_t>(3, portForParameter(filterTypeParameter)));
  EXPECT_EQ(log.written, std::vector<float>{3.0f});
}

// robustness: LV2 editor given no parent, a parent that is no window, or another plug-in's URI => refused (null)
// robustness: LV2 editor port event for an audio or unknown port, another format or size, no buffer, NaN => ignored
TEST_F(Lv2UiTest, refusesWhatItCannotEmbedInAndIgnoresPortEventsItCannotRead)
{
  EXPECT_EQ(instantiate({.parent = false}), nullptr);
  EXPECT_EQ(instantiate({}, Window(0x7FFFFFF)), nullptr);
  EXPECT_EQ(instantiate({}, 0, "urn:another:plugin"), nullptr);
  EXPECT_TRUE(childrenOf(display, hostWindow).empty());

  // A host that offers neither touch nor resize still gets every edit.
  open({.touch = false, .resize = false});
  ASSERT_TRUE(idleUntilPainted());
  idle(3);
  // Port events it cannot read change nothing.
  const float nan = std::nanf("");
  const float loud = 12.0f;
  sendPort(kAudioInputPort, 1.0f);
  sendPort(portCount(), 1.0f);
  sendPort(portForParameter(volumeParameter), nan);
  descriptor->port_event(handle, portForParameter(volumeParameter), sizeof loud, 1, &loud);
  descriptor->port_event(handle, portForParameter(volumeParameter), 2, 0, &loud);
  descriptor->port_event(handle, portForParameter(volumeParameter), sizeof loud, 0, nullptr);
  idle(3);
  EXPECT_EQ(differingFrom(BRASKLIN_DOCS_DIR "/editor-program0.png"), 0);

  const layout::ClickPoint stablize = layout::centreOf(layout::kStablize);
  const std::vector<Window> inner = childrenOf(display, editorWindow);
  ASSERT_EQ(inner.size(), 1u);
  XEvent press{};
  press.xbutton.type = ButtonPress;
  press.xbutton.display = display;
  press.xbutton.window = inner[0];
  press.xbutton.root = DefaultRootWindow(display);
  press.xbutton.x = stablize.x;
  press.xbutton.y = stablize.y;
  press.xbutton.button = Button1;
  press.xbutton.same_screen = True;
  XSendEvent(display, inner[0], True, ButtonPressMask, &press);
  XFlush(display);
  ASSERT_TRUE(pumpUntil([&] { idle(); }, [&] { return !log.calls.empty(); })) << "the click wrote nothing";
  EXPECT_EQ(log.calls, "w");
  EXPECT_EQ(log.ports, std::vector<uint32_t>{portForParameter(stablizeParameter)});
  EXPECT_EQ(log.written, std::vector<float>{1.0f});
}

}  // namespace
