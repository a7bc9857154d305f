#include "platform/headless/HeadlessBackend.h"

#include <algorithm>

// ---- HeadlessTextField ----

HeadlessTextField::HeadlessTextField(HeadlessBackend& backend, const Rect& area, std::string text, const FontSpec& font,
                                     TextFieldListener& listener)
    : backend_(backend), area_(area), text_(std::move(text)), font_(font), listener_(listener)
{
  backend_.activeField_ = this;
}

HeadlessTextField::~HeadlessTextField()
{
  if (backend_.activeField_ == this) backend_.activeField_ = nullptr;
}

// The listener may delete this field: nothing is touched after the call.
void HeadlessTextField::pressEnter() { listener_.textFieldFinished(); }
void HeadlessTextField::loseKeyboardFocus() { listener_.textFieldFinished(); }

// ---- HeadlessWindow ----

HeadlessWindow::HeadlessWindow(HeadlessBackend& backend, void* parent, std::string className, int width, int height,
                               WindowEvents& events)
    : backend_(backend),
      parent_(parent),
      className_(std::move(className)),
      width_(width),
      height_(height),
      events_(&events),
      surface_(createRgbSurface(width, height))
{
  backend_.windows_.push_back(this);
}

HeadlessWindow::~HeadlessWindow()
{
  auto& list = backend_.windows_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  cairo_surface_destroy(surface_);
}

std::unique_ptr<Canvas> HeadlessWindow::canvas() { return std::make_unique<CairoCanvas>(surface_); }

std::unique_ptr<TextField> HeadlessWindow::createTextField(const Rect& area, const std::string& text,
                                                           const FontSpec& font, TextFieldListener& listener)
{
  return std::make_unique<HeadlessTextField>(backend_, area, text, font, listener);
}

void HeadlessWindow::paint()
{
  if (!alive_ || !events_) return;
  CairoCanvas canvas(surface_);
  events_->windowPaint(canvas);
}

void HeadlessWindow::destroyByHost()
{
  if (!alive_) return;
  alive_ = false;
  if (events_) events_->windowDestroyed();
}

void HeadlessWindow::deliver(const MouseEvent& event)
{
  if (alive_ && events_) events_->windowMouse(event);
}

bool HeadlessWindow::writePng(const std::string& path) const
{
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

// ---- HeadlessBackend ----

HeadlessBackend::HeadlessBackend() = default;
HeadlessBackend::~HeadlessBackend() = default;

bool HeadlessBackend::registerWindowClass(const std::string& className)
{
  ++classRegistrations_;
  if (classRegistered(className)) return false;  // as on Windows: a class exists once
  classes_.push_back(className);
  return true;
}

void HeadlessBackend::unregisterWindowClass(const std::string& className)
{
  ++classRemovals_;
  classes_.erase(std::remove(classes_.begin(), classes_.end(), className), classes_.end());
}

bool HeadlessBackend::classRegistered(const std::string& className) const
{
  return std::find(classes_.begin(), classes_.end(), className) != classes_.end();
}

std::unique_ptr<ChildWindow> HeadlessBackend::createChildWindow(void* parent, const std::string& className, int width,
                                                                int height, WindowEvents& events)
{
  // A window of an unregistered class cannot be created, as on Windows.
  if (!parent || !classRegistered(className) || width <= 0 || height <= 0) return nullptr;
  return std::make_unique<HeadlessWindow>(*this, parent, className, width, height, events);
}

std::unique_ptr<Canvas> HeadlessBackend::createOffscreen(ChildWindow*, int width, int height)
{
  cairo_surface_t* surface = createRgbSurface(width, height);
  auto canvas = std::make_unique<CairoCanvas>(surface);
  cairo_surface_destroy(surface);  // the canvas holds its own reference
  return canvas;
}

std::unique_ptr<BackendImage> HeadlessBackend::loadBitmap(int resourceId) { return bitmaps_.load(resourceId); }

std::unique_ptr<BackendMask> HeadlessBackend::createMask(const BackendImage& image, Colour key)
{
  const auto* cairoImage = dynamic_cast<const CairoImage*>(&image);
  if (!cairoImage) return nullptr;
  ++masksBuilt_;
  return std::make_unique<CairoMask>(*cairoImage, key);
}

void HeadlessBackend::addBitmap(int resourceId, int width, int height, std::vector<uint32_t> pixels)
{
  bitmaps_.add(resourceId, width, height, pixels);
}

void HeadlessBackend::hideBitmap(int resourceId) { bitmaps_.hide(resourceId); }

void HeadlessBackend::deliver(const MouseEvent& event)
{
  pointer_ = event.where;
  state_ = event.state;
  if (HeadlessWindow* window = newestWindow()) window->deliver(event);
}

void HeadlessBackend::press(Point where, int state, int button)
{
  if (button == 0) button = (state & kMouseLeft) ? kMouseLeft : (state & kMouseRight) ? kMouseRight : 0;
  if (button == 0) {
    pointer_ = where;
    state_ = state;
    return;
  }
  deliver({MouseEventType::press, where, button, state});
}

void HeadlessBackend::moveTo(Point to, int state) { deliver({MouseEventType::move, to, 0, state}); }

void HeadlessBackend::release()
{
  for (int button : {kMouseLeft, kMouseRight}) {
    if (state_ & button) deliver({MouseEventType::release, pointer_, button, state_ & kMouseButtons & ~button});
  }
  state_ = 0;
}

void HeadlessBackend::tap(Point where)
{
  press(where, kMouseLeft);
  release();
}

void HeadlessBackend::losePointer()
{
  state_ = 0;
  if (HeadlessWindow* window = newestWindow()) window->deliver({MouseEventType::cancel, pointer_, 0, 0});
}

HeadlessWindow* HeadlessBackend::newestWindow() const
{
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->alive()) return *it;
  }
  return nullptr;
}
