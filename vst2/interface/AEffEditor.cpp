#include "vst2/interface/AEffEditor.h"

#include "vst2/interface/AudioEffect.h"

AEffEditor::AEffEditor(AudioEffect* effect) : effect(effect), parentWindow(nullptr), updateFlag(false)
{
  if (effect != nullptr) {
    effect->setEditor(this);
  }
}

intptr_t AEffEditor::getRect(ERect** rect)
{
  if (rect != nullptr) {
    *rect = nullptr;
  }
  return 0;
}

intptr_t AEffEditor::open(void* parent)
{
  parentWindow = parent;
  return 0;
}

void AEffEditor::close() {}

void AEffEditor::idle()
{
  // exchange, not load-then-store: a postUpdate arriving in between is kept
  // for the next idle instead of being lost.
  if (updateFlag.exchange(false, std::memory_order_relaxed)) {
    update();
  }
}

void AEffEditor::update() {}

void AEffEditor::postUpdate() { updateFlag.store(true, std::memory_order_relaxed); }

void AEffEditor::setParameter(int32_t /*index*/, float /*value*/) {}

void AEffEditor::draw(ERect* /*rect*/) {}
