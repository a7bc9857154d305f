// The editor as a VST 3 view: Brasklin's editor panel opened in the window
// the host gives (an X11 window id on Linux, an HWND on Windows), its
// parameters the controller's. Fixed at the panel's 560 x 420.
//
// On Linux the view has no thread and no event loop of its own: it asks the
// host's run loop (IRunLoop, from the frame or the host context) to call it
// when the X connection has events and on a timer for redraws, and handles
// both on the host's interface thread. On Windows the system's message loop
// delivers the window's events and a window timer drives the redraws.
//
// Threads: every call on the host's interface thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "editor/EditorPanel.h"
#include "vst3/interface/Vst3Editing.h"

class Vst3Controller;

// A new view (one reference for the caller) showing `controller`'s
// parameters; null where the plug-in is built without an editor or memory
// runs out.
vst3::IPlugView* makeEditorView(Vst3Controller& controller);

class Vst3View final : public vst3::IPlugView {
public:
  explicit Vst3View(Vst3Controller& controller);
  Vst3View(const Vst3View&) = delete;
  Vst3View& operator=(const Vst3View&) = delete;

  vst3::tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) override;
  uint32_t BRASKLIN_VST3_CALL addRef() override;
  uint32_t BRASKLIN_VST3_CALL release() override;

  vst3::tresult BRASKLIN_VST3_CALL isPlatformTypeSupported(const char* type) override;
  vst3::tresult BRASKLIN_VST3_CALL attached(void* parent, const char* type) override;
  vst3::tresult BRASKLIN_VST3_CALL removed() override;
  vst3::tresult BRASKLIN_VST3_CALL onWheel(float distance) override;
  vst3::tresult BRASKLIN_VST3_CALL onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) override;
  vst3::tresult BRASKLIN_VST3_CALL onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) override;
  vst3::tresult BRASKLIN_VST3_CALL getSize(vst3::ViewRect* size) override;
  vst3::tresult BRASKLIN_VST3_CALL onSize(vst3::ViewRect* newSize) override;
  vst3::tresult BRASKLIN_VST3_CALL onFocus(vst3::TBool state) override;
  vst3::tresult BRASKLIN_VST3_CALL setFrame(vst3::IPlugFrame* frame) override;
  vst3::tresult BRASKLIN_VST3_CALL canResize() override;
  vst3::tresult BRASKLIN_VST3_CALL checkSizeConstraint(vst3::ViewRect* rect) override;

  // The panel, for tests that look at what the view shows.
  EditorPanel& panel() { return panel_; }
  // Whether the view is in the host's window now.
  bool isAttached() const { return attached_; }

  // Redraws every this many milliseconds while attached.
  static constexpr uint64_t kRedrawMilliseconds = 20;

private:
  ~Vst3View();
  // Handles the window's waiting events and redraws what changed; gives the
  // controller its idle.
  void idle();
  // Starts / stops the host's calls into idle (the run loop on Linux, a
  // window timer on Windows); false when they cannot be had.
  bool startIdleCalls();
  void stopIdleCalls();

  // The run loop's two callbacks, objects of their own as the run loop
  // wants them, their lifetime the view's.
  class EventHandler final : public vst3::IEventHandler {
  public:
    explicit EventHandler(Vst3View& view) : view(view) {}
    vst3::tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) override;
    uint32_t BRASKLIN_VST3_CALL addRef() override { return view.addRef(); }
    uint32_t BRASKLIN_VST3_CALL release() override { return view.release(); }
    void BRASKLIN_VST3_CALL onFDIsSet(int fd) override;

  private:
    Vst3View& view;
  };
  class TimerHandler final : public vst3::ITimerHandler {
  public:
    explicit TimerHandler(Vst3View& view) : view(view) {}
    vst3::tresult BRASKLIN_VST3_CALL queryInterface(const char* iid, void** object) override;
    uint32_t BRASKLIN_VST3_CALL addRef() override { return view.addRef(); }
    uint32_t BRASKLIN_VST3_CALL release() override { return view.release(); }
    void BRASKLIN_VST3_CALL onTimer() override;

  private:
    Vst3View& view;
  };

  std::atomic<uint32_t> references{1};
  Vst3Controller& controller;
  EditorPanel panel_;
  EventHandler events{*this};
  TimerHandler timer{*this};
  vst3::IPlugFrame* frame = nullptr;  // held from setFrame until the next
  vst3::IRunLoop* runLoop = nullptr;  // held while attached (Linux)
  uintptr_t windowTimer = 0;          // the window timer (Windows)
  bool attached_ = false;
};
