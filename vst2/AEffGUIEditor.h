// The VST 2 editor base the plug-in's editor derives from: it hands the host
// the editor rectangle, keeps the Frame while the editor is open and passes
// the host's idle calls on to the frame. Mouse input needs nothing from here:
// the frame takes its events from the window between the host's calls.
#pragma once

#include <cstdint>

#include "vst2/interface/AEffEditor.h"
#include "vst2/interface/AEffect.h"

class AudioEffect;
class Frame;

class AEffGUIEditor : public AEffEditor {
public:
  // Registers with `effect` as its editor.
  explicit AEffGUIEditor(AudioEffect* effect);
  ~AEffGUIEditor() override;

  // Hands out the editor rectangle; returns 1.
  intptr_t getRect(ERect** rect) override;
  // Requests an update and stores the parent; returns 0. Subclasses build
  // their frame after calling it.
  intptr_t open(void* parent) override;
  void close() override;
  // Runs a posted update, then lets the frame redraw what changed.
  void idle() override;
  void update() override;
  void postUpdate() override;
  // Any thread: only posts an update.
  void setParameter(int32_t index, float value) override;
  // Repaints the whole frame (the area is ignored).
  void draw(ERect* rect) override;

  Frame* getFrame() const { return frame; }

protected:
  ERect rect{0, 0, 0, 0};
  Frame* frame = nullptr;  // the frame shown while open; its owner is the subclass
};
