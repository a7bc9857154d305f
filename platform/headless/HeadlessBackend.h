// A platform layer without a screen: windows are Cairo image surfaces, the
// mouse and the keyboard follow a script the test writes. The whole toolkit
// runs on it unchanged, and a window's picture can be read back pixel by pixel
// or written out as PNG.
//
// Scripted mouse: press(), moveTo() and release() each deliver their event to
// the newest live window at once, as the window system would, with the
// buttons and modifiers the script gives; a drag is a press, some moves and a
// release, exactly the events a user's drag sends.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/Backend.h"
#include "platform/headless/CairoCanvas.h"

class HeadlessBackend;

class HeadlessTextField : public TextField {
public:
  HeadlessTextField(HeadlessBackend& backend, const Rect& area, std::string text, const FontSpec& font,
                    TextFieldListener& listener);
  ~HeadlessTextField() override;
  HeadlessTextField(const HeadlessTextField&) = delete;
  HeadlessTextField& operator=(const HeadlessTextField&) = delete;

  std::string text() const override { return text_; }

  // What the user does in the field.
  void replaceText(const std::string& text) { text_ = text; }
  void typeText(const std::string& text) { text_ += text; }
  void pressEnter();
  void loseKeyboardFocus();

  const Rect& area() const { return area_; }
  const FontSpec& font() const { return font_; }

private:
  HeadlessBackend& backend_;
  Rect area_;
  std::string text_;
  FontSpec font_;
  TextFieldListener& listener_;
};

class HeadlessWindow : public ChildWindow {
public:
  HeadlessWindow(HeadlessBackend& backend, void* parent, std::string className, int width, int height,
                 WindowEvents& events);
  ~HeadlessWindow() override;
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  void detach() override { events_ = nullptr; }
  std::unique_ptr<Canvas> canvas() override;
  void dispatchPendingEvents() override {}
  std::unique_ptr<TextField> createTextField(const Rect& area, const std::string& text, const FontSpec& font,
                                             TextFieldListener& listener) override;
  void* nativeHandle() const override { return const_cast<HeadlessWindow*>(this); }

  // As if the window system asked for a paint of the whole window.
  void paint();
  // As if the host destroyed the window (with its own parent window).
  void destroyByHost();

  bool alive() const { return alive_; }
  void* parent() const { return parent_; }
  const std::string& className() const { return className_; }
  int width() const { return width_; }
  int height() const { return height_; }
  Colour pixel(Point where) const { return surfacePixel(surface_, where); }
  // Writes the window's picture as PNG; false on failure.
  bool writePng(const std::string& path) const;
  cairo_surface_t* surface() const { return surface_; }
  // Hands `event` to the window's owner (used by HeadlessBackend's script).
  void deliver(const MouseEvent& event);

private:
  HeadlessBackend& backend_;
  void* parent_;
  std::string className_;
  int width_;
  int height_;
  WindowEvents* events_;
  cairo_surface_t* surface_;
  bool alive_ = true;
};

class HeadlessBackend : public Backend {
public:
  HeadlessBackend();
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  uint32_t moduleTag() const override { return 0x0B7A5C11u; }
  bool registerWindowClass(const std::string& className) override;
  void unregisterWindowClass(const std::string& className) override;
  std::unique_ptr<ChildWindow> createChildWindow(void* parent, const std::string& className, int width, int height,
                                                 WindowEvents& events) override;
  std::unique_ptr<Canvas> createOffscreen(ChildWindow* window, int width, int height) override;
  std::unique_ptr<BackendImage> loadBitmap(int resourceId) override;
  std::unique_ptr<BackendMask> createMask(const BackendImage& image, Colour key) override;

  // ---- test controls ----

  // Bitmaps registered here take precedence over the embedded ones.
  void addBitmap(int resourceId, int width, int height, std::vector<uint32_t> pixels);
  // Makes loading `resourceId` fail even if it is embedded.
  void hideBitmap(int resourceId);

  // The mouse, as seen by the newest live window (window coordinates).
  // `state` holds the buttons and modifiers (kMouseLeft ... kModifierAlt).
  //
  // A press of `button` at `where`, `state` holding it and whatever else is
  // held. Without a button given it is the left one, or the right one when
  // `state` holds no left; nothing is delivered when it holds neither.
  void press(Point where, int state, int button = 0);
  // The pointer moves to `to` with `state` held.
  void moveTo(Point to, int state);
  // Every button held goes up where the pointer is (left first, then right),
  // modifiers too.
  void release();
  // A click whose release arrives together with the press (a touchpad tap, a
  // remote desktop, scripted input): press with the left button, then release.
  void tap(Point where);
  // The window loses the pointer to another one in the middle of a drag; the
  // buttons count as up from here.
  void losePointer();

  // What the windowing side has seen.
  int classRegistrations() const { return classRegistrations_; }
  int classRemovals() const { return classRemovals_; }
  bool classRegistered(const std::string& className) const;
  int masksBuilt() const { return masksBuilt_; }
  HeadlessWindow* newestWindow() const;
  const std::vector<HeadlessWindow*>& windows() const { return windows_; }
  HeadlessTextField* activeTextField() const { return activeField_; }

private:
  friend class HeadlessWindow;
  friend class HeadlessTextField;
  void deliver(const MouseEvent& event);

  CairoBitmapStore bitmaps_;
  Point pointer_;
  int state_ = 0;
  int classRegistrations_ = 0;
  int classRemovals_ = 0;
  std::vector<std::string> classes_;
  int masksBuilt_ = 0;
  std::vector<HeadlessWindow*> windows_;
  HeadlessTextField* activeField_ = nullptr;
};
