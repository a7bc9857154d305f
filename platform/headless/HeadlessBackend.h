// A platform layer without a screen: windows are Cairo image surfaces, the
// mouse, the keyboard and the clock follow a script the test writes. The whole
// toolkit runs on it unchanged, and a window's picture can be read back pixel
// by pixel or written out as PNG.
//
// Scripted mouse: press() sets the live state and delivers the button-down to
// the window, exactly as a click would. A control that tracks the mouse reads
// the cursor position in a loop; every such read takes the next step queued
// with moveTo()/release(), and once the queue is empty the buttons count as
// released, so a forgotten release can never hang a test.
#pragma once

#include <cairo.h>

#include <deque>
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
  Point cursorPosition() override;
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
  // Delivers a button-down at `where` (used by HeadlessBackend::press).
  void deliverButtonDown(Point where);

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
  int mouseButtons() override { return buttons_; }
  uint32_t tickCount() override { return clock_; }

  // ---- test controls ----

  // Bitmaps registered here take precedence over the embedded ones.
  void addBitmap(int resourceId, int width, int height, std::vector<uint32_t> pixels);
  // Makes loading `resourceId` fail even if it is embedded.
  void hideBitmap(int resourceId);

  // Live state: the cursor at `where` (window coordinates) with `buttons`
  // (kMouseLeft ... kModifierAlt). When a left or right button is among
  // them, the newest live window gets its button-down, which may track the
  // mouse through the queued steps before press() returns.
  void press(Point where, int buttons);
  // A click whose release arrived together with the press (a touchpad tap, a
  // remote desktop, scripted input): the window gets its button-down at
  // `where` while the live state already shows no button held.
  void tap(Point where);
  // Queues a cursor step: the cursor moves to `to` with `buttons` held.
  void moveTo(Point to, int buttons);
  // Queues the release of every button at the last position.
  void release();
  // Sets the live state without any event.
  void setLiveState(Point where, int buttons);
  // Steps still queued.
  std::size_t pendingSteps() const { return steps_.size(); }

  // The fake clock. Each cursor read advances it by the step (default 10 ms).
  void advanceClock(uint32_t milliseconds) { clock_ += milliseconds; }
  void setClockStepPerCursorRead(uint32_t milliseconds) { clockStep_ = milliseconds; }

  // What the windowing side has seen.
  int classRegistrations() const { return classRegistrations_; }
  int classRemovals() const { return classRemovals_; }
  bool classRegistered(const std::string& className) const;
  int masksBuilt() const { return masksBuilt_; }
  int cursorReads() const { return cursorReads_; }
  HeadlessWindow* newestWindow() const;
  const std::vector<HeadlessWindow*>& windows() const { return windows_; }
  HeadlessTextField* activeTextField() const { return activeField_; }

private:
  friend class HeadlessWindow;
  friend class HeadlessTextField;
  Point nextCursor();

  struct Step {
    Point where;
    int buttons;
  };
  CairoBitmapStore bitmaps_;
  std::deque<Step> steps_;
  Point cursor_;
  int buttons_ = 0;
  uint32_t clock_ = 100000;
  uint32_t clockStep_ = 10;
  int classRegistrations_ = 0;
  int classRemovals_ = 0;
  std::vector<std::string> classes_;
  int masksBuilt_ = 0;
  int cursorReads_ = 0;
  std::vector<HeadlessWindow*> windows_;
  HeadlessTextField* activeField_ = nullptr;
};
