// The Windows editor layer: the frame's window is a child of the host's
// window, created from a window class registered with the plug-in module's
// handle; the host's message loop delivers its paint and mouse messages to
// the window procedure, which hands them to the frame one by one (a drag is a
// button-down, the moves and a button-up, with the mouse captured between). Drawing goes through
// GDI (Win32Canvas), bitmaps come from the module's resources, and text boxes
// are edited in the system's own single-line EDIT control.
//
// Everything runs on the thread that owns the windows (the host's interface
// thread); nothing here is guarded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gui/Backend.h"
#include "platform/win32/Win32Canvas.h"

class Win32Backend;

class Win32Window : public ChildWindow {
public:
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Creates the window; null when the system refuses (no such parent, no class).
  static std::unique_ptr<Win32Window> create(HWND parent, const std::string& className, int width, int height,
                                             WindowEvents& events);

  void detach() override { events_ = nullptr; }
  std::unique_ptr<Canvas> canvas() override;
  void dispatchPendingEvents() override {}
  std::unique_ptr<TextField> createTextField(const Rect& area, const std::string& text, const FontSpec& font,
                                             TextFieldListener& listener) override;
  void* nativeHandle() const override { return hwnd_; }

  // The procedure of every frame window (the window class names it).
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
  explicit Win32Window(WindowEvents& events);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  WindowEvents* events_;
  bool alive_ = false;
};

// The system's EDIT control placed over a text box. Its messages pass through
// our procedure first, which ends the edit on Enter and on the loss of the
// keyboard focus, then go on to the control's own procedure.
class Win32TextField : public TextField {
public:
  ~Win32TextField() override;
  Win32TextField(const Win32TextField&) = delete;
  Win32TextField& operator=(const Win32TextField&) = delete;

  // Null when the control cannot be created.
  static std::unique_ptr<Win32TextField> create(HWND parent, const Rect& area, const std::string& text,
                                                const FontSpec& font, TextFieldListener& listener);

  std::string text() const override;
  HWND handle() const { return edit_; }

private:
  explicit Win32TextField(TextFieldListener& listener) : listener_(listener) {}
  static LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void finish();

  TextFieldListener& listener_;
  HWND edit_ = nullptr;
  HFONT font_ = nullptr;
  WNDPROC previous_ = nullptr;  // the control's own procedure
  std::string lastText_;        // kept when the system destroys the control
  bool finished_ = false;
  bool destroyed_ = false;  // the system destroyed the control (with its parent)
};

class Win32Backend : public Backend {
public:
  Win32Backend() = default;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  uint32_t moduleTag() const override;
  bool registerWindowClass(const std::string& className) override;
  void unregisterWindowClass(const std::string& className) override;
  std::unique_ptr<ChildWindow> createChildWindow(void* parent, const std::string& className, int width, int height,
                                                 WindowEvents& events) override;
  std::unique_ptr<Canvas> createOffscreen(ChildWindow* window, int width, int height) override;
  std::unique_ptr<BackendImage> loadBitmap(int resourceId) override;
  std::unique_ptr<BackendMask> createMask(const BackendImage& image, Colour key) override;

  // The module whose resources and window class the editor uses: the plug-in
  // DLL's handle once it is loaded, else the module holding this code (a
  // program that links the layer directly).
  static HINSTANCE instance();
};
