#include "vst3/Vst3View.h"

#include <cstring>
#include <new>

#include "gui/Backend.h"
#include "gui/Frame.h"
#include "platform/IdleTimer.h"
#include "vst3/Vst3Controller.h"

using namespace vst3;

namespace {

#if defined(_WIN32)
constexpr const char* kNativeType = kPlatformTypeHwnd;
#else
constexpr const char* kNativeType = kPlatformTypeX11EmbedWindowId;
#endif

}  // namespace

IPlugView* makeEditorView(Vst3Controller& controller)
{
  try {
    return new Vst3View(controller);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Vst3View::Vst3View(Vst3Controller& controller) : controller(controller), panel_(controller) { controller.addRef(); }

Vst3View::~Vst3View()
{
  if (attached_) removed();
  if (frame != nullptr) frame->release();
  controller.release();
}

tresult Vst3View::queryInterface(const char* iid, void** object)
{
  if (object == nullptr) return kInvalidArgument;
  *object = nullptr;
  if (iid == nullptr || !(sameTuid(iid, FUnknown::iid) || sameTuid(iid, IPlugView::iid))) return kNoInterface;
  *object = static_cast<IPlugView*>(this);
  addRef();
  return kResultOk;
}

uint32_t Vst3View::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t Vst3View::release()
{
  const uint32_t left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

void Vst3View::idle()
{
  panel_.idle();
  controller.idle();
}

tresult Vst3View::isPlatformTypeSupported(const char* type)
{
  return type != nullptr && std::strcmp(type, kNativeType) == 0 ? kResultTrue : kResultFalse;
}

tresult Vst3View::attached(void* parent, const char* type)
{
  if (parent == nullptr || isPlatformTypeSupported(type) != kResultTrue) return kInvalidArgument;
  if (attached_) return kResultFalse;
  try {
    panel_.open(parent);
  } catch (const std::bad_alloc&) {
    panel_.close();
    return kOutOfMemory;
  }
  if (panel_.frame() == nullptr || panel_.frame()->getWindow() == nullptr || !startIdleCalls()) {
    stopIdleCalls();
    panel_.close();
    return kResultFalse;
  }
  attached_ = true;
  controller.showChangesIn(panel_);
  return kResultOk;
}

tresult Vst3View::removed()
{
  if (!attached_) return kResultFalse;
  attached_ = false;
  controller.stopShowingChangesIn(panel_);
  stopIdleCalls();
  panel_.close();
  return kResultOk;
}

tresult Vst3View::onWheel(float /*distance*/) { return kResultFalse; }

tresult Vst3View::onKeyDown(char16_t /*key*/, int16_t /*keyCode*/, int16_t /*modifiers*/) { return kResultFalse; }

tresult Vst3View::onKeyUp(char16_t /*key*/, int16_t /*keyCode*/, int16_t /*modifiers*/) { return kResultFalse; }

tresult Vst3View::getSize(ViewRect* size)
{
  if (size == nullptr) return kInvalidArgument;
  *size = ViewRect{0, 0, EditorPanel::kWidth, EditorPanel::kHeight};
  return kResultOk;
}

tresult Vst3View::onSize(ViewRect* newSize) { return newSize != nullptr ? kResultOk : kInvalidArgument; }

tresult Vst3View::onFocus(TBool /*state*/) { return kResultOk; }

tresult Vst3View::setFrame(IPlugFrame* newFrame)
{
  if (newFrame != nullptr) newFrame->addRef();
  if (frame != nullptr) frame->release();
  frame = newFrame;
  return kResultOk;
}

tresult Vst3View::canResize() { return kResultFalse; }

tresult Vst3View::checkSizeConstraint(ViewRect* rect)
{
  if (rect == nullptr) return kInvalidArgument;
  rect->right = rect->left + EditorPanel::kWidth;
  rect->bottom = rect->top + EditorPanel::kHeight;
  return kResultTrue;
}

tresult Vst3View::EventHandler::queryInterface(const char* iid, void** object)
{
  if (object == nullptr) return kInvalidArgument;
  *object = nullptr;
  if (iid == nullptr || !(sameTuid(iid, FUnknown::iid) || sameTuid(iid, IEventHandler::iid))) return kNoInterface;
  *object = static_cast<IEventHandler*>(this);
  addRef();
  return kResultOk;
}

void Vst3View::EventHandler::onFDIsSet(int /*fd*/)
{
  if (view.attached_) view.idle();
}

tresult Vst3View::TimerHandler::queryInterface(const char* iid, void** object)
{
  if (object == nullptr) return kInvalidArgument;
  *object = nullptr;
  if (iid == nullptr || !(sameTuid(iid, FUnknown::iid) || sameTuid(iid, ITimerHandler::iid))) return kNoInterface;
  *object = static_cast<ITimerHandler*>(this);
  addRef();
  return kResultOk;
}

void Vst3View::TimerHandler::onTimer()
{
  if (view.attached_) view.idle();
}

#if defined(_WIN32)
// The system's message loop delivers the window's events; a thread timer on
// it drives the redraws.
bool Vst3View::startIdleCalls()
{
  windowTimer = startIdleTimer(
      kRedrawMilliseconds, [](void* view) { static_cast<Vst3View*>(view)->idle(); }, this);
  return windowTimer != 0;
}

void Vst3View::stopIdleCalls()
{
  stopIdleTimer(windowTimer);
  windowTimer = 0;
}
#else
// The run loop comes from the frame, or else from the host context.
bool Vst3View::startIdleCalls()
{
  void* found = nullptr;
  FUnknown* const context = controller.hostContext();
  const bool fromFrame = frame != nullptr && frame->queryInterface(IRunLoop::iid.bytes, &found) == kResultOk;
  if (!fromFrame && context != nullptr) context->queryInterface(IRunLoop::iid.bytes, &found);
  runLoop = static_cast<IRunLoop*>(found);
  if (runLoop == nullptr) return false;
  const int descriptor = currentBackend().eventDescriptor();
  if (descriptor < 0 || runLoop->registerEventHandler(&events, descriptor) != kResultOk) return false;
  return runLoop->registerTimer(&timer, kRedrawMilliseconds) == kResultOk;
}

void Vst3View::stopIdleCalls()
{
  if (runLoop == nullptr) return;
  runLoop->unregisterTimer(&timer);
  runLoop->unregisterEventHandler(&events);
  runLoop->release();
  runLoop = nullptr;
}
#endif
