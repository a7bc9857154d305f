// The editor as the effect and the host see it: the small set of operations the
// dispatcher routes editor opcodes to, plus the update hooks the effect uses to
// tell an open editor that a parameter moved. The GUI toolkit derives its
// AEffGUIEditor from this class and gives the operations real work to do.
#pragma once

#include <atomic>
#include <cstdint>

#include "vst2/interface/AEffect.h"

class AudioEffect;

class AEffEditor {
public:
  // Registers the new editor with `effect` (setEditor), which from then on owns
  // it and deletes it in its own destructor. A null effect is allowed.
  explicit AEffEditor(AudioEffect* effect);
  virtual ~AEffEditor() = default;

  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;

  // effEditGetRect: hands the editor rectangle out through `rect` and returns
  // non-zero when it did. The base has no rectangle: *rect = null, returns 0.
  virtual intptr_t getRect(ERect** rect);

  // effEditOpen: `parent` is the host's native window the editor lives in.
  // The base stores it and returns 0.
  virtual intptr_t open(void* parent);

  // effEditClose: the host is about to destroy the parent window. Base: nothing.
  virtual void close();

  // effEditIdle, interface thread: the editor's chance to redraw. The base runs
  // update() once if an update was posted since the last idle.
  virtual void idle();

  // Redraws whatever changed. Base: nothing. Interface thread.
  virtual void update();

  // Asks for an update() at the next idle. Any thread, audio included: it only
  // sets an atomic flag.
  virtual void postUpdate();

  // The effect reports that parameter `index` now holds the normalised `value`.
  // Any thread, audio included. Base: nothing.
  virtual void setParameter(int32_t index, float value);

  // Repaint request with the area to draw (may be null). Base: nothing.
  virtual void draw(ERect* rect);

  AudioEffect* getEffect() const { return effect; }
  void* getParentWindow() const { return parentWindow; }

protected:
  AudioEffect* effect;           // not owned: the effect owns the editor
  void* parentWindow;            // the host's window given to open, null before
  std::atomic<bool> updateFlag;  // set by postUpdate, consumed by idle
};
