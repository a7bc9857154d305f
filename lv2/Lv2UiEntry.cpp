// The LV2 editor's entry: the interface descriptor a host finds through
// lv2ui_descriptor, its functions forwarding to Lv2Ui, and the idle interface
// the host drives it with. It is the only symbol the interface binary exports.
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstring>

#include "lv2/Lv2Identity.h"
#include "lv2/Lv2Ui.h"

namespace {

Lv2Ui* uiOf(LV2UI_Handle handle) { return static_cast<Lv2Ui*>(handle); }

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own signature
LV2UI_Handle instantiate(const LV2UI_Descriptor* /*descriptor*/, const char* pluginUri, const char* bundlePath,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
  // An editor for another plug-in's ports would write nonsense into them.
  if (pluginUri == nullptr || std::strcmp(pluginUri, kLv2PluginUri) != 0 || widget == nullptr) return nullptr;
  Lv2Ui* ui = Lv2Ui::create(bundlePath, write, controller, features).release();
  if (ui != nullptr) *widget = ui->widget();
  return ui;
}

void cleanup(LV2UI_Handle handle) { delete uiOf(handle); }

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own signature
void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer)
{
  uiOf(handle)->portEvent(port, bufferSize, format, buffer);
}

int idle(LV2UI_Handle handle) { return uiOf(handle)->idle(); }

const LV2UI_Idle_Interface idleInterface = {idle};

const void* extensionData(const char* uri)
{
  if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
  return nullptr;
}

const LV2UI_Descriptor descriptor = {kLv2UiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
  return index == 0 ? &descriptor : nullptr;
}
