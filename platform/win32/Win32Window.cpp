#include <algorithm>
#include <vector>

#include "platform/win32/Win32Backend.h"

namespace {

// Signed, so that positions left of or above the window (mouse capture) stay
// negative instead of wrapping to 65535.
Point pointFromLParam(LPARAM lParam) { return {int(short(LOWORD(lParam))), int(short(HIWORD(lParam)))}; }

// The toolkit's buttons and modifiers as a mouse message states them (the
// message carries no Alt: the key state the message queue has reached does).
// The buttons are the logical ones: with the buttons swapped for a
// left-handed user the system already reports the right one as left.
int stateFromMessage(WPARAM wParam)
{
  int state = 0;
  if (wParam & MK_LBUTTON) state |= kMouseLeft;
  if (wParam & MK_MBUTTON) state |= kMouseMiddle;
  if (wParam & MK_RBUTTON) state |= kMouseRight;
  if (wParam & MK_SHIFT) state |= kModifierShift;
  if (wParam & MK_CONTROL) state |= kModifierControl;
  if (GetKeyState(VK_MENU) < 0) state |= kModifierAlt;
  return state;
}

}  // namespace

// ---- Win32Window ----

Win32Window::Win32Window(WindowEvents& events) : events_(&events) {}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the toolkit's published order
std::unique_ptr<Win32Window> Win32Window::create(HWND parent, const std::string& className, int width, int height,
                                                 WindowEvents& events)
{
  if (!parent || !IsWindow(parent) || width <= 0 || height <= 0) return nullptr;
  std::unique_ptr<Win32Window> window(new Win32Window(events));
  // The object travels in the creation parameters so that the procedure knows
  // it from the very first message.
  HWND hwnd = CreateWindowExA(0, className.c_str(), "Window", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent,
                              nullptr, Win32Backend::instance(), window.get());
  if (!hwnd) return nullptr;
  window->hwnd_ = hwnd;
  window->alive_ = true;
  return window;
}

Win32Window::~Win32Window()
{
  events_ = nullptr;
  if (alive_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  // Messages that might still reach the procedure find no object.
  if (IsWindow(hwnd_)) SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
}

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window) {
    if (window->hwnd_ == nullptr) window->hwnd_ = hwnd;  // messages sent during creation
    const LRESULT handled = window->handle(message, wParam, lParam);
    if (handled != -1) return handled;
  }
  if (message == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Returns -1 for messages left to the default processing.
LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
    case WM_PAINT: {
      // Only a real update region is painted; otherwise the default
      // processing validates the window.
      if (!events_ || !GetUpdateRect(hwnd_, nullptr, FALSE)) return -1;
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd_, &paint);
      if (dc) {
        std::unique_ptr<Win32Canvas> canvas = Win32Canvas::borrowing(dc);
        if (canvas) events_->windowPaint(*canvas);
      }
      EndPaint(hwnd_, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      // The window keeps the mouse while a button is held, so the moves and
      // the release reach it even beyond its edges.
      SetCapture(hwnd_);
      if (events_) {
        const int button = message == WM_LBUTTONDOWN ? kMouseLeft : kMouseRight;
        events_->windowMouse({MouseEventType::press, pointFromLParam(lParam), button, stateFromMessage(wParam)});
      }
      return -1;
    case WM_MOUSEMOVE:
      if (events_) events_->windowMouse({MouseEventType::move, pointFromLParam(lParam), 0, stateFromMessage(wParam)});
      return -1;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      const int state = stateFromMessage(wParam);
      if (events_) {
        const int button = message == WM_LBUTTONUP ? kMouseLeft : kMouseRight;
        events_->windowMouse({MouseEventType::release, pointFromLParam(lParam), button, state});
      }
      if ((state & kMouseButtons) == 0 && GetCapture() == hwnd_) ReleaseCapture();
      return -1;
    }
    case WM_CAPTURECHANGED:
      // Another window took the mouse (our own release gives it up too, with
      // no drag left by then): a drag's release will not come here.
      if (events_ && reinterpret_cast<HWND>(lParam) != hwnd_) events_->windowMouse({MouseEventType::cancel, {}, 0, 0});
      return -1;
    case WM_DESTROY:
      alive_ = false;
      if (events_) events_->windowDestroyed();
      return -1;
    default: return -1;
  }
}

std::unique_ptr<Canvas> Win32Window::canvas()
{
  if (!alive_) return nullptr;
  return Win32Canvas::onWindow(hwnd_);
}

std::unique_ptr<TextField> Win32Window::createTextField(const Rect& area, const std::string& text, const FontSpec& font,
                                                        TextFieldListener& listener)
{
  if (!alive_) return nullptr;
  return Win32TextField::create(hwnd_, area, text, font, listener);
}

// ---- Win32TextField ----

std::unique_ptr<Win32TextField> Win32TextField::create(HWND parent, const Rect& area, const std::string& text,
                                                       const FontSpec& font, TextFieldListener& listener)
{
  std::unique_ptr<Win32TextField> field(new Win32TextField(listener));
  field->edit_ = CreateWindowExA(0, "EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_CENTER | ES_AUTOHSCROLL, area.left,
                                 area.top, std::max(area.width(), 1), std::max(area.height(), 1), parent, nullptr,
                                 Win32Backend::instance(), nullptr);
  if (!field->edit_) return nullptr;
  field->font_ = createFontFor(font);
  if (field->font_) SendMessageA(field->edit_, WM_SETFONT, WPARAM(field->font_), TRUE);
  SendMessageA(field->edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  // The caret after the text, as a user who clicked to append expects.
  const auto length = LPARAM(text.size());
  SendMessageA(field->edit_, EM_SETSEL, WPARAM(length), length);
  SetWindowLongPtrA(field->edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(field.get()));
  field->previous_ =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(field->edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&editProc)));
  SetFocus(field->edit_);
  return field;
}

Win32TextField::~Win32TextField()
{
  finished_ = true;
  if (!destroyed_ && IsWindow(edit_)) {
    // Our procedure is taken out first: destroying a focused control sends it
    // the loss of focus, which must not reach an object that is going away.
    SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    SetWindowLongPtrA(edit_, GWLP_USERDATA, 0);
    DestroyWindow(edit_);
  }
  if (font_) DeleteObject(font_);
}

std::string Win32TextField::text() const
{
  if (destroyed_ || !IsWindow(edit_)) return lastText_;
  const int length = GetWindowTextLengthA(edit_);
  std::vector<char> buffer(std::size_t(std::max(length, 0)) + 1, '\0');
  const int copied = GetWindowTextA(edit_, buffer.data(), int(buffer.size()));
  return std::string(buffer.data(), std::size_t(std::max(copied, 0)));
}

void Win32TextField::finish()
{
  if (finished_) return;
  finished_ = true;
  listener_.textFieldFinished();  // may delete this field: nothing may follow
}

LRESULT CALLBACK Win32TextField::editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
  auto* field = reinterpret_cast<Win32TextField*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!field) return DefWindowProcA(hwnd, message, wParam, lParam);
  const WNDPROC previous = field->previous_;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        // Ends the edit, which normally destroys the control: the key goes no further.
        field->finish();
        return 0;
      }
      break;
    case WM_CHAR:
      // The Enter character that follows the key: a single-line control would beep.
      if (wParam == '\r' || wParam == '\n') return 0;
      break;
    case WM_KILLFOCUS: {
      const LRESULT result = CallWindowProcA(previous, hwnd, message, wParam, lParam);
      field->finish();
      return result;
    }
    case WM_DESTROY:
      // The text outlives the control: an edit ended after its window went
      // (the frame deleted later) still hands over what the user typed.
      field->lastText_ = field->text();
      break;
    case WM_NCDESTROY:
      // Destroyed with its parent window, not by us: let go of it.
      field->destroyed_ = true;
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    default: break;
  }
  return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}
