#include "platform/x11/X11Window.h"

#include <algorithm>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>

namespace {

// The longest text the field accepts; the text box keeps at most 254 of it.
constexpr std::size_t kFieldCapacity = 255;

cairo_surface_t* windowSurface(Display* display, Window window, int width, int height)
{
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return nullptr;
  return cairo_xlib_surface_create(display, window, attributes.visual, width, height);
}

// Copies `area` of `picture` onto the window surface unchanged.
void copyToScreen(cairo_surface_t* picture, cairo_surface_t* screen, const Rect& area)
{
  if (!picture || !screen || area.width() <= 0 || area.height() <= 0) return;
  cairo_surface_flush(picture);
  cairo_t* cr = cairo_create(screen);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, picture, 0, 0);
  cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(screen);
}

void destroyWindowAction(Display* display, void* data) { XDestroyWindow(display, *static_cast<Window*>(data)); }

// The toolkit's bit for an X button number; 0 for the buttons it ignores.
int buttonBit(unsigned int button)
{
  switch (button) {
    case Button1: return kMouseLeft;
    case Button3: return kMouseRight;
    default: return 0;
  }
}

// The toolkit's buttons and modifiers from an X event's state.
int stateBits(unsigned int state)
{
  int bits = 0;
  if (state & Button1Mask) bits |= kMouseLeft;
  if (state & Button2Mask) bits |= kMouseMiddle;
  if (state & Button3Mask) bits |= kMouseRight;
  if (state & ShiftMask) bits |= kModifierShift;
  if (state & ControlMask) bits |= kModifierControl;
  if (state & Mod1Mask) bits |= kModifierAlt;
  return bits;
}

struct FocusRequest {
  Window window;
};

void focusAction(Display* display, void* data)
{
  XSetInputFocus(display, static_cast<FocusRequest*>(data)->window, RevertToParent, CurrentTime);
}

Window currentFocus(Display* display)
{
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  return focus;
}

// Draws into the window's picture; what was painted goes to the screen when
// the canvas is released, like a window device context on Windows.
class X11WindowCanvas : public CairoCanvas {
public:
  // With `presentAll` set, `whole` goes to the screen even where nothing was drawn.
  X11WindowCanvas(X11Window& window, cairo_surface_t* picture, bool presentAll, const Rect& whole)
      : CairoCanvas(picture), window_(window), presentAll_(presentAll), whole_(whole)
  {}
  ~X11WindowCanvas() override
  {
    const Rect dirty = takeDirtyArea();
    window_.present(presentAll_ ? whole_ : dirty);
  }
  X11WindowCanvas(const X11WindowCanvas&) = delete;
  X11WindowCanvas& operator=(const X11WindowCanvas&) = delete;

private:
  X11Window& window_;
  bool presentAll_;
  Rect whole_;
};

}  // namespace

// ---- X11Window ----

X11Window::X11Window(X11Backend& backend, unsigned long window, int width, int height, WindowEvents& events)
    : backend_(backend),
      window_(window),
      width_(width),
      height_(height),
      events_(&events),
      picture_(createRgbSurface(width, height)),
      screen_(windowSurface(backend.display(), window, width, height))
{
  backend_.addTarget(window_, this);
}

X11Window::~X11Window()
{
  backend_.removeTarget(window_);
  if (screen_) cairo_surface_destroy(screen_);
  cairo_surface_destroy(picture_);
  if (alive_) {
    Window id = window_;
    withXErrorsCaught(backend_.display(), destroyWindowAction, &id);
  }
}

std::unique_ptr<Canvas> X11Window::canvas()
{
  return std::make_unique<X11WindowCanvas>(*this, picture_, false, Rect{0, 0, width_, height_});
}

void X11Window::present(const Rect& area)
{
  if (!alive_) return;
  const Rect clipped{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, width_),
                     std::min(area.bottom, height_)};
  copyToScreen(picture_, screen_, clipped);
  XFlush(backend_.display());
}

void X11Window::dispatchPendingEvents() { backend_.dispatchEvents(); }

bool X11Window::newerMoveWaiting(unsigned int state) const
{
  Display* dpy = backend_.display();
  if (XEventsQueued(dpy, QueuedAlready) == 0) return false;
  XEvent next;
  XPeekEvent(dpy, &next);
  return next.type == MotionNotify && next.xmotion.window == window_ && next.xmotion.state == state;
}

std::unique_ptr<TextField> X11Window::createTextField(const Rect& area, const std::string& text, const FontSpec& font,
                                                      TextFieldListener& listener)
{
  if (!alive_) return nullptr;
  auto field = std::make_unique<X11TextField>(backend_, window_, area, text, font, listener);
  if (!field->valid()) return nullptr;
  return field;
}

void* X11Window::nativeHandle() const { return reinterpret_cast<void*>(uintptr_t(window_)); }

void X11Window::handleEvent(XEvent& event)
{
  switch (event.type) {
    case Expose:
      // Paint once the last of a series of exposures has arrived.
      if (event.xexpose.count == 0 && events_ && alive_) {
        X11WindowCanvas canvas(*this, picture_, true, Rect{0, 0, width_, height_});
        events_->windowPaint(canvas);
      }
      break;
    case ButtonPress:
    case ButtonRelease: {
      // The left and the right button press controls; the wheel and the
      // middle button do nothing here. While one is held the press's implicit
      // grab sends the moves and the release here, wherever the pointer goes.
      const int button = buttonBit(event.xbutton.button);
      if (button == 0 || !events_ || !alive_) break;
      // The event's state is the one before it: a press adds its button, a
      // release takes it away.
      const int before = stateBits(event.xbutton.state);
      const bool press = event.type == ButtonPress;
      events_->windowMouse({press ? MouseEventType::press : MouseEventType::release,
                            {event.xbutton.x, event.xbutton.y},
                            button,
                            press ? before | button : before & ~button});
      break;
    }
    case MotionNotify:
      // Only the latest of a run of moves with the same buttons and modifiers
      // matters: a slow interface thread sends one value for where the
      // pointer is, not one for every pixel it crossed.
      if (!events_ || !alive_ || newerMoveWaiting(event.xmotion.state)) break;
      events_->windowMouse(
          {MouseEventType::move, {event.xmotion.x, event.xmotion.y}, 0, stateBits(event.xmotion.state)});
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == window_) {
        alive_ = false;
        if (events_) events_->windowDestroyed();
      }
      break;
    default: break;
  }
}

// ---- X11TextField ----

X11TextField::X11TextField(X11Backend& backend, unsigned long parent, const Rect& area, std::string text,
                           const FontSpec& font, TextFieldListener& listener)
    : backend_(backend),
      width_(std::max(area.width(), 1)),
      height_(std::max(area.height(), 1)),
      text_(std::move(text)),
      caret_(text_.size()),
      font_(font),
      listener_(listener)
{
  Display* dpy = backend_.display();
  if (!dpy) return;
  const int screen = DefaultScreen(dpy);
  window_ = XCreateSimpleWindow(dpy, Window(parent), area.left, area.top, unsigned(width_), unsigned(height_), 0,
                                BlackPixel(dpy, screen), WhitePixel(dpy, screen));
  XSelectInput(dpy, window_, KeyPressMask | FocusChangeMask | ExposureMask);
  XMapWindow(dpy, window_);
  // The focus can only go to a viewable window; if the host keeps its window
  // unmapped the request fails harmlessly and the field waits for a click.
  focusBefore_ = currentFocus(dpy);
  FocusRequest request{window_};
  withXErrorsCaught(dpy, focusAction, &request);
  picture_ = createRgbSurface(width_, height_);
  screen_ = windowSurface(dpy, window_, width_, height_);
  backend_.addTarget(window_, this);
  render();
}

X11TextField::~X11TextField()
{
  if (!window_) return;
  backend_.removeTarget(window_);
  if (screen_) cairo_surface_destroy(screen_);
  if (picture_) cairo_surface_destroy(picture_);
  Display* dpy = backend_.display();
  // Still ours (ended by Enter or a click in the editor): back to the window
  // that had it, if that is still there. Taken by another window: left there.
  if (focusBefore_ != None && currentFocus(dpy) == window_) {
    FocusRequest back{focusBefore_};
    withXErrorsCaught(dpy, focusAction, &back);
  }
  Window id = window_;
  withXErrorsCaught(dpy, destroyWindowAction, &id);
}

void X11TextField::render()
{
  if (!picture_) return;
  {
    CairoCanvas canvas(picture_);
    canvas.fillRect({0, 0, width_, height_}, kWhiteColour);
    const TextMetrics all = canvas.measureText(text_, font_);
    const TextMetrics before = canvas.measureText(text_.substr(0, caret_), font_);
    // Centred while it fits; otherwise scrolled so that the caret stays visible.
    int x = (width_ - all.width) / 2;
    if (all.width > width_ - 2) x = std::min(1, width_ - 2 - before.width);
    const int y = (height_ - all.height) / 2;
    canvas.drawText(text_, {x, y}, font_, kBlackColour, {0, 0, width_, height_});
    const int caretX = std::clamp(x + before.width, 0, width_ - 1);
    canvas.line({caretX, std::max(y, 0)}, {caretX, std::min(y + all.height, height_)},
                PenSpec{kBlackColour, 1, LineStyle::solid});
  }
  copyToScreen(picture_, screen_, {0, 0, width_, height_});
  XFlush(backend_.display());
}

void X11TextField::finish()
{
  if (finished_) return;
  finished_ = true;
  listener_.textFieldFinished();  // may delete this field: nothing may follow
}

void X11TextField::handleEvent(XEvent& event)
{
  switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0) render();
      break;
    case FocusOut:
      // Focus moving to a window inside the field, or pointer bookkeeping, is
      // not a loss of focus.
      if (event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer &&
          event.xfocus.mode != NotifyGrab && event.xfocus.mode != NotifyUngrab) {
        finish();
        return;
      }
      break;
    case KeyPress: {
      char typed[32];
      KeySym key = NoSymbol;
      const int length = XLookupString(&event.xkey, typed, sizeof typed, &key, nullptr);
      if (key == XK_Return || key == XK_KP_Enter) {
        finish();
        return;
      }
      if (key == XK_BackSpace) {
        if (caret_ > 0) text_.erase(--caret_, 1);
      } else if (key == XK_Delete || key == XK_KP_Delete) {
        if (caret_ < text_.size()) text_.erase(caret_, 1);
      } else if (key == XK_Left || key == XK_KP_Left) {
        if (caret_ > 0) --caret_;
      } else if (key == XK_Right || key == XK_KP_Right) {
        if (caret_ < text_.size()) ++caret_;
      } else if (key == XK_Home || key == XK_KP_Home) {
        caret_ = 0;
      } else if (key == XK_End || key == XK_KP_End) {
        caret_ = text_.size();
      } else {
        for (int i = 0; i < length && text_.size() < kFieldCapacity; ++i) {
          const auto c = static_cast<unsigned char>(typed[i]);
          if (c < 32 || c == 127) continue;  // control characters are not text
          text_.insert(caret_++, 1, typed[i]);
        }
      }
      render();
      break;
    }
    default: break;
  }
}
