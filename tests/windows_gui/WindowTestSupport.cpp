#include "tests/windows_gui/WindowTestSupport.h"

#include <cstring>
#include <thread>

namespace {

constexpr const char* kHostClass = "BrasklinTestHost";

ATOM registerHostClass()
{
  static ATOM atom = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kHostClass;
    return RegisterClassA(&windowClass);
  }();
  return atom;
}

}  // namespace

HostWindow::HostWindow(int width, int height, HWND parent, POINT origin)
{
  registerHostClass();
  const DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
  hwnd_ = CreateWindowExA(0, kHostClass, "Brasklin test host", style, origin.x, origin.y, width, height, parent,
                          nullptr, GetModuleHandleA(nullptr), nullptr);
  if (hwnd_) {
    if (!parent) SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
    pumpPending();
  }
}

HostWindow::~HostWindow() { destroy(); }

void HostWindow::destroy()
{
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  pumpPending();
}

void pumpPending()
{
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    pumpPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

Picture captureWindow(HWND window, int width, int height)
{
  Picture picture;
  HDC windowDc = GetDC(window);
  if (!windowDc) return picture;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(windowDc);
  if (dib && memory && bits) {
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(std::size_t(width) * std::size_t(height));
    std::memcpy(picture.pixels.data(), bits, picture.pixels.size() * sizeof(uint32_t));
    for (uint32_t& p : picture.pixels) p &= 0xFFFFFFu;  // a DIB pixel is 0x00RRGGBB
    SelectObject(memory, previous);
  }
  if (memory) DeleteDC(memory);
  if (dib) DeleteObject(dib);
  ReleaseDC(window, windowDc);
  return picture;
}

void moveMouseTo(HWND window, int x, int y)
{
  POINT p{x, y};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
}

void sendButton(bool down)
{
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof input);
}
