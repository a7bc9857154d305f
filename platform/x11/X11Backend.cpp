#include "platform/x11/X11Backend.h"

#include <algorithm>

#include "platform/x11/X11Window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

bool xErrorSeen = false;

int recordXError(Display*, XErrorEvent*)
{
  xErrorSeen = true;
  return 0;
}

struct NewWindow {
  Window parent;
  int width;
  int height;
  Window created;
};

void createWindowAction(Display* display, void* data)
{
  auto* request = static_cast<NewWindow*>(data);
  const int screen = DefaultScreen(display);
  request->created =
      XCreateSimpleWindow(display, request->parent, 0, 0, unsigned(request->width), unsigned(request->height), 0,
                          BlackPixel(display, screen), BlackPixel(display, screen));
  // A press selected here starts an implicit grab: the moves with a button
  // held and the release come to this window even beyond its edges.
  XSelectInput(
      display, request->created,
      ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask | LeaveWindowMask | StructureNotifyMask);
  XStoreName(display, request->created, "Window");
  // XEmbed's info (protocol version 0, mapped): hosts that embed through an
  // XEmbed socket (VST 3 hosts on Linux) take the window as a client that is
  // to be shown; hosts that give a plain parent window ignore it.
  const Atom embedInfo = XInternAtom(display, "_XEMBED_INFO", False);
  const long info[2] = {0, 1};
  XChangeProperty(display, request->created, embedInfo, embedInfo, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(info), 2);
  XMapWindow(display, request->created);
}

void destroyWindowAction(Display* display, void* data) { XDestroyWindow(display, *static_cast<Window*>(data)); }

}  // namespace

bool withXErrorsCaught(Display* display, void (*action)(Display*, void*), void* data)
{
  XSync(display, False);
  xErrorSeen = false;
  XErrorHandler previous = XSetErrorHandler(recordXError);
  action(display, data);
  XSync(display, False);
  XSetErrorHandler(previous);
  return !xErrorSeen;
}

X11Backend::X11Backend() = default;

X11Backend::~X11Backend()
{
  if (display_) XCloseDisplay(display_);
}

Display* X11Backend::display()
{
  if (!display_ && !triedToOpen_) {
    triedToOpen_ = true;
    display_ = XOpenDisplay(nullptr);
  }
  return display_;
}

int X11Backend::eventDescriptor()
{
  Display* const connection = display();
  return connection != nullptr ? ConnectionNumber(connection) : -1;
}

uint32_t X11Backend::moduleTag() const
{
  // Any address inside this module tells plug-in copies in one process apart,
  // as the module handle does on Windows.
  static const char anchor = 0;
  return uint32_t(reinterpret_cast<uintptr_t>(&anchor));
}

// X11 has no window classes; the names are only kept so that the toolkit's
// bookkeeping behaves the same on every platform.
bool X11Backend::registerWindowClass(const std::string& className)
{
  if (std::find(classes_.begin(), classes_.end(), className) != classes_.end()) return false;
  classes_.push_back(className);
  return true;
}

void X11Backend::unregisterWindowClass(const std::string& className)
{
  classes_.erase(std::remove(classes_.begin(), classes_.end(), className), classes_.end());
}

std::unique_ptr<ChildWindow> X11Backend::createChildWindow(void* parent, const std::string&, int width, int height,
                                                           WindowEvents& events)
{
  Display* dpy = display();
  if (!dpy || !parent || width <= 0 || height <= 0) return nullptr;
  NewWindow request{Window(reinterpret_cast<uintptr_t>(parent)), width, height, 0};
  if (!withXErrorsCaught(dpy, createWindowAction, &request)) {
    // A parent id that is no window (or any other refusal) gives no window.
    if (request.created) withXErrorsCaught(dpy, destroyWindowAction, &request.created);
    return nullptr;
  }
  return std::make_unique<X11Window>(*this, request.created, width, height, events);
}

std::unique_ptr<Canvas> X11Backend::createOffscreen(ChildWindow*, int width, int height)
{
  cairo_surface_t* surface = createRgbSurface(width, height);
  auto canvas = std::make_unique<CairoCanvas>(surface);
  cairo_surface_destroy(surface);
  return canvas;
}

std::unique_ptr<BackendImage> X11Backend::loadBitmap(int resourceId) { return bitmaps_.load(resourceId); }

std::unique_ptr<BackendMask> X11Backend::createMask(const BackendImage& image, Colour key)
{
  const auto* cairoImage = dynamic_cast<const CairoImage*>(&image);
  if (!cairoImage) return nullptr;
  return std::make_unique<CairoMask>(*cairoImage, key);
}

void X11Backend::addBitmap(int resourceId, int width, int height, const std::vector<uint32_t>& pixels)
{
  bitmaps_.add(resourceId, width, height, pixels);
}

void X11Backend::addTarget(unsigned long window, X11EventTarget* target) { targets_.emplace_back(window, target); }

void X11Backend::removeTarget(unsigned long window)
{
  targets_.erase(
      std::remove_if(targets_.begin(), targets_.end(), [window](const auto& entry) { return entry.first == window; }),
      targets_.end());
}

void X11Backend::dispatchEvents()
{
  if (!display_) return;
  // Handlers may remove targets (a text field ends its edit), so the target
  // is looked up for every event.
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    for (const auto& entry : targets_) {
      if (entry.first == event.xany.window) {
        entry.second->handleEvent(event);
        break;
      }
    }
  }
}
