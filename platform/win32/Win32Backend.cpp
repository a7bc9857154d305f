#include "platform/win32/Win32Backend.h"

#include "platform/win32/ModuleHandle.h"

HINSTANCE Win32Backend::instance()
{
  if (moduleHandle) return static_cast<HINSTANCE>(moduleHandle);
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&Win32Backend::instance), &self);
  return self;
}

// The module handle names the window class, so two copies of the plug-in in
// one process (or two different plug-ins built on this toolkit) never share a
// class whose procedure lives in the other module.
uint32_t Win32Backend::moduleTag() const { return uint32_t(reinterpret_cast<uintptr_t>(instance())); }

bool Win32Backend::registerWindowClass(const std::string& className)
{
  WNDCLASSA windowClass{};
  windowClass.style = 0;
  windowClass.lpfnWndProc = &Win32Window::windowProc;
  windowClass.hInstance = instance();
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className.c_str();
  return RegisterClassA(&windowClass) != 0;
}

void Win32Backend::unregisterWindowClass(const std::string& className)
{
  UnregisterClassA(className.c_str(), instance());
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the toolkit's published order
std::unique_ptr<ChildWindow> Win32Backend::createChildWindow(void* parent, const std::string& className, int width,
                                                             int height, WindowEvents& events)
{
  return Win32Window::create(static_cast<HWND>(parent), className, width, height, events);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the toolkit's published order
std::unique_ptr<Canvas> Win32Backend::createOffscreen(ChildWindow* window, int width, int height)
{
  HWND hwnd = window ? static_cast<HWND>(window->nativeHandle()) : nullptr;
  return Win32Canvas::offscreen(hwnd, width, height);
}

std::unique_ptr<BackendImage> Win32Backend::loadBitmap(int resourceId)
{
  if (resourceId <= 0 || resourceId > 0xFFFF) return nullptr;  // not a resource number
  HBITMAP bitmap = LoadBitmapA(instance(), MAKEINTRESOURCEA(resourceId));
  if (!bitmap) return nullptr;
  auto image = std::make_unique<Win32Image>(bitmap);
  if (image->width() <= 0 || image->height() <= 0) return nullptr;
  return image;
}

std::unique_ptr<BackendMask> Win32Backend::createMask(const BackendImage& image, Colour key)
{
  const auto* win32Image = dynamic_cast<const Win32Image*>(&image);
  if (!win32Image) return nullptr;
  auto mask = std::make_unique<Win32Mask>(*win32Image, key);
  if (!mask->valid()) return nullptr;
  return mask;
}
