// PluginEditor: Brasklin's editor as a VST 2 effect registers it. The editor
// itself is the format-neutral EditorPanel; this wrapper answers the host's
// editor calls (getRect, open, close, idle) through the AEffGUIEditor base,
// hands the panel the effect's parameters through Vst2ParameterAccess and
// passes on the effect's news of every parameter change (setParameter).
//
// Threads: open, close and idle run on the host's interface thread;
// setParameter on whichever thread changed the parameter (see EditorPanel).
#pragma once

#include <cstdint>

#include "editor/EditorPanel.h"
#include "vst2/Vst2ParameterAccess.h"
#include "vst2/AEffGUIEditor.h"

class AudioEffect;

class PluginEditor : public AEffGUIEditor {
public:
  // Registers with `effect` (not null; from then on it owns the editor) and
  // loads the background; the window is built by open().
  explicit PluginEditor(AudioEffect* effect);
  ~PluginEditor() override;

  // Builds the panel inside `parent` (the host's window), loaded from the
  // effect's current values. Returns 1.
  intptr_t open(void* parent) override;
  // Deletes the panel's frame with its controls.
  void close() override;
  // Interface thread: the changed parameters into their controls, then the
  // frame's redraw.
  void idle() override;
  // Any thread, the audio thread included; no lock, no allocation. Records
  // the effect's current value of `index` (the value argument is not used:
  // the effect knows what it made of it, the stage-order slots for instance
  // report the stage they now hold) and posts an update. Ignored while the
  // editor is closed.
  void setParameter(int32_t index, float value) override;

  const EditorPanel& panel() const { return panel_; }

private:
  Vst2ParameterAccess parameters_;
  EditorPanel panel_;
};
