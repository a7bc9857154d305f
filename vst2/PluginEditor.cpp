#include "vst2/PluginEditor.h"

#include "effect/ParameterTable.h"

PluginEditor::PluginEditor(AudioEffect* effect) : AEffGUIEditor(effect), parameters_(*effect), panel_(parameters_)
{
  // A constant: the editor keeps its size even when the background is missing.
  rect = ERect{0, 0, EditorPanel::kHeight, EditorPanel::kWidth};
}

// A host that never closed the editor leaves the frame to the panel, which
// closes itself when it goes.
PluginEditor::~PluginEditor() = default;

intptr_t PluginEditor::open(void* parent)
{
  AEffGUIEditor::open(parent);
  panel_.open(parent);
  frame = panel_.frame();
  postUpdate();
  return 1;
}

void PluginEditor::close()
{
  frame = nullptr;
  panel_.close();
}

void PluginEditor::idle()
{
  panel_.applyChangedParameters();
  AEffGUIEditor::idle();
}

void PluginEditor::setParameter(int32_t index, float /*value*/)
{
  // Nothing of the window is touched here: the interface thread may be
  // deleting it at this very moment.
  if (!panel_.isListening()) return;
  if (isParameterIndex(index)) {
    // The second delay-time index changes the Delay Time setting: its slider
    // and box show it. Pull rather than take the value given: the effect
    // knows what it made of it (a stage-order slot reports the stage it holds).
    const int32_t shown = aliasTarget(index);
    panel_.parameterChanged(shown, parameters_.currentValue(shown));
  }
  postUpdate();
}
