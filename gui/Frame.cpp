#include "gui/Frame.h"

#include <cstdio>
#include <new>
#include <optional>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

namespace {
// Frames currently holding a window. The class is registered when the first
// one appears and removed when the last one goes; interface thread only.
int windowClassUsers = 0;
}  // namespace

std::string Frame::windowClassName()
{
  char name[32];
  std::snprintf(name, sizeof name, "Plugin%08x", unsigned(currentBackend().moduleTag()));
  return name;
}

int Frame::windowClassUseCount() { return windowClassUsers; }

Frame::Frame(const Rect& size, void* parentWindow) : View(size), parentWindow_(parentWindow)
{
  parent = this;
  if (parentWindow_) createWindow();
}

void Frame::createWindow()
{
  Backend& backend = currentBackend();
  const std::string className = windowClassName();
  if (windowClassUsers == 0) backend.registerWindowClass(className);
  ++windowClassUsers;
  usesWindowClass_ = true;
  window_ = backend.createChildWindow(parentWindow_, className, size.width(), size.height(), *this);
  if (!window_) {
    // No window: this frame does not hold the class after all.
    usesWindowClass_ = false;
    if (--windowClassUsers == 0) backend.unregisterWindowClass(className);
  }
}

Frame::~Frame()
{
  // A drag and an open edit end first, so that the listener hears the end of
  // the touch and the edited text.
  endDrag(nullptr);
  if (focusView_) {
    View* focused = focusView_;
    focusView_ = nullptr;
    focused->loseFocus();
  }
  for (int i = 0; i < viewCount_; ++i) delete views_[i];
  delete[] views_;
  views_ = nullptr;
  viewCount_ = 0;
  if (background_) background_->forget();
  if (window_) {
    window_->detach();
    window_.reset();
  }
  if (usesWindowClass_ && --windowClassUsers == 0) {
    currentBackend().unregisterWindowClass(windowClassName());
  }
}

void Frame::setBackground(Bitmap* background)
{
  if (background) background->remember();
  if (background_) background_->forget();
  background_ = background;
}

bool Frame::addView(View* view)
{
  if (!view) return false;
  if (viewCount_ == viewCapacity_) {
    View** grown = new (std::nothrow) View*[viewCapacity_ + kViewListGrowth];
    if (!grown) return false;
    for (int i = 0; i < viewCount_; ++i) grown[i] = views_[i];
    delete[] views_;
    views_ = grown;
    viewCapacity_ += kViewListGrowth;
  }
  views_[viewCount_++] = view;
  view->setParent(this);
  return true;
}

bool Frame::removeView(View* view)
{
  for (int i = 0; i < viewCount_; ++i) {
    if (views_[i] != view) continue;
    for (int j = i + 1; j < viewCount_; ++j) views_[j - 1] = views_[j];
    --viewCount_;
    if (modalView_ == view) modalView_ = nullptr;
    if (focusView_ == view) focusView_ = nullptr;
    if (dragView_ == view) dragView_ = nullptr;
    return true;
  }
  return false;
}

bool Frame::containsView(const View* view) const
{
  for (int i = 0; i < viewCount_; ++i) {
    if (views_[i] == view) return true;
  }
  return false;
}

View* Frame::getView(int index) const { return index >= 0 && index < viewCount_ ? views_[index] : nullptr; }

bool Frame::setModalView(View* view)
{
  if (modalView_ && view) return false;
  modalView_ = view;
  return true;
}

void Frame::draw(DrawContext* context)
{
  firstPaintPending_ = false;
  if (!context) return;
  if (background_) {
    background_->draw(context, {0, 0, background_->getWidth(), background_->getHeight()});
  }
  for (int i = 0; i < viewCount_; ++i) views_[i]->draw(context);
  if (modalView_) modalView_->draw(context);
}

PressOutcome Frame::mouseDown(DrawContext* context, const MouseEvent& event)
{
  if (focusView_ && !focusView_->getRect().contains(event.where)) {
    View* focused = focusView_;
    focusView_ = nullptr;
    focused->loseFocus();
  }
  View* target = nullptr;
  if (modalView_) {
    if (modalView_->getRect().contains(event.where)) target = modalView_;
  } else {
    for (int i = viewCount_ - 1; i >= 0 && !target; --i) {
      if (views_[i]->getRect().contains(event.where)) target = views_[i];
    }
  }
  if (!target || target->mouseDown(context, event) != PressOutcome::dragging) return PressOutcome::done;
  dragView_ = target;
  dragButton_ = event.button;
  return PressOutcome::dragging;
}

void Frame::mouseMoved(DrawContext* context, const MouseEvent& event)
{
  if (dragView_) dragView_->mouseMoved(context, event);
}

void Frame::mouseUp(DrawContext* context, const MouseEvent& event)
{
  if (!dragView_ || event.button != dragButton_) return;
  View* holder = dragView_;
  dragView_ = nullptr;
  holder->mouseUp(context, event);
}

void Frame::endDrag(DrawContext* context)
{
  if (!dragView_) return;
  mouseUp(context, MouseEvent{MouseEventType::release, lastPointer_, dragButton_, 0});
}

void Frame::updateIfChanged(DrawContext* context)
{
  if (!open_) return;
  if (modalView_) {
    modalView_->updateIfChanged(context);
    return;
  }
  for (int i = 0; i < viewCount_; ++i) views_[i]->updateIfChanged(context);
}

void Frame::idle()
{
  if (window_) window_->dispatchPendingEvents();
  if (!open_ || firstPaintPending_ || !window_) return;
  std::unique_ptr<Canvas> canvas = window_->canvas();
  if (!canvas) return;
  DrawContext context(*canvas, this);
  updateIfChanged(&context);
}

void Frame::drawView(View* view)
{
  if (!window_ || !open_) return;
  std::unique_ptr<Canvas> canvas = window_->canvas();
  if (!canvas) return;
  DrawContext context(*canvas, this);
  if (view && view != this && containsView(view)) {
    view->draw(&context);
  } else {
    draw(&context);
  }
}

void Frame::windowPaint(Canvas& canvas)
{
  DrawContext context(canvas, this);
  draw(&context);
}

void Frame::windowMouse(const MouseEvent& event)
{
  // A move outside a drag changes nothing: no drawing context is needed.
  if (event.type == MouseEventType::move && !dragView_) return;
  std::unique_ptr<Canvas> canvas = window_ ? window_->canvas() : nullptr;
  std::optional<DrawContext> drawing;
  if (canvas) drawing.emplace(*canvas, this);
  DrawContext* context = drawing ? &*drawing : nullptr;
  switch (event.type) {
    case MouseEventType::press:
      if (dragView_) {
        // Another button pressed during a drag leaves the drag as it is. A
        // press while the drag's own button is up means its release never
        // came (the pointer was taken away, a synthetic click): that drag
        // ends before the press is routed.
        if ((event.state & ~event.button & dragButton_) != 0) return;
        endDrag(context);
      }
      lastPointer_ = event.where;
      mouseDown(context, event);
      break;
    case MouseEventType::move:
      lastPointer_ = event.where;
      mouseMoved(context, event);
      break;
    case MouseEventType::release:
      lastPointer_ = event.where;
      mouseUp(context, event);
      break;
    case MouseEventType::cancel: endDrag(context); break;
  }
}

void Frame::windowDestroyed()
{
  // No event will come from the window any more: a drag ends here.
  endDrag(nullptr);
  open_ = false;
  parentWindow_ = nullptr;
}
