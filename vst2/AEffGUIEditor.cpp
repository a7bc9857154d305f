#include "vst2/AEffGUIEditor.h"

#include "gui/Frame.h"

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {}

AEffGUIEditor::~AEffGUIEditor() = default;

intptr_t AEffGUIEditor::getRect(ERect** out)
{
  if (out) *out = &rect;
  return 1;
}

intptr_t AEffGUIEditor::open(void* parent)
{
  postUpdate();
  parentWindow = parent;
  return 0;
}

void AEffGUIEditor::close() {}

void AEffGUIEditor::idle()
{
  if (updateFlag.exchange(false, std::memory_order_relaxed)) update();
  if (frame) frame->idle();
}

void AEffGUIEditor::update() {}

void AEffGUIEditor::postUpdate() { updateFlag.store(true, std::memory_order_relaxed); }

void AEffGUIEditor::setParameter(int32_t, float) { postUpdate(); }

void AEffGUIEditor::draw(ERect*)
{
  if (frame) frame->drawView(nullptr);
}
